#include <gtest/gtest.h>

#include "app/run_tool.h"
#include "bench/platform_time.h"
#include "sim/scaled_machine.h"

namespace {

struct Outcome {
    int exitCode = 0;
    std::string transcript;
    std::uint64_t calls = 0;
    bool clean = false;
};

template <typename Wrap>
Outcome RunSixDrives(Wrap wrap) {
    const auto machine = sim::BuildScaledMachine(sim::HalfInboxHalfRst(6));
    Outcome outcome;
    outcome.exitCode = wrap(*machine);
    outcome.transcript = machine->Console().Transcript();
    outcome.calls = machine->CallCount();
    outcome.clean = machine->OpenHandleCount() == 0 && machine->OpenListCount() == 0 &&
                    machine->Misuse().empty();
    return outcome;
}

// The guarded platforms must be invisible to the tool: the same calls, the same answers, the
// same transcript, and every handle and list still closed by the machine that made it.
TEST(GuardedPlatform, RunsThroughAGuardAreTheSameRuns) {
    const Outcome direct =
        RunSixDrives([](sim::SimMachine& m) { return app::RunTool(m.Argc(), m.Platform()); });
    const Outcome counted = RunSixDrives([](sim::SimMachine& m) {
        bench::CountingPlatform counting(m.Platform());
        return app::RunTool(m.Argc(), counting.Platform());
    });
    bench::PlatformTimeGuard::Reset();
    const Outcome timed = RunSixDrives([](sim::SimMachine& m) {
        bench::TimedPlatform timed(m.Platform());
        return app::RunTool(m.Argc(), timed.Platform());
    });

    EXPECT_EQ(direct.exitCode, 1602);
    EXPECT_TRUE(direct.clean);
    for (const Outcome* guarded : {&counted, &timed}) {
        EXPECT_EQ(guarded->exitCode, direct.exitCode);
        EXPECT_EQ(guarded->transcript, direct.transcript);
        EXPECT_EQ(guarded->calls, direct.calls);
        EXPECT_TRUE(guarded->clean);
    }
    EXPECT_GT(bench::PlatformTimeGuard::Total().count(), 0);
}

}  // namespace
