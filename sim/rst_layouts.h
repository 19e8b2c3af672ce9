// The requests the simulated Intel RST driver decodes behind SRB_IO_CONTROL, declared from
// their published layouts (never from the tool's own headers): CSMI_SAS_RAID_CONFIG_BUFFER of
// the CSMI standard, the four address bytes of the Intel requests, and the "IntelNvm"
// pass-through with its NVMe submission and completion entries. Offsets count from the start
// of the request buffer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sim::layout {

inline constexpr std::uint32_t kCsmiGetRaidConfig = 11;  // CC_CSMI_SAS_GET_RAID_CONFIG
inline constexpr std::uint32_t kIntelNvmPassThrough = 0xF0002808;
inline constexpr std::uint32_t kIntelFirmware = 0xF0000040;

// CSMI_SAS_RAID_CONFIG behind the header, and its CSMI_SAS_RAID_DRIVES entries.
inline constexpr std::size_t kRaidSetIndex = 28;
inline constexpr std::size_t kRaidCapacity = 32;
inline constexpr std::size_t kRaidStripeSize = 36;
inline constexpr std::size_t kRaidType = 40;
inline constexpr std::size_t kRaidStatus = 41;
inline constexpr std::size_t kRaidDriveCount = 43;
inline constexpr std::size_t kRaidDrives = 64;
inline constexpr std::size_t kDriveEntrySize = 136;
inline constexpr std::size_t kDriveModel = 0;
inline constexpr std::size_t kDriveModelSize = 40;
inline constexpr std::size_t kDriveFirmware = 40;
inline constexpr std::size_t kDriveFirmwareSize = 8;
inline constexpr std::size_t kDriveSerial = 48;
inline constexpr std::size_t kDriveSerialSize = 40;
inline constexpr std::size_t kDriveSasAddress = 88;
inline constexpr std::size_t kDriveUsage = 105;
inline constexpr std::uint8_t kDriveConfigMember = 1;  // CSMI_SAS_DRIVE_CONFIG_MEMBER

// The address behind the header of the Intel requests.
inline constexpr std::size_t kAddressVersion = 28;
inline constexpr std::size_t kAddressPath = 29;
inline constexpr std::size_t kAddressTarget = 30;
inline constexpr std::size_t kAddressLun = 31;
inline constexpr std::uint8_t kAddressStructureVersion = 1;

// "IntelNvm": submission entry, command set flag, completion entry, data offset and length.
inline constexpr std::size_t kSqe = 32;
inline constexpr std::size_t kSqeNsid = kSqe + 4;
inline constexpr std::size_t kSqeCdw10 = kSqe + 40;
inline constexpr std::size_t kSqeCdw11 = kSqe + 44;
inline constexpr std::size_t kSqeCdw12 = kSqe + 48;
inline constexpr std::size_t kSqeCdw13 = kSqe + 52;
inline constexpr std::size_t kIoCommandSet = 96;
inline constexpr std::size_t kCqe = 100;
inline constexpr std::size_t kCqeDw3 = kCqe + 12;
inline constexpr std::size_t kNvmDataOffset = 116;
inline constexpr std::size_t kNvmDataLength = 120;
inline constexpr std::size_t kNvmDataStart = 164;

}  // namespace sim::layout
