#include <gtest/gtest.h>

#include "app/disk_inventory.h"
#include "bench/null_platform.h"
#include "image/firmware_image.h"
#include "inbox/inbox_update.h"
#include "rst/rst_update.h"

namespace {

image::FirmwareImage PreparedImage() {
    image::FirmwareImage image;
    image::PrepareFirmwareImage(
        image, std::span<const std::uint8_t>(image::kCarriedImage, image::kImageSize));
    return image;
}

model::DiskRecord Disk(model::AccessKind access, std::int32_t granularity) {
    model::DiskRecord disk = model::MakeCandidate(u"\\\\.\\PHYSICALDRIVE0", 3, access);
    disk.FirmwareRevision = u"XQ71DMRB";
    disk.UpdateGranularity = granularity;
    return disk;
}

// The bench's download figures are only worth something if the null driver lets each access path
// run its whole download: every piece sent, then the activation, and the handle closed again.
TEST(NullDrive, EveryAccessPathSendsEveryPieceAndActivates) {
    const image::FirmwareImage image = PreparedImage();
    for (const std::int32_t granularity : {1, 3, 8, 64, 255}) {
        SCOPED_TRACE(granularity);
        const std::uint64_t piece = static_cast<std::uint64_t>(granularity) * 4096;
        const std::uint64_t pieces = (app::kImageByteCount + piece - 1) / piece;

        bench::NullPlatform inbox;
        EXPECT_EQ(inbox::UpdateInboxDisk(inbox.platform, inbox.events,
                                         Disk(model::AccessKind::Inbox, granularity), image,
                                         app::kImageByteCount)
                      .Result,
                  model::DiskResult::RebootRequired);
        EXPECT_EQ(inbox.endpoint->Calls(), 1 + pieces + 1);  // get-info, pieces, activate
        EXPECT_EQ(inbox.io.OpenHandles(), 0u);

        bench::NullPlatform rstPath;
        EXPECT_EQ(rst::UpdateRstDisk(rstPath.platform, rstPath.events,
                                     Disk(model::AccessKind::RstDisk, granularity), image,
                                     app::kImageByteCount)
                      .Result,
                  model::DiskResult::Updated);
        EXPECT_EQ(rstPath.endpoint->Calls(), 1 + pieces + 1);  // slot log, pieces, activate
        EXPECT_EQ(rstPath.io.OpenHandles(), 0u);
    }
}

TEST(NullDrive, GetInfoAnswerStaysInsideTheBuffer) {
    sim::NullDriveEndpoint endpoint;
    // A get-info request whose DataBufferOffset points past a small buffer is left unanswered.
    std::vector<std::uint8_t> request(64, 0);
    const std::string signature = "FIRMWARE";
    std::copy(signature.begin(), signature.end(), request.begin() + 4);
    request[36] = 1;     // Function: get-info
    request[44] = 0x3C;  // DataBufferOffset 60: no room for the slot entry
    const std::vector<std::uint8_t> before = request;
    const platform::ControlResult result = endpoint.Control(win::kIoctlScsiMiniport, request, 64);
    EXPECT_TRUE(result.Ok);
    EXPECT_EQ(result.BytesReturned, 64u);
    EXPECT_EQ(result.Error, 0u);
    EXPECT_EQ(request, before);
}

}  // namespace
