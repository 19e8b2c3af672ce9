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
    model::DiskRecord Member;  // as the RAID configuration names it
    IdentifyOutcome Outcome;
};

struct [[nodiscard]] QueryOutcome {
    QueryStatus Status = QueryStatus::Answered;
    model::StopPoint Stop;
    std::vector<MemberIdentification> Members;  // in drive-entry order
    std::size_t MembersListed = 0;              // bDriveCount: more than Members when some
                                                // entries could not be read
    // The driver named the set's members: false when the controller did not open, the query
    // failed or was refused, or the drive count was not given.
    bool Listed = false;
    // The driver has no such set (CSMI_SAS_RAID_SET_OUT_OF_RANGE), or, asked without a volume,
    // would not say: nothing was listed and nothing was told.
    bool NoSuchSet = false;
};

// Why a RAID set is asked for, which decides what an answer without a configuration means.
enum class SetAsked {
    ForVolume,       // Windows lists a volume for it: any answer but its configuration fails
    PastVolumes,     // after the listed volumes' sets: "no such set" ends the count
    WithoutVolumes,  // no volume listed: "no such set" and a refusal both mean none
};

// Expands a RAID set into its member drives (CSMI GET_RAID_CONFIG of RAID set raidSetIndex,
// through the controller path of `volume`) and identifies each through the pass-through.
QueryOutcome QueryRaidMembers(platform::Platform& platform, model::RunEvents& events,
                              const model::DiskRecord& volume, std::uint32_t raidSetIndex,
                              SetAsked asked = SetAsked::ForVolume);

}  // namespace rst
