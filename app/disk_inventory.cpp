#include "app/disk_inventory.h"

#include "app/result_table.h"
#include "discovery/inbox_enumeration.h"
#include "discovery/rst_discovery.h"
#include "inbox/inbox_identify.h"
#include "inbox/inbox_update.h"
#include "platform/text.h"
#include "rst/raid_query.h"
#include "rst/rst_identify.h"
#include "rst/rst_layout.h"
#include "rst/rst_requests.h"
#include "rst/rst_update.h"

namespace app {

using model::DiskRecord;
using Kind = EarlierAtAddress::Kind;

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

namespace {

// How an identification ended, the record it made kept in `identified`.
template <typename Outcome>
DiskIdentification Kept(Outcome outcome, model::DiskList& identified) {
    DiskIdentification disk;
    disk.Status = outcome.Status;
    disk.Stop = outcome.Stop;
    disk.Identify = std::move(outcome.Identify);
    if (outcome.Record) {
        disk.Record = identified.size();
        identified.push_back(std::move(*outcome.Record));
    }
    return disk;
}

}  // namespace

void DiskInventory::AddRaidSet(JournalEntry& entry, rst::QueryOutcome outcome) {
    // The set's index was noted when it was asked for.
    entry.Raid = RaidQuery{entry.Raid.value().RaidSetIndex, outcome.Status, outcome.Stop,
                           outcome.MembersListed, outcome.Listed};
    for (rst::MemberIdentification& member : outcome.Members) {
        entry.Disks.push_back(Kept(std::move(member.Outcome), Identified));
        entry.Disks.back().Member = std::move(member.Member);
    }
}

void DiskInventory::FindRaidSetsWithoutVolume(platform::Platform& platform,
                                              model::RunEvents& events,
                                              const discovery::RaidController& controller,
                                              std::uint32_t volumes) {
    // The sets are asked for through the controller, as a volume's are.
    const DiskRecord asker =
        model::MakeCandidate(controller.DevicePath, -1, model::AccessKind::RstRaid);
    for (std::uint32_t index = volumes;; ++index) {
        // A driver that lists no volume may refuse the first query for having no sets at all;
        // once it has answered with a set, only "no such set" ends the count, as after volumes.
        const rst::SetAsked asked =
            index == 0 ? rst::SetAsked::WithoutVolumes : rst::SetAsked::PastVolumes;
        JournalEntry entry;
        entry.Found.Walk = discovery::DiscoveryWalk::RstDisks;
        entry.Found.Index = index;
        entry.Found.Path = controller.DevicePath;
        if (index >= kMaxRaidSets) {
            // A driver that answers for every index would be asked forever: the sets past the
            // most asked for are not reached.
            entry.Found.Verdict = discovery::DeviceVerdict::RaidSetsUncounted;
            events.IdentificationStopped(asker, {model::IdentifyEnd::SetsUncounted, {}, index});
            m_journal.push_back(std::move(entry));
            return;
        }
        rst::QueryOutcome outcome = rst::QueryRaidMembers(platform, events, asker, index, asked);
        const bool noSuchSet = outcome.NoSuchSet && outcome.Stop.SystemError == 0 &&
                               outcome.Stop.ReturnCode == rst::layout::kCsmiRaidSetOutOfRange;
        if (outcome.NoSuchSet && noSuchSet) {
            return;
        }
        entry.Found.Verdict = outcome.NoSuchSet ? discovery::DeviceVerdict::NoRaidSetSaid
                                                : discovery::DeviceVerdict::RaidSetWithoutVolume;
        entry.Raid.emplace().RaidSetIndex = index;
        const bool answered = outcome.Listed;
        AddRaidSet(entry, std::move(outcome));
        m_journal.push_back(std::move(entry));
        if (!answered) {
            return;
        }
    }
}

void DiskInventory::FindAndIdentify(platform::Platform& platform, model::RunEvents& events) {
    discovery::DiscoveryLog decisions;
    discovery::RaidController controller;
    const bool rstFound = discovery::FindRstController(platform, events, controller, &decisions);
    if (rstFound) {
        discovery::EnumerateRstDisks(platform, events, controller, Candidates, &decisions);
    }
    discovery::EnumerateInboxNvmeDisks(platform, events, Candidates, &decisions);

    // Windows lists one disk device per RST RAID volume; the k-th volume asks for RAID set k, so
    // that every set's members are identified once.
    std::uint32_t raidSetIndex = 0;
    bool everySetAnswered = true;
    for (discovery::DeviceDecision& decision : decisions) {
        JournalEntry entry;
        entry.Found = std::move(decision);
        if (entry.Found.Candidate) {
            const DiskRecord candidate = Candidates.at(*entry.Found.Candidate);
            if (candidate.AccessPath == model::AccessKind::RstRaid) {
                rst::QueryOutcome outcome =
                    rst::QueryRaidMembers(platform, events, candidate, raidSetIndex);
                everySetAnswered = everySetAnswered &&
                                   outcome.Status == rst::QueryStatus::Answered &&
                                   outcome.Stop.Stage != model::StopStage::Open;
                entry.Raid.emplace().RaidSetIndex = raidSetIndex++;
                AddRaidSet(entry, std::move(outcome));
            } else if (candidate.AccessPath == model::AccessKind::Inbox) {
                entry.Disks.push_back(
                    Kept(inbox::IdentifyInboxDisk(platform, events, candidate), Identified));
            } else if (candidate.AccessPath == model::AccessKind::RstDisk) {
                entry.Disks.push_back(
                    Kept(rst::IdentifyRstDisk(platform, events, candidate), Identified));
            }
        }
        m_journal.push_back(std::move(entry));
    }
    // A driver that cannot answer for the volumes' sets would not count the others either: the
    // run fails on those already.
    if (rstFound && everySetAnswered) {
        FindRaidSetsWithoutVolume(platform, events, controller, raidSetIndex);
    }
}

const DiskRecord& DiskInventory::AddressOf(const JournalEntry& entry,
                                           const DiskIdentification& disk) const {
    return disk.Member ? *disk.Member : Candidates.at(entry.Found.Candidate.value());
}

void DiskInventory::RunUpdates(platform::Platform& platform, model::RunEvents& events,
                               const image::FirmwareImage& image, model::DiskList& selectedDisks) {
    FindAndIdentify(platform, events);
    SelectDisks(image, selectedDisks);
    for (const JournalEntry& entry : m_journal) {
        for (const DiskIdentification& disk : entry.Disks) {
            if (disk.Record && disk.Selection == SelectionReason::AddressCollision) {
                events.DeviceSkipped(Identified[*disk.Record], model::SkipReason::AddressCollision,
                                     {});
            }
        }
    }

    for (JournalEntry& entry : m_journal) {
        for (DiskIdentification& selected : entry.Disks) {
            if (!selected.Selected) {
                continue;
            }
            DiskRecord& disk = selectedDisks.at(*selected.Selected);
            model::UpdateOutcome outcome;
            if (selected.Selection == SelectionReason::AlreadyCurrent) {
                outcome.Result = kResultOfCurrentDisk;
            } else if (disk.AccessPath == model::AccessKind::Inbox) {
                outcome = inbox::UpdateInboxDisk(platform, events, disk, image, kImageByteCount);
            } else {
                outcome = rst::UpdateRstDisk(platform, events, disk, image, kImageByteCount);
            }
            disk.ResultCode = outcome.Result;
            selected.Update = outcome;
        }
    }
}

bool DiskInventory::AnyDriveNeedsShutdown() const {
    for (const JournalEntry& entry : m_journal) {
        for (const DiskIdentification& disk : entry.Disks) {
            if (disk.Update && disk.Update->UnactivatedImageSlot) {
                return true;
            }
        }
    }
    return false;
}

Selection SelectionOf(const model::DiskList& identified, std::size_t index,
                      const image::FirmwareImage& image) {
    const DiskRecord& record = identified.at(index);
    const EarlierAtAddress earlier = EarlierRecordAtAddress(identified, index);
    // The record's address decides before its identity: a disk that another answers for is not
    // updated, whoever it says it is.
    if (earlier.Found == Kind::Collision) {
        return {SelectionReason::AddressCollision, earlier.Earlier};
    }
    if (!IsMakersDrive(record)) {
        return {SelectionReason::NotMakersDrive, 0};
    }
    if (earlier.Found == Kind::SameDrive) {
        return {SelectionReason::SameDrive, earlier.Earlier};
    }
    if (SameRevision(record.FirmwareRevision, image.UpgradableRevision)) {
        return {SelectionReason::ToUpdate, 0};
    }
    if (SameRevision(record.FirmwareRevision, image.ImageRevision)) {
        return {SelectionReason::AlreadyCurrent, 0};
    }
    return {SelectionReason::AnotherRevision, 0};
}

void DiskInventory::SelectDisks(const image::FirmwareImage& image, model::DiskList& selectedDisks) {
    for (JournalEntry& entry : m_journal) {
        for (DiskIdentification& disk : entry.Disks) {
            if (!disk.Record) {
                continue;
            }
            const Selection selection = SelectionOf(Identified, *disk.Record, image);
            disk.Selection = selection.Reason;
            disk.Earlier = selection.Earlier;
            if (IsSelected(selection.Reason)) {
                disk.Selected = selectedDisks.size();
                selectedDisks.push_back(Identified[*disk.Record]);
            }
        }
    }
    SettleAccounts(m_journal, Identified, Candidates);
}

}  // namespace app
