#include "rst/raid_query.h"
#include "rst/rst_identify.h"
#include "rst/rst_update.h"

namespace rst {

// Not yet implemented.
int QueryRaidMembers(platform::Platform&, discovery::DiskRecord, discovery::DiskList&) { return 0; }
int IdentifyRstDisk(platform::Platform&, discovery::DiskRecord, discovery::DiskList&) { return 8; }
int UpdateRstDisk(platform::Platform&, const discovery::DiskRecord&, const image::FirmwareImage&,
                  std::uint32_t) {
    return 5;
}

}  // namespace rst
