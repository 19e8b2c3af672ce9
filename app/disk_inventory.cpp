#include "app/disk_inventory.h"

#include "discovery/inbox_enumeration.h"
#include "discovery/rst_discovery.h"
#include "inbox/inbox_identify.h"
#include "inbox/inbox_update.h"
#include "rst/raid_query.h"
#include "rst/rst_identify.h"
#include "rst/rst_update.h"

namespace app {

using discovery::DiskRecord;

void DiskInventory::RunUpdates(platform::Platform& platform, const image::FirmwareImage& image,
                               discovery::DiskList& selectedDisks) {
    discovery::RaidController controller;
    if (discovery::FindRstController(platform, controller)) {
        discovery::EnumerateRstDisks(platform, controller, Candidates);
    }
    discovery::EnumerateInboxNvmeDisks(platform, Candidates);
    if (Candidates.empty()) {
        return;
    }

    // Windows lists one disk device per RST RAID volume; the k-th volume asks for RAID set k, so
    // that every set's members are identified once.
    std::uint32_t raidSetIndex = 0;
    for (const DiskRecord& candidate : Candidates) {
        switch (candidate.AccessPath) {
            case discovery::kAccessRstDisk:
                rst::IdentifyRstDisk(platform, candidate, Identified);
                break;
            case discovery::kAccessRstRaid:
                rst::QueryRaidMembers(platform, candidate, raidSetIndex++, Identified);
                break;
            case discovery::kAccessInbox:
                inbox::IdentifyInboxDisk(platform, candidate, Identified);
                break;
            default:
                break;
        }
    }

    SelectDisks(image, selectedDisks);

    for (DiskRecord& disk : selectedDisks) {
        if (SameRevision(disk.FirmwareRevision, image.ImageRevision)) {
            disk.ResultCode = kResultAlreadyCurrent;
        } else if (disk.AccessPath == discovery::kAccessInbox) {
            const int status = inbox::UpdateInboxDisk(platform, disk, image, kImageByteCount);
            disk.ResultCode = (status == kResultUpdated) ? kResultRebootRequired : status;
        } else {
            disk.ResultCode = rst::UpdateRstDisk(platform, disk, image, kImageByteCount);
        }
    }
}

void DiskInventory::SelectDisks(const image::FirmwareImage& image,
                                discovery::DiskList& selectedDisks) const {
    for (const DiskRecord& disk : Identified) {
        if (SameRevision(disk.FirmwareRevision, image.UpgradableRevision) ||
            SameRevision(disk.FirmwareRevision, image.ImageRevision)) {
            selectedDisks.push_back(disk);
        }
    }
}

}  // namespace app
