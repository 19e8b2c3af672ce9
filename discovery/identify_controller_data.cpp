#include "discovery/identify_controller_data.h"

#include "platform/byte_layout.h"

namespace discovery {

std::int32_t UpdateGranularityFromIdentify(std::span<const std::uint8_t> data) {
    const std::uint16_t major = platform::GetU16(data, identify::kVersionMajorOffset);
    const std::uint8_t minor = platform::GetU8(data, identify::kVersionMinorOffset);
    const std::uint8_t fwug = platform::GetU8(data, identify::kFwugOffset);
    constexpr std::uint32_t kVersion1_3 = (1u << 8) | 3u;
    const std::uint32_t version = (std::uint32_t{major} << 8) | minor;
    constexpr std::uint8_t kNoInformation = 0x00;
    constexpr std::uint8_t kNoRestriction = 0xFF;
    if (version >= kVersion1_3 && fwug != kNoInformation && fwug != kNoRestriction) {
        return fwug;
    }
    return 1;
}

}  // namespace discovery
