// One disk the tool may update: how to reach it, who it is, how to cut the image for it, and
// how its update ended. Records are plain values, copied from list to list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/result_code.h"

namespace model {

// How a disk is reached; the numbers are the ones the inspector's report gives.
enum class AccessKind : std::int32_t {
    None = 0,     // not known yet
    RstRaid = 1,  // RAID volume behind Intel RST, or its member
    RstDisk = 2,  // NVMe disk behind Intel RST outside a volume
    Inbox = 3,    // the maker's NVMe disk on the inbox driver
};

constexpr std::int32_t ToInt(AccessKind path) {
    return static_cast<std::int32_t>(path);
}

struct DiskRecord {
    std::u16string DevicePath;
    std::int64_t PortNumber = -1;
    AccessKind AccessPath = AccessKind::None;
    std::u16string ModelNumber;
    std::u16string SerialNumber;
    std::u16string FirmwareRevision;
    std::int32_t UpdateGranularity = 1;  // download piece size in 4096-byte units
    // Identify Controller VID (bytes 0-1), read on the RST access path only: there the driver
    // reaches every maker's drive, while the inbox access path knows the maker by the disk's
    // parent.
    std::uint16_t PciVendorId = 0;
    // Identify Controller FRMW (byte 260), read on the RST access path, where the activation
    // names its slot itself: bits 3:1 the number of slots, bit 0 slot 1 read-only.
    std::uint8_t FirmwareSlotCount = 0;
    bool Slot1ReadOnly = false;
    // RAID members: the RAID set whose configuration listed the member, else -1.
    std::int32_t RaidSetIndex = -1;
    // RST records: discovery or the RAID configuration names the disk an NVMe drive (a plain
    // disk whose instance ID carries "VEN_NVME", a member whose CSMI model begins with "NVMe").
    // SATA disks behind RST are not the maker's and are not missed when they cannot be read.
    bool KnownNvme = false;
    DiskResult ResultCode = DiskResult::Updated;

    friend bool operator==(const DiskRecord&, const DiskRecord&) = default;
};

using DiskList = std::vector<DiskRecord>;

// A candidate as discovery makes it: addressing only, empty identity, granularity 1.
inline DiskRecord MakeCandidate(std::u16string devicePath, std::int64_t portNumber,
                                AccessKind accessPath) {
    DiskRecord record;
    record.DevicePath = std::move(devicePath);
    record.PortNumber = portNumber;
    record.AccessPath = accessPath;
    return record;
}

}  // namespace model
