#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "platform/byte_layout.h"

namespace {

// The image pieces are copied into request buffers with PutBytes; a block copy must put every
// byte where the byte loop did, touch nothing around it, and still refuse to leave the buffer.
TEST(ByteLayout, PutBytesCopiesExactlyTheBytesAtTheOffset) {
    struct Case {
        std::size_t bufferSize;
        std::size_t offset;
        std::size_t count;
    };
    const Case cases[] = {
        {128, 0, 128},  // the whole buffer
        {128, 88, 40},  // up to the last byte
        {128, 52, 0},   // nothing: a zero-length piece
        {128, 128, 0},  // nothing, at the very end
        {4096 + 76, 76, 4096},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bufferSize << "/" << c.offset << "/" << c.count);
        std::vector<std::uint8_t> source(c.count);
        std::iota(source.begin(), source.end(), std::uint8_t{1});
        std::vector<std::uint8_t> buffer(c.bufferSize, 0xEE);
        platform::PutBytes(buffer, c.offset, source);
        for (std::size_t i = 0; i < buffer.size(); ++i) {
            const bool inside = i >= c.offset && i < c.offset + c.count;
            ASSERT_EQ(buffer[i], inside ? source[i - c.offset] : 0xEE) << "byte " << i;
        }
    }
}

TEST(ByteLayout, PutBytesWithinOneBufferMovesLikeMemmove) {
    std::vector<std::uint8_t> buffer(16);
    std::iota(buffer.begin(), buffer.end(), std::uint8_t{0});
    const std::span<const std::uint8_t> front(buffer.data(), 8);
    platform::PutBytes(buffer, 4, front);
    const std::vector<std::uint8_t> expected = {0, 1, 2, 3, 0, 1, 2, 3, 4, 5, 6, 7, 12, 13, 14, 15};
    EXPECT_EQ(buffer, expected);
}

TEST(ByteLayoutDeathTest, NothingIsWrittenBeyondTheBuffer) {
    EXPECT_FALSE(platform::FitsIn(16, 13, 4));
    EXPECT_TRUE(platform::FitsIn(16, 12, 4));
    EXPECT_FALSE(platform::FitsIn(16, 17, 0));
    std::vector<std::uint8_t> buffer(64);
    const std::vector<std::uint8_t> piece(16, 0xAB);
    EXPECT_DEATH(platform::PutBytes(buffer, 49, piece), "");
    EXPECT_DEATH(platform::PutBytes(buffer, 65, std::span<const std::uint8_t>()), "");
    EXPECT_DEATH(platform::PutU32(buffer, 61, 1), "");
}

}  // namespace
