// The simulated RST driver decodes CSMI and Intel requests from their layouts and routes them by
// path identifier.
#include <gtest/gtest.h>

#include <vector>

#include "image/carried_image.h"
#include "platform/byte_layout.h"
#include "sim/inbox_driver.h"
#include "sim/rst_driver.h"

namespace {

using platform::GetU32;
using platform::PutU32;
using platform::PutU64;

std::vector<std::uint8_t> Header(std::string_view signature, std::uint32_t code, std::size_t size,
                                 std::size_t allocated = 0) {
    std::vector<std::uint8_t> b(std::max(size, allocated), 0xEE);
    std::fill(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(size), 0);
    PutU32(b, 0, 28);
    platform::PutAscii(b, 4, signature);
    PutU32(b, 12, 30);
    PutU32(b, 16, code);
    PutU32(b, 24, static_cast<std::uint32_t>(size - 28));
    return b;
}

std::vector<std::uint8_t> RaidQuery(std::uint32_t set, std::size_t allocated = 0) {
    std::vector<std::uint8_t> b = Header(std::string_view("CSMIARY\0", 8), 11, 336, allocated);
    PutU32(b, 28, set);
    return b;
}

std::vector<std::uint8_t> Identify(std::uint8_t path) {
    std::vector<std::uint8_t> b = Header("IntelNvm", 0xF0002808, 4260);
    b[28] = 1;
    b[29] = path;
    PutU32(b, 32, 0x06);
    PutU32(b, 72, 1);
    PutU32(b, 116, 164);
    PutU32(b, 120, 4096);
    return b;
}

std::vector<std::uint8_t> FirmwareRequest(std::uint8_t path, std::uint32_t function,
                                          std::size_t dataSize) {
    std::vector<std::uint8_t> b = Header("IntelFw ", 0xF0000040, 56 + dataSize);
    b[28] = 1;
    b[29] = path;
    PutU32(b, 32, 1);
    PutU32(b, 36, 24);
    PutU32(b, 40, function);
    PutU32(b, 44, 1);
    PutU32(b, 48, 56);
    PutU32(b, 52, static_cast<std::uint32_t>(dataSize));
    return b;
}

std::vector<std::uint8_t> Download(std::uint8_t path, std::uint64_t offset, std::uint32_t size) {
    std::vector<std::uint8_t> b = FirmwareRequest(path, 2, 32 + size);
    PutU32(b, 56, 2);
    PutU32(b, 60, 32);
    PutU64(b, 64, offset);
    PutU64(b, 72, size);
    b[80] = 0xFF;
    platform::PutBytes(b, 88, std::span<const std::uint8_t>(image::kCarriedImage + offset, size));
    return b;
}

std::vector<std::uint8_t> Activate(std::uint8_t path, std::uint8_t slot) {
    std::vector<std::uint8_t> b = FirmwareRequest(path, 3, 12);
    PutU32(b, 56, 1);
    PutU32(b, 60, 12);
    b[64] = slot;
    return b;
}

sim::NvmeDriveConfig Config(std::string name, std::string serial) {
    sim::NvmeDriveConfig c;
    c.name = std::move(name);
    c.serial = std::move(serial);
    c.revision = "XQ71DMRB";
    c.frmw = 0x07;
    c.fwug = 1;
    return c;
}

class RstDriverTest : public testing::Test {
protected:
    void SetUp() override {
        sim::RaidSet set;
        set.members = {{4, &a, {}}, {7, &b, {}}, {9, &c, {}}, {11, nullptr, "ST1000LM049"}};
        driver.AddRaidSet(set);
        driver.AddPort(2, plain);
    }
    std::uint32_t Send(std::vector<std::uint8_t>& request) {
        const platform::ControlResult r = driver.Control(
            win::kIoctlScsiMiniport, request, static_cast<std::uint32_t>(request.size()));
        EXPECT_TRUE(r.Ok);
        return GetU32(request, 20);
    }

