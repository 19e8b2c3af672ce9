#!/usr/bin/env bash
# docs/inspection.md names every key and every decision the inspector writes: fwinspect --json is
# run over every scenario of the corpus, and each key and decision found must appear in the page
# as `key`.
# Usage: inspection_doc_test.sh DOC FWINSPECT SCENARIO_DIR WORK_DIR
set -euo pipefail
usage="usage: inspection_doc_test.sh DOC FWINSPECT SCENARIO_DIR WORK_DIR"
doc=${1:?$usage}
fwinspect=${2:?$usage}
scenarios=${3:?$usage}
work=${4:?$usage}
mkdir -p "$work"
: >"$work/names"
"$fwinspect" --json </dev/null >"$work/default.json"
for scenario in "$scenarios"/*.json; do
    "$fwinspect" --json "$scenario" </dev/null >"$work/one.json"
    jq -r '[paths | map(select(type == "string")) | last | select(. != null)] | .[]' \
        "$work/one.json" >>"$work/names"
    jq -r '.devices[].decision' "$work/one.json" >>"$work/names"
done
missing=0
for name in $(sort -u "$work/names"); do
    grep -qF "\`$name\`" "$doc" || { echo "FAIL: $doc does not name \`$name\`" >&2; missing=1; }
done
[ "$missing" = 0 ] || exit 1
echo "$doc names all $(sort -u "$work/names" | wc -l) keys and decisions of the corpus"
