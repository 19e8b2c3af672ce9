#!/usr/bin/env bash
# The forecast over 1,000 and 10,000 inspections of today's size (the corpus's, renamed by machine),
# timed with its peak memory (/usr/bin/time -f %M, KiB), beside jq reading the same files.
# Usage: scripts/bench_forecast.sh [FWINSPECT]   (default: build/linux/sim/fwinspect)
set -euo pipefail
cd "$(dirname "$0")/.."
fwinspect=${1:-build/linux/sim/fwinspect}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus"
for scenario in sim/scenarios/*.json; do
    "$fwinspect" --json "$scenario" </dev/null >"$work/corpus/$(basename "$scenario")"
done
mapfile -t corpus < <(ls "$work/corpus"/*.json)
make_share() {  # N DIR: N inspections, each of its own machine
    mkdir -p "$2"
    for ((i = 0; i < $1; i++)); do
        sed "s/\"machine\": \".*\"/\"machine\": \"PC-$i\"/" "${corpus[i % ${#corpus[@]}]}" \
            >"$2/PC-$i.json"
    done
}
printf '%-8s %-10s %10s %14s\n' files tool seconds "peak KiB"
for n in 1000 10000; do
    make_share "$n" "$work/share-$n"
    /usr/bin/time -f '%e %M' -o "$work/t" "$fwinspect" --forecast "$work/share-$n" --json >/dev/null
    read -r seconds peak <"$work/t"
    printf '%-8s %-10s %10s %14s\n' "$n" forecast "$seconds" "$peak"
    /usr/bin/time -f '%e %M' -o "$work/t" bash -c \
        "find '$work/share-$n' -name '*.json' -print0 | xargs -0 jq -c . >/dev/null"
    read -r seconds peak <"$work/t"
    printf '%-8s %-10s %10s %14s\n' "$n" "jq" "$seconds" "$peak"
done
