#!/usr/bin/env bash
# Signs copies of the two Windows exes (Authenticode, SHA-256) with osslsigncode. The unsigned
# exes of the build stay as they are: they are the reproducible build.
# Usage: scripts/sign-release.sh --pkcs12 FILE --password-file FILE
#                                (--timestamp URL | --no-timestamp) [--build DIR] [--out DIR]
#   --pkcs12 FILE         the code-signing certificate with its private key (and its chain)
#   --password-file FILE  a file that holds the PKCS#12 password alone (one line)
#   --timestamp URL       the RFC 3161 timestamp server of the certificate's authority
#   --no-timestamp        sign without one: the signature stops validating when the certificate
#                         expires
#   --build DIR           the mingw build tree (default: build/mingw)
#   --out DIR             where the signed copies go (default: the build tree's signed/)
set -euo pipefail
tree=$(cd "$(dirname "$0")/.." && pwd)

usage() {
    sed -n 's/^# \{0,1\}//; 4,12p' "$0" >&2
    exit 2
}

refuse() {
    echo "sign-release.sh: $*" >&2
    exit 2
}

pkcs12= password_file= timestamp= no_timestamp= build=$tree/build/mingw out=
while [ $# -gt 0 ]; do
    case $1 in
    --pkcs12) pkcs12=${2:-} && shift 2 || usage ;;
    --password-file) password_file=${2:-} && shift 2 || usage ;;
    --timestamp) timestamp=${2:-} && shift 2 || usage ;;
    --no-timestamp) no_timestamp=1 && shift ;;
    --build) build=${2:-} && shift 2 || usage ;;
    --out) out=${2:-} && shift 2 || usage ;;
    *) usage ;;
    esac
done
[ -n "$pkcs12" ] && [ -n "$password_file" ] || usage
[ -f "$pkcs12" ] && [ -r "$pkcs12" ] || refuse "cannot read the PKCS#12 file $pkcs12"
[ -f "$password_file" ] && [ -r "$password_file" ] || refuse "cannot read the password file $password_file"
# osslsigncode takes the whole file, but for a line end at its end, as the password.
[ "$(wc -l <"$password_file")" -le 1 ] || refuse "the password file $password_file holds more than one line"
if [ -n "$timestamp" ] && [ -n "$no_timestamp" ]; then
    refuse "give either --timestamp URL or --no-timestamp, not both"
fi
if [ -z "$timestamp" ] && [ -z "$no_timestamp" ]; then
    refuse "no timestamp server: give --timestamp URL (without a timestamp the signature stops validating when the certificate expires), or --no-timestamp to sign without one"
fi
command -v osslsigncode >/dev/null || refuse "osslsigncode is not installed (bash scripts/install-deps.sh)"
out=${out:-$build/signed}

declare -A descriptions=(
    [VELKORAFWUpdateTRVX208K.exe]="VELKORA TRVX208K NVMe firmware update"
    [VELKORAFWInspectTRVX208K.exe]="VELKORA TRVX208K NVMe firmware inspector"
)
for exe in "${!descriptions[@]}"; do
    [ -f "$build/windows/$exe" ] || refuse "$build/windows/$exe is missing: build it first (cmake --preset mingw && cmake --build --preset mingw)"
done
# The copies replace what --out holds: never the exes they are made from.
for exe in "${!descriptions[@]}"; do
    if [ "$out/$exe" -ef "$build/windows/$exe" ]; then
        refuse "--out $out holds $exe of the build itself: give a folder of its own for the signed copies"
    fi
done
# Both are signed in a folder of their own and moved out together: a failed signing leaves
# neither a signed exe nor an older one beside the new build.
mkdir -p "$out"
rm -f "$out/VELKORAFWUpdateTRVX208K.exe" "$out/VELKORAFWInspectTRVX208K.exe"
staging=$(mktemp -d "$out/.signing.XXXXXX")
trap 'rm -rf "$staging"' EXIT
options=(-pkcs12 "$pkcs12" -readpass "$password_file" -h sha256)
if [ -n "$timestamp" ]; then
    options+=(-ts "$timestamp")
fi
for exe in "${!descriptions[@]}"; do
    osslsigncode sign "${options[@]}" -n "${descriptions[$exe]}" -in "$build/windows/$exe" \
        -out "$staging/$exe" >"$staging/log" 2>&1 || refuse "signing $exe failed: $(cat "$staging/log")"
done
for exe in "${!descriptions[@]}"; do
    mv "$staging/$exe" "$out/$exe"
    echo "signed: $out/$exe"
done
[ -n "$timestamp" ] || echo "warning: signed without a timestamp; the signatures stop validating when the certificate expires" >&2
