#!/usr/bin/env bash
# Prints the X window ID of the first viewable window whose name matches a pattern, once it shows on $DISPLAY; fails
# after SECONDS (default 120). Only a viewable (mapped) window counts: Wine names a window before it maps it, and
# giving the focus to a window that is not viewable yet fails with BadMatch. Usage: wait-for-window.sh PATTERN [SECONDS]
set -euo pipefail
deadline=$(( $(date +%s) + ${2:-120} ))
while [ "$(date +%s)" -lt "$deadline" ]; do
    window=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
    if [ -n "$window" ]; then
        echo "$window"
        exit 0
    fi
    sleep 0.5
done
echo "wait-for-window.sh: no window named '$1' appeared" >&2
exit 1
