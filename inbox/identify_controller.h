// Reading a disk's identity out of its NVMe Identify Controller data.
#pragma once

#include <cstdint>
#include <span>

#include "model/disk_record.h"

namespace inbox {

// Fills SerialNumber, ModelNumber, FirmwareRevision and UpdateGranularity from the 4096 bytes,
// each text ending at its first zero byte.
void FillIdentity(std::span<const std::uint8_t> data, model::DiskRecord& disk);

}  // namespace inbox
