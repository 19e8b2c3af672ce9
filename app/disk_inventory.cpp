#include "app/disk_inventory.h"

#include "app/result_table.h"
#include "discovery/inbox_enumeration.h"
#include "discovery/rst_discovery.h"
#include "inbox/inbox_identify.h"
#include "inbox/inbox_update.h"
#include "platform/text.h"
#include "rst/raid_query.h"
#include "rst/rst_identify.h"
#include "rst/rst_requests.h"
#include "rst/rst_update.h"

namespace app {

using model::DiskRecord;
using namespace std::string_view_literals;

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
    return disk.AccessPath == model::AccessKind::Inbox || disk.PciVendorId == kMakerPciVendorId;
}

bool SameAddress(const DiskRecord& a, const DiskRecord& b) {
    const bool inboxA = a.AccessPath == model::AccessKind::Inbox;
    if (inboxA != (b.AccessPath == model::AccessKind::Inbox)) {
        return false;
    }
    if (inboxA) {
        return a.DevicePath == b.DevicePath;
    }
    return rst::PathIdentifier(a.PortNumber) == rst::PathIdentifier(b.PortNumber) &&
           platform::ToUpperAscii(a.DevicePath) == platform::ToUpperAscii(b.DevicePath);
}

EarlierAtAddress EarlierRecordAtAddress(const model::DiskList& identified, std::size_t index) {
    using Kind = EarlierAtAddress::Kind;
    const DiskRecord& disk = identified.at(index);
    for (std::size_t earlier = 0; earlier < index; ++earlier) {
        const DiskRecord& other = identified[earlier];
        if (!SameAddress(disk, other)) {
            continue;
        }
        // Matrix RAID: two sets on the same drives list the same ports.
        const bool twoSets = disk.AccessPath == model::AccessKind::RstRaid &&
                             other.AccessPath == model::AccessKind::RstRaid &&
                             disk.RaidSetIndex != other.RaidSetIndex;
        if (twoSets || disk.AccessPath == model::AccessKind::Inbox) {
            return {Kind::SameDrive, earlier};
        }
        // SATA disks behind RST share path identifiers and answer no NVMe command: only a pair
        // with an NVMe disk in it is one that an update could reach wrongly.
        if (disk.KnownNvme || other.KnownNvme) {
            return {Kind::Collision, earlier};
        }
    }
    return {};
}

void DiskInventory::FindAndIdentify(platform::Platform& platform, model::RunEvents& events) {
    discovery::RaidController controller;
    if (discovery::FindRstController(platform, events, controller, &Decisions)) {
        discovery::EnumerateRstDisks(platform, events, controller, Candidates, &Decisions);
    }
    InboxDisksListed = discovery::EnumerateInboxNvmeDisks(platform, events, Candidates, &Decisions);
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
            case model::AccessKind::RstDisk: {
                const rst::IdentifyOutcome outcome =
                    rst::IdentifyRstDisk(platform, events, candidate, Identified);
                attempt.status = outcome.status;
                attempt.stop = outcome.stop;
                attempt.identify = outcome.identify;
                break;
            }
            case model::AccessKind::RstRaid: {
                attempt.raidSetIndex = raidSetIndex;
                rst::QueryOutcome outcome =
                    rst::QueryRaidMembers(platform, events, candidate, raidSetIndex++, Identified);
                attempt.status = outcome.status;
                attempt.stop = outcome.stop;
                attempt.members = std::move(outcome.members);
                attempt.listedMembers = outcome.listedMembers;
                attempt.listed = outcome.listed;
                break;
            }
            case model::AccessKind::Inbox: {
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
        Identifications.push_back(std::move(attempt));
    }
}

