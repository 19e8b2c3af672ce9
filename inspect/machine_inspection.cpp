#include "inspect/machine_inspection.h"

#include <algorithm>
#include <memory>

#include "app/disk_inventory.h"
#include "app/result_table.h"
#include "discovery/identify_controller_data.h"
#include "image/firmware_image.h"
#include "image/piece_plan.h"
#include "inbox/miniport_request.h"
#include "inspect/read_only_io.h"
#include "platform/byte_layout.h"
#include "platform/text.h"
#include "rst/rst_requests.h"

namespace inspect {

namespace {

using discovery::Verdict;

// What would make the inbox update fail before its download, as the get-info answer shows it.
std::string Obstacle(const InspectedDevice& device) {
    if (device.disk.AccessPath != model::AccessKind::Inbox) {
        return {};
    }
    // The updater's own decision on the answer, not a second reading of it.
    const FirmwareSlots& slots = device.slots;
    if (!slots.requestAnswered) {
        return "the driver does not answer get-info";
    }
    switch (slots.choice) {
        case inbox::SlotChoice::Chosen:
            return {};
        case inbox::SlotChoice::NotUpdatable:
            return slots.upgradeSupport == 0 ? "the driver reports no firmware upgrade support"
                                             : "no writable firmware slot";
        case inbox::SlotChoice::Malformed:
            break;
    }
    return slots.version > 1 ? "the get-info answer is of structure version " +
                                   platform::DecimalText(slots.version) + ", which is not read"
                             : "the get-info answer reaches past its buffer";
}

// What the drive's slots say of a drive the updater would update: the image waiting for the
// next reset (the updater sends nothing), or the image in a slot that the last reset did not
// activate (the updater downloads it again).
void SlotState(InspectedDevice& device, std::u16string_view imageRevision) {
    const FirmwareSlots& slots = device.slots;
    if (slots.imageStaged) {
        device.decision = Decision::AlreadyDownloaded;
        device.obstacle.clear();
        return;
    }
    // A drive whose update would fail keeps that reason.
    if (!slots.answered || slots.pendingSlot || !device.obstacle.empty()) {
        return;
    }
    for (const FirmwareSlot& slot : slots.slots) {
        if (slot.number != 0 && slot.number != slots.activeSlot &&
            platform::WidenUnsigned(slot.revision) == imageRevision) {
            device.decision = Decision::ImageNotActivated;
            device.imageSlot = slot.number;
            return;
        }
    }
}

class Inspector {
public:
    Inspector(platform::Platform& platform, const image::FirmwareImage& image,
              const app::DiskInventory& inventory)
        : m_platform(platform), m_image(image), m_inventory(inventory) {}

