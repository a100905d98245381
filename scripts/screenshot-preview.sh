#!/usr/bin/env bash
# Makes the README's phone pictures from the sample book (as run.sh builds it): a contact sheet
# of part 1 by the preview command, and the window's Phone preview dialog under Xvfb.
#   scripts/screenshot-preview.sh   writes docs/sample-pages.png and docs/phone-preview.png
# QUORIX_BUILD_DIR picks the build directory (default build-release, as run.sh uses).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUORIX_BUILD_DIR:-$root/build-release}"
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target quorix-maker quorix-maker-cli
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

"$build/src/cli/quorix-maker-cli" \
    --source "$root/samples/readme.txt" --book ReadMe --part-size 1000 \
    --info "Quorix Maker sample" --phone nokia --help-language en \
    --font "DejaVu Sans" --font-height -11 --output "$work" >/dev/null
"$build/src/cli/quorix-maker-cli" preview "$work/midlets/ReadMe1.jar" --all \
    --contact-sheet "$root/docs/sample-pages.png"
xvfb-run --auto-servernum --server-args="-screen 0 800x800x24" \
    "$build/src/ui/quorix-maker" --preview "$work/midlets/ReadMe1.jar" \
    --screenshot "$root/docs/phone-preview.png"
echo "Saved docs/sample-pages.png and docs/phone-preview.png"
