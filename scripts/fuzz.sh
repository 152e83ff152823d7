#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time, FUZZ_SECONDS in all
# (default 60, shared evenly): the calculator logic from its checked-in seed corpus, the registry
# store from nothing. A crash or a broken invariant fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
zc_install_missing

build=${FUZZ_BUILD_DIR:-build-fuzz}
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
    -DZARNETCALC_BUILD_BENCH=OFF -DZARNETCALC_BUILD_FUZZ=ON -DCMAKE_CXX_FLAGS="$flags"
cmake --build "$build" --parallel "$(nproc)" --target fuzz_calculator fuzz_registry

total=${FUZZ_SECONDS:-60}
each=$(( total / 2 > 0 ? total / 2 : 1 ))
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/calculator" "$work/registry"
cp fuzz/corpus/* "$work/calculator/"
"$build/fuzz/fuzz_calculator" -max_total_time="$each" -max_len=512 -timeout=10 \
    -print_final_stats=1 "$work/calculator"
"$build/fuzz/fuzz_registry" -max_total_time="$each" -max_len=256 -timeout=10 \
    -print_final_stats=1 "$work/registry"
echo "fuzz_calculator, fuzz_registry: no crash or broken invariant in $each s each"
