#include "discovery/inbox_enumeration.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "discovery/device_number_layout.h"
#include "discovery/device_properties.h"
#include "discovery/open_failure_line.h"
#include "platform/byte_layout.h"
#include "platform/text.h"

namespace discovery {

namespace {

constexpr std::u16string_view kMakerVendorId = u"VEN_7A3C";
constexpr std::u16string_view kNvmeHardwareId = u"NVMe";

using device_number::kDeviceNumberOffset;
using device_number::kStorageDeviceNumberSize;

enum class DiskOutcome { TryNextId, DeviceDone };

// One hardware identifier named NVMe: find the disk interface with the device's index, open
// its path and ask the device number. Once the disk has been opened the device is done.
DiskOutcome ExamineNvmeDisk(platform::Platform& platform, const platform::DeviceInfoList& list,
                            const platform::DeviceInfo& device, DiskList& candidates) {
    std::u16string instanceId;
    if (!ReadInstanceId(platform.setup, list, device, instanceId)) {
        return DiskOutcome::TryNextId;
    }
    const std::optional<platform::DeviceInterfaceDetail> detail =
        InterfaceAtDeviceIndex(platform.setup, list, device, win::kGuidDevinterfaceDisk);
    if (!detail) {
        return DiskOutcome::TryNextId;
    }
    if (!OwnedBy(*detail, device)) {
        // The interface at this index belongs to another device (one with two interfaces, or
        // none): its path is not the disk whose parent and hardware IDs passed.
        return DiskOutcome::DeviceDone;
    }

    platform::OpenResult opened =
        platform.io.Open(detail->devicePath, win::kGenericRead | win::kGenericWrite,
                         win::kFileShareRead | win::kFileShareWrite, 0);
    if (!opened.handle.Valid()) {
        // Say why this disk will be missing (typically 0x5 for a user who is not an
        // administrator) and go on with the others.
        PrintDiskHandleFailure(platform.console, opened.error);
        return DiskOutcome::DeviceDone;
    }
    std::array<std::uint8_t, kStorageDeviceNumberSize> answer{};
    const platform::ControlResult result =
        platform.io.Control(opened.handle, win::kIoctlStorageGetDeviceNumber, answer, 0);
    // A short answer leaves DeviceNumber unwritten: no number, no record.
    if (result.ok && result.bytesReturned >= kStorageDeviceNumberSize) {
        // DeviceNumber is formatted with "%d".
        const auto number =
            static_cast<std::int32_t>(platform::GetU32(answer, kDeviceNumberOffset));
        candidates.push_back(
            MakeCandidate(u"\\\\.\\PHYSICALDRIVE" + platform::ToU16(platform::DecimalText(number)),
                          -1, kAccessInbox));
    }
    return DiskOutcome::DeviceDone;
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
            ReadHardwareIds(platform.setup, list, *device);
        if (!hardwareIds) {
            continue;
        }
        for (const std::u16string& hardwareId : *hardwareIds) {
            if (platform::Contains(hardwareId, kNvmeHardwareId) &&
                ExamineNvmeDisk(platform, list, *device, candidates) == DiskOutcome::DeviceDone) {
                break;
            }
        }
    }
}

}  // namespace discovery
