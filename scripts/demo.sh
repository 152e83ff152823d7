#!/usr/bin/env bash
# The sample host: installs what is missing, builds, and opens the demo window.
# Without a display it says so and runs a scripted example instead.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
zc_install_missing

build=${BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --parallel "$(nproc)" --target zarnetcalc-demo
demo="$build/demo/qt/zarnetcalc-demo"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: running a scripted example on the offscreen platform instead."
    QT_QPA_PLATFORM=offscreen exec "$demo" --keys "1 2 + 3 = Close"
fi
exec "$demo" "$@"
