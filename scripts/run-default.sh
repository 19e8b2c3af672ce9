#!/usr/bin/env bash
# Installs, builds, and runs the tool on the simulator's default machine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target fwsim
./build/linux/sim/fwsim "$@"
