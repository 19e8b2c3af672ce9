#include "discovery/rst_discovery.h"

#include <algorithm>
#include <optional>

#include "discovery/device_properties.h"
#include "platform/text.h"

namespace discovery {

namespace {

using platform::Contains;

constexpr win::Dword kInterfaceListFlags = win::kDigcfPresent | win::kDigcfDeviceInterface;
constexpr win::Dword kAllDevicesFlags = win::kDigcfPresent | win::kDigcfAllClasses;
constexpr win::Dword kReadWrite = win::kGenericRead | win::kGenericWrite;
constexpr win::Dword kShareReadWrite = win::kFileShareRead | win::kFileShareWrite;

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

// Adds a decision to the log, if there is one, when it goes out of scope.
class Noted {
public:
    Noted(DiscoveryLog* log, DiscoveryWalk walk, std::uint32_t index) : m_log(log) {
        decision.Walk = walk;
        decision.Index = index;
    }
    Noted(const Noted&) = delete;
    Noted& operator=(const Noted&) = delete;
    ~Noted() {
        if (m_log != nullptr) {
            m_log->push_back(std::move(decision));
        }
    }

    // Sets the verdict and gives `result`, for one-line returns.
    template <typename T>
    T Leave(DeviceVerdict verdict, T result, win::Dword error = 0) {
        decision.Verdict = verdict;
        decision.Error = error;
        return result;
    }

