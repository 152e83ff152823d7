#!/usr/bin/env bash
# The whole test suite: installs what is missing, then the fuzz run (FUZZ_SECONDS, default 60),
# the suite under the sanitizers, the plain build with every test run by ctest, the Debian
# packages, and last the Windows stage (scripts/wine-test.sh: the COM server DLL
# cross-built and driven under Wine). --quick runs only the plain build, its tests and the
# packages.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
zc_install_missing

if [ "${1:-}" != "--quick" ]; then
    echo "== fuzzing the calculator logic and the registry store"
    bash scripts/fuzz.sh
    echo "== the test suite under AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer"
    bash scripts/sanitize.sh
fi

echo "== the test suite"
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON
cmake --build "$build" --parallel "$(nproc)"
# Widgets run headless; nothing in the suite needs a display.
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure --timeout 120

echo "== the Debian packages: built, checked by lintian, installed, used by a host, purged"
bash scripts/debian.sh

if [ "${1:-}" != "--quick" ]; then
    echo "== the Windows stage: zarnetcalc.dll under Wine"
    bash scripts/wine-test.sh
fi
