#include <gtest/gtest.h>

#include "platform/text.h"
#include "rst/raid_query.h"
#include "rst/rst_identify.h"
#include "tests/fakes/fake_platform.h"

namespace {

using fakes::Bytes;
using fakes::FakeMachine;
using fakes::Sent;

const std::u16string kController = u"\\\\?\\pci#ven_8086&dev_2822#ctrl#{2accfe60}";

bool IsCsmi(const Sent& s) {
    return s.bytes.size() >= 12 && s.bytes[4] == 'C';
}

void PutU32(std::span<std::uint8_t> b, std::size_t o, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[o + i] = (v >> (8 * i)) & 0xFF;
}

// A controller whose RAID set 0 has the given member ports; each member answers Identify
// with serial "SN<port>" and revision "FR<port>". secondQueryFails refuses larger queries.
struct RaidController {
    std::vector<std::uint8_t> ports;
    std::uint32_t csmiReturnCode = 0;
    bool secondQueryFails = false;
    std::size_t openHandlesDuringIdentify = 0;

    fakes::Responder Responder(FakeMachine& m) {
        return [this, &m](const Sent& s, std::span<std::uint8_t> buffer) {
            if (IsCsmi(s)) {
                if (secondQueryFails && buffer.size() > 336)
                    return fakes::Fail(87);
                PutU32(buffer, 20, csmiReturnCode);
                buffer[43] = static_cast<std::uint8_t>(ports.size());
                for (std::size_t i = 0; 64 + 136 * (i + 1) <= buffer.size() && i < ports.size();
                     ++i)
                    buffer[64 + 136 * i + 90] = ports[i];
                return fakes::Ok();
            }
            openHandlesDuringIdentify = m.io.openHandles.size();
            const std::string sn = "SN" + std::to_string(buffer[29]);
            std::copy(sn.begin(), sn.end(), buffer.begin() + 164 + 4);
            buffer[164 + 82] = 1;
            buffer[164 + 81] = 3;
            buffer[164 + 319] = buffer[29] == 255 ? 0 : 8;
            return fakes::Ok();
        };
    }
};

// The records a query or an identification made, kept as the run keeps them.
template <typename Machine>
rst::QueryOutcome QueryInto(Machine& m, const model::DiskRecord& volume, std::uint32_t set,
                            model::DiskList& identified) {
    rst::QueryOutcome outcome = rst::QueryRaidMembers(m.platform, m.events, volume, set);
    for (const rst::MemberIdentification& member : outcome.Members) {
        if (member.Outcome.Record) {
            identified.push_back(*member.Outcome.Record);
        }
    }
    return outcome;
}

template <typename Machine>
rst::IdentifyOutcome IdentifyInto(Machine& m, const model::DiskRecord& disk,
                                  model::DiskList& identified) {
    rst::IdentifyOutcome outcome = rst::IdentifyRstDisk(m.platform, m.events, disk);
    if (outcome.Record) {
        identified.push_back(*outcome.Record);
    }
    return outcome;
}

std::u16string Serial(std::uint8_t port) {
    std::u16string s = u"SN" + platform::ToU16(std::to_string(port));
    s.resize(20, u'\0');
    return s;
}

TEST(RaidQuery, GoldenRequestAndMembersInEntryOrder) {
    FakeMachine m;
    RaidController rc{{4, 255}};
    m.io.respond = rc.Responder(m);
    model::DiskList identified;
    EXPECT_EQ(QueryInto(m, model::MakeCandidate(kController, -1, model::AccessKind::RstRaid), 0,
                        identified)
                  .Status,
              rst::QueryStatus::Answered);

    Bytes csmi(336);
    csmi.Put(0, 28, 4).Text(4, "CSMIARY").Put(12, 30, 4).Put(16, 11, 4).Put(24, 308, 4);
    ASSERT_EQ(m.io.sent.size(), 3u);
    EXPECT_EQ(m.io.sent[0].bytes, csmi.data);
    EXPECT_EQ(m.io.sent[0].code, 0x4D008u);
    EXPECT_EQ(m.io.opens[0].share, 0u);
    EXPECT_EQ(m.io.opens[0].flags, 0u);
    EXPECT_EQ(m.io.opens[1].share, 3u);
    EXPECT_EQ(m.io.opens[1].flags, 0x80u);
    EXPECT_EQ(rc.openHandlesDuringIdentify, 2u);

    ASSERT_EQ(identified.size(), 2u);
    EXPECT_EQ(identified[0].PortNumber, 4);
    EXPECT_EQ(identified[1].PortNumber, 255);  // a port byte 0xFF is 255, not -1
    EXPECT_EQ(identified[0].SerialNumber, Serial(4));
    EXPECT_EQ(identified[0].UpdateGranularity, 8);
    EXPECT_EQ(identified[1].UpdateGranularity, 1);
    for (const auto& d : identified) {
        EXPECT_EQ(d.AccessPath, model::AccessKind::RstRaid);
        EXPECT_EQ(d.DevicePath, kController);
    }
    EXPECT_EQ(m.console.Transcript(), "");
    EXPECT_TRUE(m.NothingLeftOpen());
}

// More members than the 336-byte answer holds: a second query sized for all of them.
TEST(RaidQuery, LargeSetsAreAskedAgainWithRoomForEveryMember) {
    for (bool secondFails : {false, true}) {
        FakeMachine m;
        RaidController rc{{1, 2, 3, 4, 5}};
        rc.secondQueryFails = secondFails;
        m.io.respond = rc.Responder(m);
        model::DiskList identified;
        // The second query asks for the same RAID set as the first.
        EXPECT_EQ(QueryInto(m, model::MakeCandidate(kController, -1, model::AccessKind::RstRaid), 3,
                            identified)
                      .Status,
                  rst::QueryStatus::Answered);
        EXPECT_EQ(m.io.sent[0].bytes.size(), 336u);
        ASSERT_EQ(m.io.sent[1].bytes.size(), 64u + 5 * 136);
        EXPECT_EQ(fakes::U32At(m.io.sent[1].bytes, 24), 64u + 5 * 136 - 28);
        EXPECT_EQ(fakes::U32At(m.io.sent[0].bytes, 28), 3u);
        EXPECT_EQ(fakes::U32At(m.io.sent[1].bytes, 28), 3u);
        std::vector<std::int64_t> ports;
        for (const auto& d : identified)
            ports.push_back(d.PortNumber);
        const std::vector<std::int64_t> all = {1, 2, 3, 4, 5};
        const std::vector<std::int64_t> fitting = {1, 2};
        EXPECT_EQ(ports, secondFails ? fitting : all);
        EXPECT_TRUE(m.NothingLeftOpen());
    }
}

// The failing query's error lines are pinned by the rst_csmi_failures scenario; an unopenable
// volume and a set without members find nothing, and each says why.
TEST(RaidQuery, UnopenableVolumeOrEmptySetFindsNoMember) {
    for (const win::Dword openError : {5u, 0u}) {
        FakeMachine m;
        RaidController rc{openError != 0 ? std::vector<std::uint8_t>{1}
                                         : std::vector<std::uint8_t>{}};
        m.io.respond = rc.Responder(m);
        if (openError != 0)
            m.io.openErrors[kController] = openError;
        model::DiskList identified;
        const rst::QueryOutcome outcome = QueryInto(
            m, model::MakeCandidate(kController, -1, model::AccessKind::RstRaid), 0, identified);
        EXPECT_EQ(outcome.Status, rst::QueryStatus::Answered);
        // An unopenable volume records its code.
        EXPECT_EQ(model::Describe(outcome.Stop),
                  openError != 0 ? "open, system error 0x5" : "done");
        EXPECT_TRUE(identified.empty());
        EXPECT_EQ(m.console.Transcript(),
                  openError != 0 ? "  [ERROR] Failed to get disk handle: 0x5\n\n"
                                 : "  [ERROR] RAID set 0 does not list its member drives.\n\n");
        EXPECT_TRUE(m.NothingLeftOpen());
    }
}

// What an answer without a configuration means depends on why the set was asked for: a listed
// volume's set must answer; past the volumes' sets "no such set" (1000) ends the count; with no
// volume listed, a driver that will not say has no sets.
TEST(RaidQuery, AnswersWithoutConfigurationByWhyTheSetWasAsked) {
    using rst::SetAsked;
    struct Case {
        SetAsked asked;
        std::uint32_t returnCode;
        bool noSuchSet;
        const char* lines;
    };
    for (const Case& c : {
             Case{SetAsked::ForVolume, 1000, false,
                  "  [ERROR] CSMI GET RAID CONFIG ReturnCode: 0x3e8\n\n"},
             Case{SetAsked::PastVolumes, 1000, true, ""},
             Case{SetAsked::PastVolumes, 1, false,
                  "  [ERROR] CSMI GET RAID CONFIG ReturnCode: 0x1\n\n"},
             Case{SetAsked::WithoutVolumes, 1000, true, ""},
             Case{SetAsked::WithoutVolumes, 1, true, ""},
         }) {
        FakeMachine m;
        RaidController rc{{1}};
        rc.csmiReturnCode = c.returnCode;
        m.io.respond = rc.Responder(m);
        const rst::QueryOutcome outcome = rst::QueryRaidMembers(
            m.platform, m.events, model::MakeCandidate(kController, -1, model::AccessKind::RstRaid),
            2, c.asked);
        EXPECT_EQ(outcome.NoSuchSet, c.noSuchSet) << c.returnCode;
        EXPECT_FALSE(outcome.Listed);
        EXPECT_TRUE(outcome.Members.empty());
        EXPECT_EQ(m.console.Transcript(), c.lines) << c.returnCode;
        EXPECT_TRUE(m.NothingLeftOpen());
    }
}

TEST(RstIdentify, GoldenPassThroughRequest) {
    FakeMachine m;
    model::DiskList identified;
    EXPECT_EQ(IdentifyInto(m, model::MakeCandidate(kController, -1, model::AccessKind::RstDisk),
                           identified)
                  .Status,
              rst::IdentifyStatus::Identified);
    Bytes expected(4260);
    expected.Put(0, 28, 4).Text(4, "IntelNvm").Put(12, 10, 4).Put(16, 0xF0002808, 4);
    expected.Put(24, 4232, 4).Put(28, 1, 1).Put(29, 0xFF, 1).Put(32, 6, 4).Put(72, 1, 4);
    expected.Put(116, 164, 4).Put(120, 4096, 4);
    ASSERT_EQ(m.io.sent.size(), 1u);
    EXPECT_EQ(m.io.sent[0].bytes, expected.data);
    // A zero answer still gives a record: strings of 20, 40 and 8 zero characters.
    ASSERT_EQ(identified.size(), 1u);
    EXPECT_EQ(identified[0].SerialNumber, std::u16string(20, u'\0'));
    EXPECT_EQ(identified[0].ModelNumber, std::u16string(40, u'\0'));
    EXPECT_EQ(identified[0].FirmwareRevision, std::u16string(8, u'\0'));
    EXPECT_EQ(identified[0].UpdateGranularity, 1);
    EXPECT_TRUE(m.NothingLeftOpen());
}

TEST(RstIdentify, FailuresAppendNothing) {
    // A SATA disk (not known to be NVMe) fails silently; an NVMe disk says why. A ReturnCode
    // other than 0 and SRB_STATUS_SUCCESS is a refusal: its data area is no Identify data.
    for (auto [opens, returnCode, status, stop, nvme, lines] :
         {std::tuple{false, 0u, 8, "open, system error 0x2", false, ""},
          std::tuple{true, 0u, 5, "identify, system error 0x1", false, ""},
          std::tuple{true, 4u, 9, "identify, ReturnCode 0x4", false, ""},
          std::tuple{false, 0u, 8, "open, system error 0x2", true,
                     "  [ERROR] Failed to get disk handle: 0x2\n\n"},
          std::tuple{true, 0u, 5, "identify, system error 0x1", true,
                     "  [ERROR] Failed to get Identify Controller data: 0x1\n\n"},
          std::tuple{true, 0x1Au, 9, "identify, ReturnCode 0x1a", true,
                     "  [ERROR] The RST driver refused the NVMe pass-through to the drive at port "
                     "3: ReturnCode 0x1a.\n\n"}}) {
        FakeMachine machine;
        if (!opens) {
            machine.io.openErrors[kController] = 2;
        }
        machine.io.respond = [returnCode](const Sent&, std::span<std::uint8_t> buffer) {
            if (returnCode == 0) {
                return fakes::Fail(1);
            }
            PutU32(buffer, 20, returnCode);
            std::fill(buffer.begin() + 164, buffer.end(), std::uint8_t{0x5A});
            return fakes::Ok();
        };
        model::DiskList identified;
        model::DiskRecord disk = model::MakeCandidate(kController, 3, model::AccessKind::RstDisk);
        disk.KnownNvme = nvme;
        const rst::IdentifyOutcome outcome = IdentifyInto(machine, disk, identified);
        EXPECT_EQ(static_cast<int>(outcome.Status), status);
        EXPECT_EQ(model::Describe(outcome.Stop), stop);
        EXPECT_TRUE(identified.empty());
        EXPECT_EQ(machine.console.Transcript(), lines);
        EXPECT_TRUE(machine.NothingLeftOpen());
    }
}

TEST(RstIdentify, StringsKeepEveryByteWidenedWithSign) {
    std::vector<std::uint8_t> id(4096, 0);
    const std::string model = "VELKORA TRVX208K 1TB";
    std::fill(id.begin() + 24, id.begin() + 64, ' ');
    std::copy(model.begin(), model.end(), id.begin() + 24);
    id[4] = 0xC3;
    model::DiskRecord disk;
    rst::ApplyIdentifyData(id, disk);
    EXPECT_EQ(disk.ModelNumber, u"VELKORA TRVX208K 1TB" + std::u16string(20, u' '));
    EXPECT_EQ(disk.SerialNumber[0], u'\uFFC3');
    EXPECT_EQ(disk.SerialNumber.size(), 20u);
}

}  // namespace
