// One disk the tool may update: how to reach it, who it is, how to cut the image for it, and
// how its update ended. Records are plain values, copied from list to list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "discovery/result_code.h"

namespace discovery {

// How a disk is reached.
inline constexpr std::int32_t kAccessRstRaid = 1;  // RAID volume behind Intel RST, or its member
inline constexpr std::int32_t kAccessRstDisk = 2;  // NVMe disk behind Intel RST outside a volume
inline constexpr std::int32_t kAccessInbox = 3;    // the maker's NVMe disk on the inbox driver

struct DiskRecord {
    std::u16string DevicePath;
    std::int64_t PortNumber = -1;
    std::int32_t AccessPath = 0;
    std::u16string ModelNumber;
    std::u16string SerialNumber;
    std::u16string FirmwareRevision;
    std::int32_t UpdateGranularity = 1;  // download piece size in 4096-byte units
    // Identify Controller VID (bytes 0-1), read on the RST road only: there the driver reaches
    // every maker's drive, while the inbox road knows the maker by the disk's parent.
    std::uint16_t PciVendorId = 0;
    discovery::ResultCode ResultCode = discovery::ResultCode::Updated;

    friend bool operator==(const DiskRecord&, const DiskRecord&) = default;
};

using DiskList = std::vector<DiskRecord>;

// A candidate as discovery makes it: addressing only, empty identity, granularity 1.
inline DiskRecord MakeCandidate(std::u16string devicePath, std::int64_t portNumber,
                                std::int32_t accessPath) {
    DiskRecord record;
    record.DevicePath = std::move(devicePath);
    record.PortNumber = portNumber;
    record.AccessPath = accessPath;
    return record;
}

}  // namespace discovery
