// Whole runs on 1, 8, 64 and 256 drives, half inbox and half RST, as time per drive: the whole
// run as it stands (CPU time, simulator included), and the tool's own time (wall time of the
// run less the time inside platform calls).
#include <benchmark/benchmark.h>

#include <memory>

#include "app/run_tool.h"
#include "bench/platform_time.h"
#include "sim/scaled_machine.h"

namespace bench {

namespace {

constexpr int kExitRebootRequired = 1602;

void PerDriveCounters(benchmark::State& state, std::uint32_t drives, std::uint64_t calls) {
    state.counters["drives"] = static_cast<double>(drives);
    state.counters["calls_per_drive"] = static_cast<double>(calls) / drives;
}

void BM_WholeRun(benchmark::State& state) {
    const auto drives = static_cast<std::uint32_t>(state.range(0));
    std::uint64_t calls = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<sim::SimMachine> machine =
            sim::BuildScaledMachine(sim::HalfInboxHalfRst(drives));
        state.ResumeTiming();
        const int exitCode = app::RunTool(machine->Argc(), machine->Platform());
        state.PauseTiming();
        calls = machine->CallCount();
        machine.reset();
        state.ResumeTiming();
        if (exitCode != kExitRebootRequired) {
            state.SkipWithError("the run did not update every drive");
            break;
        }
    }
    PerDriveCounters(state, drives, calls);
}

void BM_WholeRunToolOnly(benchmark::State& state) {
    const auto drives = static_cast<std::uint32_t>(state.range(0));
    std::uint64_t calls = 0;
    for (auto _ : state) {
        std::unique_ptr<sim::SimMachine> machine =
            sim::BuildScaledMachine(sim::HalfInboxHalfRst(drives));
        TimedPlatform timed(machine->Platform());
        PlatformTimeGuard::Reset();
        const auto start = std::chrono::steady_clock::now();
        const int exitCode = app::RunTool(machine->Argc(), timed.Platform());
        const auto elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(
            std::chrono::duration<double>(elapsed - PlatformTimeGuard::Total()).count());
        calls = machine->CallCount();
        if (exitCode != kExitRebootRequired) {
            state.SkipWithError("the run did not update every drive");
            break;
        }
    }
    PerDriveCounters(state, drives, calls);
}

BENCHMARK(BM_WholeRun)->Arg(1)->Arg(8)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeRunToolOnly)
    ->Arg(1)->Arg(8)->Arg(64)->Arg(256)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace bench