void DiskInventory::RunUpdates(platform::Platform& platform, model::RunEvents& events,
                               const image::FirmwareImage& image, model::DiskList& selectedDisks) {
    FindAndIdentify(platform, events);
    if (Candidates.empty()) {
        return;
    }
    for (std::size_t index = 0; index < Identified.size(); ++index) {
        if (EarlierRecordAtAddress(Identified, index).kind == EarlierAtAddress::Kind::Collision) {
            events.AddressCollision(rst::PathIdentifier(Identified[index].PortNumber));
        }
    }
    SelectDisks(image, selectedDisks);

    for (DiskRecord& disk : selectedDisks) {
        UpdateAttempt attempt;
        if (SameRevision(disk.FirmwareRevision, image.ImageRevision)) {
            attempt.result = kResultOfCurrentDisk;
        } else if (disk.AccessPath == model::AccessKind::Inbox) {
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
        Updates.push_back(std::move(attempt));
    }
}

void DiskInventory::SelectDisks(const image::FirmwareImage& image,
                                model::DiskList& selectedDisks) const {
    for (std::size_t index = 0; index < Identified.size(); ++index) {
        const DiskRecord& disk = Identified[index];
        if (!IsMakersDrive(disk) ||
            EarlierRecordAtAddress(Identified, index).kind != EarlierAtAddress::Kind::None) {
            continue;
        }
        if (SameRevision(disk.FirmwareRevision, image.UpgradableRevision) ||
            SameRevision(disk.FirmwareRevision, image.ImageRevision)) {
            selectedDisks.push_back(disk);
        }
    }
}

bool RstDeviceLeftBehind(const discovery::DeviceDecision& decision) {
    using discovery::Verdict;
    if (decision.walk == discovery::Walk::RstControllers) {
        return decision.verdict == Verdict::OpenFailed;
    }
    return decision.walk == discovery::Walk::RstDisks && decision.nvmeDisk &&
           (decision.verdict == Verdict::OpenFailed ||
            decision.verdict == Verdict::SecondRstControllerDisk);
}

bool RstMembersNotListed(const IdentifyAttempt& raidVolume) {
    return !raidVolume.listed || raidVolume.listedMembers > raidVolume.members.size();
}

bool RstDiskLeftBehind(const DiskRecord& candidate, bool identified,
                       std::span<const std::uint8_t> identify) {
    return candidate.KnownNvme &&
           rst::GaveNoIdentifyData(
               identified ? rst::IdentifyStatus::Identified : rst::IdentifyStatus::RequestFailed,
               identify);
}

bool DiskInventory::MakersDriveLeftBehind() const {
    if (!InboxDisksListed) {
        return true;
    }
    for (const discovery::DeviceDecision& decision : Decisions) {
        if (decision.walk == discovery::Walk::InboxDisks && decision.makersNvmeDisk &&
            decision.verdict != discovery::Verdict::Taken) {
            return true;
        }
        if (RstDeviceLeftBehind(decision)) {
            return true;
        }
    }
    for (const IdentifyAttempt& attempt : Identifications) {
        switch (attempt.candidate.AccessPath) {
            case model::AccessKind::Inbox:
                if (!Succeeded(attempt.status)) {
                    return true;
                }
                break;
            case model::AccessKind::RstDisk:
                if (RstDiskLeftBehind(attempt.candidate, Succeeded(attempt.status),
                                      attempt.identify)) {
                    return true;
                }
                break;
            case model::AccessKind::RstRaid:
                if (RstMembersNotListed(attempt)) {
                    return true;
                }
                for (const rst::MemberIdentification& member : attempt.members) {
                    if (RstDiskLeftBehind(member.member,
                                          member.outcome.status == rst::IdentifyStatus::Identified,
                                          member.outcome.identify)) {
                        return true;
                    }
                }
                break;
            case model::AccessKind::None:
                break;
        }
    }
    for (std::size_t index = 0; index < Identified.size(); ++index) {
        if (EarlierRecordAtAddress(Identified, index).kind == EarlierAtAddress::Kind::Collision) {
            return true;
        }
    }
    return false;
}

}  // namespace app
