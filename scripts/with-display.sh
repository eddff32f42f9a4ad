#!/usr/bin/env bash
# Runs a command with an X display: the current one when DISPLAY is set, else a private Xvfb started for the command
# and stopped after it (together with the Wine processes that used it). The exit status is the command's.
set -euo pipefail

if [ -n "${DISPLAY:-}" ]; then
    exec "$@"
fi

xvfb_pid=""
for n in $(seq 20 80); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        for _ in $(seq 1 100); do
            [ -e "/tmp/.X11-unix/X$n" ] && break
            kill -0 "$xvfb_pid" 2>/dev/null || break
            sleep 0.05
        done
        if kill -0 "$xvfb_pid" 2>/dev/null; then
            export DISPLAY=":$n"
            break
        fi
        xvfb_pid=""
    fi
done
if [ -z "$xvfb_pid" ]; then
    echo "with-display.sh: could not start Xvfb" >&2
    exit 1
fi

cleanup() {
    # Wine's helper processes of every prefix under build/ hold the display; end them first.
    local here prefix
    here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    for prefix in "$here"/build/*/wineprefix; do
        [ -d "$prefix" ] || continue
        if [ -f "$prefix/.keepalive.pid" ]; then
            kill -- "-$(cat "$prefix/.keepalive.pid")" >/dev/null 2>&1 || true
            rm -f "$prefix/.keepalive.pid"
        fi
        WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
    done
    kill "$xvfb_pid" >/dev/null 2>&1 || true
    wait "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

status=0
"$@" || status=$?
exit "$status"
