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
        (cd examples/demo && exec ../../scripts/wine-run.sh --prefix "$1" --unmanaged "$2" demo.qbp) &
        program=$!
        window=$(scripts/wait-for-window.sh "^Quiltbox$" 240)
        xdotool windowfocus --sync "$window" key f
        sleep 2
        import -window "$window" build/demo/quiltbox.png
        xdotool windowfocus --sync "$window" key Escape
        question=$(scripts/wait-for-window.sh "アプリケーション終了" 60)
        xdotool windowfocus --sync "$question" key Return
        wait "$program"
    ' run "$prefix" "$exe"
    echo "run.sh: no display here; a screenshot of Quiltbox.exe with the demo is in build/demo/quiltbox.png"
fi

build/native-release/cli/quiltbox-cli export examples/demo/demo.qbp
echo "run.sh: the demo's atlas and lists are in build/demo/ (the programs: build/windows-release/app/Quiltbox.exe,"
echo "        build/windows-release/cli/quiltbox-cli.exe and build/native-release/cli/quiltbox-cli)"
