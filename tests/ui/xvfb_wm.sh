#!/usr/bin/env bash
# Runs a window test on a virtual X screen with a window manager (openbox).
#   xvfb_wm.sh WIDTHxHEIGHT PROGRAM [ARGS...]
set -euo pipefail
screen="$1"
shift
if ! command -v xvfb-run >/dev/null || ! command -v openbox >/dev/null; then
    echo "xvfb-run and openbox are needed (scripts/install-deps.sh)" >&2
    exit 1
fi
export QT_QPA_PLATFORM=xcb
exec xvfb-run --auto-servernum --server-args="-screen 0 ${screen}x24" \
    bash -c 'openbox --sm-disable >/dev/null 2>&1 & sleep 2; exec "$@"' bash "$@"
