#!/usr/bin/env bash
# fwinspect's capture is made only where nothing exists under its name: a file or a link there
# is left as it was, a linked folder is refused, a folder that is missing leaves nothing behind; each ends with exit code 1
# and one line, before anything is inspected.
# Usage: fwinspect_capture_test.sh FWINSPECT WORK_DIR
set -euo pipefail
fwinspect=${1:?usage: fwinspect_capture_test.sh FWINSPECT WORK_DIR}
work=${2:?usage: fwinspect_capture_test.sh FWINSPECT WORK_DIR}
rm -rf "$work"
mkdir -p "$work"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# refused PATH LINE: exit code 1 and exactly LINE.
refused() {
    local code=0
    "$fwinspect" --capture "$1" >"$work/out" 2>"$work/err" || code=$?
    [ "$code" = 1 ] || fail "$1: exit code $code, expected 1"
    [ "$(cat "$work/out")" = "$2" ] || fail "$1: printed '$(cat "$work/out")', expected '$2'"
}

printf 'kept' >"$work/existing.json"
refused "$work/existing.json" "[ERROR] The capture file already exists: $work/existing.json"
[ "$(cat "$work/existing.json")" = kept ] || fail "the existing file was changed"

ln -s "$work/target.json" "$work/link.json"
refused "$work/link.json" "[ERROR] The capture file already exists: $work/link.json"
[ ! -e "$work/target.json" ] || fail "the link was followed"

mkdir "$work/real"
ln -s "$work/real" "$work/folder-link"
refused "$work/folder-link/machine.json" "[ERROR] A link in the capture file's path leads elsewhere: $work/folder-link/machine.json"
[ -z "$(ls -A "$work/real")" ] || fail "the capture was written through a linked folder"

refused "$work/none/machine.json" "[ERROR] The capture file could not be created (0x3): $work/none/machine.json"
[ ! -e "$work/none" ] || fail "something was left behind for a missing folder"

"$fwinspect" --capture "$work/new.json" >"$work/out" || fail "a new capture: exit code $?"
[ -s "$work/new.json" ] || fail "no capture written"
[ "$(tail -n 1 "$work/out")" = "The machine was captured to $work/new.json; rehearse the update with: fwsim $work/new.json" ] ||
    fail "a new capture: last line '$(tail -n 1 "$work/out")'"
echo "existing file, link and linked folder refused and left alone; missing folder refused; new file made"
