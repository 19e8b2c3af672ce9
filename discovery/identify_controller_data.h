// The fields of the NVMe Identify Controller data structure that identification reads on both
// roads, and the rule that turns its version and FWUG into the download piece size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace discovery::identify {

inline constexpr std::size_t kDataSize = 4096;
inline constexpr std::size_t kVendorIdOffset = 0;      // VID, PCI vendor ID, little-endian
inline constexpr std::size_t kSerialNumberOffset = 4;  // SN
inline constexpr std::size_t kSerialNumberSize = 20;
inline constexpr std::size_t kModelNumberOffset = 24;  // MN
inline constexpr std::size_t kModelNumberSize = 40;
inline constexpr std::size_t kFirmwareRevisionOffset = 64;  // FR
inline constexpr std::size_t kFirmwareRevisionSize = 8;
inline constexpr std::size_t kVersionOffset = 80;  // VER, 4 bytes
inline constexpr std::size_t kVersionSize = 4;
inline constexpr std::size_t kVersionTertiaryOffset = 80;  // VER bits 7:0
inline constexpr std::size_t kVersionMinorOffset = 81;     // VER bits 15:8
inline constexpr std::size_t kVersionMajorOffset = 82;     // VER bits 31:16
inline constexpr std::size_t kFrmwOffset =
    260;  // FRMW: bits 3:1 slot count, bit 0 slot 1 read-only
inline constexpr std::size_t kFwugOffset = 319;  // FWUG, 4 KiB units

static_assert(kSerialNumberOffset + kSerialNumberSize == kModelNumberOffset);
static_assert(kModelNumberOffset + kModelNumberSize == kFirmwareRevisionOffset);
static_assert(kFwugOffset < kDataSize);

}  // namespace discovery::identify

namespace discovery {

// Download piece size in 4 KiB units. FWUG is defined from NVMe 1.3 on, so VER (major and minor
// as one ordered value) must be 1.3 or later; FWUG 0 gives no information and 0xFF means no
// restriction, and both take 4 KiB pieces, as the common tools do: a 0xFF-unit piece (1,044,480
// bytes) would exceed the 512 KiB a download request may carry through the inbox driver.
std::int32_t UpdateGranularityFromIdentify(std::span<const std::uint8_t> data);

}  // namespace discovery
