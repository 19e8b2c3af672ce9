#!/usr/bin/env bash
# Installs, builds the Windows exe and the Linux build, and runs every test (native and Wine).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/format-check.sh
cmake --preset mingw
cmake --build --preset mingw
# The whole native suite under AddressSanitizer and UndefinedBehaviorSanitizer (the Wine
# checks, which run the Windows exe built above, are left out). The fault sweeps try each long
# series of download pieces at its ends only, where a sanitized run costs ten times more.
cmake --preset linux-sanitize
cmake --build --preset linux-sanitize
FWU_SWEEP_SAMPLE=1 ctest --preset linux-sanitize -j2 -E '^wine_'
# The libFuzzer harnesses (clang), a short run of each.
bash fuzz/run_fuzzers.sh 15
# Last, every test of the release-like build: native, scenarios, and the exe under Wine.
cmake --preset linux
cmake --build --preset linux
ctest --preset linux -j2
