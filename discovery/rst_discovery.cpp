#include "discovery/rst_discovery.h"

#include <algorithm>
#include <optional>

#include "discovery/device_properties.h"
#include "discovery/open_failure_line.h"
#include "platform/text.h"

namespace discovery {

namespace {

using platform::Contains;

constexpr win::Dword kInterfaceListFlags = win::kDigcfPresent | win::kDigcfDeviceInterface;
constexpr win::Dword kAllDevicesFlags = win::kDigcfPresent | win::kDigcfAllClasses;
constexpr win::Dword kReadWrite = win::kGenericRead | win::kGenericWrite;
constexpr win::Dword kShareReadWrite = win::kFileShareRead | win::kFileShareWrite;

bool IsRstDriverDescription(std::u16string_view text) {
    return Contains(text, u"Intel") && Contains(text, u"Controller") &&
           (Contains(text, u"RST") || Contains(text, u"RAID"));
}

// Mirrors wcstol on the text from position: blanks skipped, optional sign, decimal digits,
// clamped to a 32-bit long. Nothing when no digit follows.
std::optional<std::int64_t> ReadSignedDecimal(std::u16string_view text, std::size_t position) {
    auto isSpace = [](char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); };
    while (position < text.size() && isSpace(text[position])) {
        ++position;
    }
    bool negative = false;
    if (position < text.size() && (text[position] == u'+' || text[position] == u'-')) {
        negative = text[position] == u'-';
        ++position;
    }
    constexpr std::int64_t kLongMax = 0x7FFFFFFF;
    std::int64_t value = 0;
    bool anyDigit = false;
    for (; position < text.size() && text[position] >= u'0' && text[position] <= u'9'; ++position) {
        anyDigit = true;
        value = std::min<std::int64_t>(value * 10 + (text[position] - u'0'), kLongMax + 1);
    }
    if (!anyDigit) {
        return std::nullopt;
    }
    return negative ? -value : std::min(value, kLongMax);
}

}  // namespace

bool FindRstController(platform::Platform& platform, RaidController& controller) {
    platform::DeviceInstallServices& setup = platform.setup;
    const platform::DeviceInfoList list =
        setup.GetClassDevices(&win::kGuidDevinterfaceStoragePort, kInterfaceListFlags);
    if (!list.Valid()) {
        return false;
    }
    for (std::uint32_t index = 0; setup.EnumDeviceInfo(list, index); ++index) {
        const std::optional<platform::DeviceInterface> deviceInterface =
            setup.EnumDeviceInterfaces(list, win::kGuidDevinterfaceStoragePort, index);
        if (!deviceInterface) {
            continue;
        }
        // A controller whose interface detail cannot be read ends the search.
        const std::optional<platform::DeviceInterfaceDetail> detail =
            setup.GetDeviceInterfaceDetail(list, *deviceInterface);
        if (!detail) {
            return false;
        }
        if (!Contains(platform::ToUpperAscii(detail->devicePath), u"VEN_8086")) {
            continue;
        }
        const std::optional<std::u16string> description =
            ReadStringProperty(setup, list, detail->device, win::kDevpkeyDeviceDriverDesc);
        if (!description || !IsRstDriverDescription(*description)) {
            continue;
        }
        // The controller must open; a matching one that does not ends the search, and says why
        // no disk behind it will be found.
        const platform::OpenResult opened =
            platform.io.Open(detail->devicePath, kReadWrite, kShareReadWrite,
                             win::kFileFlagOverlapped | win::kFileAttributeNormal);
        if (!opened.handle.Valid()) {
            PrintControllerHandleFailure(platform.console, opened.error);
            return false;
        }
        controller.Found = true;
        controller.DevicePath = detail->devicePath;
        std::u16string instanceId;
        if (!ReadInstanceId(setup, list, detail->device, instanceId)) {
            return false;
        }
        controller.InstanceId = instanceId;
        return true;
    }
    return false;
}

bool EnumerateRstDisks(platform::Platform& platform, const RaidController& controller,
                       DiskList& candidates) {
    platform::DeviceInstallServices& setup = platform.setup;
    const platform::DeviceInfoList list =
        setup.GetClassDevices(&win::kGuidDevinterfaceDisk, kInterfaceListFlags);
    if (!list.Valid()) {
        return false;
    }
    for (std::uint32_t index = 0;; ++index) {
        const std::optional<platform::DeviceInfo> device = setup.EnumDeviceInfo(list, index);
        if (!device) {
            break;
        }
        std::u16string parentId;
        ReadParentId(setup, list, *device, parentId);
        if (!Contains(parentId, u"VEN_8086")) {
            continue;
        }
        std::u16string instanceId;
        if (!ReadInstanceId(setup, list, *device, instanceId)) {
            continue;
        }
        if (Contains(instanceId, u"VEN_INTEL") && Contains(instanceId, u"PROD_RAID")) {
            candidates.push_back(MakeCandidate(controller.DevicePath, -1, kAccessRstRaid));
            continue;
        }
        const std::optional<platform::DeviceInterfaceDetail> detail =
            InterfaceAtDeviceIndex(setup, list, *device, win::kGuidDevinterfaceDisk);
        if (!detail || !OwnedBy(*detail, *device)) {
            continue;
        }
        // A disk behind the controller that does not open is left out, with its reason; the
        // others are still found.
        platform::OpenResult opened =
            platform.io.Open(detail->devicePath, kReadWrite, kShareReadWrite, 0);
        if (!opened.handle.Valid()) {
            PrintDiskHandleFailure(platform.console, opened.error);
            continue;
        }
        const std::int64_t bus = ReadRstBusNumber(platform, detail->device.devInst);
        candidates.push_back(MakeCandidate(controller.DevicePath, bus, kAccessRstDisk));
        opened.handle.Close();
    }
    return true;
}

std::int64_t ReadRstBusNumber(platform::Platform& platform, std::uint32_t devInst) {
    platform::DeviceInstallServices& setup = platform.setup;
    const platform::DeviceInfoList list = setup.GetClassDevices(nullptr, kAllDevicesFlags);
    if (!list.Valid()) {
        return -1;
    }
    std::optional<platform::DeviceInfo> device;
    for (std::uint32_t index = 0;; ++index) {
        device = setup.EnumDeviceInfo(list, index);
        if (!device || device->devInst == devInst) {
            break;
        }
    }
    if (!device) {
        return -1;
    }
    const std::optional<std::u16string> location =
        ReadStringProperty(setup, list, *device, win::kDevpkeyDeviceLocationInfo);
    if (!location || !Contains(*location, u"Bus Number ")) {
        return -1;
    }
    // "Bus Number 2, Target Id 0, LUN 0": the number stands after the second blank of the
    // text before its first comma. A text without a comma is taken whole; one without a
    // second blank, or without digits there, gives -1.
    std::u16string_view text(*location);
    text = text.substr(0, text.find(u','));
    const std::size_t firstBlank = text.find(u' ');
    if (firstBlank == std::u16string_view::npos) {
        return -1;
    }
    const std::size_t secondBlank = text.find(u' ', firstBlank + 1);
    if (secondBlank == std::u16string_view::npos) {
        return -1;
    }
    return ReadSignedDecimal(text, secondBlank).value_or(-1);
}

}  // namespace discovery
