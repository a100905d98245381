#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each of them.
#   scripts/fuzz.sh            a long run: 5 minutes per target
#   scripts/fuzz.sh --short    the short run of ./test.sh: the seed corpus plus a few thousand inputs
set -euo pipefail
cd "$(dirname "$0")/.."

runs=20000
seconds=300
[ "${1:-}" = "--short" ] && seconds=0
CXX=clang++ CC=clang cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORIX_FUZZ=ON -DQUORIX_BUILD_GUI=OFF -DQUORIX_FUZZ_RUNS=$runs >/dev/null
cmake --build build-fuzz
if [ "$seconds" -eq 0 ]; then
    ctest --test-dir build-fuzz --output-on-failure -L fuzz
else
    for fuzzer in build-fuzz/tests/fuzz/*_fuzz; do
        name=$(basename "$fuzzer")
        mkdir -p "build-fuzz/long/$name"
        echo "== $name (${seconds}s)"
        "$fuzzer" -max_total_time=$seconds -max_len=4096 "build-fuzz/long/$name" "tests/fuzz/corpus/$name"
    done
fi
