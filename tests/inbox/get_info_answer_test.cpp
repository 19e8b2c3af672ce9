// How the update reads the driver's firmware get-info answer: the slot it chooses, an image
// already pending, and answers it cannot trust.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "tests/inbox/fake_miniport.h"

namespace {

using namespace inbox_test;

TEST(InboxUpdate, SlotChoiceFromTheGetInfoAnswer) {
    struct Case {
        const char* name;
        std::uint8_t upgradeSupport;
        std::vector<Slot> slots;
        int status;
        std::uint8_t activated;
    };
    const std::vector<Case> cases = {
        {"first writable entry's own number", 1, {{1, true}, {2, false}, {3, false}}, 1602, 2},
        {"slot number not position", 1, {{7, false}, {2, false}}, 1602, 7},
        {"every slot read-only", 1, {{1, true}, {2, true}}, 1, 0},
        {"no upgrade support", 0, {{1, false}}, 1, 0},
        {"no slots", 1, {}, 1, 0},
    };
    for (const Case& c : cases) {
        UpdateRun run;
        run.miniport.upgradeSupport = c.upgradeSupport;
        run.miniport.slots = c.slots;
        EXPECT_EQ(run.Update(1), c.status) << c.name;
        if (c.status == 1602) {
            EXPECT_EQ(run.machine.io.sent.back().bytes[60], c.activated) << c.name;
        } else {
            EXPECT_EQ(run.Functions(), std::vector<std::uint32_t>{1}) << c.name;
        }
        EXPECT_TRUE(run.machine.io.openHandles.empty());
    }
}

// A rerun before the reboot: the entry whose SlotNumber is PendingActivateSlot holds the image's
// revision, so nothing more is sent; any other answer updates as before.
TEST(InboxUpdate, ImageAlreadyPendingActivationIsNotSentAgain) {
    struct Case {
        const char* name;
        std::uint8_t upgradeSupport;
        std::uint8_t pending;
        std::vector<Slot> slots;
        bool awaits;  // the image waits for the next reset: nothing more is sent
    };
    const std::vector<Case> cases = {
        {"image pending in the slot the update would choose",
         1,
         2,
         {{1, true, "XQ71DMRB"}, {2, false, "XQ72DMRB"}},
         true},
        {"image pending in another slot",
         1,
         3,
         {{1, true, "XQ71DMRB"}, {2, false}, {3, false, "XQ72DMRB"}},
         true},
        {"pending entry found by number, not position",
         1,
         7,
         {{2, false}, {7, false, "XQ72DMRB"}},
         true},
        {"image pending, every slot read-only",
         1,
         2,
         {{1, true, "XQ71DMRB"}, {2, true, "XQ72DMRB"}},
         true},
        {"image pending, no upgrade support", 0, 2, {{2, false, "XQ72DMRB"}}, true},
        {"another revision pending", 1, 2, {{1, true}, {2, false, "XQ73DMRB"}}, false},
        {"the older revision pending", 1, 2, {{1, true}, {2, false, "XQ71DMRB"}}, false},
        {"image in a slot, nothing pending", 1, 0xFF, {{1, true}, {2, false, "XQ72DMRB"}}, false},
        {"pending slot 0 means none", 1, 0, {{1, true, "XQ72DMRB"}, {2, false}}, false},
        {"pending slot not listed", 1, 3, {{1, true}, {2, false, "XQ72DMRB"}}, false},
        {"revision in lower case", 1, 2, {{1, true}, {2, false, "xq72dmrb"}}, false},
    };
    const std::string pass =
        "  [PASS] Firmware is already downloaded; activation requires reboot.\n";
    for (const Case& c : cases) {
        UpdateRun run;
        run.miniport.upgradeSupport = c.upgradeSupport;
        run.miniport.pendingSlot = c.pending;
        run.miniport.slots = c.slots;
        // Either way the disk is downloaded and waits for a reboot.
        EXPECT_EQ(run.Update(8), 1602) << c.name;
        const std::string& transcript = run.machine.console.Transcript();
        if (c.awaits) {
            EXPECT_EQ(run.Functions(), std::vector<std::uint32_t>{1}) << c.name;
            EXPECT_TRUE(transcript.ends_with("---\n" + pass)) << c.name;
        } else {
            EXPECT_EQ(run.Functions(), Sequence(64, true)) << c.name;
            EXPECT_EQ(transcript.find(pass), std::string::npos) << c.name;
        }
        EXPECT_TRUE(run.machine.io.openHandles.empty()) << c.name;
    }
}

// A malformed answer names no slot to trust: nothing is downloaded.
TEST(InboxUpdate, MalformedAnswerFailsWithoutDownload) {
    struct Case {
        const char* name;
        std::optional<std::uint32_t> infoOffset;
        std::optional<std::uint8_t> slotCount;
        std::vector<Slot> slots = {{1, true}};  // first entry read-only: the scan must go on
    };
    const std::vector<Case> cases = {
        {"offset beyond the buffer", 0xFFFFFFF0u, std::nullopt},
        {"header straddles the end", 4172 - 8, std::nullopt},
        {"slot entries run past the end", 4172 - 40, 255},
        {"offset inside the request block", 44, std::nullopt, {{1, true}, {2, false}}},
        {"more than seven slots",
         std::nullopt,
         std::nullopt,
         {{1, true},
          {2, false},
          {3, false},
          {4, false},
          {5, false},
          {6, false},
          {7, false},
          {7, false}}},
        {"slot number 0", std::nullopt, std::nullopt, {{0, false}, {2, false}}},
        {"slot number 8", std::nullopt, std::nullopt, {{1, true}, {8, false}}},
    };
    for (const Case& c : cases) {
        UpdateRun run;
        run.miniport.infoOffset = c.infoOffset;
        run.miniport.slotCountOverride = c.slotCount;
        run.miniport.slots = c.slots;
        EXPECT_EQ(run.Update(1), 5) << c.name;
        EXPECT_EQ(run.Functions(), std::vector<std::uint32_t>{1}) << c.name;
    }
}

TEST(InboxUpdate, AnswerIsReadAtTheOffsetTheDriverLeaves) {
    UpdateRun run;
    run.miniport.infoOffset = 1000;
    run.miniport.slots = {{1, true}, {4, false}};
    EXPECT_EQ(run.Update(1), 1602);
    EXPECT_EQ(run.machine.io.sent.back().bytes[60], 4);
}

}  // namespace
