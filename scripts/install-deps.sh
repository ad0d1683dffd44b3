#!/usr/bin/env bash
# Installs the Debian packages the project builds, tests and packages with.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config dpkg-dev
    qt6-base-dev libgl-dev
    libftdi1-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev clang-format
    g++-mingw-w64-x86-64 wine64
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
