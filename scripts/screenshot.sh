#!/usr/bin/env bash
# Renders the calculator dialog to a PNG (docs/calculator.png by default) on a virtual X server:
# builds the small render tool if needed, shows the dialog, types a few keys and grabs it.
# Usage: scripts/screenshot.sh [OUTPUT.png] [KEYS, "F" for FIX]; SCALE=1 for a 100 % picture (default 2).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
zc_install_missing

build=${BUILD_DIR:-build}
out=${1:-docs/calculator.png}
keys=${2:-F21234.5+}  # FIX 2, then a sum begun
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON >/dev/null
cmake --build "$build" --parallel 2 --target zc_render_calculator
mkdir -p "$(dirname "$out")"
# A real X server (not the offscreen platform) so the fonts and style are those a user sees.
QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=${SCALE:-2} xvfb-run -a -s "-screen 0 1024x768x24" \
    "$build/tests/forms/zc_render_calculator" "$out" "$keys"
echo "Wrote $out"
