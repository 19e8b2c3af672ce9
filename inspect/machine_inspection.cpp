#include "inspect/machine_inspection.h"

#include <algorithm>
#include <memory>

#include "app/disk_inventory.h"
#include "app/result_table.h"
#include "app/run_context.h"
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

    // One disk of the journal, as its identification and the selection left it.
    InspectedDevice Disk(const app::JournalEntry& entry, const app::DiskIdentification& disk) {
        InspectedDevice device;
        device.found = entry.Found;
        const model::DiskRecord& address = m_inventory.AddressOf(entry, disk);
        device.disk = address;
        device.leftBehind = app::RstDiskLeftBehind(address, disk);
        if (!disk.Record) {
            device.decision = Decision::IdentificationFailed;
            device.stop = model::Describe(disk.Stop);
            device.error = disk.Stop.SystemError;
            return device;
        }
        device.identifiedIndex = *disk.Record;
        const model::DiskRecord& record = m_inventory.Identified[*disk.Record];
        device.identified = true;
        device.disk = record;
        // The Identify data identification read: empty only for a record it did not hand back.
        const bool read = !disk.Identify.empty();
        if (read) {
            const discovery::IdentifyController id = discovery::ReadIdentifyController(
                disk.Identify, discovery::TextRule::KeepEveryByte);
            device.versionMajor = id.VersionMajor;
            device.versionMinor = id.VersionMinor;
            device.versionTertiary = id.VersionTertiary;
            device.fwug = id.Fwug;
        }
        const std::int32_t units =
            image::IsPossibleGranularity(record.UpdateGranularity) ? record.UpdateGranularity : 1;
        device.pieceSize = image::PieceSizeOf(units);
        device.pieceCount = (app::kImageByteCount + device.pieceSize - 1) / device.pieceSize;
        if (address.AccessPath == model::AccessKind::Inbox) {
            device.slots = ReadInboxSlots(m_platform, address.DevicePath, device.pieceSize,
                                          m_image.ImageRevision);
        } else if (read) {
            device.slots = ReadRstSlots(m_platform, address.DevicePath,
                                        rst::PathIdentifier(address.PortNumber), disk.Identify,
                                        m_image.ImageRevision);
        }
        using Reason = app::SelectionReason;
        if (disk.Selection == Reason::SameDrive || disk.Selection == Reason::AddressCollision) {
            device.sameAsDisk = m_inventory.Identified[disk.Earlier];
            device.earlierIndex = disk.Earlier;
        }
        switch (disk.Selection) {
            case Reason::AddressCollision:
                device.decision = Decision::AddressCollision;
                device.leftBehind = true;
                break;
            case Reason::NotMakersDrive:
                device.decision = Decision::NotMakersDrive;
                break;
            case Reason::SameDrive:
                device.decision = Decision::SameDrive;
                break;
            case Reason::ToUpdate:
                device.decision = Decision::WouldBeUpdated;
                device.obstacle = Obstacle(device);
                SlotState(device, m_image.ImageRevision);
                break;
            case Reason::AlreadyCurrent:
                device.decision = Decision::AlreadyCurrent;
                break;
            case Reason::AnotherRevision:
                device.decision = Decision::AnotherRevision;
                break;
        }
        return device;
    }

private:
    platform::Platform& m_platform;
    const image::FirmwareImage& m_image;
    const app::DiskInventory& m_inventory;
};

// What the update of a disk the run selects to update would end with, as the drive's answers
// to reading requests foresee it: the image already staged, an update that would fail before
// its download, or a download taken as accepted.
model::DiskResult ForeseenUpdate(const InspectedDevice& device) {
    const bool staged = device.decision == Decision::AlreadyDownloaded;
    if (device.disk.AccessPath == model::AccessKind::Inbox) {
        return app::ResultOfInboxUpdate(staged ? inbox::UpdateStatus::AlreadyDownloaded
                                        : device.obstacle.empty() ? inbox::UpdateStatus::Activated
                                                                  : inbox::UpdateStatus::Refused);
    }
    return staged ? model::DiskResult::RebootRequired : model::DiskResult::Updated;
}

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
    model::DiskList selected;
    inventory.SelectDisks(image, selected);

    Inspection inspection;
    inspection.imageRevision = image.ImageRevision;
    inspection.upgradableRevision = image.UpgradableRevision;
    Inspector inspector(readOnly, image, inventory);
    const app::RunJournal& journal = inventory.Journal();
    const bool rstWalked = std::any_of(journal.begin(), journal.end(), [](const auto& entry) {
        return entry.Found.walk == discovery::Walk::RstDisks;
    });
    // Each disk the run selects ends as the updater stores it, its update as the drive's answers
    // foresee.
    const auto told = [&](const app::JournalEntry& entry, const app::DiskIdentification& disk) {
        InspectedDevice device = inspector.Disk(entry, disk);
        if (disk.Selected) {
            selected[*disk.Selected].ResultCode = disk.Selection == app::SelectionReason::ToUpdate
                                                      ? ForeseenUpdate(device)
                                                      : app::kResultOfCurrentDisk;
        }
        return device;
    };
    for (const app::JournalEntry& entry : journal) {
        const discovery::DeviceDecision& found = entry.Found;
        // Both disk walks see every disk: each device is told by the walk it belongs to, a disk
        // behind an Intel controller by the RST walk when that ran, any other by the inbox walk.
        const bool intelParent = platform::Contains(found.parentId, u"VEN_8086");
        if (found.verdict == Verdict::NotMakersVendor &&
            ((found.walk == discovery::Walk::RstDisks && !intelParent) ||
             (found.walk == discovery::Walk::InboxDisks && intelParent && rstWalked))) {
            continue;
        }
        if (entry.Raid) {
            InspectedDevice volume;
            volume.found = found;
            volume.disk = inventory.Candidates.at(found.candidate.value());
            volume.decision = Decision::RaidVolume;
            volume.members = entry.Disks.size();
            volume.stop = model::Describe(entry.Raid->Stop);
            volume.error = entry.Raid->Stop.SystemError;
            volume.leftBehind = app::RstMembersNotListed(*entry.Raid, entry.Disks.size());
            inspection.devices.push_back(std::move(volume));
            for (const app::DiskIdentification& member : entry.Disks) {
                InspectedDevice device = told(entry, member);
                device.raidMember = true;
                inspection.devices.push_back(std::move(device));
            }
            continue;
        }
        if (!entry.Disks.empty()) {
            inspection.devices.push_back(told(entry, entry.Disks.front()));
            continue;
        }
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
            device.sameAs = deviceOfIdentified[device.earlierIndex];
        }
    }

    inspection.expectedExitCode =
        app::TallyOf(selected, image.ImageRevision, inventory.MakersDriveLeftBehind()).Result();
    inspection.refusedRequests = guard.Refused();
    return inspection;
}

}  // namespace inspect
