#!/usr/bin/env bash
# The forecast over the scenario corpus's inspections, with broken and foreign files among them:
# every inspection is counted once, the others are left out with their reason, and the machines by
# exit code are those of the inspections' own expectedExitCode.
# Usage: fleet_forecast_test.sh FWINSPECT SCENARIO_DIR WORK_DIR
set -euo pipefail
usage="usage: fleet_forecast_test.sh FWINSPECT SCENARIO_DIR WORK_DIR"
fwinspect=${1:?$usage}
scenarios=${2:?$usage}
work=${3:?$usage}
fail() { echo "FAIL: $*" >&2; exit 1; }
rm -rf "$work" && mkdir -p "$work/share/a" "$work/share/b/c"
for scenario in "$scenarios"/*.json; do
    "$fwinspect" --json "$scenario" </dev/null >"$work/share/a/$(basename "$scenario")"
done
inspections=$(find "$work/share" -name '*.json' | wc -l)
# An older inspection of a machine already there (counted once, by the newer), and foreign files.
jq '.inspectedAt = "2020-01-01T00:00:00+00:00" | .expectedExitCode = 1618' \
    "$work/share/a/default.json" >"$work/share/b/default-old.json"
# Later by the clock on the wall, earlier as an instant: an hour before the real one, in UTC+03:00.
jq '.inspectedAt = "2026-12-06T21:04:09+03:00" | .expectedExitCode = 1618' \
    "$work/share/a/default.json" >"$work/share/b/default-east.json"
"$fwinspect" --capture "$work/share/b/capture.json" >/dev/null </dev/null
echo '{"name": "another program", "version": 3}' >"$work/share/b/other.json"
head -c 200 "$work/share/a/default.json" >"$work/share/b/c/truncated.json"
: >"$work/share/b/c/empty.json"
head -c 1100000 /dev/zero | tr '\0' ' ' >"$work/share/b/c/large.json"
echo 'not an inspection at all' >"$work/share/b/c/notes.txt"

"$fwinspect" --forecast "$work/share" --json >"$work/forecast.json" || fail "forecast failed"
[ "$(jq .machines "$work/forecast.json")" = "$inspections" ] || fail "machines: $(jq .machines "$work/forecast.json") of $inspections"
own=$(jq -s -c 'map(.expectedExitCode | tostring) | group_by(.) | map({(.[0]): length}) | add' \
    "$work/share/a/"*.json)
got=$(jq -c '.expectedExitCodes' "$work/forecast.json")
[ "$own" = "$got" ] || fail "exit codes $got, the inspections say $own"
reasons=$(jq -r '.unreadable | sort_by(.file) | map(.file + ": " + .reason) | .[]' "$work/forecast.json")
expected="b/c/empty.json: empty file
b/c/large.json: larger than 1 MiB
b/c/truncated.json: not JSON (truncated?)
b/capture.json: a capture, not an inspection
b/other.json: not an inspection"
[ "$reasons" = "$expected" ] || fail "left out: $reasons"
# Text, in any order of the options; a bad option is 2, a folder that is not there 1.
"$fwinspect" --json --forecast "$work/share" >/dev/null || fail "--json before --forecast"
"$fwinspect" --forecast "$work/share" | grep -q "^Machines read : $inspections, files left out : 5$" ||
    fail "the text's first count"
set +e
"$fwinspect" --forecast "$work/share" --bogus >/dev/null; bad=$?
"$fwinspect" --forecast "$work/none" >/dev/null; missing=$?
set -e
"$fwinspect" --csv "$work/fleet.csv" --forecast "$work/share" >/dev/null || fail "--csv"
[ "$(head -c 3 "$work/fleet.csv" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "the CSV has no BOM"
[ "$(grep -c $'\r$' "$work/fleet.csv")" = "$((inspections + 1))" ] || fail "the CSV's rows"
row="default,$(jq -r .inspectedAt "$work/share/a/default.json"),$(jq .expectedExitCode "$work/share/a/default.json"),"
grep -q "^$row" "$work/fleet.csv" || fail "the CSV's row of default: $(grep ^default, "$work/fleet.csv")"
"$fwinspect" --forecast "$work/share" --csv "$work/fleet.csv" >/dev/null && fail "an existing CSV"
"$fwinspect" --forecast "$work/share" --html "$work/fleet.html" >/dev/null || fail "--html"
! grep -qi '<script\|http-equiv' "$work/fleet.html" || fail "the page has a script"
[ -z "$(grep -o 'https\?://[^"]*' "$work/fleet.html" | grep -v '^http://www.w3.org/2000/svg$')" ] ||
    fail "the page names a URL"
[ "$bad" = 2 ] || fail "a bad option gave $bad"
[ "$missing" = 1 ] || fail "a missing folder gave $missing"
echo "forecast of $inspections inspections: exit codes $got"
