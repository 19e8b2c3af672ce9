#include "discovery/inbox_enumeration.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "discovery/device_properties.h"
#include "platform/byte_layout.h"
#include "platform/text.h"

namespace discovery {

namespace {

constexpr std::u16string_view kMakerVendorId = u"VEN_7A3C";
constexpr std::u16string_view kNvmeHardwareId = u"NVMe";

// STORAGE_DEVICE_NUMBER: DeviceType, DeviceNumber, PartitionNumber.
constexpr std::size_t kDeviceNumberOffset = 4;
constexpr std::size_t kStorageDeviceNumberSize = 12;
static_assert(kDeviceNumberOffset + 4 <= kStorageDeviceNumberSize);

enum class DiskOutcome { Skipped, Examined, Unopenable };

// One hardware identifier named NVMe: find the disk interface with the device's index, open
// its path and ask the device number. Once the disk has been opened the device is done.
DiskOutcome ExamineNvmeDisk(platform::Platform& platform, const platform::DeviceInfoList& list,
                            const platform::DeviceInfo& device, std::uint32_t index,
                            DiskList& candidates) {
    std::u16string instanceId;
    if (!ReadInstanceId(platform.setup, list, device, instanceId)) {
        return DiskOutcome::Skipped;
    }
    const std::optional<platform::DeviceInterface> diskInterface =
        platform.setup.EnumDeviceInterfaces(list, win::kGuidDevinterfaceDisk, index);
    if (!diskInterface) {
        return DiskOutcome::Skipped;
    }
    const std::optional<platform::DeviceInterfaceDetail> detail =
        platform.setup.GetDeviceInterfaceDetail(list, *diskInterface);
    if (!detail) {
        return DiskOutcome::Skipped;
    }

    platform::OpenResult opened =
        platform.io.Open(detail->devicePath, win::kGenericRead | win::kGenericWrite,
                         win::kFileShareRead | win::kFileShareWrite, 0);
    if (!opened.handle.Valid()) {
        return DiskOutcome::Unopenable;
    }
    std::array<std::uint8_t, kStorageDeviceNumberSize> answer{};
    if (platform.io.Control(opened.handle, win::kIoctlStorageGetDeviceNumber, answer, 0).ok) {
        // DeviceNumber is formatted with "%d".
        const auto number =
            static_cast<std::int32_t>(platform::GetU32(answer, kDeviceNumberOffset));
        candidates.push_back(
            MakeCandidate(u"\\\\.\\PHYSICALDRIVE" + platform::ToU16(platform::DecimalText(number)),
                          -1, kAccessInbox));
    }
    return DiskOutcome::Examined;
}

}  // namespace

bool EnumerateInboxNvmeDisks(platform::Platform& platform, DiskList& candidates) {
    const platform::DeviceInfoList list = platform.setup.GetClassDevices(
        &win::kGuidDevinterfaceDisk, win::kDigcfPresent | win::kDigcfDeviceInterface);
    if (!list.Valid()) {
        return false;
    }

    for (std::uint32_t index = 0;; ++index) {
        const std::optional<platform::DeviceInfo> device =
            platform.setup.EnumDeviceInfo(list, index);
        if (!device) {
            return true;
        }
        std::u16string parentId;
        ReadParentId(platform.setup, list, *device, parentId);
        if (!platform::Contains(parentId, kMakerVendorId)) {
            continue;
        }
        const std::optional<std::vector<std::u16string>> hardwareIds =
            platform.setup.GetHardwareIds(list, *device);
        if (!hardwareIds) {
            continue;
        }
        for (const std::u16string& hardwareId : *hardwareIds) {
            if (!platform::Contains(hardwareId, kNvmeHardwareId)) {
                continue;
            }
            const DiskOutcome outcome = ExamineNvmeDisk(platform, list, *device, index, candidates);
            if (outcome == DiskOutcome::Unopenable) {
                // A matching disk that cannot be opened ends the whole enumeration.
                return false;
            }
            if (outcome == DiskOutcome::Examined) {
                break;
            }
        }
    }
}

}  // namespace discovery
