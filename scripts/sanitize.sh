#!/usr/bin/env bash
# Builds the core and the command line with AddressSanitizer and UBSan and runs their
# tests, the command line's bad-input and output tables included (the interruption table
# builds 60 MB books and runs in the plain build only).
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORIX_SANITIZE=ON \
    -DQUORIX_BUILD_GUI=OFF >/dev/null
cmake --build build-asan --target quorix-maker-cli base_tests book_tests font_tests builder_tests archive_test tools_test \
    payload_test preview_test text_tests cli_manifest_check
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
for test in base/base_tests book/book_tests font/font_tests builder/builder_tests archive/archive_test tools/tools_test payload/payload_test \
    preview/preview_test text/text_tests; do
    "build-asan/tests/$test" --gtest_brief=1
done
ctest --test-dir build-asan --output-on-failure -R 'cli_(BadInput|Outputs|SameName|Preview)'
