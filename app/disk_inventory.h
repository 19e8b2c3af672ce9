#pragma once

#include <vector>

#include "discovery/device_decision.h"
#include "discovery/disk_record.h"
#include "discovery/stop_point.h"
#include "image/firmware_image.h"
#include "platform/platform.h"
#include "rst/raid_query.h"

namespace app {

inline constexpr std::uint32_t kImageByteCount = 0x200000;

// Revisions are equal when they have the same UTF-16 code units: no trimming, no case folding.
inline bool SameRevision(std::u16string_view a, std::u16string_view b) {
    return a == b;
}

// How the identification of one candidate ended (a RAID volume: its query and each member).
struct IdentifyAttempt {
    discovery::DiskRecord candidate;
    std::int32_t status = 0;  // the status of the road's identify operation, as a number
    discovery::StopPoint stop;
    std::uint32_t raidSetIndex = 0;                  // RAID volumes: the set asked for
    std::vector<rst::MemberIdentification> members;  // RAID volumes: in drive-entry order
};

// How the update of one selected disk ended.
struct UpdateAttempt {
    discovery::DiskRecord disk;
    discovery::ResultCode result = discovery::ResultCode::NotCarriedOut;
    discovery::StopPoint stop;
};

class DiskInventory {
public:
    // Finds, identifies, selects and updates; on return every selected disk has its ResultCode.
    void RunUpdates(platform::Platform& platform, const image::FirmwareImage& image,
                    discovery::DiskList& selectedDisks);
    // Discovery and identification alone: fills Candidates, Identified and their logs.
    void FindAndIdentify(platform::Platform& platform);
    // Appends to selectedDisks a copy of each identified disk at the older or the image revision.
    void SelectDisks(const image::FirmwareImage& image, discovery::DiskList& selectedDisks) const;

    discovery::DiskList Candidates;
    discovery::DiskList Identified;

    // Why each device looked at was taken or left, and where each identification and update
    // stopped. The console does not show them.
    discovery::DiscoveryLog Discovery;
    std::vector<IdentifyAttempt> Identifications;
    std::vector<UpdateAttempt> Updates;
};

}  // namespace app
