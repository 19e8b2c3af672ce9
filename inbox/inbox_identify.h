#pragma once

#include "discovery/disk_record.h"
#include "platform/platform.h"

namespace inbox {

// Reads the drive's Identify Controller data through the protocol-specific property query and
// appends the identified record to `identified`. Returns 0 when appended.
int IdentifyInboxDisk(platform::Platform& platform, discovery::DiskRecord disk,
                      discovery::DiskList& identified);

}  // namespace inbox
