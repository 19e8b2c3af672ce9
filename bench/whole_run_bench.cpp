// Whole runs on 1, 8, 64 and 256 drives, half inbox and half RST, as time per drive.
#include <benchmark/benchmark.h>

#include <memory>

#include "app/run_tool.h"
#include "sim/scaled_machine.h"

namespace bench {

namespace {

constexpr int kExitRebootRequired = 1602;

void BM_WholeRun(benchmark::State& state) {
    const auto drives = static_cast<std::uint32_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<sim::SimMachine> machine =
            sim::BuildScaledMachine(sim::HalfInboxHalfRst(drives));
        state.ResumeTiming();
        const int exitCode = app::RunTool(machine->Argc(), machine->Platform());
        state.PauseTiming();
        if (exitCode != kExitRebootRequired) {
            state.SkipWithError("the run did not update every drive");
        }
        machine.reset();
        state.ResumeTiming();
        if (exitCode != kExitRebootRequired) {
            break;
        }
    }
    state.counters["drives"] = static_cast<double>(drives);
    state.counters["per_drive"] = benchmark::Counter(
        static_cast<double>(drives), benchmark::Counter::kIsIterationInvariantRate |
                                         benchmark::Counter::kInvert);
}

BENCHMARK(BM_WholeRun)->Arg(1)->Arg(8)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace bench
