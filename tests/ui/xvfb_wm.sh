#!/usr/bin/env bash
# Runs a window test on a virtual X screen with a window manager (openbox).
#   xvfb_wm.sh WIDTHxHEIGHT PROGRAM [ARGS...]
set -euo pipefail
screen="$1"
shift
for tool in xvfb-run openbox; do
    if ! command -v "$tool" >/dev/null; then
        echo "xvfb-run and openbox are needed (scripts/install-deps.sh)" >&2
        exit 1
    fi
done
export QT_QPA_PLATFORM=xcb
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XVFB_WM_WORK="$work"
# The test starts once openbox runs its startup command, which it does only when it is
# wholly up, managing the screen; announcing itself on the root window comes earlier, before
# its theme is loaded. An openbox that stopped is started again. When the test fails, it says
# whether openbox was still running, and what openbox printed.
xvfb-run --auto-servernum --server-args="-screen 0 ${screen}x24" bash -c '
    start_wm() {
        openbox --sm-disable --startup "touch $XVFB_WM_WORK/ready" >"$XVFB_WM_WORK/openbox.log" 2>&1 &
        wm=$!
    }
    start_wm
    for _ in $(seq 600); do
        [ -e "$XVFB_WM_WORK/ready" ] && break
        kill -0 "$wm" 2>/dev/null || start_wm
        sleep 0.1
    done
    if [ ! -e "$XVFB_WM_WORK/ready" ]; then
        echo "openbox did not come up on the virtual screen" >&2
        cat "$XVFB_WM_WORK/openbox.log" >&2
        exit 1
    fi
    set +e
    "$@"
    status=$?
    if [ "$status" -ne 0 ]; then
        if kill -0 "$wm" 2>/dev/null; then
            echo "== openbox was still running" >&2
        else
            echo "== openbox had stopped" >&2
        fi
        cat "$XVFB_WM_WORK/openbox.log" >&2
    fi
    kill "$wm" 2>/dev/null
    exit "$status"' bash "$@"
