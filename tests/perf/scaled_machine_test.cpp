#include <gtest/gtest.h>

#include "app/run_tool.h"
#include "bench/platform_time.h"
#include "sim/scaled_machine.h"

namespace {

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

struct Outcome {
    int exitCode = 0;
    std::string transcript;
    std::uint64_t calls = 0;
};

// One run of a fresh scaled machine through `wrap`; the machine must end with nothing left open.
template <typename Wrap>
Outcome RunScaled(const sim::ScaledMachineOptions& options, Wrap wrap) {
    const auto machine = sim::BuildScaledMachine(options);
    const Outcome outcome{wrap(*machine), machine->Console().Transcript(), machine->CallCount()};
    EXPECT_EQ(machine->OpenHandleCount(), 0u);
    EXPECT_EQ(machine->OpenListCount(), 0u);
    EXPECT_TRUE(machine->Misuse().empty());
    for (const auto& drive : machine->Drives()) {
        // Identified by the tool (the inbox driver's slot query asks the drive again).
        EXPECT_GE(drive->CountRequests(sim::DriveRequest::Kind::Identify), 1u) << drive->Name();
        EXPECT_EQ(drive->CountRequests(sim::DriveRequest::Kind::Download), 0u) << drive->Name();
    }
    return outcome;
}

// Every drive of a scaled machine must be found, identified and updated, on both access paths, or
// the whole-run figures would time a shorter run than they claim. The counting and timing platforms
// must be invisible to the tool: the same calls, the same answers, the same transcript.
TEST(ScaledMachine, EveryDriveIsUpdatedOnBothAccessPathsThroughEveryPlatform) {
    for (const std::uint32_t drives : {1u, 2u, 5u, 16u}) {
        SCOPED_TRACE(drives);
        const sim::ScaledMachineOptions options = sim::HalfInboxHalfRst(drives);
        EXPECT_EQ(options.inboxDrives + options.rstDrives, drives);
        const Outcome direct = RunScaled(options, [](sim::SimMachine& m) {
            return app::RunTool(m.Argc(), m.Platform(), m.Services());
        });
        EXPECT_EQ(direct.exitCode, 1602);
        EXPECT_EQ(Count(direct.transcript, "[Disk #"), drives);
        EXPECT_EQ(Count(direct.transcript, "Result Details : Downloaded firmware successfully"),
                  drives + 1);
        EXPECT_EQ(Count(direct.transcript, "[PASS] Firmware download is succeeded."),
                  options.rstDrives);

        const Outcome counted = RunScaled(options, [](sim::SimMachine& m) {
            bench::CountingPlatform counting(m.Platform());
            return app::RunTool(m.Argc(), counting.Platform(), m.Services());
        });
        bench::PlatformTimeGuard::Reset();
        const Outcome timed = RunScaled(options, [](sim::SimMachine& m) {
            bench::TimedPlatform timing(m.Platform());
            return app::RunTool(m.Argc(), timing.Platform(), m.Services());
        });
        EXPECT_GT(bench::PlatformTimeGuard::Total().count(), 0);
        for (const Outcome* guarded : {&counted, &timed}) {
            EXPECT_EQ(guarded->exitCode, direct.exitCode);
            EXPECT_EQ(guarded->transcript, direct.transcript);
            EXPECT_EQ(guarded->calls, direct.calls);
        }
    }
}

// Without the sink the same machine is an ordinary simulated one: each drive receives the
// whole image and installs it.
TEST(ScaledMachine, WithoutTheSinkTheDrivesReceiveAndInstallTheImage) {
    sim::ScaledMachineOptions options = sim::HalfInboxHalfRst(4);
    options.sinkDownloads = false;
    const auto machine = sim::BuildScaledMachine(options);
    EXPECT_EQ(app::RunTool(machine->Argc(), machine->Platform(), machine->Services()), 1602);
    ASSERT_EQ(machine->Drives().size(), 4u);
    for (const auto& drive : machine->Drives()) {
        EXPECT_TRUE(drive->CommittedKnownGood()) << drive->Name();
        EXPECT_EQ(drive->BytesReceived().size(), 0x200000u) << drive->Name();
    }
}

}  // namespace
