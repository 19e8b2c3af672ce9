#include <gtest/gtest.h>

#include "rst/rst_update.h"
#include "tests/fakes/fake_platform.h"

namespace {

using fakes::Bytes;
using fakes::FakeMachine;
using fakes::Sent;
using fakes::U32At;

constexpr std::uint32_t kImageSize = 0x200000;
const std::u16string kController = u"\\\\?\\pci#ven_8086&dev_2822#3&11583659&0&fa#{2accfe60}";

image::FirmwareImage PatternImage() {
    image::FirmwareImage image;
    image.WorkingCopy.resize(kImageSize);
    for (std::size_t i = 0; i < kImageSize; ++i) {
        image.WorkingCopy[i] = static_cast<std::uint8_t>((i * 7) ^ (i >> 12));
    }
    image.ImageRevision = u"NEWREV01";
    return image;
}

model::DiskRecord Disk(model::AccessKind access, std::int64_t port, std::int32_t granularity) {
    model::DiskRecord disk = model::MakeCandidate(kController, port, access);
    disk.ModelNumber = u"MODEL";
    disk.SerialNumber = u"SERIAL";
    disk.FirmwareRevision = u"XQ71DMRB";
    disk.UpdateGranularity = granularity;
    return disk;
}

bool IsActivation(const Sent& s) {
    return U32At(s.bytes, 40) == 3;
}

bool IsSlotLogRequest(const Sent& s) {
    return s.bytes.size() == 4260 && s.bytes.at(32) == 0x02;
}

// The Get Log Page of the firmware slot log sent before the first piece, in full.
std::vector<std::uint8_t> ExpectedSlotLogRequest(std::uint8_t pathId) {
    Bytes b(4260);
    b.Put(0, 28, 4).Text(4, "IntelNvm").Put(12, 10, 4).Put(16, 0xF0002808, 4).Put(24, 4232, 4);
    b.Put(28, 1, 1).Put(29, pathId, 1);
    b.Put(32, 0x02, 4).Put(72, 0x007F0003, 4);  // NSID 0: the log is the controller's
    b.Put(116, 164, 4).Put(120, 512, 4);
    return b.data;
}

// Answers the slot log and downloads with 0 and the activation with the given ReturnCode.
fakes::Responder ActivationAnswers(std::uint32_t code) {
    return [code](const Sent& s, std::span<std::uint8_t> buffer) {
        if (IsActivation(s)) {
            for (int i = 0; i < 4; ++i)
                buffer[20 + i] = (code >> (8 * i)) & 0xFF;
        }
        return fakes::Ok();
    };
}

std::vector<std::uint8_t> ExpectedDownload(std::uint8_t pathId, std::uint64_t offset,
                                           std::uint32_t length, const image::FirmwareImage& im) {
    Bytes b(88 + length);
    b.Put(0, 28, 4)
        .Text(4, "IntelFw ")
        .Put(12, 30, 4)
        .Put(16, 0xF0000040, 4)
        .Put(24, length + 60, 4);
    b.Put(28, 1, 1).Put(29, pathId, 1);
    b.Put(32, 1, 4).Put(36, 24, 4).Put(40, 2, 4).Put(44, 1, 4).Put(48, 56, 4).Put(52, length + 32,
                                                                                  4);
    b.Put(56, 2, 4).Put(60, 32, 4).Put(64, offset, 8).Put(72, length, 8).Put(80, 0xFF, 1);
    std::copy_n(im.WorkingCopy.begin() + offset, length, b.data.begin() + 88);
    return b.data;
}

const std::string kBlockRaid =
    "\n---------------------------------------------\n"
    " Firmware Download | Target Disk Information \n"
    "---------------------------------------------\n"
    " Driver : IRST Driver\n Raid : Yes\n Model Number : MODEL\n Serial Number : SERIAL\n"
    " Current FW : XQ71DMRB\n Updated FW : NEWREV01\n"
    "---------------------------------------------\n";

TEST(RstUpdate, GranularityOneSendsFiveHundredTwelveGoldenPiecesThenActivation) {
    FakeMachine m;
    const image::FirmwareImage image = PatternImage();
    m.io.respond = ActivationAnswers(0);
    EXPECT_EQ(
        model::ToInt(rst::UpdateRstDisk(m.platform, m.events,
                                        Disk(model::AccessKind::RstRaid, -1, 1), image, kImageSize)
                         .Result),
        0);

    ASSERT_EQ(m.io.sent.size(), 514u);
    EXPECT_EQ(m.io.sent[0].bytes, ExpectedSlotLogRequest(0xFF));
    EXPECT_EQ(m.io.sent[0].code, 0x4D008u);
    for (std::uint32_t k = 0; k < 512; ++k) {
        ASSERT_EQ(m.io.sent[k + 1].bytes, ExpectedDownload(0xFF, k * 4096, 4096, image)) << k;
        ASSERT_EQ(m.io.sent[k + 1].code, 0x4D008u);
    }
    Bytes activation(68);
    activation.Put(0, 28, 4).Text(4, "IntelFw ").Put(12, 30, 4).Put(16, 0xF0000040, 4);
    activation.Put(24, 40, 4).Put(28, 1, 1).Put(29, 0xFF, 1);
    activation.Put(32, 1, 4).Put(36, 24, 4).Put(40, 3, 4).Put(44, 1, 4).Put(48, 56, 4);
    activation.Put(52, 12, 4).Put(56, 1, 4).Put(60, 12, 4).Put(64, 2, 1);
    EXPECT_EQ(m.io.sent[513].bytes, activation.data);

    ASSERT_EQ(m.io.opens.size(), 1u);
    EXPECT_EQ(m.io.opens[0].path, kController);
    EXPECT_EQ(m.io.opens[0].access, 0xC0000000u);
    EXPECT_EQ(m.io.opens[0].share, 0u);
    EXPECT_EQ(m.io.opens[0].flags, 0u);
    EXPECT_EQ(m.console.Transcript(), kBlockRaid +
                                          "\n  [PASS] Firmware download is succeeded.\n"
                                          "  [PASS] Firmware activation is succeeded.\n\n");
    EXPECT_TRUE(m.NothingLeftOpen());
}

// A granularity that does not divide the image ends with a shorter piece of the remainder in a
// buffer of its own size (the reliability matrix sends every granularity to the simulated drive).
TEST(RstUpdate, ShortLastPieceInABufferOfItsOwnSize) {
    constexpr std::uint32_t kPiece = 255 * 4096;
    FakeMachine m;
    const image::FirmwareImage image = PatternImage();
    m.io.respond = ActivationAnswers(32);
    EXPECT_EQ(
        model::ToInt(rst::UpdateRstDisk(m.platform, m.events,
                                        Disk(model::AccessKind::RstDisk, 3, 255), image, kImageSize)
                         .Result),
        1602);
    ASSERT_EQ(m.io.sent.size(), 5u);
    EXPECT_EQ(m.io.sent[0].bytes, ExpectedSlotLogRequest(3));
    EXPECT_EQ(m.io.sent[1].bytes, ExpectedDownload(3, 0, kPiece, image));
    EXPECT_EQ(m.io.sent[2].bytes, ExpectedDownload(3, kPiece, kPiece, image));
    EXPECT_EQ(m.io.sent[3].bytes, ExpectedDownload(3, 2 * kPiece, kImageSize - 2 * kPiece, image));
    EXPECT_EQ(m.io.sent[3].bytes.size(), 8192u + 88);
    EXPECT_TRUE(IsActivation(m.io.sent[4]));
}

TEST(RstUpdate, FailedPieceStopsTheDownloadBeforeActivation) {
    struct Case {
        platform::ControlResult result;
        std::uint32_t returnCode;
        std::string line;
    };
    for (const Case& c :
         {Case{fakes::Ok(), 5, "  [ERROR] Firmware download failed: srbControl->ReturnCode 5\n"},
          Case{fakes::Ok(), 0xFFFFFFFE,
               "  [ERROR] Firmware download failed: srbControl->ReturnCode -2\n"},
          Case{fakes::Fail(0x45D), 0, "  [ERROR] Firmware download IOCTL failed: 0x45D\n"}}) {
        FakeMachine m;
        int calls = 0;
        m.io.respond = [&](const Sent&, std::span<std::uint8_t> buffer) {
            if (++calls < 4)  // the slot log, then pieces 1 and 2
                return fakes::Ok();
            for (int i = 0; i < 4; ++i)
                buffer[20 + i] = (c.returnCode >> (8 * i)) & 0xFF;
            return c.result;
        };
        const model::UpdateOutcome outcome =
            rst::UpdateRstDisk(m.platform, m.events, Disk(model::AccessKind::RstRaid, 0, 1),
                               PatternImage(), kImageSize);
        EXPECT_EQ(outcome.Result, model::DiskResult::Failed);
        EXPECT_EQ(model::Describe(outcome.Stop).substr(0, 16), "piece 3 of 512, ");
        EXPECT_EQ(m.events.updatesEnded, 1);
        EXPECT_EQ(m.events.lastEnd, outcome);
        EXPECT_EQ(m.io.sent.size(), 4u);
        EXPECT_EQ(m.console.Transcript(),
                  kBlockRaid + c.line + "\n  [FAIL] Firmware download failed.\n");
        EXPECT_TRUE(m.NothingLeftOpen());
    }
}

// The driver's answer to the activation, classified once: the disk's code, the console's line
// and the answer the outcome carries all follow it.
TEST(RstUpdate, ActivationReturnCodes) {
    using Answer = model::ActivationAnswer;
    const std::string error = "  [ERROR] Firmware activate failed: ";
    const std::string unexpected = error + "unexpected error, srbControl->ReturnCode ";
    const std::string parameter =
        "  [ERROR] Firmware activate parameter error: srbControl->ReturnCode ";
    const std::vector<std::tuple<std::uint32_t, std::string, int, Answer>> cases = {
        {0, "  [PASS] Firmware activation is succeeded.\n\n", 0, Answer::Activated},
        {1, error + "error returned\n\n", 1, Answer::ErrorReturned},
        {16, error + "error returned\n\n", 1, Answer::ErrorReturned},
        {2, parameter + "2\n\n", 1, Answer::ParameterError},
        {3, parameter + "3\n\n", 1, Answer::ParameterError},
        {4, parameter + "4\n\n", 1, Answer::ParameterError},
        {6, error + "invalid slot number\n\n", 1, Answer::InvalidSlot},
        {7, error + "invalid firmware image\n\n", 1, Answer::InvalidImage},
        {32, "  [PASS] Firmware activate succeeded. PLEASE SHUTDOWN COMPUTER.\n\n\n", 1602,
         Answer::PowerCycleRequired},
        {5, unexpected + "5\n\n", 1, Answer::Unexpected},
        {8, unexpected + "8\n\n", 1, Answer::Unexpected},
        {31, unexpected + "31\n\n", 1, Answer::Unexpected},
        {33, unexpected + "33\n\n", 1, Answer::Unexpected},
        {0x80000000u, unexpected + "-2147483648\n\n", 1, Answer::Unexpected},
    };
    const std::string downloaded = "\n  [PASS] Firmware download is succeeded.\n";
    for (const auto& [code, message, result, answer] : cases) {
        FakeMachine m;
        m.io.respond = ActivationAnswers(code);
        const model::UpdateOutcome outcome =
            rst::UpdateRstDisk(m.platform, m.events, Disk(model::AccessKind::RstDisk, 7, 255),
                               PatternImage(), kImageSize);
        EXPECT_EQ(model::ToInt(outcome.Result), result) << code;
        EXPECT_EQ(outcome.Activation, answer) << code;
        EXPECT_TRUE(m.console.Transcript().ends_with("---\n" + downloaded + message)) << code;
        EXPECT_EQ(m.events.updatesEnded, 1) << code;
        EXPECT_EQ(m.events.lastEnd, outcome) << code;
        EXPECT_TRUE(IsActivation(m.io.sent.back())) << code;
        EXPECT_EQ(m.io.sent.back().bytes.at(29), 7);
    }
    // A failed call gives no answer.
    FakeMachine m;
    m.io.respond = [](const Sent& s, std::span<std::uint8_t>) {
        return IsActivation(s) ? fakes::Fail(0x1F) : fakes::Ok();
    };
    const model::UpdateOutcome outcome = rst::UpdateRstDisk(
        m.platform, m.events, Disk(model::AccessKind::RstDisk, 0, 255), PatternImage(), kImageSize);
    EXPECT_EQ(outcome.Result, model::DiskResult::Failed);
    EXPECT_EQ(outcome.Activation, std::nullopt);
    EXPECT_EQ(model::Describe(outcome.Stop), "activation, system error 0x1f");
    EXPECT_TRUE(m.console.Transcript().ends_with(
        "---\n" + downloaded + "  [ERROR] Firmware activate IOCTL failed: 0x1F\n"));
}

// The firmware slot log asked before the first piece: only a slot to be activated at the next
// reset that holds the image ends the update there; an unanswered question changes nothing.
TEST(RstUpdate, ImageAlreadyAwaitingTheResetIsNotSentAgain) {
    struct Case {
        const char* name;
        std::uint8_t afi;
        std::uint8_t slot;  // the slot whose FRS holds `revision`
        const char* revision;
        platform::ControlResult result;
        std::uint32_t returnCode;
        bool alreadyDownloaded;
    };
    const Case cases[] = {
        {"image pending in slot 2", 0x21, 2, "NEWREV01", fakes::Ok(), 0, true},
        {"image pending in slot 7", 0x71, 7, "NEWREV01", fakes::Ok(), 0, true},
        {"another revision pending", 0x21, 2, "NEWREV02", fakes::Ok(), 0, false},
        {"image in a slot that is not pending", 0x31, 2, "NEWREV01", fakes::Ok(), 0, false},
        {"image in the running slot, nothing pending", 0x01, 1, "NEWREV01", fakes::Ok(), 0, false},
        {"driver refuses the command", 0x21, 2, "NEWREV01", fakes::Ok(), 3, false},
        {"call fails", 0x21, 2, "NEWREV01", fakes::Fail(0x1F), 0, false},
    };
    for (const Case& c : cases) {
        FakeMachine m;
        m.io.respond = [&c](const Sent& s, std::span<std::uint8_t> buffer) {
            if (!IsSlotLogRequest(s)) {
                return fakes::Ok();
            }
            buffer[164] = c.afi;
            for (std::size_t i = 0; i < 8; ++i) {
                buffer[164 + 8 * c.slot + i] = static_cast<std::uint8_t>(c.revision[i]);
            }
            buffer[20] = static_cast<std::uint8_t>(c.returnCode);
            return c.result;
        };
        const model::UpdateOutcome outcome =
            rst::UpdateRstDisk(m.platform, m.events, Disk(model::AccessKind::RstRaid, 4, 64),
                               PatternImage(), kImageSize);
        const std::string after = m.console.Transcript().substr(kBlockRaid.size());
        if (c.alreadyDownloaded) {
            EXPECT_EQ(outcome.Result, model::DiskResult::RebootRequired) << c.name;
            EXPECT_EQ(m.io.sent.size(), 1u) << c.name;
            EXPECT_EQ(after,
                      "  [PASS] Firmware is already downloaded; activation requires reboot.\n")
                << c.name;
        } else {
            EXPECT_EQ(outcome.Result, model::DiskResult::Updated) << c.name;
            EXPECT_EQ(m.io.sent.size(), 1u + 8 + 1) << c.name;
            EXPECT_EQ(after,
                      "\n  [PASS] Firmware download is succeeded.\n"
                      "  [PASS] Firmware activation is succeeded.\n\n")
                << c.name;
        }
        EXPECT_TRUE(IsSlotLogRequest(m.io.sent.at(0))) << c.name;
        EXPECT_TRUE(m.NothingLeftOpen()) << c.name;
    }
}

TEST(RstUpdate, UnopenableControllerSendsNothing) {
    FakeMachine m;
    m.io.openErrors[kController] = 0x20;
    EXPECT_EQ(model::ToInt(rst::UpdateRstDisk(m.platform, m.events,
                                              Disk(model::AccessKind::RstDisk, 1, 1),
                                              PatternImage(), kImageSize)
                               .Result),
              5);
    EXPECT_TRUE(m.io.sent.empty());
    const std::string& t = m.console.Transcript();
    EXPECT_NE(t.find(" Raid : No\n"), std::string::npos);
    EXPECT_TRUE(t.ends_with("---\n  [ERROR] Failed to get disk handle: 0x20\n\n")) << t;
}

}  // namespace