    // A candidate's identification, as the updater would have it. Each identification that
    // succeeded appended one record to Identified, in the order of the attempts.
    InspectedDevice Identified(const discovery::DeviceDecision& found,
                               const model::DiskRecord& candidate, bool identifiedOk,
                               const model::StopPoint& stop,
                               std::span<const std::uint8_t> identify) {
        InspectedDevice device;
        device.found = found;
        device.disk = candidate;
        if (!identifiedOk || m_nextIdentified >= m_inventory.Identified.size()) {
            device.decision = Decision::IdentificationFailed;
            device.stop = model::Describe(stop);
            device.error = stop.SystemError;
            device.leftBehind = app::RstDiskLeftBehind(candidate, false, identify);
            return device;
        }
        device.identifiedIndex = m_nextIdentified++;
        const model::DiskRecord* record = &m_inventory.Identified[device.identifiedIndex];
        device.identified = true;
        device.disk = *record;
        const int pathId = candidate.AccessPath == model::AccessKind::Inbox
                               ? -1
                               : rst::PathIdentifier(candidate.PortNumber);
        // The Identify data identification read: empty only for a record it did not hand back.
        const bool read = !identify.empty();
        if (read) {
            const discovery::IdentifyController id =
                discovery::ReadIdentifyController(identify, discovery::TextRule::KeepEveryByte);
            device.versionMajor = id.VersionMajor;
            device.versionMinor = id.VersionMinor;
            device.versionTertiary = id.VersionTertiary;
            device.fwug = id.Fwug;
        }
        const std::int32_t units =
            image::IsPossibleGranularity(record->UpdateGranularity) ? record->UpdateGranularity : 1;
        device.pieceSize = image::PieceSizeOf(units);
        device.pieceCount = (app::kImageByteCount + device.pieceSize - 1) / device.pieceSize;
        if (candidate.AccessPath == model::AccessKind::Inbox) {
            device.slots = ReadInboxSlots(m_platform, candidate.DevicePath, device.pieceSize,
                                          m_image.ImageRevision);
        } else if (read) {
            device.slots =
                ReadRstSlots(m_platform, candidate.DevicePath, static_cast<std::uint8_t>(pathId),
                             identify, m_image.ImageRevision);
        }
        // The record's address decides before its identity: a disk that another answers for is
        // not updated, whoever it says it is.
        const app::EarlierAtAddress earlier =
            app::EarlierRecordAtAddress(m_inventory.Identified, device.identifiedIndex);
        if (earlier.kind != app::EarlierAtAddress::Kind::None) {
            device.sameAsDisk = m_inventory.Identified[earlier.earlier];
        }
        device.leftBehind = app::RstDiskLeftBehind(candidate, true, identify);
        if (earlier.kind == app::EarlierAtAddress::Kind::Collision) {
            device.decision = Decision::AddressCollision;
            device.leftBehind = true;
        } else if (!app::IsMakersDrive(*record)) {
            device.decision = Decision::NotMakersDrive;
        } else if (earlier.kind == app::EarlierAtAddress::Kind::SameDrive) {
            device.decision = Decision::SameDrive;
        } else if (app::SameRevision(record->FirmwareRevision, m_image.UpgradableRevision)) {
            device.decision = Decision::WouldBeUpdated;
            device.obstacle = Obstacle(device);
            SlotState(device, m_image.ImageRevision);
        } else if (app::SameRevision(record->FirmwareRevision, m_image.ImageRevision)) {
            device.decision = Decision::AlreadyCurrent;
        } else {
            device.decision = Decision::AnotherRevision;
        }
        return device;
    }

private:
    platform::Platform& m_platform;
    const image::FirmwareImage& m_image;
    const app::DiskInventory& m_inventory;
    std::size_t m_nextIdentified = 0;
};

Decision DecisionOfVerdict(const discovery::DeviceDecision& found) {
    switch (found.verdict) {
        case Verdict::NotMakersVendor:
            return Decision::NotMakersDrive;
        case Verdict::NoNvmeHardwareId:
            return Decision::NoNvmeHardwareId;
        case Verdict::OpenFailed:
            return Decision::NotOpened;
        case Verdict::NotRstController:
            return Decision::NotRstController;
        case Verdict::NotRstControllerDisk:
        case Verdict::SecondRstControllerDisk:
            return Decision::NotBehindRstController;
        default:
            return Decision::LeftOut;
    }
}

}  // namespace

std::string_view DecisionText(Decision decision) {
    switch (decision) {
        case Decision::WouldBeUpdated:
            return "would be updated";
        case Decision::AlreadyCurrent:
            return "already current";
        case Decision::AnotherRevision:
            return "another revision";
        case Decision::NotMakersDrive:
            return "not the maker's drive";
        case Decision::NoNvmeHardwareId:
            return "no NVMe hardware ID";
        case Decision::NotOpened:
            return "could not be opened";
        case Decision::IdentificationFailed:
            return "identification failed";
        case Decision::RaidVolume:
            return "RAID volume";
        case Decision::RstController:
            return "Intel RST controller";
        case Decision::NotRstController:
            return "not an Intel RST controller";
        case Decision::SameDrive:
            return "the same drive as another device";
        case Decision::AddressCollision:
            return "another disk answers at the same port";
        case Decision::AlreadyDownloaded:
            return "already downloaded, activates at the next reset";
        case Decision::ImageNotActivated:
            return "the image is in a slot but the last reset did not activate it";
        case Decision::NotBehindRstController:
            return "parent is not the RST controller";
        case Decision::LeftOut:
            return "left out";
    }
    return "?";
}

Inspection Inspect(platform::Platform& platform) {
    image::PrepareFirmwareImage();
    const image::FirmwareImage& image = image::TheFirmwareImage();
    ReadOnlyDeviceIo guard(platform.io);
    platform::Platform readOnly{platform.setup, guard, platform.console, platform.clock,
                                platform.guards};

    // The run's events are what the updater prints; the inspector tells its own report.
    app::DiskInventory inventory;
    model::NoRunEvents events;
    inventory.FindAndIdentify(readOnly, events);

    Inspection inspection;
    inspection.imageRevision = image.ImageRevision;
    inspection.upgradableRevision = image.UpgradableRevision;
    Inspector inspector(readOnly, image, inventory);
    const bool rstWalked = std::any_of(
        inventory.Decisions.begin(), inventory.Decisions.end(),
        [](const discovery::DeviceDecision& d) { return d.walk == discovery::Walk::RstDisks; });
    std::size_t candidate = 0;
    for (const discovery::DeviceDecision& found : inventory.Decisions) {
        // Both disk walks see every disk: each device is told by the walk it belongs to, a disk
        // behind an Intel controller by the RST walk when that ran, any other by the inbox walk.
        const bool intelParent = platform::Contains(found.parentId, u"VEN_8086");
        if (found.verdict == Verdict::NotMakersVendor &&
            ((found.walk == discovery::Walk::RstDisks && !intelParent) ||
             (found.walk == discovery::Walk::InboxDisks && intelParent && rstWalked))) {
            continue;
        }
        const bool takesCandidate =
            found.walk != discovery::Walk::RstControllers &&
            (found.verdict == Verdict::Taken || found.verdict == Verdict::RaidVolume);
        if (!takesCandidate || candidate >= inventory.Identifications.size()) {
            InspectedDevice device;
            device.found = found;
            device.disk.DevicePath = found.path;
            device.decision =
                found.walk == discovery::Walk::RstControllers && found.verdict == Verdict::Taken
                    ? Decision::RstController
                    : DecisionOfVerdict(found);
            device.error = found.error;
            device.leftBehind = app::RstDeviceLeftBehind(found);
            inspection.devices.push_back(std::move(device));
            continue;
        }
        const app::IdentifyAttempt& attempt = inventory.Identifications[candidate++];
        if (found.verdict == Verdict::RaidVolume) {
            InspectedDevice volume;
            volume.found = found;
            volume.disk = attempt.candidate;
            volume.decision = Decision::RaidVolume;
            volume.members = attempt.members.size();
            volume.stop = model::Describe(attempt.stop);
            volume.error = attempt.stop.SystemError;
            volume.leftBehind = app::RstMembersNotListed(attempt);
            inspection.devices.push_back(std::move(volume));
            for (const rst::MemberIdentification& member : attempt.members) {
                InspectedDevice device = inspector.Identified(
                    found, member.member, member.outcome.status == rst::IdentifyStatus::Identified,
                    member.outcome.stop, member.outcome.identify);
                device.raidMember = true;
                inspection.devices.push_back(std::move(device));
            }
            continue;
        }
        // Identified or not, the status of either access path's identification is 0 when it
        // appended.
        inspection.devices.push_back(inspector.Identified(found, attempt.candidate,
                                                          app::Succeeded(attempt.status),
                                                          attempt.stop, attempt.identify));
    }

    // A drive reached a second way names the device it is the same drive as.
    std::vector<std::size_t> deviceOfIdentified(inventory.Identified.size());
    for (std::size_t number = 1; number <= inspection.devices.size(); ++number) {
        InspectedDevice& device = inspection.devices[number - 1];
        if (!device.identified) {
            continue;
        }
        deviceOfIdentified[device.identifiedIndex] = number;
        if (device.decision == Decision::SameDrive) {
            device.sameAs = deviceOfIdentified
                [app::EarlierRecordAtAddress(inventory.Identified, device.identifiedIndex).earlier];
        }
    }

    // The updater's final result over the disks it selects, in its order: a download taken as
    // accepted unless the get-info answer already shows that it would fail.
    app::FinalResultTally tally;
    if (inventory.MakersDriveLeftBehind()) {
        tally.AddDriveLeftBehind();
    }
    for (const InspectedDevice& device : inspection.devices) {
        if (device.decision == Decision::WouldBeUpdated ||
            device.decision == Decision::ImageNotActivated) {
            tally.Add(device.obstacle.empty() ? model::DiskResult::RebootRequired
                                              : model::DiskResult::Failed);
        } else if (device.decision == Decision::AlreadyDownloaded) {
            tally.Add(model::DiskResult::RebootRequired);
        } else if (device.decision == Decision::AlreadyCurrent) {
            tally.Add(model::DiskResult::Latest);
        }
    }
    inspection.expectedExitCode = tally.Result();
    inspection.refusedRequests = guard.Refused();
    return inspection;
}

}  // namespace inspect
