#!/usr/bin/env bash
# The whole test suite once more, built with AddressSanitizer, UndefinedBehaviorSanitizer and
# LeakSanitizer. Any finding fails the run; suppressions (with reasons) are in tests/sanitizer/.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
zc_install_missing

build=${SAN_BUILD_DIR:-build-asan}
flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DBUILD_TESTING=ON \
    -DZARNETCALC_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined"
cmake --build "$build" --parallel "$(nproc)"

supp="$PWD/tests/sanitizer"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:suppressions=$supp/ubsan.supp"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure --timeout 300
