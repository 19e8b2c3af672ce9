// Whole runs on 1, 8, 64 and 256 drives, half inbox and half RST, as time per drive: the whole
// run as it stands (CPU time, simulator included), and the tool's own share of it.
#include <benchmark/benchmark.h>

#include <memory>

#include "app/run_tool.h"
#include "bench/bench_statistics.h"
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
        const int exitCode =
            app::RunTool(machine->Argc(), machine->Platform(), machine->Services());
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

// The same runs through a stopwatch on every platform call. The share of the run's wall time
// spent outside platform calls is the tool's; applied to the CPU time it gives the tool's own
// CPU time, which other processes on a shared machine disturb less than wall time.
void BM_WholeRunToolShare(benchmark::State& state) {
    const auto drives = static_cast<std::uint32_t>(state.range(0));
    std::uint64_t calls = 0;
    std::chrono::nanoseconds total{};
    std::chrono::nanoseconds inPlatform{};
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<sim::SimMachine> machine =
            sim::BuildScaledMachine(sim::HalfInboxHalfRst(drives));
        TimedPlatform timed(machine->Platform());
        PlatformTimeGuard::Reset();
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        const int exitCode = app::RunTool(machine->Argc(), timed.Platform(), machine->Services());
        total += std::chrono::steady_clock::now() - start;
        inPlatform += PlatformTimeGuard::Total();
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
    state.counters["tool_share"] =
        total.count() > 0
            ? 1.0 - static_cast<double>(inPlatform.count()) / static_cast<double>(total.count())
            : 0.0;
}

BENCHMARK(BM_WholeRun)
    ->Arg(1)
    ->Arg(8)
    ->Arg(64)
    ->Arg(256)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", MinOf);
BENCHMARK(BM_WholeRunToolShare)
    ->Arg(1)
    ->Arg(8)
    ->Arg(64)
    ->Arg(256)
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", MinOf);

}  // namespace

}  // namespace bench
