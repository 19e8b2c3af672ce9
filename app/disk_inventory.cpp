#include "app/disk_inventory.h"

#include "app/result_table.h"
#include "discovery/inbox_enumeration.h"
#include "discovery/rst_discovery.h"
#include "inbox/inbox_identify.h"
#include "inbox/inbox_update.h"
#include "rst/raid_query.h"
#include "rst/rst_identify.h"
#include "rst/rst_update.h"

namespace app {

using discovery::DiskRecord;
using namespace std::string_view_literals;

namespace {

// NVMe pads SN with blanks; the inbox road stops at a zero byte, the RST road keeps it.
std::u16string_view WithoutPadding(std::u16string_view text) {
    const std::size_t end = text.find_last_not_of(u" \0"sv);
    return end == std::u16string_view::npos ? std::u16string_view{} : text.substr(0, end + 1);
}

}  // namespace

bool Succeeded(const IdentifyStatus& status) {
    struct Success {
        bool operator()(inbox::IdentifyStatus s) const {
            return s == inbox::IdentifyStatus::Identified;
        }
        bool operator()(rst::IdentifyStatus s) const {
            return s == rst::IdentifyStatus::Identified;
        }
        bool operator()(rst::QueryStatus s) const { return s == rst::QueryStatus::Answered; }
    };
    return std::visit(Success{}, status);
}

bool IsMakersDrive(const DiskRecord& disk) {
    return disk.AccessPath == discovery::AccessPath::Inbox || disk.pciVendorId == kMakerPciVendorId;
}

std::optional<std::size_t> EarlierSameDrive(const discovery::DiskList& identified,
                                            std::size_t index) {
    const DiskRecord& disk = identified.at(index);
    const std::u16string_view serial = WithoutPadding(disk.SerialNumber);
    if (serial.empty()) {
        return std::nullopt;
    }
    const std::u16string_view model = WithoutPadding(disk.ModelNumber);
    for (std::size_t earlier = 0; earlier < index; ++earlier) {
        if (WithoutPadding(identified[earlier].SerialNumber) == serial &&
            WithoutPadding(identified[earlier].ModelNumber) == model) {
            return earlier;
        }
    }
    return std::nullopt;
}

void DiskInventory::FindAndIdentify(platform::Platform& platform, discovery::RunEvents& events) {
    discovery::RaidController controller;
    if (discovery::FindRstController(platform, events, controller, &decisions)) {
        discovery::EnumerateRstDisks(platform, events, controller, Candidates, &decisions);
    }
    inboxDisksListed = discovery::EnumerateInboxNvmeDisks(platform, events, Candidates, &decisions);
    if (Candidates.empty()) {
        return;
    }

    // Windows lists one disk device per RST RAID volume; the k-th volume asks for RAID set k, so
    // that every set's members are identified once.
    std::uint32_t raidSetIndex = 0;
    for (const DiskRecord& candidate : Candidates) {
        IdentifyAttempt attempt;
        attempt.candidate = candidate;
        switch (candidate.AccessPath) {
            case discovery::AccessPath::RstDisk: {
                const rst::IdentifyOutcome outcome =
                    rst::IdentifyRstDisk(platform, candidate, Identified);
                attempt.status = outcome.status;
                attempt.stop = outcome.stop;
                attempt.identify = outcome.identify;
                break;
            }
            case discovery::AccessPath::RstRaid: {
                attempt.raidSetIndex = raidSetIndex;
                rst::QueryOutcome outcome =
                    rst::QueryRaidMembers(platform, events, candidate, raidSetIndex++, Identified);
                attempt.status = outcome.status;
                attempt.stop = outcome.stop;
                attempt.members = std::move(outcome.members);
                attempt.listedMembers = outcome.listedMembers;
                break;
            }
            case discovery::AccessPath::Inbox: {
                const inbox::IdentifyOutcome outcome =
                    inbox::IdentifyInboxDisk(platform, events, candidate, Identified);
                attempt.status = outcome.status;
                attempt.stop = outcome.stop;
                attempt.identify = outcome.identify;
                break;
            }
            default:
                continue;
        }
        identifications.push_back(std::move(attempt));
    }
}

void DiskInventory::RunUpdates(platform::Platform& platform, discovery::RunEvents& events,
                               const image::FirmwareImage& image,
                               discovery::DiskList& selectedDisks) {
    FindAndIdentify(platform, events);
    if (Candidates.empty()) {
        return;
    }
    SelectDisks(image, selectedDisks);

    for (DiskRecord& disk : selectedDisks) {
        UpdateAttempt attempt;
        if (SameRevision(disk.FirmwareRevision, image.ImageRevision)) {
            attempt.result = kResultOfCurrentDisk;
        } else if (disk.AccessPath == discovery::AccessPath::Inbox) {
            const inbox::UpdateOutcome outcome =
                inbox::UpdateInboxDisk(platform, events, disk, image, kImageByteCount);
            attempt.result = ResultOfInboxUpdate(outcome.status);
            attempt.stop = outcome.stop;
        } else {
            const rst::UpdateOutcome outcome =
                rst::UpdateRstDisk(platform, events, disk, image, kImageByteCount);
            attempt.result = outcome.result;
            attempt.stop = outcome.stop;
        }
        disk.ResultCode = attempt.result;
        attempt.disk = disk;
        updates.push_back(std::move(attempt));
    }
}

void DiskInventory::SelectDisks(const image::FirmwareImage& image,
                                discovery::DiskList& selectedDisks) const {
    for (std::size_t index = 0; index < Identified.size(); ++index) {
        const DiskRecord& disk = Identified[index];
        if (!IsMakersDrive(disk) || EarlierSameDrive(Identified, index)) {
            continue;
        }
        if (SameRevision(disk.FirmwareRevision, image.UpgradableRevision) ||
            SameRevision(disk.FirmwareRevision, image.ImageRevision)) {
            selectedDisks.push_back(disk);
        }
    }
}

bool DiskInventory::MakersDriveLeftBehind() const {
    if (!inboxDisksListed) {
        return true;
    }
    for (const discovery::DeviceDecision& decision : decisions) {
        if (decision.walk == discovery::Walk::InboxDisks && decision.makersNvmeDisk &&
            decision.verdict != discovery::Verdict::Taken) {
            return true;
        }
    }
    for (const IdentifyAttempt& attempt : identifications) {
        if (attempt.candidate.AccessPath == discovery::AccessPath::Inbox &&
            !Succeeded(attempt.status)) {
            return true;
        }
        if (attempt.listedMembers > attempt.members.size()) {
            return true;
        }
    }
    return false;
}

}  // namespace app
