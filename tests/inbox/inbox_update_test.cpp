#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/byte_layout.h"
#include "tests/inbox/fake_miniport.h"

namespace {

using namespace inbox_test;

std::vector<std::uint8_t> Header(std::uint32_t size, std::uint32_t function) {
    std::vector<std::uint8_t> bytes(52, 0);
    platform::PutU32(bytes, 0, 28);
    std::memcpy(bytes.data() + 4, "FIRMWARE", 8);
    platform::PutU32(bytes, 12, 30);
    platform::PutU32(bytes, 16, 0x001B0780);
    platform::PutU32(bytes, 24, size - 28);
    platform::PutU32(bytes, 28, 1);
    platform::PutU32(bytes, 32, 24);
    platform::PutU32(bytes, 36, function);
    platform::PutU32(bytes, 40, 1);
    platform::PutU32(bytes, 44, 52);
    platform::PutU32(bytes, 48, size - 52);
    return bytes;
}

std::vector<std::uint8_t> Head(const std::vector<std::uint8_t>& input, std::size_t n) {
    return {input.begin(), input.begin() + n};
}

// Every request of an eight-unit update in full; other granularities change only the piece
// arithmetic below.
TEST(InboxUpdate, RequestsOfAnEightUnitUpdate) {
    constexpr std::uint32_t kSize = 32844, kPiece = 8 * 4096, kDownloads = 64;
    UpdateRun run;
    EXPECT_EQ(run.Update(8), 1602);
    const auto& requests = run.machine.io.sent;
    ASSERT_EQ(requests.size(), kDownloads + 2);
    for (const auto& r : requests) {
        EXPECT_EQ(r.code, 0x0004D008u);
        ASSERT_EQ(r.bytes.size(), kSize);
    }
    // Get-info: the header and an all-zero data area.
    EXPECT_EQ(Head(requests[0].bytes, 52), Header(kSize, 1));
    EXPECT_TRUE(std::all_of(requests[0].bytes.begin() + 52, requests[0].bytes.end(),
                            [](auto b) { return b == 0; }));
    // Downloads in ascending order, each carrying its slice of the image.
    for (std::uint32_t i = 0; i < kDownloads; ++i) {
        const auto& input = requests[1 + i].bytes;
        EXPECT_EQ(Head(input, 52), Header(kSize, 2));
        std::vector<std::uint8_t> download(24, 0);
        platform::PutU32(download, 0, 1);
        platform::PutU32(download, 4, 24);
        platform::PutU64(download, 8, std::uint64_t{i} * kPiece);
        platform::PutU64(download, 16, kPiece);
        ASSERT_EQ(std::vector<std::uint8_t>(input.begin() + 52, input.begin() + 76), download);
        ASSERT_TRUE(std::equal(input.begin() + 76, input.end(),
                               run.image.WorkingCopy.begin() + std::size_t{i} * kPiece));
    }
    // Activate slot 2, the first writable one.
    const auto& activate = requests.back().bytes;
    EXPECT_EQ(Head(activate, 52), Header(kSize, 3));
    const std::vector<std::uint8_t> body = {1, 0, 0, 0, 12, 0, 0, 0, 2, 0, 0, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(activate.begin() + 52, activate.begin() + 64), body);
    EXPECT_TRUE(std::all_of(activate.begin() + 64, activate.end(), [](auto b) { return b == 0; }));
    // The disk is opened for reading and writing, shared, with no flags.
    const auto& open = run.machine.io.opens.at(0);
    EXPECT_EQ(open.access, 0xC0000000u);
    EXPECT_EQ(open.share, 3u);
    EXPECT_EQ(open.flags, 0u);
    EXPECT_TRUE(run.machine.io.openHandles.empty());
}

// Pieces of the granularity in ascending order; one that does not divide the image ends with a
// short piece.
TEST(InboxUpdate, PiecesOfEveryGranularityCarryTheWholeImage) {
    struct Case {
        std::int32_t granularity;
        std::size_t downloads;
        std::uint64_t lastOffset, lastSize;
    };
    // 512 units of 4 KiB: 170 pieces of 3 units and 2 left over; 2 pieces of 255 and 2 left.
    for (const Case c : {Case{1, 512, 511 * 4096, 4096}, Case{3, 171, 170 * 3 * 4096, 2 * 4096},
                         Case{255, 3, 510 * 4096, 2 * 4096}}) {
        UpdateRun run;
        EXPECT_EQ(run.Update(c.granularity), 1602);
        ASSERT_EQ(run.miniport.pieces.size(), c.downloads);
        EXPECT_EQ(run.miniport.pieces.back(), std::make_pair(c.lastOffset, c.lastSize));
        EXPECT_EQ(run.miniport.received, run.image.WorkingCopy);
        // The last request keeps the buffer's size and lengths; its unused room stays zero.
        const std::size_t size = c.granularity * 4096u + 76;
        const auto& last = run.machine.io.sent[c.downloads].bytes;
        ASSERT_EQ(last.size(), size);
        EXPECT_EQ(platform::GetU32(last, 24), size - 28);
        EXPECT_EQ(platform::GetU32(last, 48), size - 52);
        EXPECT_TRUE(
            std::all_of(last.begin() + 76 + c.lastSize, last.end(), [](auto b) { return b == 0; }));
    }
}

TEST(InboxUpdate, ActivationReturnCodes) {
    for (const auto& [code, status] : std::vector<std::pair<std::uint32_t, int>>{
             {0, 1602}, {0x20, 1602}, {0x21, 1}, {1, 1}, {7, 1}, {0x40, 1}}) {
        UpdateRun run;
        run.miniport.activateReturnCode = code;
        EXPECT_EQ(run.Update(8), status) << code;
    }
}

TEST(InboxUpdate, FailuresStopAtOnceWithStatusFiveAndSayWhere) {
    struct Case {
        const char* name;
        std::size_t failRequest;
        std::uint32_t returnCode;
        std::vector<std::uint32_t> functions;
        const char* stop;
    };
    const std::vector<Case> cases = {
        {"get-info call fails", 0, 0, Sequence(0, false), "get-info, system error 0x45d"},
        {"get-info ReturnCode", 0, 1, Sequence(0, false), "get-info, ReturnCode 0x1"},
        {"third piece call fails", 3, 0, Sequence(3, false), "piece 3 of 64, system error 0x45d"},
        {"third piece ReturnCode", 3, 0x40, Sequence(3, false), "piece 3 of 64, ReturnCode 0x40"},
        {"activate call fails", 65, 0, Sequence(64, true), "activation, system error 0x45d"},
    };
    for (const Case& c : cases) {
        UpdateRun run;
        run.miniport.failRequest = c.failRequest;
        run.miniport.failReturnCode = c.returnCode;
        EXPECT_EQ(run.Update(8), 5) << c.name;
        EXPECT_EQ(run.Functions(), c.functions) << c.name;
        EXPECT_EQ(model::Describe(run.last.Stop), c.stop) << c.name;
        // The events end the update once, where its outcome says.
        EXPECT_EQ(run.machine.events.updatesStarted, 1) << c.name;
        EXPECT_EQ(run.machine.events.updatesEnded, 1) << c.name;
        EXPECT_EQ(run.machine.events.lastEnd, run.last) << c.name;
        EXPECT_TRUE(run.machine.io.openHandles.empty()) << c.name;
    }
}

TEST(InboxUpdate, ZeroBytesSendsGetInfoThenActivate) {
    UpdateRun run;
    EXPECT_EQ(run.Update(1, 0), 1602);
    EXPECT_EQ(run.Functions(), (std::vector<std::uint32_t>{1, 3}));
}

TEST(InboxUpdate, NothingBeyondTheImageIsSent) {
    UpdateRun run;
    EXPECT_EQ(run.Update(1, kImageBytes + 1), 5);
    EXPECT_TRUE(run.machine.io.opens.empty());
    UpdateRun zero;
    EXPECT_EQ(zero.Update(0), 5);
    EXPECT_TRUE(zero.machine.io.opens.empty());
}

}  // namespace
