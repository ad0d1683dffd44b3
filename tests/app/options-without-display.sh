#!/usr/bin/env bash
# The updater's options that need no window work without a display: no Qt platform is started
# for them (usage: options-without-display.sh UPDATER).
set -uo pipefail
updater=$1
run() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$updater" "$@" 2>&1; }

fail() { echo "$1"; exit 1; }
out=$(run --help) || fail "--help exits $?"
[[ $out == "usage: halvenmark-updater"* ]] || fail "--help prints: $out"
out=$(run --version) || fail "--version exits $?"
[[ $out == "halvenmark-updater 1."* ]] || fail "--version prints: $out"
out=$(run --check-firmware /nonexistent)
code=$?
[ $code -eq 1 ] || fail "--check-firmware of nothing exits $code"
[[ $out == "refused: /nonexistent: no such folder or file"* ]] || fail "--check-firmware prints: $out"
out=$(run --bogus)
code=$?
[ $code -eq 2 ] || fail "an unknown option exits $code"
echo "the updater's options work without a display"
