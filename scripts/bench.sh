#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them: the engine, reading a 1 MB registry store, then
# the dialog benchmarks on the offscreen platform and on a real X server (Xvfb). Each prints one
# table.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
zc_install_missing

build=${BENCH_BUILD_DIR:-build-bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
cmake --build "$build" --parallel "$(nproc)" --target bench_engine bench_registry bench_dialog

echo "== engine"
"$build/bench/bench_engine" "$@"
echo "== registry store"
"$build/bench/bench_registry" "$@"
for keys in 100000 1000000; do
    "$build/bench/bench_registry" --read-peak "$keys"
done
echo "== dialog, offscreen platform"
QT_QPA_PLATFORM=offscreen "$build/bench/bench_dialog" --benchmark_color=false "$@" 2>&1 | grep -v "does not support"
echo "== dialog, Xvfb"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bench/bench_dialog" --benchmark_color=false "$@" 2>&1 | grep -v "does not support"

echo "== dialog, Windows under Wine (Xvfb)"
zc_install_missing "${zc_windows_packages[@]}"
win_build=${BENCH_WIN_BUILD_DIR:-build-bench-win}
cmake -S . -B "$win_build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$win_build" --parallel "$(nproc)" --target ZarnetCalc zc-bench-opening
work=$(mktemp -d "${TMPDIR:-/tmp}/zarnetcalc-bench.XXXXXX")
source scripts/wine-prefix.sh
trap 'wine_stop; rm -rf "$work"' EXIT
wine_start "$work"
timeout 600 wine "$win_build/bench/win32/zc-bench-opening.exe" \
    "$(winpath "$PWD/$win_build/component/win32/zarnetcalc.dll")"
