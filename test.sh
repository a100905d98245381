#!/usr/bin/env bash
# Sets up, builds everything (tests included) and runs every test through ctest.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-test
ctest --test-dir build-test --output-on-failure -j2 "$@"

# The fuzz targets, briefly, on their seed corpus (clang build of their own).
scripts/fuzz.sh --short

# The core's tests and the command line's bad-input table under ASan and UBSan.
scripts/sanitize.sh
