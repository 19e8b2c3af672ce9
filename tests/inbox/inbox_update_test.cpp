#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "inbox/inbox_update.h"
#include "platform/byte_layout.h"
#include "tests/fakes/fake_platform.h"

namespace {

using model::DiskRecord;
constexpr char16_t kDisk[] = u"\\\\.\\PHYSICALDRIVE3";
constexpr std::uint32_t kImageBytes = 0x200000;

struct Slot {
    std::uint8_t number;
    bool readOnly;
    std::string revision = {};  // the entry's 8 Revision bytes, zero-padded
};

// The miniport's side: answers get-info from `slots`, keeps every download, and fails the
// request with the given number (0-based over all requests) when asked to.
struct Miniport {
    std::uint8_t upgradeSupport = 1;
    std::uint8_t pendingSlot = 0xFF;  // STORAGE_FIRMWARE_INFO_INVALID_SLOT: none
    std::vector<Slot> slots = {{1, true}, {2, false}};
    std::optional<std::uint8_t> slotCountOverride;
    std::optional<std::uint32_t> infoOffset;  // DataBufferOffset the driver leaves behind
    std::uint32_t activateReturnCode = 0;
    std::optional<std::size_t> failRequest;
    std::uint32_t failReturnCode = 0;  // 0: DeviceIoControl fails; else this ReturnCode

    std::vector<std::uint8_t> received;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> pieces;  // offset, BufferSize
    std::size_t count = 0;

    platform::ControlResult Answer(std::span<std::uint8_t> buffer) {
        const std::size_t number = count++;
        if (failRequest == number) {
            if (failReturnCode == 0) {
                return {false, 0, win::kErrorIoDevice};
            }
            platform::PutU32(buffer, 20, failReturnCode);
            return {true, static_cast<std::uint32_t>(buffer.size()), 0};
        }
        const std::uint32_t function = platform::GetU32(buffer, 36);
        if (function == 1) {
            const std::size_t at = infoOffset.value_or(52);
            if (infoOffset) {
                platform::PutU32(buffer, 44, *infoOffset);
            }
            if (platform::FitsIn(buffer.size(), at, 16)) {
                buffer[at + 8] = upgradeSupport;
                buffer[at + 9] =
                    slotCountOverride.value_or(static_cast<std::uint8_t>(slots.size()));
                buffer[at + 11] = pendingSlot;
            }
            for (std::size_t i = 0; i < slots.size(); ++i) {
                if (platform::FitsIn(buffer.size(), at + 16 + 16 * i, 16)) {
                    buffer[at + 16 + 16 * i] = slots[i].number;
                    buffer[at + 17 + 16 * i] = slots[i].readOnly ? 1 : 0;
                    std::copy_n(slots[i].revision.begin(),
                                std::min<std::size_t>(8, slots[i].revision.size()),
                                buffer.begin() + static_cast<std::ptrdiff_t>(at + 24 + 16 * i));
                }
            }
        } else if (function == 2) {
            const std::uint64_t offset = platform::GetU64(buffer, 60);
            const std::uint64_t size = platform::GetU64(buffer, 68);
            pieces.emplace_back(offset, size);
            received.insert(received.end(), buffer.begin() + 76, buffer.begin() + 76 + size);
        } else if (function == 3) {
            platform::PutU32(buffer, 20, activateReturnCode);
        }
        return {true, static_cast<std::uint32_t>(buffer.size()), 0};
    }
};

image::FirmwareImage TestImage() {
    image::FirmwareImage image;
    image.WorkingCopy.resize(kImageBytes);
    for (std::size_t i = 0; i < image.WorkingCopy.size(); ++i) {
        image.WorkingCopy[i] = static_cast<std::uint8_t>(i * 31 + (i >> 12));
    }
    image.ImageRevision = u"XQ72DMRB";
    image.UpgradableRevision = u"XQ71DMRB";
    return image;
}

DiskRecord SelectedDisk(std::int32_t granularity) {
    DiskRecord disk = model::MakeCandidate(kDisk, -1, model::AccessKind::Inbox);
    disk.ModelNumber = u"VELKORA TRVX208K                        ";
    disk.SerialNumber = u"SN0001              ";
    disk.FirmwareRevision = u"XQ71DMRB";
    disk.UpdateGranularity = granularity;
    return disk;
}

struct UpdateRun {
    fakes::FakeMachine machine;
    Miniport miniport;
    image::FirmwareImage image = TestImage();

    UpdateRun() {
        machine.io.respond = [this](const fakes::Sent&, std::span<std::uint8_t> b) {
            return miniport.Answer(b);
        };
    }
    int Update(std::int32_t granularity, std::uint32_t bytes = kImageBytes) {
        last = inbox::UpdateInboxDisk(machine.platform, machine.events, SelectedDisk(granularity),
                                      image, bytes);
        return model::ToInt(last.Result);
    }
    model::UpdateOutcome last;
    std::vector<std::uint32_t> Functions() const {
        std::vector<std::uint32_t> functions;
        for (const auto& r : machine.io.sent) {
            functions.push_back(platform::GetU32(r.bytes, 36));
        }
        return functions;
    }
};

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

// The functions of the requests sent: get-info, `downloads` downloads, maybe activate.
std::vector<std::uint32_t> Sequence(std::size_t downloads, bool activate) {
    std::vector<std::uint32_t> functions(1, 1);
    functions.insert(functions.end(), downloads, 2);
    if (activate) {
        functions.push_back(3);
    }
    return functions;
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