    DeviceDecision decision;

private:
    DiscoveryLog* m_log;
};

// Whether the device with this instance ID is an Intel RST controller: a storage-port device
// that passes the tests the chosen controller passed.
bool IsRstControllerInstance(platform::DeviceInstallServices& setup, std::u16string_view id) {
    const platform::DeviceInfoList list =
        setup.GetClassDevices(&win::kGuidDevinterfaceStoragePort, kInterfaceListFlags);
    if (!list.Valid()) {
        return false;
    }
    for (std::uint32_t index = 0;; ++index) {
        const std::optional<platform::DeviceInfo> device = setup.EnumDeviceInfo(list, index);
        if (!device) {
            return false;
        }
        std::u16string instanceId;
        if (!ReadInstanceId(setup, list, *device, instanceId) ||
            platform::ToUpperAscii(instanceId) != platform::ToUpperAscii(id)) {
            continue;
        }
        const std::optional<platform::DeviceInterfaceDetail> detail =
            InterfaceAtDeviceIndex(setup, list, *device, win::kGuidDevinterfaceStoragePort);
        const std::optional<std::u16string> description =
            ReadStringProperty(setup, list, *device, win::kDevpkeyDeviceDriverDesc);
        return detail && IsIntelStoragePort(detail->DevicePath) && description &&
               IsRstDriverDescription(*description);
    }
}

}  // namespace

bool IsIntelStoragePort(std::u16string_view interfacePath) {
    return Contains(platform::ToUpperAscii(interfacePath), u"VEN_8086");
}

bool IsRstDriverDescription(std::u16string_view text) {
    return Contains(text, u"Intel") && Contains(text, u"Controller") &&
           (Contains(text, u"RST") || Contains(text, u"RAID"));
}

bool FindRstController(platform::Platform& platform, model::RunEvents& events,
                       RaidController& controller, DiscoveryLog* log) {
    platform::DeviceInstallServices& setup = platform.setup;
    const platform::DeviceInfoList list =
        setup.GetClassDevices(&win::kGuidDevinterfaceStoragePort, kInterfaceListFlags);
    if (!list.Valid()) {
        return false;
    }
    for (std::uint32_t index = 0; setup.EnumDeviceInfo(list, index); ++index) {
        Noted noted(log, DiscoveryWalk::RstControllers, index);
        const std::optional<platform::DeviceInterface> deviceInterface =
            setup.EnumDeviceInterfaces(list, win::kGuidDevinterfaceStoragePort, index);
        if (!deviceInterface) {
            noted.decision.Verdict = DeviceVerdict::NoInterface;
            continue;
        }
        // A controller whose interface detail cannot be read ends the search.
        const std::optional<platform::DeviceInterfaceDetail> detail =
            setup.GetDeviceInterfaceDetail(list, *deviceInterface);
        if (!detail) {
            return noted.Leave(DeviceVerdict::NoInterface, false);
        }
        noted.decision.Path = detail->DevicePath;
        if (!IsIntelStoragePort(detail->DevicePath)) {
            noted.decision.Verdict = DeviceVerdict::NotRstController;
            continue;
        }
        const std::optional<std::u16string> description =
            ReadStringProperty(setup, list, detail->Device, win::kDevpkeyDeviceDriverDesc);
        if (!description || !IsRstDriverDescription(*description)) {
            noted.decision.Verdict =
                description ? DeviceVerdict::NotRstController : DeviceVerdict::PropertyNotReadable;
            continue;
        }
        // The controller must open; a matching one that does not ends the search, and says why
        // no disk behind it will be found.
        const platform::OpenResult opened =
            platform.io.Open(detail->DevicePath, kReadWrite, kShareReadWrite,
                             win::kFileFlagOverlapped | win::kFileAttributeNormal);
        if (!opened.Handle.Valid()) {
            events.DeviceSkipped(
                model::MakeCandidate(detail->DevicePath, -1, model::AccessKind::None),
                model::SkipReason::ControllerNotOpened,
                model::StoppedAt(model::StopStage::Open, opened.Error));
            return noted.Leave(DeviceVerdict::OpenFailed, false, opened.Error);
        }
        controller.Found = true;
        controller.DevicePath = detail->DevicePath;
        std::u16string instanceId;
        if (!ReadInstanceId(setup, list, detail->Device, instanceId)) {
            return noted.Leave(DeviceVerdict::PropertyNotReadable, false);
        }
        controller.InstanceId = instanceId;
        noted.decision.InstanceId = instanceId;
        return noted.Leave(DeviceVerdict::Taken, true);
    }
    return false;
}

bool EnumerateRstDisks(platform::Platform& platform, model::RunEvents& events,
                       const RaidController& controller, model::DiskList& candidates,
                       DiscoveryLog* log) {
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
        Noted noted(log, DiscoveryWalk::RstDisks, index);
        DeviceDecision& decision = noted.decision;
        if (!ReadParentId(setup, list, *device, decision.ParentId)) {
            decision.Verdict = DeviceVerdict::PropertyNotReadable;
            continue;
        }
        // Only the chosen controller's own disks: an Intel SSD on the inbox driver, a disk on
        // Intel's AHCI controller or on a second Intel controller also has a "VEN_8086" parent,
        // and addressing it through this controller would reach whichever drive sits at its
        // bus number there. Windows compares instance IDs without regard to letter case.
        if (platform::ToUpperAscii(decision.ParentId) !=
            platform::ToUpperAscii(controller.InstanceId)) {
            decision.Verdict = Contains(decision.ParentId, u"VEN_8086")
                                   ? DeviceVerdict::NotRstControllerDisk
                                   : DeviceVerdict::NotMakersVendor;
            // An NVMe disk on a second RST controller cannot be reached through the chosen one:
            // it is not updated, and the run says so.
            std::u16string instanceId;
            if (decision.Verdict == DeviceVerdict::NotRstControllerDisk &&
                ReadInstanceId(setup, list, *device, instanceId) &&
                Contains(instanceId, u"VEN_NVME") &&
                IsRstControllerInstance(setup, decision.ParentId)) {
                decision.Verdict = DeviceVerdict::SecondRstControllerDisk;
                decision.InstanceId = instanceId;
                decision.NvmeDisk = true;
                events.DeviceSkipped(
                    model::MakeCandidate(instanceId, -1, model::AccessKind::RstDisk),
                    model::SkipReason::BehindSecondController, {});
            }
            continue;
        }
        if (!ReadInstanceId(setup, list, *device, decision.InstanceId)) {
            decision.Verdict = DeviceVerdict::PropertyNotReadable;
            continue;
        }
        if (Contains(decision.InstanceId, u"VEN_INTEL") &&
            Contains(decision.InstanceId, u"PROD_RAID")) {
            decision.Candidate = candidates.size();
            candidates.push_back(
                model::MakeCandidate(controller.DevicePath, -1, model::AccessKind::RstRaid));
            decision.Verdict = DeviceVerdict::RaidVolume;
            continue;
        }
        decision.NvmeDisk = Contains(decision.InstanceId, u"VEN_NVME");
        const std::optional<platform::DeviceInterfaceDetail> detail =
            InterfaceAtDeviceIndex(setup, list, *device, win::kGuidDevinterfaceDisk);
        if (!detail) {
            decision.Verdict = DeviceVerdict::NoInterface;
            continue;
        }
        decision.Path = detail->DevicePath;
        if (!OwnedBy(*detail, *device)) {
            decision.Verdict = DeviceVerdict::InterfaceOfAnotherDevice;
            continue;
        }
        // A disk behind the controller that does not open is left out, with its reason; the
        // others are still found.
        platform::OpenResult opened =
            platform.io.Open(detail->DevicePath, kReadWrite, kShareReadWrite, 0);
        if (!opened.Handle.Valid()) {
            events.DeviceSkipped(
                model::MakeCandidate(detail->DevicePath, -1, model::AccessKind::RstDisk),
                model::SkipReason::DiskNotOpened,
                model::StoppedAt(model::StopStage::Open, opened.Error));
            decision.Verdict = DeviceVerdict::OpenFailed;
            decision.Error = opened.Error;
            continue;
        }
        const std::int64_t bus = ReadRstBusNumber(platform, detail->Device.DevInst);
        model::DiskRecord candidate =
            model::MakeCandidate(controller.DevicePath, bus, model::AccessKind::RstDisk);
        candidate.KnownNvme = decision.NvmeDisk;
        decision.Candidate = candidates.size();
        candidates.push_back(std::move(candidate));
        decision.Verdict = DeviceVerdict::Taken;
        opened.Handle.Close();
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
        if (!device || device->DevInst == devInst) {
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
