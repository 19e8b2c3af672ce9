#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/firmware_image.h"

namespace {

std::uint32_t WordAt(const std::uint8_t* bytes, std::size_t offset) {
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

TEST(CarriedImage, GeneratedTestImageHasTheFirmwareLayout) {
    const std::uint8_t* bytes = image::kCarriedImage;
    const std::uint32_t stamp[8] = {2021, 11, 26, 0, 21, 54, 29, 0};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(WordAt(bytes, 0x7DC + 4 * i), stamp[i]);
    }
    EXPECT_EQ(std::memcmp(bytes + 0x800, "FW_IMAGE_META_SIGNATURE_________", 32), 0);
    EXPECT_EQ(std::memcmp(bytes + 0x820, "XQ74DMRB", 8), 0);
    // The payload is not a constant fill: a piece of every 4 KiB differs from the next.
    int distinctPieces = 0;
    for (std::size_t offset = 0x1000; offset + 0x2000 <= image::kImageSize; offset += 0x1000) {
        distinctPieces += std::memcmp(bytes + offset, bytes + offset + 0x1000, 0x1000) != 0;
    }
    EXPECT_EQ(distinctPieces, 510);
}

TEST(PrepareFirmwareImage, RevisionBytesAreTakenAsTheyAreAndAlwaysGiveEightCharacters) {
    std::vector<std::uint8_t> carried(image::kImageSize, 0x5A);
    const std::uint8_t revision[8] = {'X', 0x00, ' ', 0xC1, 0x7F, 'b', 0xFF, '1'};
    std::memcpy(&carried[0x820], revision, 8);
    image::FirmwareImage prepared;
    image::PrepareFirmwareImage(prepared, carried);
    EXPECT_EQ(prepared.ImageRevision, std::u16string(u"X\0 \u00C1\u007Fb\u00FF1", 8));
    EXPECT_EQ(prepared.BannerTitle.size(), 39u);
    EXPECT_EQ(prepared.WorkingCopy, carried);
}

}  // namespace
