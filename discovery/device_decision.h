// Why a discovery walk took or left each device it looked at. Discovery prints almost nothing;
// this log is what tests and the inspector read to tell an administrator why a drive is missing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/run_events.h"
#include "platform/windows_values.h"

namespace discovery {

enum class DiscoveryWalk {
    InboxDisks,      // GUID_DEVINTERFACE_DISK, for the maker's disks on the inbox driver
    RstControllers,  // GUID_DEVINTERFACE_STORAGEPORT, for the Intel RST controller
    RstDisks,        // GUID_DEVINTERFACE_DISK, for the disks behind that controller
};

enum class DeviceVerdict {
    Taken,                     // a candidate was made (or, for a controller, it was chosen)
    RaidVolume,                // an RST RAID volume: one candidate, expanded by the CSMI query
    NotMakersVendor,           // the parent does not carry the vendor identifier looked for
    NotRstController,          // an interface path or driver description of another controller
    NotRstControllerDisk,      // an Intel-parented disk whose parent is not the chosen controller
    SecondRstControllerDisk,   // an NVMe disk or RAID volume on another Intel RST controller
    NoNvmeHardwareId,          // no hardware identifier names NVMe
    PropertyNotReadable,       // a property the test needs could not be read as a string
    NoInterface,               // no interface, or its detail, at the device's index
    InterfaceOfAnotherDevice,  // the interface at the device's index belongs to another device
    OpenFailed,                // CreateFileW refused the path (error holds the code)
    NoDeviceNumber,            // IOCTL_STORAGE_GET_DEVICE_NUMBER failed or answered short
    ListNotRead,               // the walk's device list could not be had, or read to its end
    // The RAID sets the RST driver has beyond the volumes Windows lists (Index: the set).
    RaidSetWithoutVolume,  // a set the driver answered for
    NoRaidSetSaid,         // no volume listed, and the driver would not say: taken as none
    RaidSetsUncounted,     // the driver still answered at the most sets that are asked for
};

struct DeviceDecision {
    DiscoveryWalk Walk = DiscoveryWalk::InboxDisks;
    std::uint32_t Index = 0;    // in the walk's device list
    std::u16string ParentId;    // as read, where the walk read it
    std::u16string InstanceId;  // as read, where the walk read it
    std::u16string Path;        // the interface path, where the walk got that far
    DeviceVerdict Verdict = DeviceVerdict::Taken;
    // The inbox walk: the parent carries the maker's vendor ID and a hardware ID names NVMe, so
    // the disk is one of the maker's drives whatever became of it afterwards.
    bool MakersNvmeDisk = false;
    // The RST walk: the disk's instance ID carries "VEN_NVME".
    bool NvmeDisk = false;
    // The chosen RST controller: its driver description names Intel VMD, whose driver may refuse
    // the NVMe pass-through.
    bool Vmd = false;
    win::Dword Error = 0;  // OpenFailed, NoDeviceNumber, ListNotRead: the system error code
    // Taken, RaidVolume: the candidate made, as its index in the candidate list.
    std::optional<std::size_t> Candidate;

    friend bool operator==(const DeviceDecision&, const DeviceDecision&) = default;
};

using DiscoveryLog = std::vector<DeviceDecision>;

// The event that tells a device or list that the walk could not read, named by what was read.
model::UnreadDevice UnreadOf(const DeviceDecision& decision, model::UnreadPart part,
                             win::Dword error = 0);

std::string_view VerdictText(DeviceVerdict verdict);
std::string_view WalkText(DiscoveryWalk walk);

}  // namespace discovery
