#include "discovery/device_decision.h"

namespace discovery {

std::string_view VerdictText(Verdict verdict) {
    switch (verdict) {
        case Verdict::Taken:
            return "taken";
        case Verdict::RaidVolume:
            return "RAID volume";
        case Verdict::NotMakersVendor:
            return "not the vendor looked for";
        case Verdict::NotRstController:
            return "not an Intel RST controller";
        case Verdict::NotRstControllerDisk:
            return "parent is not the RST controller";
        case Verdict::SecondRstControllerDisk:
            return "parent is a second Intel RST controller";
        case Verdict::NoNvmeHardwareId:
            return "no NVMe hardware ID";
        case Verdict::PropertyNotReadable:
            return "property not readable";
        case Verdict::NoInterface:
            return "no interface";
        case Verdict::InterfaceOfAnotherDevice:
            return "interface of another device";
        case Verdict::OpenFailed:
            return "could not be opened";
        case Verdict::NoDeviceNumber:
            return "no device number";
    }
    return "?";
}

std::string_view WalkText(Walk walk) {
    switch (walk) {
        case Walk::InboxDisks:
            return "inbox disks";
        case Walk::RstControllers:
            return "RST controllers";
        case Walk::RstDisks:
            return "RST disks";
    }
    return "?";
}

}  // namespace discovery
