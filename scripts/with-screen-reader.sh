#!/usr/bin/env bash
# Runs COMMAND [ARG...] as a screen reader would see it run: on a display of its own (Xvfb), with a
# session bus and the AT-SPI accessibility bus that screen readers listen on, and Qt's
# accessibility switched on (Qt speaks AT-SPI on the xcb platform).
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: $0 COMMAND [ARG...]" >&2; exit 2; }
exec dbus-run-session -- bash -c '
    /usr/libexec/at-spi-bus-launcher --launch-immediately 2> /dev/null &
    launcher=$!
    trap "kill $launcher 2> /dev/null" EXIT
    for _ in $(seq 100); do
        dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
            org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2> /dev/null | grep -q true && break
        sleep 0.05
    done
    xvfb-run -a -s "-screen 0 1024x768x24" \
        env QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$@"
' bash "$@"
