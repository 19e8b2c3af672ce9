#include "inbox/inbox_identify.h"
#include "inbox/inbox_update.h"

namespace inbox {

// Not yet implemented.
int IdentifyInboxDisk(platform::Platform&, discovery::DiskRecord, discovery::DiskList&) { return 8; }
int UpdateInboxDisk(platform::Platform&, const discovery::DiskRecord&, const image::FirmwareImage&,
                    std::uint32_t) {
    return 5;
}

}  // namespace inbox
