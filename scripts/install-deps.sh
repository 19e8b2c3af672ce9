#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine (run as root).
set -euo pipefail
packages=(
    cmake ninja-build g++ git
    googletest libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
    clang libclang-rt-14-dev clang-format
    mingw-w64 wine wine64
    openssl osslsigncode
    jq
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y "${missing[@]}"
fi
