#include "inspect/machine_inspection.h"

#include <algorithm>

#include "app/disk_inventory.h"
#include "app/result_table.h"
#include "app/run_context.h"
#include "discovery/identify_controller_data.h"
#include "image/firmware_image.h"
#include "image/piece_plan.h"
#include "inbox/miniport_firmware_layout.h"
#include "inbox/miniport_request.h"
#include "inspect/read_only_io.h"
#include "platform/byte_layout.h"
#include "platform/text.h"
#include "rst/rst_requests.h"
#include "rst/rst_update.h"

namespace inspect {

namespace {

using discovery::DeviceVerdict;

// What would make the inbox update fail before its download, as the get-info answer shows it.
std::string Obstacle(const InspectedDevice& device) {
    if (device.Disk.AccessPath != model::AccessKind::Inbox) {
        return rst::ActivationSlotOf(device.Disk) ? "" : "no writable firmware slot";
    }
    // The updater's own decision on the answer, not a second reading of it.
    const FirmwareSlots& slots = device.Slots;
    if (!slots.RequestAnswered) {
        return "the driver does not answer get-info";
    }
    switch (slots.Choice) {
        case inbox::SlotChoice::Chosen:
            return {};
        case inbox::SlotChoice::NotUpdatable:
            return slots.UpgradeSupport == 0 ? "the driver reports no firmware upgrade support"
                                             : "no writable firmware slot";
        case inbox::SlotChoice::Malformed:
            break;
    }
    if (slots.Version > 1) {
        return "the get-info answer is of structure version " +
               platform::DecimalText(slots.Version) + ", which is not read";
    }
    if (slots.DataBufferOffset < inbox::miniport::kDataAreaOffset) {
        return "the get-info answer points into the request block";
    }
    if (slots.SlotCount > inbox::kMaxFirmwareSlots) {
        return "the get-info answer claims " + platform::DecimalText(slots.SlotCount) +
               " firmware slots";
    }
    for (const FirmwareSlot& slot : slots.Slots) {
        if (slot.Number == 0 || slot.Number > inbox::kMaxFirmwareSlots) {
            return "the get-info answer names firmware slot " + platform::DecimalText(slot.Number);
        }
    }
    return "the get-info answer reaches past its buffer";
}

// What the drive's slots say of a drive the updater would update: the image waiting for the
// next reset (the updater sends nothing), or the image in a slot that the last reset did not
// activate (the updater downloads it again).
void SlotState(InspectedDevice& device) {
    const FirmwareSlots& slots = device.Slots;
    if (slots.ImageStaged) {
        device.Decision = DecisionKind::AlreadyDownloaded;
        device.Obstacle.clear();
        return;
    }
    // A drive whose update would fail keeps that reason.
    if (slots.UnactivatedImageSlot && device.Obstacle.empty()) {
        device.Decision = DecisionKind::ImageNotActivated;
        device.ImageSlot = *slots.UnactivatedImageSlot;
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
        device.Found = entry.Found;
        const model::DiskRecord& address = m_inventory.AddressOf(entry, disk);
        device.Disk = address;
        device.LeftBehind = disk.Account == app::AccountState::NotAccountedFor;
        if (!disk.Record) {
            device.Decision = DecisionKind::IdentificationFailed;
            device.Stop = model::Describe(disk.Stop);
            device.Error = disk.Stop.SystemError;
            return device;
        }
        device.IdentifiedIndex = *disk.Record;
        const model::DiskRecord& record = m_inventory.Identified[*disk.Record];
        device.Identified = true;
        device.Disk = record;
        // The Identify data identification read: empty only for a record it did not hand back.
        const bool read = !disk.Identify.empty();
        if (read) {
            const discovery::IdentifyController id = discovery::ReadIdentifyController(
                disk.Identify, discovery::TextRule::KeepEveryByte);
            device.VersionMajor = id.VersionMajor;
            device.VersionMinor = id.VersionMinor;
            device.VersionTertiary = id.VersionTertiary;
            device.Fwug = id.Fwug;
        }
        device.PieceSize = image::PieceSizeOf(image::GranularityOrLeast(record.UpdateGranularity));
        device.PieceCount = image::PieceCountOf(app::kImageByteCount, device.PieceSize);
        if (address.AccessPath == model::AccessKind::Inbox) {
            device.Slots = ReadInboxSlots(m_platform, address.DevicePath, device.PieceSize,
                                          m_image.ImageRevision);
        } else if (read) {
            device.Slots = ReadRstSlots(m_platform, address.DevicePath,
                                        rst::PathIdentifier(address.PortNumber), disk.Identify,
                                        m_image.ImageRevision);
        }
        using Reason = app::SelectionReason;
        if (disk.Selection == Reason::SameDrive || disk.Selection == Reason::AddressCollision) {
            device.SameAsDisk = m_inventory.Identified[disk.Earlier];
            device.EarlierIndex = disk.Earlier;
        }
        switch (disk.Selection) {
            case Reason::AddressCollision:
                device.Decision = DecisionKind::AddressCollision;
                break;
            case Reason::NotMakersDrive:
                device.Decision = DecisionKind::NotMakersDrive;
                break;
            case Reason::SameDrive:
                device.Decision = DecisionKind::SameDrive;
                break;
            case Reason::ToUpdate:
                device.Decision = DecisionKind::WouldBeUpdated;
                device.Obstacle = Obstacle(device);
                SlotState(device);
                break;
            case Reason::AlreadyCurrent:
                device.Decision = DecisionKind::AlreadyCurrent;
                break;
            case Reason::AnotherRevision:
                device.Decision = DecisionKind::AnotherRevision;
                break;
        }
        return device;
    }

private:
    platform::Platform& m_platform;
    const image::FirmwareImage& m_image;
    const app::DiskInventory& m_inventory;
};

// How the update of a disk the run updates would end, as the drive's answers to reading
// requests foresee it.
app::ForeseenUpdate Foreseen(const InspectedDevice& device) {
    if (device.Decision == DecisionKind::AlreadyDownloaded) {
        return app::ForeseenUpdate::ImageStaged;
    }
    return device.Obstacle.empty() ? app::ForeseenUpdate::Accepted
                                   : app::ForeseenUpdate::RefusedBeforeDownload;
}

DecisionKind DecisionOfVerdict(const discovery::DeviceDecision& found) {
    switch (found.Verdict) {
        case DeviceVerdict::NotMakersVendor:
            return DecisionKind::NotMakersDrive;
        case DeviceVerdict::NoNvmeHardwareId:
            return DecisionKind::NoNvmeHardwareId;
        case DeviceVerdict::OpenFailed:
            return DecisionKind::NotOpened;
        case DeviceVerdict::NotRstController:
            return DecisionKind::NotRstController;
        case DeviceVerdict::NotRstControllerDisk:
        case DeviceVerdict::SecondRstControllerDisk:
            return DecisionKind::NotBehindRstController;
        default:
            return DecisionKind::LeftOut;
    }
}

}  // namespace

std::string_view DecisionText(DecisionKind decision) {
    switch (decision) {
        case DecisionKind::WouldBeUpdated:
            return "would be updated";
        case DecisionKind::AlreadyCurrent:
            return "already current";
        case DecisionKind::AnotherRevision:
            return "another revision";
        case DecisionKind::NotMakersDrive:
            return "not the maker's drive";
        case DecisionKind::NoNvmeHardwareId:
            return "no NVMe hardware ID";
        case DecisionKind::NotOpened:
            return "could not be opened";
        case DecisionKind::IdentificationFailed:
            return "identification failed";
        case DecisionKind::RaidVolume:
            return "RAID volume";
        case DecisionKind::RaidSetWithoutVolume:
            return "RAID set without a volume";
        case DecisionKind::NoRaidSets:
            return "no RAID sets";
        case DecisionKind::RstController:
            return "Intel RST controller";
        case DecisionKind::NotRstController:
            return "not an Intel RST controller";
        case DecisionKind::SameDrive:
            return "the same drive as another device";
        case DecisionKind::AddressCollision:
            return "another disk answers at the same port";
        case DecisionKind::AlreadyDownloaded:
            return "already downloaded, activates at the next reset";
        case DecisionKind::ImageNotActivated:
            return "the image is in a slot but the last reset did not activate it";
        case DecisionKind::NotBehindRstController:
            return "parent is not the RST controller";
        case DecisionKind::LeftOut:
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
    inspection.ImageRevision = image.ImageRevision;
    inspection.UpgradableRevision = image.UpgradableRevision;
    Inspector inspector(readOnly, image, inventory);
    const app::RunJournal& journal = inventory.Journal();
    const bool rstWalked = std::any_of(journal.begin(), journal.end(), [](const auto& entry) {
        return entry.Found.Walk == discovery::DiscoveryWalk::RstDisks;
    });
    // Each disk the run selects ends as the updater stores it, its update as the drive's answers
    // foresee.
    const auto told = [&](const app::JournalEntry& entry, const app::DiskIdentification& disk) {
        InspectedDevice device = inspector.Disk(entry, disk);
        if (disk.Selected) {
            selected[*disk.Selected].ResultCode =
                disk.Selection == app::SelectionReason::ToUpdate
                    ? app::ResultOfForeseenUpdate(device.Disk, Foreseen(device))
                    : app::kResultOfCurrentDisk;
        }
        return device;
    };
    for (const app::JournalEntry& entry : journal) {
        const discovery::DeviceDecision& found = entry.Found;
        // Both disk walks see every disk: each device is told by the walk it belongs to, a disk
        // behind an Intel controller by the RST walk when that ran, any other by the inbox walk.
        const bool intelParent = platform::Contains(found.ParentId, u"VEN_8086");
        if (found.Verdict == DeviceVerdict::NotMakersVendor &&
            ((found.Walk == discovery::DiscoveryWalk::RstDisks && !intelParent) ||
             (found.Walk == discovery::DiscoveryWalk::InboxDisks && intelParent && rstWalked))) {
            continue;
        }
        if (entry.Raid) {
            InspectedDevice volume;
            volume.Found = found;
            volume.Disk = found.Candidate
                              ? inventory.Candidates.at(*found.Candidate)
                              : model::MakeCandidate(found.Path, -1, model::AccessKind::RstRaid);
            volume.Decision = found.Verdict == DeviceVerdict::RaidVolume ? DecisionKind::RaidVolume
                              : found.Verdict == DeviceVerdict::NoRaidSetSaid
                                  ? DecisionKind::NoRaidSets
                                  : DecisionKind::RaidSetWithoutVolume;
            volume.Members = entry.Disks.size();
            volume.Stop = model::Describe(entry.Raid->Stop);
            volume.Error = entry.Raid->Stop.SystemError;
            volume.LeftBehind = entry.Raid->Account == app::AccountState::NotAccountedFor;
            inspection.Devices.push_back(std::move(volume));
            for (const app::DiskIdentification& member : entry.Disks) {
                InspectedDevice device = told(entry, member);
                device.RaidMember = true;
                inspection.Devices.push_back(std::move(device));
            }
            continue;
        }
        if (!entry.Disks.empty()) {
            inspection.Devices.push_back(told(entry, entry.Disks.front()));
            continue;
        }
        InspectedDevice device;
        device.Found = found;
        device.Disk.DevicePath = found.Path;
        device.Decision = found.Walk == discovery::DiscoveryWalk::RstControllers &&
                                  found.Verdict == DeviceVerdict::Taken
                              ? DecisionKind::RstController
                              : DecisionOfVerdict(found);
        device.Error = found.Error;
        device.LeftBehind = entry.Account == app::AccountState::NotAccountedFor;
        inspection.Devices.push_back(std::move(device));
    }

    // A drive reached a second way names the device it is the same drive as.
    std::vector<std::size_t> deviceOfIdentified(inventory.Identified.size());
    for (std::size_t number = 1; number <= inspection.Devices.size(); ++number) {
        InspectedDevice& device = inspection.Devices[number - 1];
        if (!device.Identified) {
            continue;
        }
        deviceOfIdentified[device.IdentifiedIndex] = number;
        if (device.Decision == DecisionKind::SameDrive) {
            device.SameAs = deviceOfIdentified[device.EarlierIndex];
        }
    }

    inspection.ExpectedExitCode =
        app::TallyOf(selected, image.ImageRevision, inventory.AllAccountedFor()).Result();
    inspection.RefusedRequests = guard.Refused();
    return inspection;
}

}  // namespace inspect
