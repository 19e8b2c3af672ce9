#pragma once

#include <cstdint>
#include <vector>

#include "model/disk_record.h"
#include "model/run_events.h"
#include "model/stop_point.h"
#include "platform/platform.h"
#include "rst/rst_identify.h"

namespace rst {

enum class QueryStatus : std::int32_t {
    Answered = 0,  // also when the volume's path did not open and nothing was asked
    Failed = 5,    // DeviceIoControl failed or the driver's ReturnCode was not 0
};

// One member drive of the RAID set and how its identification ended.
struct MemberIdentification {
    model::DiskRecord member;
    IdentifyOutcome outcome;
};

struct [[nodiscard]] QueryOutcome {
    QueryStatus status = QueryStatus::Answered;
    model::StopPoint stop;
    std::vector<MemberIdentification> members;  // in drive-entry order
    std::size_t listedMembers = 0;              // bDriveCount: more than members when some
                                                // entries could not be read
    // The driver named the set's members: false when the controller did not open, the query
    // failed or was refused, or the drive count was not given.
    bool listed = false;
};

// Expands a RAID volume record into its member drives (CSMI GET_RAID_CONFIG of RAID set
// raidSetIndex) and identifies each through the pass-through.
QueryOutcome QueryRaidMembers(platform::Platform& platform, model::RunEvents& events,
                              model::DiskRecord volume, std::uint32_t raidSetIndex,
                              model::DiskList& identified);

}  // namespace rst
