#!/usr/bin/env bash
# Builds the Debian packages from BUILD_DIR (default build/ci), checks their files and
# dependencies, has lintian check both (no error, no warning), installs the program and checks
# that, with no adapter attached, it starts on the offscreen platform and ends with the
# "Hardware Not Present" message, and that the doctor says it would open no adapter.
set -euo pipefail
fail() { echo "package check: $*" >&2; exit 1; }
cd "$(dirname "$0")/.."
build=${1:-build/ci}
(cd "$build" && cpack > /dev/null 2>&1) || fail "cpack failed"
program=$(ls "$build"/halvenmark-updater_*.deb)
tools=$(ls "$build"/halvenmark-updater-tools_*.deb)


files=$(dpkg-deb -c "$program")
for path in ./usr/bin/halvenmark-updater \
            ./usr/bin/halvenmark-doctor \
            ./usr/share/man/man1/halvenmark-updater.1.gz \
            ./usr/share/man/man1/halvenmark-doctor.1.gz \
            ./usr/share/doc/halvenmark-updater/copyright \
            ./usr/lib/udev/rules.d/70-halvenmark-adapters.rules \
            ./usr/share/applications/halvenmark-updater.desktop \
            ./usr/share/icons/hicolor/scalable/apps/halvenmark-updater.svg; do
    grep -q " $path\$" <<< "$files" || fail "$path is missing from $program"
done
grep -q "halvenmark-bench" <<< "$files" && fail "the bench belongs in the tools package"
tool_files=$(dpkg-deb -c "$tools")
for path in ./usr/bin/halvenmark-bench ./usr/bin/halvenmark-resources \
            ./usr/share/man/man1/halvenmark-bench.1.gz ./usr/share/man/man1/halvenmark-resources.1.gz; do
    grep -q " $path\$" <<< "$tool_files" || fail "$path is missing from $tools"
done
dpkg-deb -f "$program" Description | grep -q "halvenmark-doctor" || fail "the description does not name halvenmark-doctor"
if grep -q " placeholder$" resources/manifest.txt; then
    dpkg-deb -f "$program" Description | grep -q "identifies devices; flashes none" ||
        fail "a package of placeholder images does not say so"
fi
for package in "$program" "$tools"; do
    findings=$(lintian --tag-display-limit 0 "$package" 2>&1 | grep -E '^[EW]: ' || true)
    [ -z "$findings" ] || fail "lintian on $package:"$'\n'"$findings"
done
echo "lintian: no error, no warning on either package"
dpkg-deb -e "$program" "$build/control" && test -x "$build/control/postinst" || fail "no postinst"

depends=$(dpkg-deb -f "$program" Depends)
for library in libqt6widgets6 libftdi1-2 libarchive13 libstdc++6; do
    grep -q "$library" <<< "$depends" || fail "Depends lacks $library: $depends"
done
echo "package files and dependencies: ok ($depends)"

DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$program" > /dev/null
state=$(mktemp -d)  # its session log goes here, not into the home folder
output=$(LD_PRELOAD="$PWD/$build/tests/libhalvenmark_drive_window.so" QT_QPA_PLATFORM=offscreen \
         XDG_STATE_HOME="$state" timeout 60 /usr/bin/halvenmark-updater 2> /dev/null) || fail "the installed program did not end by itself"
doctor_exit=0
doctor=$(XDG_STATE_HOME="$state" /usr/bin/halvenmark-doctor) || doctor_exit=$?
ls "$state"/halvenmark-updater/sessions/session-*.log > /dev/null ||
    fail "the installed program left no session log"
grep -q "^Session log: the updater's last session is recorded in $state/" <<< "$doctor" ||
    fail "the installed doctor does not tell where the last session's log is"
rm -rf "$state"
# A firmware pack of the product's images, checked and installed by the installed program.
packs=$(mktemp -d)
trap 'rm -rf "$packs"' EXIT
"$build"/tools/halvenmark-resources placeholders "$packs/store" > /dev/null
head -c 65536 /dev/urandom > "$packs/400.bin"
"$build"/tools/halvenmark-resources put "$packs/store" jpg 400 "$packs/400.bin" > /dev/null
"$build"/tools/halvenmark-resources pack "$packs/store" "$packs/pack.zip" > /dev/null
checked=$(/usr/bin/halvenmark-updater --check-firmware "$packs/pack.zip") &&
    XDG_DATA_HOME="$packs/data" /usr/bin/halvenmark-updater --install-firmware "$packs/pack.zip" > /dev/null &&
    [ -f "$packs/data/halvenmark-updater/firmware/jpg/400.bin" ] ||
    { dpkg -r halvenmark-updater > /dev/null; fail "the installed program did not check and install a pack"; }
dpkg -r halvenmark-updater > /dev/null
echo "installed program with a firmware pack: $(grep '^devices: ' <<< "$checked")"
[ "$doctor_exit" = 1 ] && grep -q "^verdict: the updater would open no adapter$" <<< "$doctor" ||
    fail "the installed doctor without an adapter: exit $doctor_exit, $(tail -n 1 <<< "$doctor")"
echo "installed doctor without an adapter: $(tail -n 1 <<< "$doctor")"
[ "$output" = "message: Hardware Not Present | Serial Link, HMU, or Telemetry Station not found!" ] ||
    fail "unexpected start-up without an adapter: $output"
echo "installed program without an adapter: $output"
