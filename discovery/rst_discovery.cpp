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

    // Sets the verdict and tells what could not be read, for one-line returns.
    template <typename T>
    T Unread(model::RunEvents& events, DeviceVerdict verdict, model::UnreadPart part, T result,
             win::Dword error = 0) {
        events.DeviceNotRead(UnreadOf(decision, part, error));
        return Leave(verdict, result, error);
    }

    DeviceDecision decision;

private:
    DiscoveryLog* m_log;
};

// A walk's device list that could not be had (GetClassDevices) or read to its end
// (SetupDiEnumDeviceInfo failing before ERROR_NO_MORE_ITEMS): a device may be missed.
void NoteListNotRead(DiscoveryLog* log, model::RunEvents& events, DiscoveryWalk walk,
                     std::uint32_t index, win::Dword error) {
    Noted noted(log, walk, index);
    noted.Unread(events, DeviceVerdict::ListNotRead, model::UnreadPart::List, 0, error);
}

// Whether the device with this instance ID is an Intel RST controller: a storage-port device
// that passes the tests the chosen controller passed. Nothing when that cannot be told: the
// list, a storage port's instance ID, or the matching port's interface or description could not
// be read.
std::optional<bool> IsRstControllerInstance(platform::DeviceInstallServices& setup,
                                            std::u16string_view id) {
    const platform::DeviceInfoList list =
        setup.GetClassDevices(&win::kGuidDevinterfaceStoragePort, kInterfaceListFlags);
    if (!list.Valid()) {
        return std::nullopt;
    }
    bool unread = false;
    for (std::uint32_t index = 0;; ++index) {
        const platform::DeviceAtIndex device = setup.EnumDeviceInfo(list, index);
        if (!device) {
            // A device without a storage port is no RST controller.
            return unread || device.ListBroken() ? std::nullopt : std::optional(false);
        }
        std::u16string instanceId;
        if (!ReadInstanceId(setup, list, *device, instanceId)) {
            unread = true;
            continue;
        }
        if (platform::ToUpperAscii(instanceId) != platform::ToUpperAscii(id)) {
            continue;
        }
        const std::optional<platform::DeviceInterfaceDetail> detail =
            InterfaceAtDeviceIndex(setup, list, *device, win::kGuidDevinterfaceStoragePort);
        if (!detail) {
            return std::nullopt;
        }
        if (!IsIntelStoragePort(detail->DevicePath)) {
            return false;
        }
        const std::optional<std::u16string> description =
            ReadStringProperty(setup, list, *device, win::kDevpkeyDeviceDriverDesc);
        if (!description) {
            return std::nullopt;
        }
        return IsRstDriverDescription(*description);
    }
}

bool IsRaidVolumeInstance(std::u16string_view instanceId) {
    return Contains(instanceId, u"VEN_INTEL") && Contains(instanceId, u"PROD_RAID");
}

}  // namespace

bool IsIntelStoragePort(std::u16string_view interfacePath) {
    return Contains(platform::ToUpperAscii(interfacePath), u"VEN_8086");
}

bool IsRstDriverDescription(std::u16string_view text) {
    return Contains(text, u"Intel") && Contains(text, u"Controller") &&
           (Contains(text, u"RST") || Contains(text, u"RAID"));
}

bool IsVmdDriverDescription(std::u16string_view text) {
    return Contains(text, u"VMD") || Contains(text, u"Volume Management Device");
}

bool FindRstController(platform::Platform& platform, model::RunEvents& events,
                       RaidController& controller, DiscoveryLog* log) {
    platform::DeviceInstallServices& setup = platform.setup;
    constexpr DiscoveryWalk kWalk = DiscoveryWalk::RstControllers;
    const platform::DeviceInfoList list =
        setup.GetClassDevices(&win::kGuidDevinterfaceStoragePort, kInterfaceListFlags);
    if (!list.Valid()) {
        NoteListNotRead(log, events, kWalk, 0, 0);
        return false;
    }
    for (std::uint32_t index = 0;; ++index) {
        const platform::DeviceAtIndex device = setup.EnumDeviceInfo(list, index);
        if (!device) {
            if (device.ListBroken()) {
                NoteListNotRead(log, events, kWalk, index, device.Error);
            }
            return false;
        }
        Noted noted(log, kWalk, index);
        using model::UnreadPart;
        const std::optional<platform::DeviceInterface> deviceInterface =
            setup.EnumDeviceInterfaces(list, win::kGuidDevinterfaceStoragePort, index);
        if (!deviceInterface) {
            noted.Unread(events, DeviceVerdict::NoInterface, UnreadPart::Interface, 0);
            continue;
        }
        // A controller whose interface detail cannot be read ends the search.
        const std::optional<platform::DeviceInterfaceDetail> detail =
            setup.GetDeviceInterfaceDetail(list, *deviceInterface);
        if (!detail) {
            return noted.Unread(events, DeviceVerdict::NoInterface, UnreadPart::Interface, false);
        }
        noted.decision.Path = detail->DevicePath;
        if (!IsIntelStoragePort(detail->DevicePath)) {
            noted.decision.Verdict = DeviceVerdict::NotRstController;
            continue;
        }
        const std::optional<std::u16string> description =
            ReadStringProperty(setup, list, detail->Device, win::kDevpkeyDeviceDriverDesc);
        if (!description) {
            noted.Unread(events, DeviceVerdict::PropertyNotReadable, UnreadPart::DriverDescription,
                         0);
            continue;
        }
        if (!IsRstDriverDescription(*description)) {
            noted.decision.Verdict = DeviceVerdict::NotRstController;
            continue;
        }
        noted.decision.Vmd = IsVmdDriverDescription(*description);
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
            return noted.Unread(events, DeviceVerdict::PropertyNotReadable, UnreadPart::InstanceId,
                                false);
        }
        controller.InstanceId = instanceId;
        noted.decision.InstanceId = instanceId;
        return noted.Leave(DeviceVerdict::Taken, true);
    }
}

