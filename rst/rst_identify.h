#pragma once

#include <cstdint>
#include <span>

#include "discovery/disk_record.h"
#include "platform/platform.h"

namespace rst {

// Identify Controller through the "IntelNvm" pass-through; appends the record on success.
// Returns 0 (appended), 5 (request failed) or 8 (no buffer, or the path did not open).
int IdentifyRstDisk(platform::Platform& platform, discovery::DiskRecord disk,
                    discovery::DiskList& identified);

// Fills the identity and UpdateGranularity of the record from 4096 bytes of Identify
// Controller data: every byte of SN, MN and FR, widened with its sign, nothing trimmed.
void ApplyIdentifyData(std::span<const std::uint8_t> identify, discovery::DiskRecord& disk);

}  // namespace rst
