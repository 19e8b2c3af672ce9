#include "discovery/device_decision.h"

namespace discovery {

std::string_view VerdictText(DeviceVerdict verdict) {
    switch (verdict) {
        case DeviceVerdict::Taken:
            return "taken";
        case DeviceVerdict::RaidVolume:
            return "RAID volume";
        case DeviceVerdict::NotMakersVendor:
            return "not the vendor looked for";
        case DeviceVerdict::NotRstController:
            return "not an Intel RST controller";
        case DeviceVerdict::NotRstControllerDisk:
            return "parent is not the RST controller";
        case DeviceVerdict::SecondRstControllerDisk:
            return "parent is a second Intel RST controller";
        case DeviceVerdict::NoNvmeHardwareId:
            return "no NVMe hardware ID";
        case DeviceVerdict::PropertyNotReadable:
            return "property not readable";
        case DeviceVerdict::NoInterface:
            return "no interface";
        case DeviceVerdict::InterfaceOfAnotherDevice:
            return "interface of another device";
        case DeviceVerdict::OpenFailed:
            return "could not be opened";
        case DeviceVerdict::NoDeviceNumber:
            return "no device number";
        case DeviceVerdict::ListNotRead:
            return "device list not read";
        case DeviceVerdict::RaidSetWithoutVolume:
            return "RAID set without a volume";
        case DeviceVerdict::NoRaidSetSaid:
            return "the driver does not say which RAID sets it has";
        case DeviceVerdict::RaidSetsUncounted:
            return "more RAID sets than are asked for";
    }
    return "?";
}

model::UnreadDevice UnreadOf(const DeviceDecision& decision, model::UnreadPart part,
                             win::Dword error) {
    model::UnreadDevice device;
    device.StorageControllers = decision.Walk == DiscoveryWalk::RstControllers;
    device.Index = decision.Index;
    device.Name = !decision.InstanceId.empty() ? decision.InstanceId : decision.Path;
    device.Part = part;
    device.Error = error;
    return device;
}

std::string_view WalkText(DiscoveryWalk walk) {
    switch (walk) {
        case DiscoveryWalk::InboxDisks:
            return "inbox disks";
        case DiscoveryWalk::RstControllers:
            return "RST controllers";
        case DiscoveryWalk::RstDisks:
            return "RST disks";
    }
    return "?";
}

}  // namespace discovery
