#!/usr/bin/env bash
# Checks that every C and C++ source of the tree (*.cpp, *.h, *.c; not the build trees, nor
# third-party code) is formatted as .clang-format says, without changing any file. Lists the
# files that are not, and fails if there is one. CLANG_FORMAT names another clang-format.
# To reformat: the same files with clang-format -i.
set -euo pipefail
cd "$(dirname "$0")/.."
format="${CLANG_FORMAT:-clang-format}"
mapfile -d '' files < <(find . \( -path ./build -o -path ./out -o -path ./.git -o \
    -name third_party -o -name third-party -o -name vendor \) -prune -o \
    -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print0 | sort -z)
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
if "$format" --dry-run --Werror "${files[@]}" 2>"$log"; then
    echo "[format] ${#files[@]} files follow .clang-format"
    exit 0
fi
mapfile -t unformatted < <(grep -o '^[^:]*\.\(cpp\|h\|c\):[0-9]*:[0-9]*: error' "$log" |
    cut -d: -f1 | sort -u)
if [ ${#unformatted[@]} -eq 0 ]; then
    cat "$log"
    exit 1
fi
printf '  %s\n' "${unformatted[@]}"
echo "[format] ${#unformatted[@]} of ${#files[@]} files differ from .clang-format" \
    "(clang-format -i FILE... reformats them)"
exit 1
