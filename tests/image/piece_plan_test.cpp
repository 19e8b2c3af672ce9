#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/piece_plan.h"

namespace {

constexpr std::size_t kImageBytes = 0x200000;

image::FirmwareImage ImageOfTheCarriedSize() {
    image::FirmwareImage image;
    image.WorkingCopy.resize(kImageBytes);
    return image;
}

// For each granularity and byte count: how many pieces and how long the last one is. Every piece
// but the last is a whole piece; together they are the first byteCount bytes, each once, in order.
TEST(PiecePlan, PiecesOfEveryGranularityCoverTheBytesOnceInOrder) {
    struct Case {
        std::int32_t granularity;
        std::size_t byteCount;
        std::size_t pieces;
        std::size_t lastLength;
    };
    const Case cases[] = {
        {1, 0, 0, 0},     {1, 4095, 1, 4095},         {1, kImageBytes, 512, 4096},
        {3, 0, 0, 0},     {3, 4095, 1, 4095},         {3, kImageBytes, 171, 8192},
        {8, 0, 0, 0},     {8, 4095, 1, 4095},         {8, kImageBytes, 64, 32768},
        {255, 0, 0, 0},   {255, 4095, 1, 4095},       {255, kImageBytes, 3, 8192},
        {3, 12289, 2, 1}, {255, 1044480, 1, 1044480},
    };
    const image::FirmwareImage image = ImageOfTheCarriedSize();
    for (const Case& c : cases) {
        const std::size_t pieceSize = image::PieceSizeOf(c.granularity);
        const image::PiecePlan plan(image, c.byteCount, pieceSize);
        const std::vector<image::Piece> pieces(plan.begin(), plan.end());
        const std::string name =
            std::to_string(c.granularity) + " units, " + std::to_string(c.byteCount) + " bytes";
        ASSERT_EQ(pieces.size(), c.pieces) << name;
        std::size_t next = 0;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const image::Piece& piece = pieces[i];
            EXPECT_EQ(piece.Offset, next) << name << ", piece " << i;
            EXPECT_EQ(piece.Bytes.size(), i + 1 == pieces.size() ? c.lastLength : pieceSize)
                << name << ", piece " << i;
            // The piece is the working copy's own bytes at its offset, not a copy.
            EXPECT_EQ(piece.Bytes.data(), image.WorkingCopy.data() + piece.Offset) << name;
            next = piece.Offset + piece.Bytes.size();
        }
        EXPECT_EQ(next, c.byteCount) << name;
    }
}

TEST(PiecePlan, GranularityRangeAndPieceSize) {
    EXPECT_FALSE(image::IsPossibleGranularity(0));
    EXPECT_FALSE(image::IsPossibleGranularity(-1));
    EXPECT_FALSE(image::IsPossibleGranularity(256));
    EXPECT_TRUE(image::IsPossibleGranularity(1));
    EXPECT_TRUE(image::IsPossibleGranularity(255));
    EXPECT_EQ(image::PieceSizeOf(1), 4096u);
    EXPECT_EQ(image::PieceSizeOf(255), 255u * 4096);
}

TEST(PiecePlanDeathTest, NoPlanReachesPastTheWorkingCopyOrMakesNoProgress) {
    const image::FirmwareImage image = ImageOfTheCarriedSize();
    EXPECT_DEATH(image::PiecePlan(image, kImageBytes + 1, 4096), "");
    EXPECT_DEATH(image::PiecePlan(image, kImageBytes, 0), "");
    EXPECT_DEATH(image::PieceSizeOf(0), "");
    EXPECT_DEATH(image::PieceSizeOf(256), "");
}

}  // namespace
