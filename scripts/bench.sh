#!/usr/bin/env bash
# Builds and runs the bench program (native preset): download cost through each access path against
# memcpy (timed in alternating rounds, as the ratio of the medians), whole runs on 1, 8, 64 and
# 256 drives, the tool's own peak heap, and the rollout forecast over 1,000 and 10,000 inspections
# beside jq. It prints the benchmark table, then the figures the
# targets are judged by. Extra arguments go to Google Benchmark, e.g. --benchmark_repetitions=5
# or --benchmark_filter=DownloadRatio (the download ratios alone).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${FWU_BENCH_BUILD:-build/bench}"
cmake --preset linux -B "$build" >/dev/null
cmake --build "$build" --target fwu_bench fwinspect -j2
"$build/bench/fwu_bench" "$@"
# The rollout forecast over 1,000 and 10,000 inspections, beside jq.
bash scripts/bench_forecast.sh "$build/sim/fwinspect"
