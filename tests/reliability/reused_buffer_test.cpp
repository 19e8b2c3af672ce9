// One request buffer serves every piece of an update, so a download request is built over
// whatever the buffer held: garbage the driver may leave, or the previous piece. Its bytes must
// be those of the same request built in a cleared buffer (where writing the fields is all that
// clearing and filling amounts to); the update tests pin those bytes.
#include <gtest/gtest.h>

#include <vector>

#include "inbox/miniport_request.h"
#include "rst/rst_requests.h"

namespace {

constexpr std::size_t kPiece = 8 * 4096;
constexpr std::size_t kShort = 100;

using Bytes = std::vector<std::uint8_t>;
// Builds the request for the piece at `offset` of `length` bytes over `buffer` as the access path
// leaves it, and gives the bytes the driver would receive.
using Build = Bytes (*)(Bytes buffer, std::span<const std::uint8_t> image, std::size_t offset,
                        std::size_t length);

struct AccessPathCase {
    const char* name;
    std::size_t bufferSize;  // the buffer of an update in pieces of kPiece
    Build build;
};

// The inbox access path keeps the buffer's size for a short last piece.
Bytes BuildInbox(Bytes buffer, std::span<const std::uint8_t> image, std::size_t offset,
                 std::size_t length) {
    inbox::BuildDownloadRequest(buffer, offset, image.subspan(offset, length));
    return buffer;
}

// The RST access path sends the first piece + 88 bytes of its buffer.
Bytes BuildRst(Bytes buffer, std::span<const std::uint8_t> image, std::size_t offset,
               std::size_t length) {
    buffer.resize(88 + length);
    rst::FillDownloadRequest(buffer, 3, offset, image.subspan(offset, length));
    return buffer;
}

TEST(ReusedBuffer, DownloadRequestBytesDoNotDependOnWhatTheBufferHeld) {
    Bytes image(3 * kPiece);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<std::uint8_t>(i * 29 + 1);
    }
    const AccessPathCase accessPaths[] = {
        {"inbox", inbox::MiniportBufferSize(kPiece), BuildInbox},
        {"rst", 88 + kPiece, BuildRst},
    };
    for (const AccessPathCase& accessPath : accessPaths) {
        const Bytes cleared(accessPath.bufferSize, 0);
        const Bytes garbage(accessPath.bufferSize, 0xCC);
        const Bytes previous = accessPath.build(garbage, image, 0, kPiece);
        for (const auto& [offset, length] : {std::pair{kPiece, kPiece}, {2 * kPiece, kShort}}) {
            const Bytes reference = accessPath.build(cleared, image, offset, length);
            EXPECT_EQ(accessPath.build(garbage, image, offset, length), reference)
                << accessPath.name << ", " << length << " bytes over garbage";
            EXPECT_EQ(accessPath.build(previous, image, offset, length), reference)
                << accessPath.name << ", " << length << " bytes over the previous piece";
        }
    }
}

}  // namespace
