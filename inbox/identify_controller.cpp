#include "inbox/identify_controller.h"

#include "discovery/identify_controller_data.h"

namespace inbox {

void FillIdentity(std::span<const std::uint8_t> data, discovery::DiskRecord& disk) {
    const discovery::IdentifyController id =
        discovery::ReadIdentifyController(data, discovery::TextRule::EndAtFirstZero);
    disk.SerialNumber = id.SerialNumber;
    disk.ModelNumber = id.ModelNumber;
    disk.FirmwareRevision = id.FirmwareRevision;
    disk.UpdateGranularity = id.UpdateGranularity;
}

}  // namespace inbox
