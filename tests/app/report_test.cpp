#include <gtest/gtest.h>

#include <string>

#include "app/run_context.h"
#include "sim/sim_machine.h"

namespace {

using model::DiskRecord;

image::FirmwareImage TestImage() {
    image::FirmwareImage image;
    image.ImageRevision = u"XQ74DMRB";
    image.UpgradableRevision = u"XQ71DMRB";
    return image;
}

DiskRecord Disk(std::int32_t accessPath, std::u16string revision, std::int32_t resultCode) {
    DiskRecord disk;
    disk.AccessPath = static_cast<model::AccessKind>(accessPath);
    disk.ModelNumber = u"VELKORA TRVX208K 1TB";
    disk.SerialNumber = u"SN0001              ";
    disk.FirmwareRevision = std::move(revision);
    disk.ResultCode = static_cast<model::DiskResult>(resultCode);
    return disk;
}

struct ReportRun {
    std::int32_t finalResult;
    std::string text;
    model::DiskList disks;
};

ReportRun Report(model::DiskList disks) {
    sim::SimMachine machine;  // no devices: the report needs only the console and the clock
    machine.Clock().Set({2026, 12, 6, 19, 4, 9});
    app::RunContext context(machine.Platform());
    context.SelectedDisks = std::move(disks);
    context.RecordStartTime();
    const std::int32_t result = context.ReportResults(TestImage());
    return {result, machine.Console().Transcript(), context.SelectedDisks};
}

TEST(Report, FinalResultIsAFailureThenADownloadThenCurrentWhateverTheDiskOrder) {
    struct Case {
        model::DiskList disks;
        std::int32_t expected;
    };
    const Case cases[] = {
        // A download needs a reboot whichever way Windows listed the disks.
        {{Disk(3, u"XQ71DMRB", 1602), Disk(3, u"XQ74DMRB", 20)}, 1602},
        {{Disk(3, u"XQ74DMRB", 20), Disk(3, u"XQ71DMRB", 1602)}, 1602},
        {{Disk(3, u"XQ71DMRB", 1), Disk(3, u"XQ71DMRB", 1602)}, 1},
        {{Disk(3, u"XQ71DMRB", 1602), Disk(1, u"XQ71DMRB", 5)}, 1},
        {{Disk(3, u"XQ74DMRB", 20), Disk(3, u"XQ74DMRB", 20), Disk(1, u"XQ71DMRB", 5)}, 1},
        {{Disk(3, u"XQ74DMRB", 20), Disk(2, u"XQ74DMRB", 20)}, 4000},
        // The RST access path's accepted activation counts as a pending reboot.
        {{Disk(2, u"XQ71DMRB", 0)}, 1602},
        {{Disk(1, u"XQ71DMRB", 0), Disk(3, u"XQ74DMRB", 20)}, 1602},
        {{Disk(3, u"XQ74DMRB", 20), Disk(1, u"XQ71DMRB", 0)}, 1602},
        // An inbox record that reaches the report with 0 keeps the plain success text.
        {{Disk(3, u"XQ71DMRB", 0)}, 0},
        // A code the report has no text for is never taken as a success.
        {{Disk(3, u"XQ71DMRB", 1602), Disk(3, u"XQ71DMRB", 77)}, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Report(c.disks).finalResult, c.expected);
    }
}

TEST(Report, CodesAreSettledBeforeTheirTextIsChosen) {
    const ReportRun run = Report({Disk(2, u"XQ71DMRB", 0), Disk(3, u"XQ74DMRB", 20),
                                  Disk(3, u"XQ71DMRB", 0), Disk(1, u"XQ71DMRB", 5)});
    EXPECT_EQ(model::ToInt(run.disks[0].ResultCode), 1602);
    EXPECT_EQ(model::ToInt(run.disks[1].ResultCode), 4000);
    EXPECT_EQ(model::ToInt(run.disks[2].ResultCode), 0);
    EXPECT_EQ(model::ToInt(run.disks[3].ResultCode), 5);
    const std::string& t = run.text;
    EXPECT_NE(t.find("[Disk #1]\n"), std::string::npos);
    EXPECT_NE(t.find("[Disk #4]\n"), std::string::npos);
    EXPECT_NE(t.find("[Disk #2]\nModel Number : VELKORA TRVX208K 1TB\nSerial Number : SN0001      "
                     "        \nCurrent Firmware Version : XQ74DMRB\nUpdated Firmware Version : "
                     "XQ74DMRB\nResult Details : Already have the latest firmware.\n"),
              std::string::npos);
    EXPECT_NE(t.find("Result Details : Updated firmware successfully.\n"), std::string::npos);
    EXPECT_NE(t.find("Result Details : Unable to update firmware.\n\n[Final Result]\nResult "
                     "Details : Unable to update firmware.\n"),
              std::string::npos);
}

TEST(Report, IdentityTextIsNarrowedAndInvalidUtf8ShownAsReplacement) {
    DiskRecord disk = Disk(3, u"XQ71DMRB", 1602);
    // Identification widens bytes with their sign: 0xC3 arrives as U+FFC3.
    disk.ModelNumber = u"MODEL\uFFC3X";
    disk.SerialNumber = u"";
    const ReportRun run = Report({disk});
    EXPECT_NE(run.text.find("Model Number : MODEL\xEF\xBF\xBDX\nSerial Number : \n"),
              std::string::npos)
        << run.text;
    EXPECT_NE(run.text.find("[Final Result]"), std::string::npos);
}

TEST(FormatLocalTime, PadsEveryField) {
    sim::SimClock clock({2025, 1, 3, 9, 5, 7});
    EXPECT_EQ(app::FormatLocalTime(clock), "03-01-2025(09:05:07)");
    clock.Set({987, 12, 31, 23, 59, 0});
    EXPECT_EQ(app::FormatLocalTime(clock), "31-12-0987(23:59:00)");
}

}  // namespace
