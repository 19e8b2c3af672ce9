// The run lock and the keep-awake request against what the run does: the lock is taken after the
// argument check and held through the pause; the system is kept awake over every device call and
// the whole report, and no longer at the pause; a run that finds the lock held touches no device
// and never keeps the system awake.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/console.h"
#include "sim/scenario.h"
#include "sim/scenario_runner.h"

namespace {

using Kind = sim::RunGuardEvent::Kind;

// A drive at the older revision, updated unless another run holds the lock.
sim::LoadResult LoadUpdatableMachine() {
    const char* source = std::getenv("FWU_SOURCE_DIR");
    return sim::LoadScenarioFile(std::string(source != nullptr ? source : ".") +
                                 "/sim/scenarios/run_lock_held.json");
}

struct GuardCase {
    const char* name;
    int argc;
    bool heldElsewhere;
    std::vector<Kind> events;
    int exitCode;
};

const GuardCase kCases[] = {
    {"update",
     1,
     false,
     {Kind::LockTaken, Kind::AwakeRequested, Kind::SleepAllowed, Kind::LockReleased},
     1602},
    {"argument", 2, false, {}, 1},
    {"held elsewhere", 1, true, {Kind::LockRefused}, 1},
};

TEST(RunGuards, EachIsHeldOverWhatItGuards) {
    const std::size_t promptLine = platform::kPausePrompt.size() + 1;
    for (const GuardCase& c : kCases) {
        SCOPED_TRACE(c.name);
        sim::LoadResult loaded = LoadUpdatableMachine();
        ASSERT_TRUE(loaded.machine) << loaded.error;
        sim::SimMachine& machine = *loaded.machine;
        machine.SetArgc(c.argc);
        machine.RunGuards().SetLockHeldElsewhere(c.heldElsewhere);

        const sim::RunOutcome outcome = sim::RunScenario(machine);

        EXPECT_EQ(outcome.exitCode, c.exitCode);
        const std::vector<sim::RunGuardEvent>& events = machine.RunGuards().Events();
        std::vector<Kind> kinds;
        for (const sim::RunGuardEvent& event : events) {
            kinds.push_back(event.kind);
        }
        ASSERT_EQ(kinds, c.events);
        EXPECT_FALSE(machine.RunGuards().LockHeld());
        EXPECT_FALSE(machine.RunGuards().AwakeRequested());
        if (!events.empty()) {
            EXPECT_EQ(events.front().callsBefore, 0u);
        }
        if (c.heldElsewhere) {
            EXPECT_EQ(machine.CallCount(), 0u);
        }
        if (events.size() == 4) {
            EXPECT_EQ(events[1].callsBefore, 0u);  // awake before discovery's first call
            EXPECT_EQ(events[2].callsBefore, machine.CallCount());
            EXPECT_EQ(events[2].outputBefore, outcome.transcript.size() - promptLine);
            EXPECT_EQ(events[2].pausesBefore, 0);
            EXPECT_EQ(events[3].pausesBefore, 1);  // released after the pause
        }
    }
}

}  // namespace