    sim::NvmeDrive a{Config("a", "SA")}, b{Config("b", "SB")}, c{Config("c", "SC")},
        plain{Config("p", "SP")};
    sim::RstDriver driver;
};

TEST_F(RstDriverTest, RaidConfigWritesOnlyTheEntriesThatFit) {
    std::vector<std::uint8_t> q = RaidQuery(0, 600);
    ASSERT_EQ(Send(q), sim::kCsmiSuccess);
    EXPECT_EQ(q[40], sim::kCsmiRaidType1);
    EXPECT_EQ(q[43], 4);  // the whole set, though two entries fit
    EXPECT_EQ(q[64 + 90], 4);
    EXPECT_EQ(q[200 + 90], 7);
    EXPECT_EQ(std::string(q.begin() + 64 + 48, q.begin() + 64 + 50), "SA");
    EXPECT_EQ(std::string(q.begin() + 64, q.begin() + 68), "NVMe");  // bModel of an NVMe member
    for (std::size_t i = 336; i < q.size(); ++i) {
        ASSERT_EQ(q[i], 0xEE) << "byte " << i << " written past the request";
    }
    q = Header(std::string_view("CSMIARY\0", 8), 11, 64 + 4 * 136);
    ASSERT_EQ(Send(q), sim::kCsmiSuccess);
    EXPECT_EQ(std::string(q.begin() + 64 + 3 * 136, q.begin() + 64 + 3 * 136 + 11), "ST1000LM049");
}

TEST_F(RstDriverTest, RaidConfigRefusals) {
    std::vector<std::uint8_t> q = RaidQuery(1);
    EXPECT_EQ(Send(q), sim::kCsmiRaidSetOutOfRange);
    q = RaidQuery(0);
    PutU32(q, 16, 12);
    EXPECT_EQ(Send(q), sim::kCsmiBadControlCode);
    // A driver that says so when the buffer cannot hold the set: the count, no entries.
    driver.Options().raidBufferTooSmall = true;
    q = RaidQuery(0);
    EXPECT_EQ(Send(q), sim::kCsmiRaidSetBufferTooSmall);
    EXPECT_EQ(q[43], 4);
    EXPECT_EQ(q[64 + 90], 0);
    q = Header(std::string_view("CSMIARY\0", 8), 11, 64 + 4 * 136);
    EXPECT_EQ(Send(q), sim::kCsmiSuccess);
    driver.Options().raidQueryReturnCode = 0x5;
    q = RaidQuery(0);
    EXPECT_EQ(Send(q), 0x5u);
    EXPECT_EQ(q[43], 0);
}

// The pass-through answers with SCSI request-block statuses: no device at an empty port, an
// error from a SATA drive, success from an NVMe drive.
TEST_F(RstDriverTest, PassThroughToAPortWithoutAnNvmeDriveAnswersNoData) {
    for (auto [port, status] :
         {std::pair{5, sim::kSrbStatusNoDevice}, std::pair{11, sim::kSrbStatusError}}) {
        std::vector<std::uint8_t> q = Identify(static_cast<std::uint8_t>(port));
        std::fill(q.begin() + 164, q.end(), 0x5A);
        EXPECT_EQ(Send(q), status) << port;
        EXPECT_TRUE(std::all_of(q.begin() + 164, q.end(), [](std::uint8_t v) { return v == 0; }));
    }
    std::vector<std::uint8_t> q = Identify(4);
    EXPECT_EQ(Send(q), sim::kSrbStatusSuccess);
}

TEST_F(RstDriverTest, MalformedPassThroughRequestsAreRefused) {
    struct Case {
        const char* what;
        std::size_t offset;
        std::uint32_t value;
    };
    for (const Case& k :
         {Case{"data offset inside the command", 116, 100}, Case{"data past the buffer", 120, 4097},
          Case{"get log page", 32, 0x02}, Case{"namespace list", 72, 2}}) {
        std::vector<std::uint8_t> q = Identify(4);
        PutU32(q, k.offset, k.value);
        EXPECT_EQ(Send(q), sim::kSrbStatusError) << k.what;
    }
    std::vector<std::uint8_t> q = Identify(4);
    q[28] = 2;
    EXPECT_EQ(Send(q), sim::kSrbStatusError) << "address version";
    EXPECT_EQ(a.CountRequests(sim::DriveRequest::Kind::Identify), 0u);
}

// Get Log Page of the firmware slot log: AFI and FRS1-FRS7 as the drive holds them, 512 bytes
// and no more; any other log, namespace, length or a refusing driver gets no data.
TEST_F(RstDriverTest, FirmwareSlotLogAsTheDriveFillsIt) {
    sim::NvmeDriveConfig config = Config("s", "SS");
    config.slots = {"XQ71DMRB", "", "XQ74DMRB"};
    config.pendingSlot = 3;
    sim::NvmeDrive staged(config);
    driver.AddPort(3, staged);
    auto slotLog = [] {
        std::vector<std::uint8_t> q = Identify(3);
        PutU32(q, 32, 0x02);
        PutU32(q, 36, 0xFFFFFFFF);
        PutU32(q, 72, 0x007F0003);
        PutU32(q, 120, 512);
        return q;
    };
    std::vector<std::uint8_t> q = slotLog();
    ASSERT_EQ(Send(q), sim::kSrbStatusSuccess);
    EXPECT_EQ(q[164], 0x31);  // running slot 1, slot 3 at the next reset
    EXPECT_EQ(std::string(q.begin() + 172, q.begin() + 180), "XQ71DMRB");
    EXPECT_TRUE(std::all_of(q.begin() + 180, q.begin() + 188, [](auto v) { return v == 0; }));
    EXPECT_EQ(std::string(q.begin() + 188, q.begin() + 196), "XQ74DMRB");
    EXPECT_TRUE(std::all_of(q.begin() + 164 + 512, q.end(), [](auto v) { return v == 0; }));
    EXPECT_EQ(GetU32(q, 112), 0u);

    struct Case {
        const char* what;
        std::size_t offset;
        std::uint32_t value;
    };
    for (const Case& k : {Case{"namespace 1", 36, 1}, Case{"telemetry log", 72, 0x007F0007},
                          Case{"past the log's 512 bytes", 72, 0x00FF0003},
                          Case{"data shorter than NUMD", 120, 256}}) {
        q = slotLog();
        PutU32(q, k.offset, k.value);
        EXPECT_EQ(Send(q), sim::kSrbStatusError) << k.what;
        EXPECT_NE(GetU32(q, 112), 0u) << k.what;  // an error status in the completion
        EXPECT_EQ(q[164], 0) << k.what;
    }
    q = slotLog();
    PutU32(q, 36, 0);  // a global log may also be asked for with namespace 0
    EXPECT_EQ(Send(q), sim::kSrbStatusSuccess);
    driver.Options().slotLogReturnCode = 7;
    q = slotLog();
    EXPECT_EQ(Send(q), 7u);
    EXPECT_EQ(q[164], 0);
    EXPECT_EQ(staged.CountRequests(sim::DriveRequest::Kind::SlotLog), 2u);
}

TEST_F(RstDriverTest, FirmwareDownloadAndActivationNeedAPowerCycle) {
    std::vector<std::uint8_t> early = Activate(4, 2);
    EXPECT_EQ(Send(early), sim::kFirmwareStatusInvalidImage);  // nothing downloaded yet
    for (std::uint64_t offset = 0; offset < image::kImageSize; offset += 4096) {
        std::vector<std::uint8_t> q = Download(4, offset, 4096);
        ASSERT_EQ(Send(q), 0u);
    }
    EXPECT_TRUE(a.StagedIsKnownGood());
    std::vector<std::uint8_t> q = Activate(4, 1);
    EXPECT_EQ(Send(q), sim::kFirmwareStatusInvalidSlot);
    q = Activate(4, 2);
    EXPECT_EQ(Send(q), sim::kFirmwareStatusPowerCycleRequired);
    EXPECT_EQ(a.PendingSlot(), 2);
    EXPECT_TRUE(b.Requests().empty());
}

TEST_F(RstDriverTest, MalformedFirmwareRequestsAreRefused) {
    struct Case {
        const char* what;
        std::size_t offset;
        std::uint32_t value;
        std::uint32_t returnCode;
    };
    for (const Case& k :
         {Case{"download block version 1", 56, 1, 3}, Case{"download block size 24", 60, 24, 3},
          Case{"slot named", 80, 2, 6}, Case{"data offset 52", 48, 52, 3},
          Case{"piece longer than the data", 72, 8192, 3}, Case{"request block size", 36, 32, 3},
          Case{"function 4", 40, 4, 2}}) {
        std::vector<std::uint8_t> q = Download(4, 0, 4096);
        if (k.offset == 80) {
            q[80] = static_cast<std::uint8_t>(k.value);
        } else {
            PutU32(q, k.offset, k.value);
        }
        EXPECT_EQ(Send(q), k.returnCode) << k.what;
    }
    EXPECT_TRUE(a.BytesReceived().empty());
    std::vector<std::uint8_t> q = Download(4, 0, 4096);
    platform::PutAscii(q, 4, "IntelFW ");
    EXPECT_EQ(
        driver.Control(win::kIoctlScsiMiniport, q, static_cast<std::uint32_t>(q.size())).Error,
        sim::kErrorInvalidFunction);
    q = Download(4, 0, 4096);
    PutU32(q, 24, static_cast<std::uint32_t>(q.size()));
    EXPECT_EQ(
        driver.Control(win::kIoctlScsiMiniport, q, static_cast<std::uint32_t>(q.size())).Error,
        win::kErrorInvalidParameter);
}

}  // namespace
