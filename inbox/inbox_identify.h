#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "model/disk_record.h"
#include "model/run_events.h"
#include "model/stop_point.h"
#include "platform/platform.h"

namespace inbox {

enum class IdentifyStatus : std::int32_t {
    Identified = 0,     // the record was made
    NotIdentified = 1,  // the disk did not open or the query failed
};

struct [[nodiscard]] IdentifyOutcome {
    IdentifyStatus Status = IdentifyStatus::NotIdentified;
    model::StopPoint Stop;
    // The Identify Controller data read (4096 bytes), when the disk was identified.
    std::vector<std::uint8_t> Identify;
    // Identified: the disk's record with the identity the data gives.
    std::optional<model::DiskRecord> Record;
};

// Writes the IOCTL_STORAGE_QUERY_PROPERTY request for Identify Controller into a cleared buffer
// of query::kBufferSize bytes (inbox/property_query_layout.h).
void BuildIdentifyQuery(std::span<std::uint8_t> buffer);

// Reads the drive's Identify Controller data through the protocol-specific property query and
// makes the disk's record from it.
IdentifyOutcome IdentifyInboxDisk(platform::Platform& platform, model::RunEvents& events,
                                  model::DiskRecord disk);

}  // namespace inbox