namespace {

// A disk whose parent is not the chosen controller. An NVMe disk or a RAID volume on a second
// Intel RST controller cannot be reached through the chosen one: it is not updated, and the run
// says so. Any other disk (one on the inbox driver, on USB, an Intel SSD on the inbox driver, a
// SATA disk) is ruled out by its parent or its instance ID.
void ExamineOtherParentDisk(platform::DeviceInstallServices& setup, model::RunEvents& events,
                            const platform::DeviceInfoList& list,
                            const platform::DeviceInfo& device, Noted& noted) {
    using model::UnreadPart;
    DeviceDecision& decision = noted.decision;
    if (!Contains(platform::ToUpperAscii(decision.ParentId), u"VEN_8086")) {
        decision.Verdict = DeviceVerdict::NotMakersVendor;
        return;
    }
    decision.Verdict = DeviceVerdict::NotRstControllerDisk;
    std::u16string instanceId;
    const bool idRead = ReadInstanceId(setup, list, device, instanceId);
    const bool reachable =
        idRead && (Contains(instanceId, u"VEN_NVME") || IsRaidVolumeInstance(instanceId));
    if (idRead && !reachable) {
        return;
    }
    const std::optional<bool> rstParent = IsRstControllerInstance(setup, decision.ParentId);
    if (!rstParent) {
        noted.Unread(events, DeviceVerdict::PropertyNotReadable, UnreadPart::ParentController, 0);
        return;
    }
    if (!*rstParent) {
        return;
    }
    if (!idRead) {
        noted.Unread(events, DeviceVerdict::PropertyNotReadable, UnreadPart::InstanceId, 0);
        return;
    }
    decision.Verdict = DeviceVerdict::SecondRstControllerDisk;
    decision.InstanceId = instanceId;
    decision.NvmeDisk = Contains(instanceId, u"VEN_NVME");
    events.DeviceSkipped(model::MakeCandidate(instanceId, -1, model::AccessKind::RstDisk),
                         model::SkipReason::BehindSecondController, {});
}

}  // namespace

bool EnumerateRstDisks(platform::Platform& platform, model::RunEvents& events,
                       const RaidController& controller, model::DiskList& candidates,
                       DiscoveryLog* log) {
    using model::UnreadPart;
    platform::DeviceInstallServices& setup = platform.setup;
    constexpr DiscoveryWalk kWalk = DiscoveryWalk::RstDisks;
    const platform::DeviceInfoList list =
        setup.GetClassDevices(&win::kGuidDevinterfaceDisk, kInterfaceListFlags);
    if (!list.Valid()) {
        NoteListNotRead(log, events, kWalk, 0, 0);
        return false;
    }
    for (std::uint32_t index = 0;; ++index) {
        const platform::DeviceAtIndex device = setup.EnumDeviceInfo(list, index);
        if (!device) {
            if (device.ListBroken()) {
                NoteListNotRead(log, events, kWalk, index, device.Error);
                return false;
            }
            break;
        }
        Noted noted(log, kWalk, index);
        DeviceDecision& decision = noted.decision;
        if (!ReadParentId(setup, list, *device, decision.ParentId)) {
            noted.Unread(events, DeviceVerdict::PropertyNotReadable, UnreadPart::Parent, 0);
            continue;
        }
        // Only the chosen controller's own disks: an Intel SSD on the inbox driver, a disk on
        // Intel's AHCI controller or on a second Intel controller also has a "VEN_8086" parent,
        // and addressing it through this controller would reach whichever drive sits at its
        // bus number there. Windows compares instance IDs without regard to letter case.
        if (platform::ToUpperAscii(decision.ParentId) !=
            platform::ToUpperAscii(controller.InstanceId)) {
            ExamineOtherParentDisk(setup, events, list, *device, noted);
            continue;
        }
        if (!ReadInstanceId(setup, list, *device, decision.InstanceId)) {
            noted.Unread(events, DeviceVerdict::PropertyNotReadable, UnreadPart::InstanceId, 0);
            continue;
        }
        if (IsRaidVolumeInstance(decision.InstanceId)) {
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
            noted.Unread(events, DeviceVerdict::NoInterface, UnreadPart::Interface, 0);
            continue;
        }
        decision.Path = detail->DevicePath;
        if (!OwnedBy(*detail, *device)) {
            noted.Unread(events, DeviceVerdict::InterfaceOfAnotherDevice,
                         UnreadPart::InterfaceOfAnotherDevice, 0);
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
        opened.Handle.Reset();
    }
    return true;
}

std::int64_t ReadRstBusNumber(platform::Platform& platform, std::uint32_t devInst) {
    platform::DeviceInstallServices& setup = platform.setup;
    const platform::DeviceInfoList list = setup.GetClassDevices(nullptr, kAllDevicesFlags);
    if (!list.Valid()) {
        return -1;
    }
    platform::DeviceAtIndex device;
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
