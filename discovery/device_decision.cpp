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
    }
    return "?";
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
