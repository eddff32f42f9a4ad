#!/usr/bin/env bash
# The Windows zip: it holds the two programs, the README and the format notes in one folder, and both programs run
# from a new folder outside the build tree under Wine (a prefix of its own): the command line prints its version, the
# window program opens the demo project and closes on Esc.
# Usage: check_zip.sh ZIP VERSION WORK_DIR   (with a display: scripts/with-display.sh)
set -euo pipefail
zip=$(realpath "$1")
version=$2
work=$3
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
top=quiltbox-$version-win64

mkdir -p "$work"
unzip -Z1 "$zip" | grep -v '/$' | sort >"$work/contents.txt"
printf "$top/%s\n" Quiltbox.exe README.md formats.md quiltbox-cli.exe | sort >"$work/expected.txt"
if ! diff -u "$work/expected.txt" "$work/contents.txt"; then
    echo "check_zip.sh: the zip holds other files than expected (above)" >&2
    exit 1
fi

unzip -q "$zip" -d "$work"
cp -r "$root/examples/demo" "$work/demo"
cd "$work/$top"
export QUILTBOX_WINE_KEEPALIVE=0
run=("$root/scripts/wine-run.sh" --prefix "$work/prefix" --unmanaged)
"${run[@]}" quiltbox-cli.exe --version >"$work/version.txt"
if ! tr -d '\r' <"$work/version.txt" | grep -qx "quiltbox-cli $version"; then
    echo "check_zip.sh: quiltbox-cli.exe --version printed: $(cat "$work/version.txt")" >&2
    exit 1
fi
(cd "$work/demo" && exec "${run[@]}" "$work/$top/Quiltbox.exe" demo.qbp) &
program=$!
window=$("$root/scripts/wait-for-window.sh" "^Quiltbox$" 240)
xdotool windowfocus --sync "$window" key Escape
wait "$program"
WINEPREFIX="$work/prefix" wineserver -k >/dev/null 2>&1 || true
echo "check_zip.sh: the zip holds the programs and its documents; both run from $work"
