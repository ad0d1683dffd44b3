#!/usr/bin/env bash
# Installs what building the packages needs, builds the program, the doctor, the bench and the
# resource tool (Release, no tests) and makes the Debian packages in build/packages:
#   halvenmark-updater_VERSION_ARCH.deb        the updater and the connection doctor
#   halvenmark-updater-tools_VERSION_ARCH.deb  the bench and the resource tool
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/packages -G Ninja -DCMAKE_BUILD_TYPE=Release -DHALVENMARK_TESTS=OFF \
    -DHALVENMARK_REQUIRE_USB_EMULATION=ON > /dev/null
cmake --build build/packages
(cd build/packages && cpack > /dev/null)
ls build/packages/*.deb
