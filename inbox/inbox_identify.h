#pragma once

#include <cstdint>

#include "discovery/disk_record.h"
#include "discovery/stop_point.h"
#include "platform/platform.h"

namespace inbox {

enum class IdentifyStatus : std::int32_t {
    Identified = 0,     // appended to the identified disks
    NotIdentified = 1,  // the disk did not open or the query failed
};

struct IdentifyOutcome {
    IdentifyStatus status = IdentifyStatus::NotIdentified;
    discovery::StopPoint stop;
};

// Reads the drive's Identify Controller data through the protocol-specific property query and
// appends the identified record to `identified`.
IdentifyOutcome IdentifyInboxDisk(platform::Platform& platform, discovery::DiskRecord disk,
                                  discovery::DiskList& identified);

}  // namespace inbox
