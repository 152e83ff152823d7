#!/usr/bin/env bash
# The whole test suite: installs what is missing, configures, builds and runs every test with ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
zc_install_missing

build=${BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON
cmake --build "$build" --parallel "$(nproc)"
# Widgets run headless; nothing in the suite needs a display.
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure --timeout 120
