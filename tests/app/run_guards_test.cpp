// The run lock, the keep-awake request and the console's keys against what the run does: the
// lock is taken after the argument check and held through the pause; the system is kept awake
// and Ctrl+C ignored over every device call and the whole report, neither at the pause; a run
// that cannot have the lock, or has it on a low battery, touches no device; in session 0 nobody
// waits for the pause's key.
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

// Ctrl+C right before the third download piece.
sim::Interrupt AtThirdPiece(sim::ConsoleControl key) {
    sim::Interrupt interrupt;
    interrupt.selector.kind = sim::CallKind::Control;
    interrupt.selector.signature = "FIRMWARE";
    interrupt.selector.function = 2;  // FIRMWARE_FUNCTION_DOWNLOAD
    interrupt.selector.occurrence = 3;
    interrupt.key = key;
    return interrupt;
}

// Ctrl+Break as the activation returns.
sim::Interrupt AfterActivation() {
    sim::Interrupt interrupt;
    interrupt.selector.kind = sim::CallKind::Control;
    interrupt.selector.signature = "FIRMWARE";
    interrupt.selector.function = 3;  // FIRMWARE_FUNCTION_ACTIVATE
    interrupt.key = sim::ConsoleControl::CtrlBreak;
    interrupt.after = true;
    return interrupt;
}

struct GuardCase {
    const char* name;
    int argc;
    bool heldElsewhere;
    sim::LockSquatter squatter;
    std::uint32_t session;
    std::vector<sim::Interrupt> interrupts;
    std::vector<Kind> events;
    int exitCode;
    platform::PowerStatus power = {};
};

const std::vector<Kind> kUpdate = {Kind::LockTaken,         Kind::AwakeRequested,
                                   Kind::InterruptsIgnored, Kind::InterruptsEnded,
                                   Kind::SleepAllowed,      Kind::LockReleased};

const GuardCase kCases[] = {
    {"update", 1, false, sim::LockSquatter::None, 1, {}, kUpdate, 1602},
    {"argument", 2, false, sim::LockSquatter::None, 1, {}, {}, 1},
    {"held elsewhere", 1, true, sim::LockSquatter::None, 1, {}, {Kind::LockRefused}, 1618},
    {"name taken by an event",
     1,
     false,
     sim::LockSquatter::Event,
     1,
     {},
     {Kind::LockRefused},
     1618},
    {"name taken by a foreign mutex",
     1,
     false,
     sim::LockSquatter::Mutex,
     1,
     {},
     {Kind::LockRefused},
     1618},
    {"session 0", 1, false, sim::LockSquatter::None, 0, {}, kUpdate, 1602},
    {"on battery at 5 %",
     1,
     false,
     sim::LockSquatter::None,
     1,
     {},
     {Kind::LockTaken, Kind::LockReleased},
     1618,
     {0, 2, 5}},
    {"session 0 with an argument", 2, false, sim::LockSquatter::None, 0, {}, {}, 1},
    {"session 0, lock held", 1, true, sim::LockSquatter::None, 0, {}, {Kind::LockRefused}, 1618},
    {"Ctrl+C and Ctrl+Break during the download, Ctrl+Break after the activation",
     1,
     false,
     sim::LockSquatter::None,
     1,
     {AtThirdPiece(sim::ConsoleControl::CtrlC), AtThirdPiece(sim::ConsoleControl::CtrlBreak),
      AfterActivation()},
     {Kind::LockTaken, Kind::AwakeRequested, Kind::InterruptsIgnored, Kind::KeyIgnored,
      Kind::KeyIgnored, Kind::KeyIgnored, Kind::InterruptsEnded, Kind::SleepAllowed,
      Kind::LockReleased},
     1602},
};

TEST(RunGuards, EachIsHeldOverWhatItGuards) {
    const std::string promptLine = std::string(platform::kPausePrompt) + "\n";
    for (const GuardCase& c : kCases) {
        SCOPED_TRACE(c.name);
        sim::LoadResult loaded = LoadUpdatableMachine();
        ASSERT_TRUE(loaded.machine) << loaded.error;
        sim::SimMachine& machine = *loaded.machine;
        machine.SetArgc(c.argc);
        machine.RunGuards().SetLockHeldElsewhere(c.heldElsewhere);
        machine.RunGuards().SetLockSquatted(c.squatter);
        machine.Console().SetSession(c.session);
        machine.Power().SetStatus(c.power);
        for (const sim::Interrupt& interrupt : c.interrupts) {
            machine.AddInterrupt(interrupt);
        }

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
        // The prompt ends the output in every case; only a session with a user waits at it.
        ASSERT_GE(outcome.transcript.size(), promptLine.size());
        EXPECT_EQ(outcome.transcript.substr(outcome.transcript.size() - promptLine.size()),
                  promptLine);
        EXPECT_EQ(machine.Console().PauseCount(), c.session == 0 ? 0 : 1);
        if (!events.empty()) {
            EXPECT_EQ(events.front().callsBefore, 0u);
        }
        // Without the lock, or with it on a low battery, no device is touched.
        if (kinds.size() <= 2) {
            EXPECT_EQ(machine.CallCount(), 0u);
        }
        if (kinds.size() < kUpdate.size()) {
            continue;
        }
        // Awake and Ctrl+C ignored before discovery's first call, until every call is made
        // and the report written; both given back before the pause, the lock after it.
        EXPECT_EQ(events[1].callsBefore, 0u);
        EXPECT_EQ(events[2].callsBefore, 0u);
        const sim::RunGuardEvent& ended = events[events.size() - 3];
        EXPECT_EQ(ended.kind, Kind::InterruptsEnded);
        EXPECT_EQ(ended.callsBefore, machine.CallCount());
        EXPECT_EQ(ended.outputBefore, outcome.transcript.size() - promptLine.size());
        EXPECT_EQ(ended.pausesBefore, 0);
        EXPECT_EQ(events.back().pausesBefore, c.session == 0 ? 0 : 1);
    }
}

}  // namespace
