#pragma once

#include "discovery/disk_record.h"
#include "platform/platform.h"

namespace rst {

// Expands a RAID volume record into its member drives (CSMI GET_RAID_CONFIG of RAID set
// raidSetIndex) and identifies each through the pass-through. Returns 0, or 5 when the query
// failed.
int QueryRaidMembers(platform::Platform& platform, discovery::DiskRecord volume,
                     std::uint32_t raidSetIndex, discovery::DiskList& identified);

}  // namespace rst
