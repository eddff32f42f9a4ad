#!/usr/bin/env bash
# Runs a Windows program under Wine the way every test and demo of this project expects:
#   - a Wine prefix of its own (--prefix DIR; default build/wineprefix), created on first use;
#   - LANG=ja_JP.UTF-8, so that the ANSI code page is 932 (Shift-JIS);
#   - WINEDEBUG=-all, so that only the program's own output is seen;
#   - an Xvfb display, started for the run and stopped afterwards, when no DISPLAY is set;
#   - with --unmanaged, windows that Wine frames and places itself instead of a window manager: on a display without
#     one (Xvfb), showing and hiding a window then takes no time, where Wine would wait two seconds for a manager that
#     never answers, and screenshots show the title bar.
# Usage: wine-run.sh [--prefix DIR] [--unmanaged] PROGRAM.exe [ARGS...]; the exit status is the program's.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
prefix="$here/../build/wineprefix"
if [ "${1:-}" = "--prefix" ]; then
    prefix=$2
    shift 2
fi
unmanaged=0
if [ "${1:-}" = "--unmanaged" ]; then
    unmanaged=1
    shift
fi
if [ $# -lt 1 ]; then
    echo "usage: wine-run.sh [--prefix DIR] [--unmanaged] PROGRAM.exe [ARGS...]" >&2
    exit 2
fi

export WINEPREFIX
WINEPREFIX=$(mkdir -p "$prefix" && cd "$prefix" && pwd)
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDEBUG=-all
# No Mono or Gecko installer dialogs when the prefix is created.
export WINEDLLOVERRIDES="mscoree,mshtml="

own_display_pid=""
stop_display() {
    if [ -n "$own_display_pid" ]; then
        # The prefix's helper processes hold the display; end them before the display goes.
        wineserver -k >/dev/null 2>&1 || true
        kill "$own_display_pid" >/dev/null 2>&1 || true
        wait "$own_display_pid" 2>/dev/null || true
    fi
}

start_display() {
    local n
    for n in $(seq 90 150); do
        if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
            Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
            own_display_pid=$!
            local i
            for i in $(seq 1 100); do
                [ -e "/tmp/.X11-unix/X$n" ] && break
                kill -0 "$own_display_pid" 2>/dev/null || break
                sleep 0.05
            done
            if kill -0 "$own_display_pid" 2>/dev/null; then
                export DISPLAY=":$n"
                return 0
            fi
            own_display_pid=""
        fi
    done
    echo "wine-run.sh: could not start Xvfb" >&2
    exit 1
}

# Prefix creation and runs with a private display are serialised per prefix: parallel test runs must not create the
# prefix twice, nor stop each other's Wine processes.
exec 9>"$WINEPREFIX.lock"
if [ -z "${DISPLAY:-}" ]; then
    flock 9
    start_display
    trap stop_display EXIT
fi

if [ ! -f "$WINEPREFIX/.quiltbox-ready" ]; then
    flock 9
    if [ ! -f "$WINEPREFIX/.quiltbox-ready" ]; then
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w >/dev/null 2>&1 || true
        touch "$WINEPREFIX/.quiltbox-ready"
    fi
    [ -n "$own_display_pid" ] || flock -u 9
fi

# Wine draws caption buttons, menu check marks and scroll arrows with its Marlett font, which it does not find by itself
# in Debian's fonts-wine: give the prefix its own copy.
fonts="$WINEPREFIX/drive_c/windows/Fonts"
if [ -d "$fonts" ] && [ ! -f "$fonts/marlett.ttf" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
    cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
fi

if [ "$unmanaged" = 1 ] && [ ! -f "$WINEPREFIX/.quiltbox-unmanaged" ]; then
    flock 9
    if [ ! -f "$WINEPREFIX/.quiltbox-unmanaged" ]; then
        for value in Managed Decorated; do
            wine reg add 'HKCU\Software\Wine\X11 Driver' /v "$value" /d N /f >/dev/null 2>&1
        done
        touch "$WINEPREFIX/.quiltbox-unmanaged"
    fi
    [ -n "$own_display_pid" ] || flock -u 9
fi

# On a shared display, an idle console program keeps Wine's helper processes (services, desktop) running between runs
# for up to a quarter of an hour. Without it every run starts them anew (a second or more), and they inherit that run's
# standard output and error, so that a caller reading a pipe to its end waits for them to exit. with-display.sh ends it.
# QUILTBOX_WINE_KEEPALIVE=0 skips it, for a run whose caller ends the prefix's processes itself.
if [ -z "$own_display_pid" ] && [ "${QUILTBOX_WINE_KEEPALIVE:-1}" != 0 ]; then
    keepalive="$WINEPREFIX/.keepalive.pid"
    flock 9
    if ! { [ -f "$keepalive" ] && kill -0 "$(cat "$keepalive")" 2>/dev/null; }; then
        setsid bash -c 'sleep 900 | exec wine cmd.exe' </dev/null >/dev/null 2>&1 &
        echo $! >"$keepalive"
        # Wait until the helper processes run, started by a program that holds none of this run's handles.
        wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
    fi
    flock -u 9
fi

status=0
wine "$@" || status=$?
exit "$status"
