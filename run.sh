#!/usr/bin/env bash
# Builds Quorix Maker and makes the bundled sample book into midlets/.
#   ./run.sh       set up, build, build samples/readme.txt, utf8.txt and winter-morning.fb2
#                  with the command line
#   ./run.sh gui   set up, build, open the window
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-release

if [ "${1:-}" = "gui" ]; then
    exec build-release/src/ui/quorix-maker
fi

build-release/src/cli/quorix-maker-cli \
    --source samples/readme.txt --book ReadMe --part-size 1000 \
    --info "Quorix Maker sample" --phone nokia --help-language en \
    --font "DejaVu Sans" --font-height -11 --output .
# A UTF-8 text and an FB2 book: read in their own encoding, the book named by its title.
build-release/src/cli/quorix-maker-cli \
    --source samples/utf8.txt --book Utf8Sample --part-size 4000 \
    --info "Quorix Maker UTF-8 sample" --phone nokia --help-language en \
    --font "DejaVu Sans" --font-height -11 --output .
build-release/src/cli/quorix-maker-cli \
    --source samples/winter-morning.fb2 --part-size 4000 --phone nokia \
    --font "DejaVu Sans" --font-height -11 --output .
echo
echo "Made in $(pwd)/midlets:"
ls -l midlets
