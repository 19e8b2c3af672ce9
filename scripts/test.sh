#!/usr/bin/env bash
# Installs, builds the Windows exe and the Linux build, and runs every test (native and Wine).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset mingw
cmake --build --preset mingw
cmake --preset linux
cmake --build --preset linux
ctest --preset linux -j2
