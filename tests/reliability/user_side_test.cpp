// Bad input from the user's side, on every reliability machine: an argument is refused before any
// device is touched, and a user whose every open is refused (ERROR_ACCESS_DENIED) gets the report
// and exit code 1 while no request reaches any drive.
#include <gtest/gtest.h>

#include <algorithm>

#include "sim/sim_console.h"
#include "tests/reliability/run_checks.h"

namespace {

bool AnyDeviceControl(const sim::SimMachine& machine) {
    const auto& log = machine.CallLog();
    return std::any_of(log.begin(), log.end(), [](const sim::CallRecord& record) {
        return record.call.kind == sim::CallKind::Control;
    });
}

std::size_t DriveRequests(const sim::SimMachine& machine) {
    std::size_t count = 0;
    for (const auto& drive : machine.Drives()) {
        count += drive->Requests().size();
    }
    return count;
}

class UserSide : public testing::TestWithParam<std::string> {};

TEST_P(UserSide, AnArgumentIsRefusedBeforeAnyDeviceIsTouched) {
    sim::LoadResult loaded = reliability::LoadReliabilityScenario(GetParam());
    ASSERT_TRUE(loaded.machine) << loaded.error;
    loaded.machine->SetArgc(2);
    const sim::RunOutcome outcome = sim::RunScenario(*loaded.machine);
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.transcript,
              "[ERROR] Invalid Parameter\n" + std::string(sim::SimConsole::kPausePrompt) + "\n");
    EXPECT_EQ(loaded.machine->CallCount(), 0u);
}

TEST_P(UserSide, EveryOpenRefusedEndsWithTheReportAndNothingSent) {
    sim::LoadResult loaded = reliability::LoadReliabilityScenario(GetParam());
    ASSERT_TRUE(loaded.machine) << loaded.error;
    sim::Fault refuse;
    refuse.kind = sim::CallKind::Open;
    refuse.error = win::kErrorAccessDenied;
    loaded.machine->Faults().Add(refuse);

    const sim::RunOutcome outcome = sim::RunScenario(*loaded.machine);

    EXPECT_EQ(outcome.exitCode, 1);
    for (const std::string& rule : reliability::CheckRun(*loaded.machine, outcome)) {
        ADD_FAILURE() << rule;
    }
    const reliability::Report report = reliability::ParseReport(outcome.transcript);
    EXPECT_EQ(report.finalResultCount, 1);
    for (const reliability::ReportedDisk& disk : report.disks) {
        EXPECT_EQ(disk.result, "Unable to update firmware.") << "disk " << disk.number;
    }
    EXPECT_FALSE(AnyDeviceControl(*loaded.machine));
    EXPECT_EQ(DriveRequests(*loaded.machine), 0u);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, UserSide,
                         testing::ValuesIn(reliability::ReliabilityScenarios()));

}  // namespace
