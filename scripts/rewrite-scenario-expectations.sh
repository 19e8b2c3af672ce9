#!/usr/bin/env bash
# Rewrites NAME.expected, NAME.code and (where present) NAME.drives of the named scenarios from
# what fwsim does now; review the change with git diff before committing it.
# Usage: scripts/rewrite-scenario-expectations.sh NAME...   (names of sim/scenarios/NAME.json)
set -euo pipefail
cd "$(dirname "$0")/.."
fwsim=build/linux/sim/fwsim
[ -x "$fwsim" ] || { echo "build fwsim first: cmake --build --preset linux --target fwsim" >&2; exit 2; }
for name in "$@"; do
    base=sim/scenarios/$name
    [ -f "$base.json" ] || { echo "no scenario $base.json" >&2; exit 2; }
    "$fwsim" "$base.json" > "$base.expected" 2> "$base.stderr" || true
    sed -n '1s/^exit code: //p' "$base.stderr" > "$base.code"
    if [ -f "$base.drives" ] || [ "${FWU_NEW_DRIVES:-0}" = 1 ]; then
        tail -n +2 "$base.stderr" > "$base.drives"
    fi
    rm -f "$base.stderr"
done
