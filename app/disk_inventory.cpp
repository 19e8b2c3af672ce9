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

namespace {

template <typename Status>
std::int32_t Number(Status status) {
    return static_cast<std::int32_t>(status);
}

}  // namespace

void DiskInventory::FindAndIdentify(platform::Platform& platform) {
    discovery::RaidController controller;
    if (discovery::FindRstController(platform, controller, &Discovery)) {
        discovery::EnumerateRstDisks(platform, controller, Candidates, &Discovery);
    }
    discovery::EnumerateInboxNvmeDisks(platform, Candidates, &Discovery);
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
            case discovery::kAccessRstDisk: {
                const rst::IdentifyOutcome outcome =
                    rst::IdentifyRstDisk(platform, candidate, Identified);
                attempt.status = Number(outcome.status);
                attempt.stop = outcome.stop;
                break;
            }
            case discovery::kAccessRstRaid: {
                attempt.raidSetIndex = raidSetIndex;
                rst::QueryOutcome outcome =
                    rst::QueryRaidMembers(platform, candidate, raidSetIndex++, Identified);
                attempt.status = Number(outcome.status);
                attempt.stop = outcome.stop;
                attempt.members = std::move(outcome.members);
                break;
            }
            case discovery::kAccessInbox: {
                const inbox::IdentifyOutcome outcome =
                    inbox::IdentifyInboxDisk(platform, candidate, Identified);
                attempt.status = Number(outcome.status);
                attempt.stop = outcome.stop;
                break;
            }
            default:
                continue;
        }
        Identifications.push_back(std::move(attempt));
    }
}

void DiskInventory::RunUpdates(platform::Platform& platform, const image::FirmwareImage& image,
                               discovery::DiskList& selectedDisks) {
    FindAndIdentify(platform);
    if (Candidates.empty()) {
        return;
    }
    SelectDisks(image, selectedDisks);

    for (DiskRecord& disk : selectedDisks) {
        UpdateAttempt attempt;
        if (SameRevision(disk.FirmwareRevision, image.ImageRevision)) {
            attempt.result = kResultOfCurrentDisk;
        } else if (disk.AccessPath == discovery::kAccessInbox) {
            const inbox::UpdateOutcome outcome =
                inbox::UpdateInboxDisk(platform, disk, image, kImageByteCount);
            attempt.result = ResultOfInboxUpdate(outcome.status);
            attempt.stop = outcome.stop;
        } else {
            const rst::UpdateOutcome outcome =
                rst::UpdateRstDisk(platform, disk, image, kImageByteCount);
            attempt.result = outcome.result;
            attempt.stop = outcome.stop;
        }
        disk.ResultCode = attempt.result;
        attempt.disk = disk;
        Updates.push_back(std::move(attempt));
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
