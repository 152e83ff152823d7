#!/usr/bin/env bash
# Builds the libFuzzer target with clang and runs it for a bounded time (FUZZ_SECONDS, default 60)
# from the checked-in seed corpus. A crash or a broken invariant fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
zc_install_missing

build=${FUZZ_BUILD_DIR:-build-fuzz}
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
    -DZARNETCALC_BUILD_BENCH=OFF -DZARNETCALC_BUILD_FUZZ=ON -DCMAKE_CXX_FLAGS="$flags"
cmake --build "$build" --parallel "$(nproc)" --target fuzz_calculator

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp fuzz/corpus/* "$work/"
"$build/fuzz/fuzz_calculator" -max_total_time="${FUZZ_SECONDS:-60}" -max_len=512 -timeout=10 \
    -print_final_stats=1 "$work"
echo "fuzz_calculator: no crash or broken invariant in ${FUZZ_SECONDS:-60} s"
