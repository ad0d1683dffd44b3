#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default 300):
#   FuzzReplies  device replies of any content and length through start-up, identification
#                and flashing, on every adapter kind
#   FuzzImage    the image decoding on resources of any content and length
# Corpora are kept in build/fuzz/corpus between runs.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DHALVENMARK_FUZZ=ON -DHALVENMARK_GUI=OFF -DHALVENMARK_TESTS=OFF > /dev/null
cmake --build build/fuzz --target FuzzReplies FuzzImage
for target in FuzzReplies FuzzImage; do
    mkdir -p "build/fuzz/corpus/$target"
    cp -n tests/fuzz/seeds/$target/* "build/fuzz/corpus/$target/" 2>/dev/null || true
    echo "--- $target for ${seconds}s"
    log="build/fuzz/$target.log"
    if ! "build/fuzz/tests/fuzz/$target" -max_total_time="$seconds" -timeout=30 -artifact_prefix=build/fuzz/ \
        "build/fuzz/corpus/$target" > "$log" 2>&1; then
        tail -n 60 "$log"
        echo "$target found a fault; the input is saved as build/fuzz/crash-*, leak-* or timeout-*"
        exit 1
    fi
    grep -E "^Done" "$log"
done
