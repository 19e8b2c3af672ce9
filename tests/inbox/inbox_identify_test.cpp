#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "discovery/identify_controller_data.h"
#include "inbox/inbox_identify.h"
#include "platform/byte_layout.h"
#include "tests/fakes/fake_platform.h"

namespace {

using model::DiskRecord;
using Identify = std::array<std::uint8_t, 4096>;

constexpr char16_t kDisk[] = u"\\\\.\\PHYSICALDRIVE1";

Identify BlankIdentify() {
    Identify data{};
    std::memset(data.data() + 4, ' ', 68);  // SN, MN and FR padded with blanks
    return data;
}

void PutText(Identify& data, std::size_t offset, std::string_view text) {
    std::memcpy(data.data() + offset, text.data(), text.size());
}

void SetVersion(Identify& data, std::uint16_t major, std::uint8_t minor, std::uint8_t fwug) {
    platform::PutU16(data, 82, major);
    platform::PutU8(data, 81, minor);
    platform::PutU8(data, 319, fwug);
}

// A disk that answers the property query with the given Identify data at offset 48.
fakes::Responder DiskAnswering(const Identify& data) {
    return [data](const fakes::Sent&, std::span<std::uint8_t> buffer) {
        std::fill(buffer.begin(), buffer.end(), 0);
        platform::PutU32(buffer, 0, 40);  // descriptor Version and Size, not consulted
        platform::PutU32(buffer, 4, 40);
        platform::PutU32(buffer, 28, 4096);  // ProtocolDataLength: the data returned
        std::memcpy(buffer.data() + 48, data.data(), data.size());
        return platform::ControlResult{true, static_cast<std::uint32_t>(buffer.size()), 0};
    };
}

// Identifies the disk and keeps the record it made, as the run does.
template <typename Machine>
inbox::IdentifyOutcome IdentifyInto(Machine& machine, const DiskRecord& candidate,
                                    model::DiskList& identified) {
    inbox::IdentifyOutcome outcome =
        inbox::IdentifyInboxDisk(machine.platform, machine.events, candidate);
    if (outcome.Record) {
        identified.push_back(*outcome.Record);
    }
    return outcome;
}

DiskRecord Candidate() {
    return model::MakeCandidate(kDisk, -1, model::AccessKind::Inbox);
}

TEST(InboxIdentify, QueryBufferIsThePublishedProtocolSpecificQuery) {
    fakes::FakeMachine machine;
    machine.io.respond = DiskAnswering(BlankIdentify());
    model::DiskList identified;
    EXPECT_EQ(IdentifyInto(machine, Candidate(), identified).Status,
              inbox::IdentifyStatus::Identified);

    ASSERT_EQ(machine.io.opens.size(), 1u);
    EXPECT_EQ(machine.io.opens[0].access, 0xC0000000u);
    EXPECT_EQ(machine.io.opens[0].share, 3u);
    EXPECT_EQ(machine.io.opens[0].flags, 0u);
    ASSERT_EQ(machine.io.sent.size(), 1u);
    const fakes::Sent& sent = machine.io.sent[0];
    EXPECT_EQ(sent.code, 0x002D1400u);
    ASSERT_EQ(sent.bytes.size(), 4144u);
    // clang-format off
    const std::vector<std::uint8_t> head = {
        49, 0, 0, 0,  0, 0, 0, 0,  3, 0, 0, 0,  1, 0, 0, 0,  1, 0, 0, 0,  0, 0, 0, 0,
        40, 0, 0, 0,  0, 0x10, 0, 0};
    // clang-format on
    EXPECT_EQ(std::vector<std::uint8_t>(sent.bytes.begin(), sent.bytes.begin() + 32), head);
    EXPECT_TRUE(
        std::all_of(sent.bytes.begin() + 32, sent.bytes.end(), [](auto b) { return b == 0; }));
    EXPECT_TRUE(machine.io.openHandles.empty());
}

TEST(InboxIdentify, FillsIdentityKeepingBlanksAndAppendsOneRecord) {
    Identify data = BlankIdentify();
    PutText(data, 4, "SN1234");
    PutText(data, 24, "VELKORA TRVX208K 1TB");
    PutText(data, 64, "XQ71DMRB");
    SetVersion(data, 1, 4, 8);

    fakes::FakeMachine machine;
    machine.io.respond = DiskAnswering(data);
    model::DiskList identified;
    DiskRecord candidate = Candidate();
    candidate.PortNumber = 7;  // identification sets -1 regardless
    EXPECT_EQ(IdentifyInto(machine, candidate, identified).Status,
              inbox::IdentifyStatus::Identified);

    ASSERT_EQ(identified.size(), 1u);
    const DiskRecord& disk = identified[0];
    EXPECT_EQ(disk.SerialNumber, u"SN1234              ");
    EXPECT_EQ(disk.ModelNumber, u"VELKORA TRVX208K 1TB                    ");
    EXPECT_EQ(disk.FirmwareRevision, u"XQ71DMRB");
    EXPECT_EQ(disk.UpdateGranularity, 8);
    EXPECT_EQ(disk.PortNumber, -1);
    EXPECT_EQ(disk.AccessPath, model::AccessKind::Inbox);
    EXPECT_EQ(disk.DevicePath, kDisk);
    EXPECT_EQ(disk.ResultCode, model::DiskResult::Updated);
    EXPECT_EQ(machine.console.Transcript(), "");
}

TEST(InboxIdentify, TextRunsEndAtFirstZeroAndAreCutToTheField) {
    struct Case {
        const char* name;
        std::function<void(Identify&)> edit;
        std::size_t start, width;
        std::u16string expected;
    };
    const std::vector<Case> cases = {
        {"blank serial stays 20 blanks", [](Identify&) {}, 4, 20, std::u16string(20, u' ')},
        {"revision starting with zero is empty", [](Identify& d) { d[64] = 0; }, 64, 8, u""},
        {"early zero ends the field",
         [](Identify& d) { PutText(d, 64, std::string("AB\0CDEFG", 8)); }, 64, 8, u"AB"},
        {"zero beyond the field does not lengthen it", [](Identify& d) { d[80] = 0; }, 64, 8,
         std::u16string(8, u' ')},
        {"bytes above 0x7F widen as signed",
         [](Identify& d) {
             d[64] = 0x80;
             d[65] = 0xFF;
             d[66] = 0x7F;
             d[67] = 0;
         },
         64, 8, std::u16string{char16_t(0xFF80), char16_t(0xFFFF), char16_t(0x7F)}},
        {"run without zero stops at the end of the data",
         [](Identify& d) { std::fill(d.begin(), d.end(), 'Z'); }, 4090, 20,
         std::u16string(6, u'Z')},
    };
    for (const Case& c : cases) {
        Identify data = BlankIdentify();
        c.edit(data);
        EXPECT_EQ(discovery::IdentifyFieldText(data, c.start, c.width,
                                               discovery::TextRule::EndAtFirstZero),
                  c.expected)
            << c.name;
    }
}

// An answer that holds no Identify data names no drive: the disk is not identified, and the run
// says which disk gave none.
TEST(InboxIdentify, AnswerWithoutIdentifyDataIsNoIdentification) {
    struct Case {
        const char* name;
        Identify data;
        std::uint32_t bytesReturned;
        std::uint32_t dataLength;
    };
    const std::vector<Case> cases = {
        {"all-zero data", Identify{}, 4144, 4096},
        {"descriptor gives less data", BlankIdentify(), 4144, 512},
        {"descriptor gives no data", BlankIdentify(), 48, 0},
    };
    for (const Case& c : cases) {
        fakes::FakeMachine machine;
        machine.io.respond = [&c](const fakes::Sent& sent, std::span<std::uint8_t> buffer) {
            (void)DiskAnswering(c.data)(sent, buffer);
            platform::PutU32(buffer, 28, c.dataLength);
            return platform::ControlResult{true, c.bytesReturned, 0};
        };
        model::DiskList identified;
        const inbox::IdentifyOutcome outcome = IdentifyInto(machine, Candidate(), identified);
        EXPECT_EQ(outcome.Status, inbox::IdentifyStatus::NotIdentified) << c.name;
        EXPECT_TRUE(identified.empty()) << c.name;
        EXPECT_EQ(machine.console.Transcript(),
                  "  [ERROR] No Identify Controller data from the drive at "
                  "\\\\.\\PHYSICALDRIVE1.\n\n")
            << c.name;
        EXPECT_TRUE(machine.io.openHandles.empty());
    }
}

// One reading of the structure serves both access paths; only the text rule differs.
TEST(IdentifyController, OneReadingOfEveryFieldTheToolUses) {
    Identify data = BlankIdentify();
    platform::PutU16(data, 0, 0x7A3C);
    platform::PutU16(data, 2, 0x8086);
    PutText(data, 64, std::string("XQ7\0DMRB", 8));
    SetVersion(data, 1, 4, 16);
    data[80] = 2;
    data[260] = 0x17;  // three slots, slot 1 read-only, activation without reset
    for (const auto rule :
         {discovery::TextRule::EndAtFirstZero, discovery::TextRule::KeepEveryByte}) {
        const discovery::IdentifyController id = discovery::ReadIdentifyController(data, rule);
        EXPECT_EQ(id.PciVendorId, 0x7A3C);
        EXPECT_EQ(id.PciSubsystemVendorId, 0x8086);
        EXPECT_EQ(id.VersionMajor, 1);
        EXPECT_EQ(id.VersionMinor, 4);
        EXPECT_EQ(id.VersionTertiary, 2);
        EXPECT_EQ(id.FirmwareSlotCount, 3);
        EXPECT_TRUE(id.Slot1ReadOnly);
        EXPECT_EQ(id.Fwug, 16);
        EXPECT_EQ(id.UpdateGranularity, 16);
        EXPECT_EQ(id.SerialNumber.size(), 20u);
        EXPECT_EQ(id.FirmwareRevision, rule == discovery::TextRule::EndAtFirstZero
                                           ? u"XQ7"
                                           : std::u16string(u"XQ7\0DMRB", 8));
    }
}

TEST(InboxIdentify, GranularityNeedsVersion13OrLaterAndARestrictingFwug) {
    struct Case {
        std::uint16_t major;
        std::uint8_t minor, fwug;
        std::int32_t expected;
    };
    // VER is one ordered value: every 2.x passes. FWUG 0 (no information) and 0xFF (no
    // restriction) both take 4 KiB pieces.
    const Case cases[] = {{1, 2, 8, 1},     {1, 3, 8, 8},     {1, 4, 0, 1},    {1, 3, 255, 1},
                          {1, 3, 254, 254}, {2, 0, 8, 8},     {2, 1, 16, 16},  {2, 2, 8, 8},
                          {2, 3, 8, 8},     {0, 3, 8, 1},     {0, 9, 8, 1},    {0, 0, 8, 1},
                          {1, 3, 1, 1},     {0x100, 0, 3, 3}, {1, 0xFF, 3, 3}, {2, 0, 0xFF, 1}};
    for (const Case& c : cases) {
        Identify data = BlankIdentify();
        SetVersion(data, c.major, c.minor, c.fwug);
        EXPECT_EQ(discovery::UpdateGranularityFromIdentify(data), c.expected)
            << c.major << "." << int(c.minor) << " FWUG " << int(c.fwug);
    }
}

TEST(InboxIdentify, UnopenableDiskPrintsOneLineInLowerCaseHex) {
    fakes::FakeMachine machine;
    machine.io.openErrors[kDisk] = 0x3E3;
    model::DiskList identified;
    const inbox::IdentifyOutcome outcome = IdentifyInto(machine, Candidate(), identified);
    EXPECT_EQ(model::Describe(outcome.Stop), "open, system error 0x3e3");
    EXPECT_TRUE(identified.empty());
    EXPECT_TRUE(machine.io.sent.empty());
    EXPECT_EQ(machine.console.Transcript(), "  [ERROR] Failed to get disk handle: 0x3e3\n\n");
}

TEST(InboxIdentify, FailedQuerySaysWhyDropsTheDiskAndClosesTheHandle) {
    fakes::FakeMachine machine;
    machine.io.respond = [](const fakes::Sent&, std::span<std::uint8_t>) {
        return fakes::Fail(win::kErrorIoDevice);
    };
    model::DiskList identified;
    EXPECT_EQ(IdentifyInto(machine, Candidate(), identified).Status,
              inbox::IdentifyStatus::NotIdentified);
    EXPECT_TRUE(identified.empty());
    EXPECT_EQ(machine.console.Transcript(),
              "  [ERROR] Failed to get Identify Controller data: 0x45d\n\n");
    EXPECT_TRUE(machine.io.openHandles.empty());
}

}  // namespace
