#pragma once

#include <optional>
#include <span>
#include <variant>
#include <vector>

#include "discovery/device_decision.h"
#include "image/firmware_image.h"
#include "inbox/inbox_identify.h"
#include "model/disk_record.h"
#include "model/stop_point.h"
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
    Kind kind = Kind::None;
    std::size_t earlier = 0;  // the first earlier record at the address
};
EarlierAtAddress EarlierRecordAtAddress(const model::DiskList& identified, std::size_t index);

// The status of the operation that identified a candidate: inbox, plain RST disk, RAID volume.
using IdentifyStatus = std::variant<inbox::IdentifyStatus, rst::IdentifyStatus, rst::QueryStatus>;

// Whether the disk was identified, or the RAID volume's members were asked for.
[[nodiscard]] bool Succeeded(const IdentifyStatus& status);

// How the identification of one candidate ended (a RAID volume: its query and each member).
struct IdentifyAttempt {
    model::DiskRecord candidate;
    IdentifyStatus status = inbox::IdentifyStatus::NotIdentified;
    model::StopPoint stop;
    std::vector<std::uint8_t> identify;              // disks: the Identify data read, if any
    std::uint32_t raidSetIndex = 0;                  // RAID volumes: the set asked for
    std::vector<rst::MemberIdentification> members;  // RAID volumes: in drive-entry order
    std::size_t listedMembers = 0;                   // RAID volumes: bDriveCount
    bool listed = false;                             // RAID volumes: the members were named
};

// How the update of one selected disk ended.
struct UpdateAttempt {
    model::DiskRecord disk;
    model::DiskResult result = model::DiskResult::NotCarriedOut;
    model::StopPoint stop;
};

// The rules by which one of the maker's drives behind RST may have been left out, each for one
// thing the run looked at: MakersDriveLeftBehind and the inspector both apply them.
// A chosen controller that did not open, an NVMe disk that did not open or hangs on a second
// RST controller.
bool RstDeviceLeftBehind(const discovery::DeviceDecision& decision);
// A RAID volume whose members were not all listed: whether they are NVMe cannot be told.
bool RstMembersNotListed(const IdentifyAttempt& raidVolume);
// An NVMe disk or member that was not identified or answered no Identify data.
bool RstDiskLeftBehind(const model::DiskRecord& candidate, bool identified,
                       std::span<const std::uint8_t> identify);

class DiskInventory {
public:
    // Finds, identifies, selects and updates; on return every selected disk has its ResultCode.
    // What happens on the way is reported to `events`.
    void RunUpdates(platform::Platform& platform, model::RunEvents& events,
                    const image::FirmwareImage& image, model::DiskList& selectedDisks);
    // Discovery and identification alone: fills Candidates, Identified and their logs.
    void FindAndIdentify(platform::Platform& platform, model::RunEvents& events);
    // Appends to selectedDisks a copy of each identified disk of the maker at the older or the
    // image revision, each drive once, leaving out a record whose address another disk answers.
    void SelectDisks(const image::FirmwareImage& image, model::DiskList& selectedDisks) const;
    // Whether one of the maker's drives may have been left out: a disk the inbox walk knew to be
    // the maker's that was not identified (or a disk list the walk could not get); behind RST, a
    // controller that did not open, a RAID set whose members could not all be listed, an NVMe
    // disk that could not be opened, was not identified or hangs on a second RST controller, or
    // two disks at one address.
    bool MakersDriveLeftBehind() const;

    model::DiskList Candidates;
    model::DiskList Identified;

    // Why each device looked at was taken or left, and where each identification and update
    // stopped. The console does not show them.
    discovery::DiscoveryLog Decisions;
    std::vector<IdentifyAttempt> Identifications;
    std::vector<UpdateAttempt> Updates;
    bool InboxDisksListed = true;  // the inbox walk got its disk list
};

}  // namespace app
