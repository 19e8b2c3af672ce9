// Whole runs of the inbox road against the simulated machine, looking at what the drives
// themselves received (the transcripts are compared by the scenario file tests).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "image/carried_image.h"
#include "sim/scenario.h"
#include "sim/scenario_runner.h"

namespace {

using Kind = sim::DriveRequest::Kind;

std::unique_ptr<sim::SimMachine> Load(const std::string& name) {
    const char* source = std::getenv("FWU_SOURCE_DIR");
    sim::LoadResult loaded = sim::LoadScenarioFile(std::string(source != nullptr ? source : ".") +
                                                   "/sim/scenarios/" + name + ".json");
    EXPECT_TRUE(loaded.machine) << name << ": " << loaded.error;
    return std::move(loaded.machine);
}

void ExpectNothingLeftOpen(const sim::SimMachine& machine) {
    EXPECT_EQ(machine.OpenHandleCount(), 0u);
    EXPECT_EQ(machine.OpenListCount(), 0u);
    EXPECT_TRUE(machine.Misuse().empty());
}

TEST(InboxScenario, DriveHoldsTheImageAndRunsItAfterReset) {
    auto machine = Load("inbox_update_one");
    ASSERT_TRUE(machine);
    EXPECT_EQ(sim::RunScenario(*machine).exitCode, 1602);
    ExpectNothingLeftOpen(*machine);

    const sim::NvmeDrive& drive = *machine->FindDrive("d0");
    const std::vector<std::uint8_t> carried(image::kCarriedImage,
                                            image::kCarriedImage + image::kImageSize);
    EXPECT_EQ(drive.BytesReceived(), carried);
    EXPECT_EQ(drive.CountRequests(Kind::Download), 64u);
    EXPECT_TRUE(drive.CommittedKnownGood());
    EXPECT_EQ(drive.PendingSlot(), std::optional<std::uint8_t>(2));  // slot 1 is read-only
    EXPECT_EQ(drive.RunningRevision(), "XQ71DMRB");

    machine->RebootDrives();
    EXPECT_EQ(drive.RunningRevision(), "XQ74DMRB");
    const sim::RunOutcome second = sim::RunScenario(*machine);
    EXPECT_EQ(second.exitCode, 4000);
    EXPECT_NE(second.transcript.find("Current Firmware Version : XQ74DMRB\n"
                                     "Updated Firmware Version : XQ74DMRB\n"
                                     "Result Details : Already have the latest firmware.\n"),
              std::string::npos);
    EXPECT_EQ(second.transcript.find("Target Disk Information"), std::string::npos);
    EXPECT_EQ(drive.CountRequests(Kind::Download), 64u);  // nothing more was sent
    ExpectNothingLeftOpen(*machine);
}

TEST(InboxScenario, NoActivationWithoutACompleteDownload) {
    struct Case {
        const char* scenario;
        const char* drive;
        std::size_t downloads;
    };
    const Case cases[] = {
        {"inbox_third_piece_fails", "d0", 2},  // the third piece never reached the drive
        {"inbox_two_first_fails", "d0", 2},    {"inbox_readonly_slots", "d0", 0},
        {"inbox_no_upgrade_support", "d0", 0}, {"inbox_getinfo_past_buffer", "d0", 0},
        {"inbox_unopenable_update", "d0", 0},
    };
    for (const Case& c : cases) {
        auto machine = Load(c.scenario);
        ASSERT_TRUE(machine);
        EXPECT_EQ(sim::RunScenario(*machine).exitCode, 1) << c.scenario;
        const sim::NvmeDrive& drive = *machine->FindDrive(c.drive);
        EXPECT_EQ(drive.CountRequests(Kind::Download), c.downloads) << c.scenario;
        EXPECT_EQ(drive.CountRequests(Kind::Commit), 0u) << c.scenario;
        EXPECT_FALSE(drive.ActivationPending()) << c.scenario;
        ExpectNothingLeftOpen(*machine);
    }
}

// Fails each platform call of a run with a short last piece in turn: every run must end with
// nothing open, a report, and the drive never told to activate an incomplete image.
TEST(InboxScenario, EveryFailedCallOfAShortLastPieceRunEndsSoundly) {
    auto clean = Load("inbox_granularity_255");
    ASSERT_TRUE(clean);
    sim::RunScenario(*clean);
    const std::uint64_t calls = clean->CallCount();
    ASSERT_GT(calls, 5u);

    for (std::uint64_t n = 1; n <= calls; ++n) {
        auto machine = Load("inbox_granularity_255");
        machine->Faults().FailCallNumber(n, win::kErrorIoDevice);
        const sim::RunOutcome outcome = sim::RunScenario(*machine);
        const std::string where = "call " + std::to_string(n);
        ExpectNothingLeftOpen(*machine);
        EXPECT_NE(outcome.transcript.find("[Final Result]"), std::string::npos) << where;
        const sim::NvmeDrive& drive = *machine->FindDrive("d0");
        if (drive.CountRequests(Kind::Commit) > 0) {
            EXPECT_TRUE(drive.CommittedKnownGood()) << where;
            EXPECT_EQ(outcome.exitCode, 1602) << where;
        } else {
            EXPECT_EQ(outcome.exitCode, 1) << where;
        }
    }
}

}  // namespace
