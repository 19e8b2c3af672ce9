#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang and runs each for SECONDS seconds (default 15),
# keeping its corpus in the build tree. Prints one figures line per harness; fails on a finding.
# Usage: fuzz/run_fuzzers.sh [SECONDS] [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-15}"
build="${2:-build/fuzz}"
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DFWU_FUZZ=ON >/dev/null
cmake --build "$build" --target fuzzers -j2
status=0
for harness in fuzz/*_fuzz.cpp; do
    name="$(basename "$harness" .cpp)"
    corpus="$build/corpus/$name"
    artifacts="$build/findings/$name/"
    mkdir -p "$corpus" "$artifacts"
    log="$build/$name.log"
    if "$build/fuzz/$name" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$artifacts" "$corpus" >"$log" 2>&1; then
        result="no finding"
    else
        result="FINDING (see $log and $artifacts)"
        status=1
        tail -n 40 "$log"
    fi
    execs="$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)"
    cov="$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | grep -o '[0-9]*$' || echo 0)"
    echo "[figures] fuzz $name: ${seconds}s, executions $execs, coverage $cov edges, $result"
done
exit "$status"
