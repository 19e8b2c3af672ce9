// The simulated drive follows the NVMe firmware rules the tool is judged by.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/carried_image.h"
#include "sim/nvme_drive.h"

namespace {

using sim::NvmeDrive;
using sim::NvmeDriveConfig;

constexpr std::uint64_t kImage = image::kImageSize;

std::span<const std::uint8_t> Image(std::uint64_t offset, std::uint64_t size) {
    return std::span<const std::uint8_t>(image::kCarriedImage + offset, size);
}

NvmeDriveConfig Config(std::uint8_t fwug = 1, std::uint8_t frmw = 0x07) {
    NvmeDriveConfig c;
    c.name = "d";
    c.serial = "SN1";
    c.model = "VELKORA TRVX208K";
    c.revision = "XQ71DMRB";
    c.fwug = fwug;
    c.frmw = frmw;
    return c;
}

void DownloadWhole(NvmeDrive& drive, std::uint64_t piece) {
    for (std::uint64_t offset = 0; offset < kImage; offset += piece) {
        ASSERT_EQ(drive.Download(offset, Image(offset, std::min(piece, kImage - offset))),
                  sim::kNvmeSuccess);
    }
}

struct PieceCase {
    const char* what;
    std::uint8_t fwug;
    std::uint64_t offset;
    std::uint64_t size;
    std::uint16_t status;
};

class DownloadRule : public testing::TestWithParam<PieceCase> {};

TEST_P(DownloadRule, PieceIsJudgedByAlignmentAndGranularity) {
    const PieceCase& p = GetParam();
    NvmeDrive drive(Config(p.fwug));
    std::vector<std::uint8_t> data(p.size, 0xA5);
    EXPECT_EQ(drive.Download(p.offset, data), p.status) << p.what;
    EXPECT_EQ(drive.BytesReceived().size(), p.status == 0 ? p.size : 0u) << p.what;
}

INSTANTIATE_TEST_SUITE_P(
    Sim, DownloadRule,
    testing::Values(
        PieceCase{"whole granule", 8, 0, 32768, 0x000},
        PieceCase{"offset off the granule", 8, 4096, 32768, 0x002},
        PieceCase{"short piece inside the image", 8, 0, 4096, 0x002},
        PieceCase{"short last piece ending at the image end", 3, 170 * 12288, 8192, 0x000},
        PieceCase{"short last piece ending before the image end", 3, 170 * 12288, 4096, 0x002},
        PieceCase{"short last piece off the granule", 8, kImage - 4096, 4096, 0x002},
        PieceCase{"offset not dword aligned", 0, 2, 4, 0x002},
        PieceCase{"length not whole dwords", 0, 0, 6, 0x002},
        PieceCase{"empty piece", 1, 0, 0, 0x002}, PieceCase{"no granularity given", 0, 4, 8, 0x000},
        PieceCase{"no restriction", 0xFF, 12288, 100, 0x000},
        PieceCase{"past the staging memory", 0xFF, 0x400000 - 4, 8, 0x002}));

TEST(NvmeDrive, ShortLastPieceRefusedWhenTheDriveWantsItPadded) {
    NvmeDriveConfig c = Config(3);
    c.acceptShortLastPiece = false;
    NvmeDrive drive(c);
    EXPECT_EQ(drive.Download(170 * 12288, Image(170 * 12288, 8192)), sim::kNvmeInvalidField);
}

TEST(NvmeDrive, OverlappingPiecesAreRefused) {
    NvmeDrive drive(Config(0));
    ASSERT_EQ(drive.Download(0, Image(0, 4096)), 0);
    EXPECT_EQ(drive.Download(2048, Image(2048, 4096)), sim::kNvmeOverlappingRange);
    EXPECT_EQ(drive.Download(4096, Image(4096, 4096)), 0);
}

TEST(NvmeDrive, CommitThenResetRunsTheImageRevision) {
    NvmeDrive drive(Config(8));
    DownloadWhole(drive, 32768);
    EXPECT_EQ(drive.BytesReceived().size(), kImage);
    EXPECT_EQ(std::memcmp(drive.BytesReceived().data(), image::kCarriedImage, kImage), 0);
    ASSERT_EQ(drive.Commit(2, 1), 0);
    const std::string imageRevision(reinterpret_cast<const char*>(image::kCarriedImage + 0x820), 8);
    EXPECT_TRUE(drive.ActivationPending());
    EXPECT_EQ(drive.RunningRevision(), "XQ71DMRB");  // until the reset
    EXPECT_EQ(drive.IdentifyController()[64], 'X');
    drive.Reset();
    EXPECT_FALSE(drive.ActivationPending());
    EXPECT_EQ(drive.ActiveSlot(), 2);
    EXPECT_EQ(drive.RunningRevision(), imageRevision);
    EXPECT_TRUE(drive.CommittedKnownGood());
}

struct CommitCase {
    const char* what;
    std::uint8_t frmw;
    std::uint8_t slot;
    std::uint8_t action;
    int damage;  // -1 whole image, -2 last piece missing, else offset of a flipped byte
    std::optional<std::uint16_t> forced;
    std::uint16_t status;
    bool pending;
};

class CommitStatus : public testing::TestWithParam<CommitCase> {};

TEST_P(CommitStatus, AnswersAsTheNvmeStandardSays) {
    const CommitCase& c = GetParam();
    NvmeDriveConfig config = Config(1, c.frmw);
    config.commitStatus = c.forced;
    NvmeDrive drive(config);
    for (std::uint64_t offset = 0; offset < kImage; offset += 4096) {
        if (c.damage == -2 && offset + 4096 == kImage) {
            break;
        }
        std::vector<std::uint8_t> piece(Image(offset, 4096).begin(), Image(offset, 4096).end());
        if (c.damage >= 0 && static_cast<std::uint64_t>(c.damage) / 4096 == offset / 4096) {
            piece[c.damage % 4096] ^= 0x01;
        }
        ASSERT_EQ(drive.Download(offset, piece), 0);
    }
    EXPECT_EQ(drive.Commit(c.slot, c.action), c.status) << c.what;
    EXPECT_EQ(drive.ActivationPending(), c.pending) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Sim, CommitStatus,
    testing::Values(
        CommitCase{"writable slot", 0x07, 2, 1, -1, std::nullopt, 0x000, true},
        CommitCase{"read-only slot 1", 0x07, 1, 1, -1, std::nullopt, 0x106, false},
        CommitCase{"slot 1 writable", 0x06, 1, 1, -1, std::nullopt, 0x000, true},
        CommitCase{"slot beyond the count", 0x07, 4, 1, -1, std::nullopt, 0x106, false},
        CommitCase{"controller chooses", 0x07, 0, 1, -1, std::nullopt, 0x000, true},
        CommitCase{"last piece missing", 0x07, 2, 1, -2, std::nullopt, 0x107, false},
        CommitCase{"revision byte changed", 0x07, 2, 1, 0x820, std::nullopt, 0x107, false},
        CommitCase{"payload byte changed", 0x07, 2, 1, 0x1FFFFF, std::nullopt, 0x107, false},
        CommitCase{"replace only", 0x07, 2, 0, -1, std::nullopt, 0x000, false},
        CommitCase{"activate empty slot", 0x07, 3, 2, -1, std::nullopt, 0x107, false},
        CommitCase{"bad commit action", 0x07, 2, 5, -1, std::nullopt, 0x002, false},
        CommitCase{"reset required", 0x07, 2, 1, -1, 0x10B, 0x10B, true},
        CommitCase{"activation prohibited", 0x07, 2, 1, -1, 0x113, 0x113, false}));

}  // namespace
