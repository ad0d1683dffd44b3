#!/usr/bin/env bash
# Builds the Debian packages from BUILD_DIR (default build/ci), checks their files and
# dependencies, installs the program and checks that, with no adapter attached, it starts on
# the offscreen platform and ends with the "Hardware Not Present" message.
set -euo pipefail
fail() { echo "package check: $*" >&2; exit 1; }
cd "$(dirname "$0")/.."
build=${1:-build/ci}
(cd "$build" && cpack > /dev/null 2>&1) || fail "cpack failed"
program=$(ls "$build"/halvenmark-updater_*.deb)
tools=$(ls "$build"/halvenmark-updater-tools_*.deb)


files=$(dpkg-deb -c "$program")
for path in ./usr/bin/halvenmark-updater \
            ./usr/lib/udev/rules.d/70-halvenmark-adapters.rules \
            ./usr/share/applications/halvenmark-updater.desktop \
            ./usr/share/icons/hicolor/scalable/apps/halvenmark-updater.svg; do
    grep -q " $path\$" <<< "$files" || fail "$path is missing from $program"
done
grep -q "halvenmark-bench" <<< "$files" && fail "the bench belongs in the tools package"
tool_files=$(dpkg-deb -c "$tools")
grep -q " ./usr/bin/halvenmark-bench\$" <<< "$tool_files" || fail "halvenmark-bench is missing from $tools"
dpkg-deb -e "$program" "$build/control" && test -x "$build/control/postinst" || fail "no postinst"

depends=$(dpkg-deb -f "$program" Depends)
for library in libqt6widgets6 libftdi1-2 libstdc++6; do
    grep -q "$library" <<< "$depends" || fail "Depends lacks $library: $depends"
done
echo "package files and dependencies: ok ($depends)"

DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$program" > /dev/null
output=$(LD_PRELOAD="$PWD/$build/tests/libhalvenmark_drive_window.so" QT_QPA_PLATFORM=offscreen \
         timeout 60 /usr/bin/halvenmark-updater 2> /dev/null) || fail "the installed program did not end by itself"
dpkg -r halvenmark-updater > /dev/null
[ "$output" = "message: Hardware Not Present | Serial Link, HMU, or Telemetry Station not found!" ] ||
    fail "unexpected start-up without an adapter: $output"
echo "installed program without an adapter: $output"
