// The NVMe Identify Controller data structure: the fields this tool reads, declared once, and
// the one reader that both access paths and the inspector use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "model/disk_record.h"

namespace discovery::identify {

inline constexpr std::size_t kDataSize = 4096;
inline constexpr std::size_t kVendorIdOffset = 0;           // VID, PCI vendor ID, little-endian
inline constexpr std::size_t kSubsystemVendorIdOffset = 2;  // SSVID, PCI subsystem vendor ID
inline constexpr std::size_t kSerialNumberOffset = 4;       // SN
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
inline constexpr std::uint8_t kFrmwSlot1ReadOnly = 0x01;
inline constexpr unsigned kFrmwSlotCountShift = 1;
inline constexpr std::uint8_t kFrmwSlotCountMask = 0x7;

static_assert(kSerialNumberOffset + kSerialNumberSize == kModelNumberOffset);
static_assert(kModelNumberOffset + kModelNumberSize == kFirmwareRevisionOffset);
static_assert(kFwugOffset < kDataSize);

}  // namespace discovery::identify

namespace discovery {

// How a text field's bytes become characters. Each byte is widened as a signed 8-bit value; the
// inbox access path ends a field at its first zero byte, the RST access path keeps every byte
// (NVMe pads with blanks, so only zero padding reads differently).
enum class TextRule { EndAtFirstZero, KeepEveryByte };

// The text of `width` bytes from `offset`, never beyond the data.
std::u16string IdentifyFieldText(std::span<const std::uint8_t> data, std::size_t offset,
                                 std::size_t width, TextRule rule);

// What the tool reads of one Identify Controller data structure.
struct IdentifyController {
    std::uint16_t PciVendorId = 0;
    std::uint16_t PciSubsystemVendorId = 0;
    std::u16string SerialNumber;
    std::u16string ModelNumber;
    std::u16string FirmwareRevision;
    std::uint16_t VersionMajor = 0;
    std::uint8_t VersionMinor = 0;
    std::uint8_t VersionTertiary = 0;
    std::uint8_t FirmwareSlotCount = 0;  // FRMW bits 3:1
    bool Slot1ReadOnly = false;          // FRMW bit 0
    std::uint8_t Fwug = 0;
    std::int32_t UpdateGranularity = 1;  // the download piece size, in 4 KiB units
};

// Reads the 4096 bytes; the program stops on a shorter span, which no caller holds.
IdentifyController ReadIdentifyController(std::span<const std::uint8_t> data, TextRule rule);

// A record's identity and UpdateGranularity from what was read.
void ApplyIdentity(const IdentifyController& id, model::DiskRecord& disk);

// Download piece size in 4 KiB units. FWUG is defined from NVMe 1.3 on, so VER (major and minor
// as one ordered value) must be 1.3 or later; FWUG 0 gives no information and 0xFF means no
// restriction, and both take 4 KiB pieces, as the common tools do: a 0xFF-unit piece (1,044,480
// bytes) would exceed the 512 KiB a download request may carry through the inbox driver.
std::int32_t UpdateGranularityFromIdentify(std::span<const std::uint8_t> data);

}  // namespace discovery
