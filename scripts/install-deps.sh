#!/usr/bin/env bash
# Installs the Debian packages the project needs:
#   install-deps.sh demo   what building and running the program needs (the demo)
#   install-deps.sh        that and everything the tests, the checks and the packages need
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

demo_packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-svg-dev libgl-dev
    libftdi1-dev libarchive-dev
)
test_packages=(
    dpkg-dev lintian
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev clang-format
    g++-mingw-w64-x86-64 wine64
    umockdev libumockdev-dev libusb-1.0-0-dev
    xvfb xauth dbus-daemon dbus-bin at-spi2-core
)

packages=("${demo_packages[@]}")
case "${1:-test}" in
    demo) ;;
    test) packages+=("${test_packages[@]}") ;;
    *) echo "usage: $0 [demo|test]" >&2; exit 2 ;;
esac

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
