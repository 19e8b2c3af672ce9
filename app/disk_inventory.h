#pragma once

#include <cstddef>
#include <optional>
#include <variant>
#include <vector>

#include "app/accounting.h"
#include "discovery/device_decision.h"
#include "discovery/rst_discovery.h"
#include "image/firmware_image.h"
#include "inbox/inbox_identify.h"
#include "model/disk_record.h"
#include "model/run_events.h"
#include "model/stop_point.h"
#include "model/update_outcome.h"
#include "platform/platform.h"
#include "rst/raid_query.h"
#include "rst/rst_identify.h"

namespace app {

inline constexpr std::uint32_t kImageByteCount = 0x200000;

// Revisions are equal when they have the same UTF-16 code units: no trimming, no case folding.
inline bool SameRevision(std::u16string_view a, std::u16string_view b) {
    return a == b;
}

// The PCI vendor ID of the maker's drives: what the inbox access path requires of a disk's parent
// and the RST access path of Identify Controller VID.
inline constexpr std::uint16_t kMakerPciVendorId = 0x7A3C;

// Whether an identified disk is one of the maker's drives.
bool IsMakersDrive(const model::DiskRecord& disk);

// Whether two records name one place: behind RST the controller's path (ASCII letters in either
// case) and the path identifier, on the inbox driver the disk's device path. An inbox record and
// an RST record never do.
bool SameAddress(const model::DiskRecord& a, const model::DiskRecord& b);

// What an earlier record at the same address makes of record `index` of `identified`.
struct EarlierAtAddress {
    enum class Kind {
        None,       // no earlier record answers there
        SameDrive,  // the same member reached through another RAID set (or the same inbox disk)
        Collision,  // two disks behind RST answer at one path identifier: neither can be told
    };
    Kind Found = Kind::None;
    std::size_t Earlier = 0;  // the first earlier record at the address
};
EarlierAtAddress EarlierRecordAtAddress(const model::DiskList& identified, std::size_t index);

// The status of the operation that identified a disk: inbox, RST disk or member.
using IdentifyStatus = std::variant<inbox::IdentifyStatus, rst::IdentifyStatus>;

// Why an identified record is selected for the update or left alone.
enum class SelectionReason {
    ToUpdate,          // the maker's drive at the older revision
    AlreadyCurrent,    // the maker's drive at the image's revision: reported, nothing sent
    NotMakersDrive,    // another maker's drive behind RST
    SameDrive,         // the drive of an earlier record, reached through another RAID set
    AddressCollision,  // another disk behind RST answers at the same path identifier
    AnotherRevision,   // any other revision: left alone, not reported
};

// The one selection rule, for record `index` of `identified`: why it is updated or left alone,
// and the earlier record at its address, if one answers there.
struct Selection {
    SelectionReason Reason = SelectionReason::AnotherRevision;
    std::size_t Earlier = 0;
};
Selection SelectionOf(const model::DiskList& identified, std::size_t index,
                      const image::FirmwareImage& image);
inline bool IsSelected(SelectionReason reason) {
    return reason == SelectionReason::ToUpdate || reason == SelectionReason::AlreadyCurrent;
}

// One disk an identification asked: a candidate itself, or one member of a RAID volume.
struct DiskIdentification {
    std::optional<model::DiskRecord> Member;  // a member, as the RAID configuration names it
    IdentifyStatus Status = inbox::IdentifyStatus::NotIdentified;
    model::StopPoint Stop;
    std::vector<std::uint8_t> Identify;  // the Identify data read, if any
    // Identified: the record made, as its index in Identified, and what the selection made of it.
    std::optional<std::size_t> Record;
    SelectionReason Selection = SelectionReason::AnotherRevision;
    std::size_t Earlier = 0;  // SameDrive, AddressCollision: the earlier record's index
    // Selected: its index in the selected disks, and how its update ended once it ran.
    std::optional<std::size_t> Selected;
    std::optional<model::UpdateOutcome> Update;
    AccountState Account = AccountState::NotAccountedFor;
};

// The CSMI query that listed a RAID volume's members.
struct RaidQuery {
    std::uint32_t RaidSetIndex = 0;
    rst::QueryStatus Status = rst::QueryStatus::Answered;
    model::StopPoint Stop;
    std::size_t MembersListed = 0;  // bDriveCount
    bool Listed = false;            // the members were named
    AccountState Account = AccountState::NotAccountedFor;
};

// One device list, device or RAID set that the run could see, and everything it did with it: a
// device a discovery walk looked at, a walk's list that could not be read, or a RAID set the RST
// driver has beyond the volumes Windows lists.
struct JournalEntry {
    discovery::DeviceDecision Found;
    std::optional<RaidQuery> Raid;          // RAID volumes and sets
    std::vector<DiskIdentification> Disks;  // the candidate itself, or the set's members
    AccountState Account = AccountState::NotAccountedFor;
};
using RunJournal = std::vector<JournalEntry>;

// The most RAID sets the run asks the RST driver for.
inline constexpr std::uint32_t kMaxRaidSets = 32;

class DiskInventory {
public:
    // Finds, identifies, selects and updates; on return every selected disk has its ResultCode.
    // What happens on the way is reported to `events`.
    void RunUpdates(platform::Platform& platform, model::RunEvents& events,
                    const image::FirmwareImage& image, model::DiskList& selectedDisks);
    // Discovery and identification alone: fills Candidates, Identified and the journal.
    void FindAndIdentify(platform::Platform& platform, model::RunEvents& events);
    // Appends to selectedDisks a copy of each identified disk of the maker at the older or the
    // image revision, each drive once, leaving out a record whose address another disk answers;
    // the journal says why each record was taken or left, and what each entry is accounted as.
    void SelectDisks(const image::FirmwareImage& image, model::DiskList& selectedDisks);
    // Whether every entry of the journal is ruled out or decided: the run may succeed.
    bool AllAccountedFor() const { return app::AllAccountedFor(m_journal); }
    // Whether a drive was told that the last restart did not activate the image it holds.
    bool AnyDriveNeedsShutdown() const;

    // The address a journal disk was asked at: the member, or the candidate discovery made.
    const model::DiskRecord& AddressOf(const JournalEntry& entry,
                                       const DiskIdentification& disk) const;

    const RunJournal& Journal() const { return m_journal; }

    model::DiskList Candidates;
    model::DiskList Identified;

private:
    // After the sets of the volumes Windows lists, asks the RST driver for further RAID sets
    // until it says it has none, and identifies their members.
    void FindRaidSetsWithoutVolume(platform::Platform& platform, model::RunEvents& events,
                                   const discovery::RaidController& controller,
                                   std::uint32_t volumes);
    void AddRaidSet(JournalEntry& entry, rst::QueryOutcome outcome);

    RunJournal m_journal;
};

}  // namespace app
