#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "model/disk_record.h"
#include "model/run_events.h"
#include "model/stop_point.h"
#include "platform/platform.h"

namespace inbox {

enum class IdentifyStatus : std::int32_t {
    Identified = 0,     // appended to the identified disks
    NotIdentified = 1,  // the disk did not open or the query failed
};

struct [[nodiscard]] IdentifyOutcome {
    IdentifyStatus status = IdentifyStatus::NotIdentified;
    model::StopPoint stop;
    // The Identify Controller data read (4096 bytes), when the disk was identified.
    std::vector<std::uint8_t> identify;
};

// Writes the IOCTL_STORAGE_QUERY_PROPERTY request for Identify Controller into a cleared buffer
// of query::kBufferSize bytes (inbox/property_query_layout.h).
void BuildIdentifyQuery(std::span<std::uint8_t> buffer);

// Reads the drive's Identify Controller data through the protocol-specific property query and
// appends the identified record to `identified`.
IdentifyOutcome IdentifyInboxDisk(platform::Platform& platform, model::RunEvents& events,
                                  model::DiskRecord disk, model::DiskList& identified);

}  // namespace inbox
