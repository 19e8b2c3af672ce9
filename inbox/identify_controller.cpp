#include "inbox/identify_controller.h"
#include "discovery/identify_controller_data.h"

#include <algorithm>

#include "inbox/property_query_layout.h"
#include "platform/byte_layout.h"
#include "platform/text.h"

namespace inbox {

std::u16string IdentifyText(std::span<const std::uint8_t> data, std::size_t start,
                            std::size_t width) {
    if (start >= data.size()) {
        return {};
    }
    const auto tail = data.subspan(start);
    // Ends at a zero byte; the RST road goes on. NVMe pads with blanks: only zero padding differs.
    const auto zero = std::find(tail.begin(), tail.end(), std::uint8_t{0});
    const std::size_t length = static_cast<std::size_t>(zero - tail.begin());
    return platform::WidenSigned(tail.first(std::min(length, width)));
}

void FillIdentity(std::span<const std::uint8_t> data, discovery::DiskRecord& disk) {
    disk.SerialNumber =
        IdentifyText(data, identify::kSerialNumberOffset, identify::kSerialNumberSize);
    disk.ModelNumber = IdentifyText(data, identify::kModelNumberOffset, identify::kModelNumberSize);
    disk.FirmwareRevision =
        IdentifyText(data, identify::kFirmwareRevisionOffset, identify::kFirmwareRevisionSize);
    disk.UpdateGranularity = discovery::UpdateGranularityFromIdentify(data);
}

}  // namespace inbox
