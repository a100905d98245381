#!/usr/bin/env bash
# Takes a PNG of the main window under a virtual X server (Xvfb), for the README.
#   scripts/screenshot.sh [OUTPUT.png]   default docs/quorix-maker.png
# QUORIX_BUILD_DIR picks the build directory (default build-release, as run.sh uses).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUORIX_BUILD_DIR:-$root/build-release}"
output="$(realpath -m "${1:-$root/docs/quorix-maker.png}")"

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target quorix-maker

# The program saves its own window once it is up and active, then quits.
xvfb-run --auto-servernum --server-args="-screen 0 640x560x24" \
    "$build/src/ui/quorix-maker" --screenshot "$output"
echo "Saved $output"
