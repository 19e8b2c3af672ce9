#include "discovery/inbox_enumeration.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "discovery/device_number_layout.h"
#include "discovery/device_properties.h"
#include "platform/byte_layout.h"
#include "platform/text.h"

namespace discovery {

namespace {

constexpr std::u16string_view kMakerVendorId = u"VEN_7A3C";
constexpr std::u16string_view kNvmeHardwareId = u"NVMe";

using device_number::kDeviceNumberOffset;
using device_number::kStorageDeviceNumberSize;

// Where the walk stands on one device, and its verdict once it is done with it.
struct Examined {
    DeviceDecision decision;
    bool done = false;  // a device yields at most one record: no further hardware ID is tried
};

// One hardware identifier named NVMe: find the disk interface with the device's index, open
// its path and ask the device number. Once the disk has been opened the device is done.
void ExamineNvmeDisk(platform::Platform& platform, model::RunEvents& events,
                     const platform::DeviceInfoList& list, const platform::DeviceInfo& device,
                     model::DiskList& candidates, Examined& seen) {
    DeviceDecision& decision = seen.decision;
    decision.MakersNvmeDisk = true;
    if (!ReadInstanceId(platform.setup, list, device, decision.InstanceId)) {
        decision.Verdict = DeviceVerdict::PropertyNotReadable;
        return;
    }
    const std::optional<platform::DeviceInterfaceDetail> detail =
        InterfaceAtDeviceIndex(platform.setup, list, device, win::kGuidDevinterfaceDisk);
    if (!detail) {
        decision.Verdict = DeviceVerdict::NoInterface;
        return;
    }
    decision.Path = detail->DevicePath;
    seen.done = true;
    if (!OwnedBy(*detail, device)) {
        // The interface at this index belongs to another device (one with two interfaces, or
        // none): its path is not the disk whose parent and hardware IDs passed.
        decision.Verdict = DeviceVerdict::InterfaceOfAnotherDevice;
        return;
    }

    platform::OpenResult opened =
        platform.io.Open(detail->DevicePath, win::kGenericRead | win::kGenericWrite,
                         win::kFileShareRead | win::kFileShareWrite, 0);
    if (!opened.Handle.Valid()) {
        // Say why this disk will be missing (typically 0x5 for a user who is not an
        // administrator) and go on with the others.
        events.DeviceSkipped(model::MakeCandidate(detail->DevicePath, -1, model::AccessKind::Inbox),
                             model::SkipReason::DiskNotOpened,
                             model::StoppedAt(model::StopStage::Open, opened.Error));
        decision.Verdict = DeviceVerdict::OpenFailed;
        decision.Error = opened.Error;
        return;
    }
    std::array<std::uint8_t, kStorageDeviceNumberSize> answer{};
    const platform::ControlResult result =
        platform.io.Control(opened.Handle, win::kIoctlStorageGetDeviceNumber, answer, 0);
    // A short answer leaves DeviceNumber unwritten: no number, no record.
    if (!result.Ok || result.BytesReturned < kStorageDeviceNumberSize) {
        decision.Verdict = DeviceVerdict::NoDeviceNumber;
        decision.Error = result.Error;
        return;
    }
    // DeviceNumber is formatted with "%d".
    const auto number = static_cast<std::int32_t>(platform::GetU32(answer, kDeviceNumberOffset));
    decision.Candidate = candidates.size();
    candidates.push_back(model::MakeCandidate(
        u"\\\\.\\PHYSICALDRIVE" + platform::ToU16(platform::DecimalText(number)), -1,
        model::AccessKind::Inbox));
    decision.Verdict = DeviceVerdict::Taken;
}

// What could not be read of one of the maker's NVMe disks that the walk left out; nothing for
// a verdict that tells a fact of the disk.
std::optional<model::UnreadPart> UnreadPartOf(const DeviceDecision& decision) {
    switch (decision.Verdict) {
        case DeviceVerdict::PropertyNotReadable:
            return model::UnreadPart::InstanceId;
        case DeviceVerdict::NoInterface:
            return model::UnreadPart::Interface;
        case DeviceVerdict::InterfaceOfAnotherDevice:
            return model::UnreadPart::InterfaceOfAnotherDevice;
        case DeviceVerdict::NoDeviceNumber:
            return model::UnreadPart::DeviceNumber;
        default:
            return std::nullopt;
    }
}

// The verdict on one device of the disk list.
DeviceDecision ExamineDevice(platform::Platform& platform, model::RunEvents& events,
                             const platform::DeviceInfoList& list,
                             const platform::DeviceInfo& device, model::DiskList& candidates) {
    Examined seen;
    seen.decision.Walk = DiscoveryWalk::InboxDisks;
    seen.decision.Index = device.Index;
    DeviceDecision& decision = seen.decision;
    if (!ReadParentId(platform.setup, list, device, decision.ParentId)) {
        decision.Verdict = DeviceVerdict::PropertyNotReadable;
        events.DeviceNotRead(UnreadOf(decision, model::UnreadPart::Parent));
        return decision;
    }
    if (!platform::Contains(decision.ParentId, kMakerVendorId)) {
        decision.Verdict = DeviceVerdict::NotMakersVendor;
        return decision;
    }
    const std::optional<std::vector<std::u16string>> hardwareIds =
        ReadHardwareIds(platform.setup, list, device);
    if (!hardwareIds) {
        decision.Verdict = DeviceVerdict::PropertyNotReadable;
        events.DeviceNotRead(UnreadOf(decision, model::UnreadPart::HardwareIds));
        return decision;
    }
    decision.Verdict = DeviceVerdict::NoNvmeHardwareId;
    for (const std::u16string& hardwareId : *hardwareIds) {
        if (platform::Contains(hardwareId, kNvmeHardwareId)) {
            ExamineNvmeDisk(platform, events, list, device, candidates, seen);
            if (seen.done) {
                break;
            }
        }
    }
    if (const std::optional<model::UnreadPart> part = UnreadPartOf(decision)) {
        events.DeviceNotRead(UnreadOf(decision, *part, decision.Error));
    }
    return decision;
}

}  // namespace

bool EnumerateInboxNvmeDisks(platform::Platform& platform, model::RunEvents& events,
                             model::DiskList& candidates, DiscoveryLog* log) {
    const platform::DeviceInfoList list = platform.setup.GetClassDevices(
        &win::kGuidDevinterfaceDisk, win::kDigcfPresent | win::kDigcfDeviceInterface);
    // A list that could not be had, or read to its end, may hide one of the maker's disks.
    const auto listNotRead = [&](std::uint32_t index, win::Dword error) {
        DeviceDecision decision;
        decision.Index = index;
        decision.Verdict = DeviceVerdict::ListNotRead;
        decision.Error = error;
        events.DeviceNotRead(UnreadOf(decision, model::UnreadPart::List, error));
        if (log != nullptr) {
            log->push_back(std::move(decision));
        }
        return false;
    };
    if (!list.Valid()) {
        return listNotRead(0, 0);
    }
    for (std::uint32_t index = 0;; ++index) {
        const platform::DeviceAtIndex device = platform.setup.EnumDeviceInfo(list, index);
        if (!device) {
            return device.ListBroken() ? listNotRead(index, device.Error) : true;
        }
        DeviceDecision decision = ExamineDevice(platform, events, list, *device, candidates);
        if (log != nullptr) {
            log->push_back(std::move(decision));
        }
    }
}

}  // namespace discovery
