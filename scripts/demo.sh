#!/usr/bin/env bash
# Installs what is missing, builds, and runs the updater against the simulated adapter and
# device: start-up, "Find Device" and "Flash Device", printed as the window shows them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh demo
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DHALVENMARK_TESTS=OFF > /dev/null
cmake --build build/release --target halvenmark-bench halvenmark-updater
echo "--- halvenmark-bench${*:+ $*} (the updater's own code on the simulated adapter and device) ---"
build/release/tools/halvenmark-bench "$@"
