// Reading a disk's identity out of its NVMe Identify Controller data.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "discovery/disk_record.h"

namespace inbox {

// The zero-terminated text starting at `start` (the run ends at the first zero byte, or at the
// end of the data), cut to `width` bytes, each byte widened as a signed 8-bit value.
std::u16string IdentifyText(std::span<const std::uint8_t> data, std::size_t start,
                            std::size_t width);

// Fills SerialNumber, ModelNumber, FirmwareRevision and UpdateGranularity from the 4096 bytes.
void FillIdentity(std::span<const std::uint8_t> data, discovery::DiskRecord& disk);

}  // namespace inbox
