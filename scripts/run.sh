#!/usr/bin/env bash
# Sets up, builds and runs Quiltbox on the demo project (examples/demo/demo.qbp): the window program under Wine in a
# window on your display. Without a display it starts the window program on a private Xvfb display instead, presses F
# to arrange the demo, saves a screenshot of its window to build/demo/quiltbox.png and quits with Esc, answering the
# question that follows. Either way the command line then writes the demo's exports (its usual places) into
# build/demo/. Nothing here asks a question on the terminal.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/install-deps.sh
scripts/build-preset.sh native-release
scripts/build-preset.sh windows-release
mkdir -p build/demo
exe=$PWD/build/windows-release/app/Quiltbox.exe
prefix=$PWD/build/windows-release/wineprefix

if [ -n "${DISPLAY:-}" ]; then
    echo "run.sh: Quiltbox.exe opens examples/demo/demo.qbp; press F to arrange it, Esc to quit"
    (cd examples/demo && ../../scripts/wine-run.sh --prefix "$prefix" "$exe" demo.qbp)
else
    scripts/with-display.sh bash -c '
        set -euo pipefail
        # Presses a key in the viewable window of that name and prints its ID. A window can still go away between
        # being found and being focused (Wine replaces its start-up windows), so the focus is tried again on the
        # window found anew, and only the last failure is shown.
        press() {
            local window
            for attempt in $(seq 1 20); do
                window=$(scripts/wait-for-window.sh "$1" "$3")
                if xdotool windowfocus --sync "$window" key "$2" 2>/dev/null; then
                    echo "$window"
                    return 0
                fi
                sleep 0.5
            done
            xdotool windowfocus --sync "$window" key "$2"
        }
        (cd examples/demo && exec ../../scripts/wine-run.sh --prefix "$1" --unmanaged "$2" demo.qbp) &
        program=$!
        window=$(press "^Quiltbox$" f 240)
        sleep 2
        import -window "$window" build/demo/quiltbox.png
        press "^Quiltbox$" Escape 60 >/dev/null
        press "アプリケーション終了" Return 60 >/dev/null
        wait "$program"
    ' run "$prefix" "$exe"
    echo "run.sh: no display here; a screenshot of Quiltbox.exe with the demo is in build/demo/quiltbox.png"
fi

build/native-release/cli/quiltbox-cli export examples/demo/demo.qbp
echo "run.sh: the demo's atlas and lists are in build/demo/ (the programs: build/windows-release/app/Quiltbox.exe,"
echo "        build/windows-release/cli/quiltbox-cli.exe and build/native-release/cli/quiltbox-cli)"
