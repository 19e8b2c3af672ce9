// The bench program: runs the download and whole-run benchmarks, then the heap count, then
// prints the figures the targets are judged by (download cost against memcpy, time per drive
// from 8 to 256 drives, the tool's peak heap for 1 and 256 drives).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/whole_run.h"

namespace bench {

namespace {

constexpr double kDownloadTarget = 1.3;
constexpr double kFlatnessTarget = 1.2;

// Seconds per iteration of each benchmark ("BM_WholeRun/8") and its counters. With repetitions,
// the time is the fastest repetition (other processes on a shared machine only ever add time)
// and the counters are the medians.
class CapturingReporter final : public benchmark::ConsoleReporter {
public:
    struct Figures {
        double cpuSeconds = 0;
        std::map<std::string, double> counters;
    };

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) {
                continue;
            }
            const std::string kind = run.run_type == Run::RT_Aggregate ? run.aggregate_name : "";
            if (kind != "" && kind != "median" && kind != "min") {
                continue;
            }
            Figures& figures =
                m_figures[run.run_name.function_name + "/" + run.run_name.args][kind];
            figures.cpuSeconds =
                run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            for (const auto& [counter, value] : run.counters) {
                figures.counters[counter] = value.value;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    bool Has(const std::string& name) const { return m_figures.count(name) != 0; }
    double Seconds(const std::string& name) const { return Get(name).cpuSeconds; }
    Figures Get(const std::string& name) const {
        const auto& kinds = m_figures.at(name);
        auto pick = [&](std::initializer_list<const char*> order) {
            for (const char* kind : order) {
                if (const auto it = kinds.find(kind); it != kinds.end()) {
                    return it->second;
                }
            }
            return Figures{};
        };
        Figures figures = pick({"min", "median", ""});
        figures.counters = pick({"median", ""}).counters;
        return figures;
    }

private:
    std::map<std::string, std::map<std::string, Figures>> m_figures;
};

const char* Verdict(bool met) {
    return met ? "met" : "MISSED";
}

void PrintDownloadTable(const CapturingReporter& results) {
    std::printf(
        "\nDownload cost per image byte against memcpy of the 2 MiB into a buffer of the piece "
        "size, timed in alternating rounds; medians of the rounds and the ratio of the medians\n");
    std::printf("%-12s %-9s %8s %12s %12s %8s %12s %8s\n", "granularity", "piece", "rounds",
                "memcpy ns/B", "inbox ns/B", "ratio", "rst ns/B", "ratio");
    bool met = true;
    int rows = 0;
    for (const char* g : {"1", "8", "64"}) {
        const std::string name = std::string("BM_DownloadRatio/") + g;
        if (!results.Has(name)) {
            continue;
        }
        ++rows;
        const auto counters = results.Get(name).counters;
        auto counter = [&](const char* key) {
            const auto it = counters.find(key);
            return it == counters.end() ? 0.0 : it->second;
        };
        const double inboxRatio = counter("inbox_ratio");
        const double rstRatio = counter("rst_ratio");
        met = met && inboxRatio > 0 && inboxRatio <= kDownloadTarget && rstRatio > 0 &&
              rstRatio <= kDownloadTarget;
        std::printf("%-12s %6d KiB %8.0f %12.4f %12.4f %8.2f %12.4f %8.2f\n", g, std::stoi(g) * 4,
                    counter("rounds"), counter("memcpy_ns_per_B"), counter("inbox_ns_per_B"),
                    inboxRatio, counter("rst_ns_per_B"), rstRatio);
    }
    if (rows > 0) {
        std::printf("target: at most %.1fx the memcpy limit at every granularity: %s\n",
                    kDownloadTarget, Verdict(met));
    }
}

void PrintFlatness(const char* what, const std::vector<double>& perDrive) {
    if (perDrive.size() < 2) {
        return;
    }
    const auto [low, high] = std::minmax_element(perDrive.begin(), perDrive.end());
    const double spread = *high / *low;
    std::printf("target: %s per drive flat within 20%% from 8 to 256 drives: max/min %.2f: %s\n",
                what, spread, Verdict(spread <= kFlatnessTarget));
}

void PrintWholeRunTable(const CapturingReporter& results) {
    std::printf(
        "\nWhole runs (discovery to report), half inbox and half RST; tool: the run's CPU "
        "time times the share of its time spent outside platform calls\n");
    std::printf("%-8s %14s %14s %16s %16s\n", "drives", "run ms (CPU)", "us per drive",
                "tool us / drive", "calls per drive");
    std::vector<double> wholeFlat;
    std::vector<double> toolFlat;
    for (int drives : {1, 8, 64, 256}) {
        const std::string whole = "BM_WholeRun/" + std::to_string(drives);
        const std::string tool = "BM_WholeRunToolShare/" + std::to_string(drives);
        if (!results.Has(whole) || !results.Has(tool)) {
            continue;
        }
        const double perDrive = results.Seconds(whole) / drives;
        const CapturingReporter::Figures toolFigures = results.Get(tool);
        const auto share = toolFigures.counters.find("tool_share");
        const double toolPerDrive = toolFigures.cpuSeconds *
                                    (share == toolFigures.counters.end() ? 0.0 : share->second) /
                                    drives;
        if (drives >= 8) {
            wholeFlat.push_back(perDrive);
            toolFlat.push_back(toolPerDrive);
        }
        const auto counters = results.Get(whole).counters;
        const auto calls = counters.find("calls_per_drive");
        std::printf("%-8d %14.3f %14.1f %16.1f %16.1f\n", drives, results.Seconds(whole) * 1e3,
                    perDrive * 1e6, toolPerDrive * 1e6,
                    calls == counters.end() ? 0.0 : calls->second);
    }
    PrintFlatness("the whole run's CPU time (simulator included)", wholeFlat);
    PrintFlatness("the tool's own time", toolFlat);
}

void PrintHeapTable() {
    std::printf("\nThe tool's own heap during a whole run (the simulator's memory excluded)\n");
    const WholeRunResult one = RunWholeTool(1, true);
    const WholeRunResult many = RunWholeTool(256, true);
    std::printf("%-8s %12s %12s %14s %14s %10s %6s\n", "drives", "peak bytes", "allocations",
                "report chars", "live at report", "exit code", "clean");
    for (const auto& [drives, run] : {std::pair{1, one}, std::pair{256, many}}) {
        std::printf("%-8d %12llu %12llu %14zu %14llu %10d %6s\n", drives,
                    static_cast<unsigned long long>(run.heap.peakBytes),
                    static_cast<unsigned long long>(run.heap.allocations), run.reportChars,
                    static_cast<unsigned long long>(run.liveAtReport), run.exitCode,
                    run.clean ? "yes" : "NO");
    }
    const HeapFigures updatesOne = UpdatesHeap(1);
    const HeapFigures updatesMany = UpdatesHeap(256);
    std::printf(
        "discovery to updates alone (image excluded): records held at the end, and the "
        "peak beyond them\n");
    for (const auto& [drives, heap] : {std::pair{1, updatesOne}, std::pair{256, updatesMany}}) {
        std::printf("%-8d records %10llu bytes, peak beyond the records %10llu bytes\n", drives,
                    static_cast<unsigned long long>(heap.liveBytes),
                    static_cast<unsigned long long>(heap.peakBytes - heap.liveBytes));
    }
    const std::uint64_t records = updatesMany.liveBytes;
    const std::uint64_t growth =
        many.heap.peakBytes - std::min(many.heap.peakBytes, one.heap.peakBytes);
    std::printf(
        "whole run: peak growth from 1 to 256 drives %llu bytes; the 256 drives' records "
        "hold %llu bytes; the report's wide text %zu bytes\n",
        static_cast<unsigned long long>(growth), static_cast<unsigned long long>(records),
        many.reportChars * sizeof(char16_t));
    std::printf(
        "target: peak for 256 drives at most the records' size above that for 1 drive: %s\n",
        Verdict(growth <= records));
}

}  // namespace

}  // namespace bench

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    bench::CapturingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    bench::PrintDownloadTable(reporter);
    bench::PrintWholeRunTable(reporter);
    bench::PrintHeapTable();
    return 0;
}
