#!/usr/bin/env bash
# Prints the X window ID of the first window whose name matches a pattern, once it appears on $DISPLAY; fails after
# SECONDS (default 120). Usage: wait-for-window.sh PATTERN [SECONDS]
set -euo pipefail
deadline=$(( $(date +%s) + ${2:-120} ))
while [ "$(date +%s)" -lt "$deadline" ]; do
    window=$(xdotool search --name "$1" 2>/dev/null | head -n 1 || true)
    if [ -n "$window" ]; then
        echo "$window"
        exit 0
    fi
    sleep 0.5
done
echo "wait-for-window.sh: no window named '$1' appeared" >&2
exit 1
