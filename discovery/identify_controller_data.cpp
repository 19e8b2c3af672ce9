#include "discovery/identify_controller_data.h"

#include <algorithm>

#include "platform/byte_layout.h"
#include "platform/text.h"

namespace discovery {

std::u16string IdentifyFieldText(std::span<const std::uint8_t> data, std::size_t offset,
                                 std::size_t width, TextRule rule) {
    const std::span<const std::uint8_t> tail = data.subspan(std::min(offset, data.size()));
    std::span<const std::uint8_t> field = tail.first(std::min(width, tail.size()));
    if (rule == TextRule::EndAtFirstZero) {
        const auto zero = std::find(field.begin(), field.end(), std::uint8_t{0});
        field = field.first(static_cast<std::size_t>(zero - field.begin()));
    }
    return platform::WidenSigned(field);
}

void ApplyIdentity(const IdentifyController& id, model::DiskRecord& disk) {
    disk.SerialNumber = id.SerialNumber;
    disk.ModelNumber = id.ModelNumber;
    disk.FirmwareRevision = id.FirmwareRevision;
    disk.UpdateGranularity = id.UpdateGranularity;
}

IdentifyController ReadIdentifyController(std::span<const std::uint8_t> data, TextRule rule) {
    using namespace identify;
    platform::CheckFits(data.size(), 0, kDataSize);
    IdentifyController id;
    id.PciVendorId = platform::GetU16(data, kVendorIdOffset);
    id.PciSubsystemVendorId = platform::GetU16(data, kSubsystemVendorIdOffset);
    id.SerialNumber = IdentifyFieldText(data, kSerialNumberOffset, kSerialNumberSize, rule);
    id.ModelNumber = IdentifyFieldText(data, kModelNumberOffset, kModelNumberSize, rule);
    id.FirmwareRevision =
        IdentifyFieldText(data, kFirmwareRevisionOffset, kFirmwareRevisionSize, rule);
    id.VersionMajor = platform::GetU16(data, kVersionMajorOffset);
    id.VersionMinor = platform::GetU8(data, kVersionMinorOffset);
    id.VersionTertiary = platform::GetU8(data, kVersionTertiaryOffset);
    const std::uint8_t frmw = platform::GetU8(data, kFrmwOffset);
    id.FirmwareSlotCount = (frmw >> kFrmwSlotCountShift) & kFrmwSlotCountMask;
    id.Slot1ReadOnly = (frmw & kFrmwSlot1ReadOnly) != 0;
    id.Fwug = platform::GetU8(data, kFwugOffset);
    id.UpdateGranularity = UpdateGranularityFromIdentify(data);
    return id;
}

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
