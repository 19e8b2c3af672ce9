#include "inbox/identify_controller.h"

#include "discovery/identify_controller_data.h"

namespace inbox {

void FillIdentity(std::span<const std::uint8_t> data, model::DiskRecord& disk) {
    discovery::ApplyIdentity(
        discovery::ReadIdentifyController(data, discovery::TextRule::EndAtFirstZero), disk);
}

}  // namespace inbox
