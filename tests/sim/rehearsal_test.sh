#!/usr/bin/env bash
# fwsim --rehearse over captures made from the scenario corpus (some in a subfolder), beside
# hostile ones: the forecast and the run agree on every machine where no update failed (event
# 200: a download or an activation the simulated drive refused), and an oversized, overfull or
# malformed capture is refused with its reason. Peak memory is measured outside the test.
# Usage: rehearsal_test.sh FWINSPECT FWSIM SCENARIO_DIR WORK_DIR
set -euo pipefail
usage="usage: rehearsal_test.sh FWINSPECT FWSIM SCENARIO_DIR WORK_DIR"
fwinspect=${1:?$usage}
fwsim=${2:?$usage}
scenarios=${3:?$usage}
work=${4:?$usage}
rm -rf "$work"
mkdir -p "$work/captures/field" "$work/captures/hostile"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

count=0
for scenario in "$scenarios"/*.json; do
    name=$(basename "$scenario")
    folder=$work/captures
    [ $((count % 2)) = 0 ] || folder=$work/captures/field
    "$fwinspect" --capture "$folder/$name" "$scenario" >/dev/null || fail "capture of $name"
    count=$((count + 1))
done

hostile=$work/captures/hostile
request='{"path": "p", "controlCode": 1, "inputLength": 0, "input": "", "size": 1044556, "ok": true, "error": 0, "bytesReturned": 0, "output": ""}'
many() {
    printf '{"recorded": {"requests": [%s' "$request"
    for ((i = 1; i < $1; ++i)); do printf ', %s' "$request"; done
    printf ']}}'
}
many 10000 >"$hostile/largest_requests.json"
many 10001 >"$hostile/too_many_requests.json"
{
    printf '{"comment": "'
    head -c $((16 * 1024 * 1024)) /dev/zero | tr '\0' x
    printf '"}'
} >"$hostile/oversized.json"
printf '{"recorded": {"requests": [' >"$hostile/not_json.json"
printf '{"recorded": {"requests": [{"path": "p", "controlCode": 1, "inputLength": 2, "input": "zz", "size": 2, "ok": true, "error": 0, "bytesReturned": 0, "output": ""}]}}' \
    >"$hostile/bad_hex.json"

"$fwsim" --rehearse "$work/captures" >"$work/text" || fail "rehearsal: exit code $?"
"$fwsim" --rehearse "$work/captures" --json >"$work/json" || fail "rehearsal --json: exit code $?"

# name PATTERN: the text line of that capture.
line() { grep -E "^$1: " "$work/text" || fail "no line for $1"; }
line "field/[a-z_0-9]+\.json" >/dev/null
line "hostile/largest_requests\.json" | grep -q "forecast 1, run 1, event 202" ||
    fail "largest capture: $(line "hostile/largest_requests\.json")"
line "hostile/too_many_requests\.json" | grep -q "refused: recorded requests: 10001, more than 10000" ||
    fail "too many requests: $(line "hostile/too_many_requests\.json")"
line "hostile/oversized\.json" | grep -q "refused: larger than 16 MiB" || fail "oversized"
line "hostile/not_json\.json" | grep -q "refused: not valid JSON" || fail "not JSON"
line "hostile/bad_hex\.json" | grep -q "refused: recorded request 0 (p): input: not two" ||
    fail "bad hex"

differ=$(grep -E ": DIFFER$" "$work/text" || true)
if [ -n "$(grep -v ", event 200, " <<<"$differ" | grep -v '^$' || true)" ]; then
    fail "forecast and run differ where no update failed:
$(grep -v ", event 200, " <<<"$differ")"
fi
machines=$((count + 1))
tail -n 1 "$work/text" | grep -q "^Rehearsed $machines machines: " ||
    fail "summary: $(tail -n 1 "$work/text")"
tail -n 1 "$work/text" | grep -q "; 4 captures refused\.$" || fail "summary: $(tail -n 1 "$work/text")"

grep -q "^  \"machines\": $machines,$" "$work/json" || fail "json machines"
for key in agree differ refused results; do
    grep -q "^  \"$key\": " "$work/json" || fail "json $key"
done
grep -q '"reason": "larger than 16 MiB"' "$work/json" || fail "json refused reason"

set +e
"$fwsim" --rehearse "$work/captures" --event "$work/e" >/dev/null 2>&1
[ $? = 2 ] || fail "--rehearse with --event: not 2"
"$fwsim" --rehearse "$work/none" >/dev/null 2>&1
[ $? = 1 ] || fail "a folder that cannot be read: not 1"
"$fwsim" --event "$work/none/e" >/dev/null 2>&1
[ $? = 1 ] || fail "an event file that cannot be written: not 1"
set -e
# --event after the scenario writes the run's whole event text, the final result included.
"$fwsim" "$scenarios/default.json" --event "$work/event" >/dev/null 2>&1 </dev/null ||
    fail "--event: exit code $?"
grep -q "^\[Final Result\]"$'\r'"$" "$work/event" || fail "--event: no final result"
echo "$(tail -n 1 "$work/text")"
