#include "discovery/identify_controller_data.h"

#include "platform/byte_layout.h"

namespace discovery {

std::int32_t UpdateGranularityFromIdentify(std::span<const std::uint8_t> data) {
    const std::uint16_t major = platform::GetU16(data, identify::kVersionMajorOffset);
    const std::uint8_t minor = platform::GetU8(data, identify::kVersionMinorOffset);
    const std::uint8_t fwug = platform::GetU8(data, identify::kFwugOffset);
    if (major >= 1 && minor >= 3 && fwug != 0) {
        return fwug;
    }
    return 1;
}

}  // namespace discovery
