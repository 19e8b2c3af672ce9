// The Intel RST controller as the tool chooses it, read-only: its RAID volumes with the CSMI
// configuration of the RAID set each one stands for, its disks outside a volume, and the
// Identify data of every drive the "IntelNvm" pass-through reaches at their path identifiers.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "discovery/rst_discovery.h"
#include "inspect/capture_drive.h"
#include "platform/platform.h"

namespace inspect {

// One "IntelNvm" Identify Controller exchange.
struct PassThroughAnswer {
    bool ok = false;
    win::Dword error = 0;
    std::uint32_t returnCode = 0;
    IdentifyData data;  // the data area as it stands after the call
    // The firmware slot log request as the driver left it, when the call succeeded.
    std::optional<std::vector<std::uint8_t>> slotLog;

    // A drive answered: the call and its ReturnCode succeeded.
    bool HasDrive() const { return ok && returnCode == 0; }
};

// The k-th RAID volume of the disk list and the CSMI GET_RAID_CONFIG answer of RAID set k.
struct RstVolume {
    std::u16string instanceId;
    bool answered = false;  // DeviceIoControl succeeded
    win::Dword error = 0;
    std::uint32_t returnCode = 0;
    std::uint8_t raidType = 0;  // CSMI_SAS_RAID_TYPE_*
    std::uint32_t capacityMb = 0;
    std::uint32_t stripeKb = 0;
    std::vector<std::uint8_t> memberPorts;  // byte 2 of each member's bSASAddress
};

// A disk the tool takes behind the controller outside a volume, and its path identifier.
struct RstDisk {
    std::u16string instanceId;
    std::uint8_t port = 0;
};

struct RstCapture {
    bool found = false;
    discovery::RaidController controller;
    bool opened = false;  // the controller's path opened for the requests below
    std::vector<RstVolume> volumes;
    std::vector<RstDisk> disks;
    std::vector<std::u16string>
        walkOrder;  // the volumes and disks in the order the tool takes them
    std::map<std::uint8_t, PassThroughAnswer> ports;  // by path identifier

    // Whether the device is one of the controller's volumes or disks.
    bool Holds(std::u16string_view instanceId) const;
};

// FindRstController, EnumerateRstDisks and the read-only requests to the controller.
RstCapture CaptureRst(platform::Platform& platform);

}  // namespace inspect
