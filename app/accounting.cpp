#include "app/accounting.h"

#include "app/disk_inventory.h"

namespace app {

namespace {

using discovery::DeviceVerdict;
using discovery::DiscoveryWalk;

AccountState AccountOfDevice(const discovery::DeviceDecision& found) {
    switch (found.Verdict) {
        case DeviceVerdict::Taken:
        case DeviceVerdict::RaidVolume:
        case DeviceVerdict::RaidSetWithoutVolume:
            // Its identifications and RAID set carry their own states.
            return AccountState::Decided;
        case DeviceVerdict::NotMakersVendor:
        case DeviceVerdict::NoNvmeHardwareId:
        case DeviceVerdict::NotRstController:
        case DeviceVerdict::NotRstControllerDisk:
        case DeviceVerdict::NoRaidSetSaid:
            return AccountState::RuledOut;
        case DeviceVerdict::NoInterface:
        case DeviceVerdict::InterfaceOfAnotherDevice:
        case DeviceVerdict::OpenFailed:
            // A disk on the chosen RST controller whose instance ID names no NVMe drive is a SATA
            // disk: no drive of the maker.
            return found.Walk == DiscoveryWalk::RstDisks && !found.NvmeDisk
                       ? AccountState::RuledOut
                       : AccountState::NotAccountedFor;
        case DeviceVerdict::SecondRstControllerDisk:
        case DeviceVerdict::PropertyNotReadable:
        case DeviceVerdict::NoDeviceNumber:
        case DeviceVerdict::ListNotRead:
        case DeviceVerdict::RaidSetsUncounted:
            return AccountState::NotAccountedFor;
    }
    return AccountState::NotAccountedFor;
}

AccountState AccountOfRaidSet(const discovery::DeviceDecision& found, const RaidQuery& query,
                              std::size_t membersRead) {
    if (found.Verdict == DeviceVerdict::NoRaidSetSaid) {
        return AccountState::RuledOut;
    }
    // A set of no drives, or one whose drives could not all be read, may hold one of the maker's.
    if (!query.Listed || query.MembersListed == 0 || query.MembersListed > membersRead) {
        return AccountState::NotAccountedFor;
    }
    return AccountState::Decided;
}

// An identification by what it read. Behind RST, a disk that discovery or the RAID configuration
// names a SATA drive is no drive of the maker, whether or not it answered.
AccountState AccountOfDisk(const model::DiskRecord& address, const DiskIdentification& disk,
                           const model::DiskList& identified) {
    const bool sata = address.AccessPath != model::AccessKind::Inbox && !address.KnownNvme;
    if (!disk.Record) {
        return sata ? AccountState::RuledOut : AccountState::NotAccountedFor;
    }
    switch (disk.Selection) {
        case SelectionReason::ToUpdate:
        case SelectionReason::AlreadyCurrent:
        case SelectionReason::AnotherRevision:
        case SelectionReason::SameDrive:
            return AccountState::Decided;
        case SelectionReason::AddressCollision:
            return AccountState::NotAccountedFor;
        case SelectionReason::NotMakersDrive:
            // Another maker's drive shows its own PCI vendor ID; 0 is no answer.
            return identified.at(*disk.Record).PciVendorId != 0 || sata
                       ? AccountState::RuledOut
                       : AccountState::NotAccountedFor;
    }
    return AccountState::NotAccountedFor;
}

const model::DiskRecord& AddressOf(const JournalEntry& entry, const DiskIdentification& disk,
                                   const model::DiskList& candidates) {
    return disk.Member ? *disk.Member : candidates.at(entry.Found.Candidate.value());
}

}  // namespace

void SettleAccounts(RunJournal& journal, const model::DiskList& identified,
                    const model::DiskList& candidates) {
    for (JournalEntry& entry : journal) {
        entry.Account = AccountOfDevice(entry.Found);
        if (entry.Raid) {
            entry.Raid->Account = AccountOfRaidSet(entry.Found, *entry.Raid, entry.Disks.size());
        }
        for (DiskIdentification& disk : entry.Disks) {
            disk.Account = AccountOfDisk(AddressOf(entry, disk, candidates), disk, identified);
        }
    }
    // Matrix RAID lists a drive in two sets: one that failed through one set and was accounted
    // for through the other is decided. Only what its own facts accounted for counts here.
    for (JournalEntry& entry : journal) {
        for (DiskIdentification& disk : entry.Disks) {
            if (disk.Account != AccountState::NotAccountedFor || disk.Record) {
                continue;
            }
            const model::DiskRecord& address = AddressOf(entry, disk, candidates);
            for (const JournalEntry& other : journal) {
                for (const DiskIdentification& otherDisk : other.Disks) {
                    if (otherDisk.Record && otherDisk.Account != AccountState::NotAccountedFor &&
                        SameAddress(address, AddressOf(other, otherDisk, candidates))) {
                        disk.Account = AccountState::Decided;
                    }
                }
            }
        }
    }
}

bool AllAccountedFor(const RunJournal& journal) {
    for (const JournalEntry& entry : journal) {
        if (entry.Account == AccountState::NotAccountedFor ||
            (entry.Raid && entry.Raid->Account == AccountState::NotAccountedFor)) {
            return false;
        }
        for (const DiskIdentification& disk : entry.Disks) {
            if (disk.Account == AccountState::NotAccountedFor) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace app
