#!/usr/bin/env bash
# Makes the README's serving pictures: the window's Send to phone dialog under Xvfb, and the
# page a phone's browser shows, drawn by headless Chromium at a 240x320 phone's width.
#   scripts/screenshot-serve.sh   writes docs/send-to-phone.png and docs/phone-page.png
# QUORIX_BUILD_DIR picks the build directory (default build-release, as run.sh uses).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUORIX_BUILD_DIR:-$root/build-release}"
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target quorix-maker quorix-maker-cli
work="$(mktemp -d)"
server=""
trap '[ -z "$server" ] || kill "$server"; rm -rf "$work"' EXIT

cli="$build/src/cli/quorix-maker-cli"
"$cli" --source "$root/samples/readme.txt" --book ReadMe --part-size 1000 --help-language en \
    --output "$work" >/dev/null
"$cli" --source "$root/samples/winter-morning.fb2" --output "$work" >/dev/null
xvfb-run --auto-servernum --server-args="-screen 0 800x800x24" \
    "$build/src/ui/quorix-maker" --send-to-phone "$work/midlets" \
    --screenshot "$root/docs/send-to-phone.png"

"$cli" serve "$work/midlets" --bind 127.0.0.1 --port 0 >"$work/serve.out" &
server=$!
for _ in $(seq 50); do
    url="$(sed -n 's/^Open on the phone: //p' "$work/serve.out")"
    [ -n "$url" ] && break
    sleep 0.1
done
mkdir "$work/profile"
chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/profile" --window-size=240,320 \
    --screenshot="$root/docs/phone-page.png" "$url" 2>/dev/null
echo "Saved docs/send-to-phone.png and docs/phone-page.png"
