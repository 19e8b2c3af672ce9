// Fails each platform call of the default machine's run in turn: whatever fails, the tool must
// close every handle and list, print its report, exit with one of its codes and never activate
// an image that was not wholly downloaded.
#include <gtest/gtest.h>

#include <functional>

#include "sim/scenario.h"
#include "sim/scenario_runner.h"

namespace {

void ExpectSoundRun(sim::SimMachine& machine, const sim::RunOutcome& outcome,
                    const std::string& where) {
    EXPECT_EQ(machine.OpenHandleCount(), 0u) << where;
    EXPECT_EQ(machine.OpenListCount(), 0u) << where;
    EXPECT_TRUE(machine.Misuse().empty()) << where << ": " << machine.Misuse().front();
    EXPECT_TRUE(outcome.exitCode == 1 || outcome.exitCode == 1602 || outcome.exitCode == 4000)
        << where << ": exit code " << outcome.exitCode;
    EXPECT_NE(outcome.transcript.find("[Final Result]"), std::string::npos) << where;
    for (const auto& drive : machine.Drives()) {
        for (const sim::DriveRequest& request : drive->Requests()) {
            if (request.kind == sim::DriveRequest::Kind::Commit) {
                EXPECT_NE(request.status, sim::kNvmeInvalidFirmwareImage)
                    << where << ": drive " << drive->Name()
                    << " asked to activate an incomplete image";
            }
        }
    }
}

// Runs the default machine once cleanly, then once per call chosen by `pick` with the fault that
// `inject` adds for that call number. Of a run of download pieces only the first, second and last
// are chosen: the pieces between take the same road.
void Sweep(const std::function<bool(const sim::CallRecord&)>& pick,
           const std::function<void(sim::FaultPlan&, std::uint64_t)>& inject) {
    sim::LoadResult clean = sim::LoadDefaultScenario();
    ASSERT_TRUE(clean.machine) << clean.error;
    const sim::RunOutcome cleanOutcome = sim::RunScenario(*clean.machine);
    ExpectSoundRun(*clean.machine, cleanOutcome, "clean run");
    const std::uint64_t calls = clean.machine->CallCount();
    ASSERT_GT(calls, 10u);

    const auto& log = clean.machine->CallLog();
    auto isDownload = [&](std::uint64_t n) {
        return n >= 1 && n <= calls && log[n - 1].call.kind == sim::CallKind::Control &&
               log[n - 1].call.function == 2;
    };
    for (std::uint64_t n = 1; n <= calls; ++n) {
        if ((isDownload(n) && isDownload(n - 2) && isDownload(n + 1)) || !pick(log[n - 1])) {
            continue;
        }
        sim::LoadResult loaded = sim::LoadDefaultScenario();
        inject(loaded.machine->Faults(), n);
        const sim::RunOutcome outcome = sim::RunScenario(*loaded.machine);
        const sim::CallRecord& hit = loaded.machine->CallLog().at(n - 1);
        ExpectSoundRun(*loaded.machine, outcome,
                       "call " + std::to_string(n) + " (" +
                           std::string(sim::CallKindName(hit.call.kind)) + " " +
                           hit.call.signature + ")");
    }
}

TEST(FaultSweep, EveryFailedCallOfTheDefaultRunEndsSoundly) {
    Sweep([](const sim::CallRecord&) { return true; },
          [](sim::FaultPlan& faults, std::uint64_t n) {
              faults.FailCallNumber(n, win::kErrorIoDevice);
          });
}

TEST(FaultSweep, EveryDriverErrorStatusOfTheDefaultRunEndsSoundly) {
    // The request reaches no drive; the driver answers an error status in ReturnCode.
    Sweep([](const sim::CallRecord& record) { return !record.call.signature.empty(); },
          [](sim::FaultPlan& faults, std::uint64_t n) {
              sim::Fault fault;
              fault.callNumber = n;
              fault.returnCode = 1;
              faults.Add(fault);
          });
}

}  // namespace
