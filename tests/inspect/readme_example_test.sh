#!/usr/bin/env bash
# The README's example of the inspector is what fwinspect prints on the default machine today.
# Usage: readme_example_test.sh README FWINSPECT WORK_DIR
set -euo pipefail
readme=${1:?usage: readme_example_test.sh README FWINSPECT WORK_DIR}
fwinspect=${2:?usage: readme_example_test.sh README FWINSPECT WORK_DIR}
work=${3:?usage: readme_example_test.sh README FWINSPECT WORK_DIR}
mkdir -p "$work"
# The first fenced block after the line that introduces the example.
awk '/^On the default machine \(`\.\/build\/linux\/sim\/fwinspect`\):$/ { found = 1; next }
     found && /^```/ { if (inside) exit; inside = 1; next }
     inside { print }' "$readme" >"$work/readme.txt"
[ -s "$work/readme.txt" ] || { echo "FAIL: no example of the default machine in $readme" >&2; exit 1; }
"$fwinspect" </dev/null >"$work/fwinspect.txt"
diff -u "$work/readme.txt" "$work/fwinspect.txt" || {
    echo "FAIL: the README's example differs from fwinspect's output (- README, + fwinspect)" >&2
    exit 1
}
echo "the README's example is fwinspect's output ($(wc -l <"$work/readme.txt") lines)"
