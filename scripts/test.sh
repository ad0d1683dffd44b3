#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test: the unit and
# end-to-end tests, the window tests (offscreen), the tests over the real USB stack (libftdi1 and
# libusb to emulated adapters), the fault campaigns, the fuzz targets briefly,
# the sanitizer build of the whole suite, the Debian package check, the Windows
# cross-compile of the core, and the README: its figures and every command it gives.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)

echo "=== format and layers"
scripts/format.sh --check
scripts/check-layers.sh

echo "=== build and tests"
cmake -S . -B build/ci -G Ninja -DCMAKE_BUILD_TYPE=Release -DHALVENMARK_WERROR=ON \
    -DHALVENMARK_REQUIRE_USB_EMULATION=ON > /dev/null
cmake --build build/ci -j "$jobs"
(cd build/ci && QT_QPA_PLATFORM=offscreen ctest -j "$jobs" --output-on-failure)

echo "=== the README's figures of the link model"
scripts/figures.sh --check build/ci

echo "=== fault campaign"
build/ci/tools/halvenmark-bench campaign --runs 2000 --seed 1
echo "=== fault campaign over the real USB stack (adapters unplugged at random)"
build/ci/tools/halvenmark-bench campaign --usb --runs 36 --seed 1

echo "=== sanitizers (AddressSanitizer, UndefinedBehaviorSanitizer): the whole suite"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHALVENMARK_SANITIZE=ON -DHALVENMARK_WERROR=ON \
    -DHALVENMARK_REQUIRE_USB_EMULATION=ON > /dev/null
cmake --build build/asan -j "$jobs"
(cd build/asan && QT_QPA_PLATFORM=offscreen ctest -j "$jobs" --output-on-failure)

echo "=== fuzz targets, briefly"
scripts/fuzz.sh "${HALVENMARK_FUZZ_SECONDS:-30}"

echo "=== Debian package"
scripts/package-check.sh build/ci

echo "=== Windows cross-compile (MinGW-w64) and its tests under wine"
scripts/windows-check.sh

echo "=== the README's commands, as a reader runs them"
scripts/check-readme.sh build/ci
