#!/usr/bin/env bash
# Portability check: cross-compiles the core library, the bench and the core tests for 64-bit
# Windows with MinGW-w64, then runs the tests and a bench run under wine, where wine serves.
set -euo pipefail
host_build=${1:-build/ci}  # the Linux build whose bench output the Windows one must match
cd "$(dirname "$0")/.."
cmake -S . -B build/mingw -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHALVENMARK_GUI=OFF -DHALVENMARK_WERROR=ON > /dev/null
cmake --build build/mingw --target halvenmark_tests halvenmark-bench halvenmark-doctor ftd2xx_standin ftd2xx_incomplete

wine=$(command -v wine64 || ls /usr/lib/wine/wine64 2>/dev/null || true)
if [ -z "$wine" ]; then
    echo "wine is not installed: the Windows build compiled, its tests did not run"
    exit 0
fi
export WINEDEBUG=-all WINEPREFIX="$PWD/build/mingw/wineprefix"
log=build/mingw/tests.log
(cd build/mingw/tests && timeout 900 "$wine" halvenmark_tests.exe 2>&1 | tr -d '\r' > ../tests.log) || true
grep -E "^\[  (PASSED|FAILED)" "$log" || true
grep -q "^\[  PASSED  \] [0-9]* tests\.$" "$log" && ! grep -q "^\[  FAILED  \]" "$log" || {
    tail -n 40 "$log"
    echo "the core tests failed on Windows"
    exit 1
}
# The same run gives the same lines on both systems.
linux=$("$host_build"/tools/halvenmark-bench --memory --device 0x09 2>&1)
windows=$(timeout 300 "$wine" build/mingw/tools/halvenmark-bench.exe --memory --device 0x09 2>&1 | tr -d '\r')
[ "$linux" = "$windows" ] || { echo "bench output differs on Windows:"; diff <(echo "$linux") <(echo "$windows"); exit 1; }
echo "bench on Windows: same output as on Linux"
