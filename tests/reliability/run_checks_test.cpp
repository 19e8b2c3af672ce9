// The invariant checks must see the faults they are there for: each case breaks one rule on a
// hand-made machine and transcript.
#include <gtest/gtest.h>

#include <span>

#include "image/carried_image.h"
#include "tests/reliability/run_checks.h"

namespace {

constexpr const char* kSerial = "7A3C25000001";
constexpr const char* kReboot =
    "Downloaded firmware successfully, but firmware activation requires reboot.";
constexpr const char* kUnable = "Unable to update firmware.";

std::string Transcript(const std::vector<std::string>& results, const std::string& finalLine) {
    std::string text = "Start Time : 07-12-2026(10:00:00)\nEnd Time : 07-12-2026(10:00:01)\n";
    int number = 1;
    for (const std::string& result : results) {
        text += "\n[Disk #" + std::to_string(number++) +
                "]\nModel Number : M\nSerial Number : " + std::string(kSerial) +
                "        \nResult Details : " + result + "\n";
    }
    if (results.empty()) {
        text += "\n[No Disk]\n";
    }
    return text + "\n[Final Result]\n" + finalLine + "\n\n";
}

enum class DriveState {
    Untouched,
    PartImage,
    WholeImageCommitted,
    PartImageCommitted,
    WholeImageCommittedTwice
};

void Drive(sim::NvmeDrive& drive, DriveState state) {
    const std::span<const std::uint8_t> image(image::kCarriedImage, image::kImageSize);
    const std::size_t half = image::kImageSize / 2;
    switch (state) {
        case DriveState::Untouched:
            return;
        case DriveState::PartImage:
            drive.Download(0, image.first(half));
            return;
        case DriveState::WholeImageCommitted:
            drive.Download(0, image.first(half));
            drive.Download(half, image.subspan(half));
            drive.Commit(0, 1);
            return;
        case DriveState::PartImageCommitted:
            drive.Download(0, image.first(half));
            drive.Commit(0, 1);
            return;
        case DriveState::WholeImageCommittedTwice:
            Drive(drive, DriveState::WholeImageCommitted);
            Drive(drive, DriveState::WholeImageCommitted);
            return;
    }
}

// The maker's inbox disk at \\.\PHYSICALDRIVE1: not there, or held open by the run; or another
// drive of the maker at the older revision that the run never reached.
enum class InboxDisk { None, LeftOpen, MakersDriveMissed };

struct Case {
    const char* name;
    DriveState drive;
    const char* result;  // the one disk's result text; null: no disk in the report
    std::int32_t exitCode;
    InboxDisk inboxDisk;
    const char* brokenRule;  // a part of the expected complaint; null: a sound run
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class RunChecks : public testing::TestWithParam<Case> {};

TEST_P(RunChecks, SeeWhatIsBroken) {
    const Case& c = GetParam();
    sim::SimMachine machine;
    sim::NvmeDriveConfig config;
    config.name = "d";
    config.serial = kSerial;
    config.fwug = 0xFF;
    Drive(machine.AddDrive(config), c.drive);
    std::optional<platform::OpenResult> held;
    if (c.inboxDisk == InboxDisk::LeftOpen) {
        sim::InboxDiskConfig disk;
        disk.deviceNumber = 1;
        machine.AddInboxDisk(disk, *machine.Drives().front());
        held = machine.Open(u"\\\\.\\PHYSICALDRIVE1", win::kGenericRead, 0, 0);
        ASSERT_TRUE(held->Handle.Valid());
    }
    if (c.inboxDisk == InboxDisk::MakersDriveMissed) {
        sim::NvmeDriveConfig missed;
        missed.name = "m";
        missed.revision = "XQ71DMRB";
        machine.AddDrive(missed);
    }
    std::vector<std::string> results;
    if (c.result != nullptr) {
        results.push_back(c.result);
    }
    const std::string finalLine =
        std::string("Result Details : ") + (c.result == kReboot ? kReboot : kUnable);

    const std::vector<std::string> broken =
        reliability::CheckRun(machine, {Transcript(results, finalLine), c.exitCode, {}});

    if (c.brokenRule == nullptr) {
        EXPECT_TRUE(broken.empty()) << broken.front();
        return;
    }
    ASSERT_FALSE(broken.empty());
    EXPECT_NE(broken.front().find(c.brokenRule), std::string::npos) << broken.front();
}

using enum DriveState;

INSTANTIATE_TEST_SUITE_P(
    Cases, RunChecks,
    testing::Values(
        Case{"sound_update", WholeImageCommitted, kReboot, 1602, InboxDisk::None, nullptr},
        Case{"sound_failure", PartImage, kUnable, 1, InboxDisk::None, nullptr},
        Case{"failure_called_success", PartImage, kUnable, 1602, InboxDisk::None, "exit code 1602"},
        Case{"no_disk_not_exit_1", Untouched, nullptr, 4000, InboxDisk::None, "exit code 4000"},
        Case{"incomplete_image_activated", PartImageCommitted, kUnable, 1, InboxDisk::None,
             "incomplete image"},
        Case{"reported_updated_without_image", PartImage, kReboot, 1602, InboxDisk::None,
             "took no image"},
        Case{"sent_firmware_not_reported", PartImage, nullptr, 1, InboxDisk::None, "not reported"},
        Case{"handle_left_open", Untouched, nullptr, 1, InboxDisk::LeftOpen, "handle"},
        Case{"image_sent_twice", WholeImageCommittedTwice, kReboot, 1602, InboxDisk::None,
             "image twice"},
        Case{"missed_drive_fails_the_run", WholeImageCommitted, kReboot, 1,
             InboxDisk::MakersDriveMissed, nullptr},
        Case{"missed_drive_called_success", WholeImageCommitted, kReboot, 1602,
             InboxDisk::MakersDriveMissed, "drive m was not updated"}),
    [](const testing::TestParamInfo<Case>& paramInfo) {
        return std::string(paramInfo.param.name);
    });

TEST(RunChecks, AMissingReportIsBroken) {
    sim::SimMachine machine;
    const std::vector<std::string> broken =
        reliability::CheckRun(machine, {"banner only\n", 1, {}});
    ASSERT_FALSE(broken.empty());
    EXPECT_NE(broken.front().find("report printed 0 times"), std::string::npos);
}

}  // namespace
