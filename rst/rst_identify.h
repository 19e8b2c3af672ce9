#pragma once

#include "discovery/disk_record.h"
#include "platform/platform.h"

namespace rst {

// Identify Controller through the "IntelNvm" pass-through; appends the record on success.
// Returns 0 (appended), 5 (request failed) or 8 (no buffer, or the path did not open).
int IdentifyRstDisk(platform::Platform& platform, discovery::DiskRecord disk,
                    discovery::DiskList& identified);

}  // namespace rst
