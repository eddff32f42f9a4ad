#!/usr/bin/env bash
# Builds the release archives from the release builds:
#   dist/quiltbox-VERSION-win64.zip               Quiltbox.exe, quiltbox-cli.exe, the README and the format notes
#   dist/quiltbox-cli-VERSION-linux-x86_64.tar.gz quiltbox-cli for Linux, the README and the format notes
# With --check it then unpacks the zip into a new folder outside the build tree and runs both programs from there under
# Wine: the command line prints its version, the window program opens the demo project and closes on Esc.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

version=$(sed -n 's/^project(Quiltbox VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
scripts/build-preset.sh native-release >/dev/null
scripts/build-preset.sh windows-release >/dev/null
mkdir -p dist
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

win="$stage/quiltbox-$version-win64"
mkdir -p "$win"
cp build/windows-release/app/Quiltbox.exe build/windows-release/cli/quiltbox-cli.exe README.md docs/formats.md "$win/"
rm -f "dist/quiltbox-$version-win64.zip"
(cd "$stage" && zip -qr - "quiltbox-$version-win64") >"dist/quiltbox-$version-win64.zip"

linux="$stage/quiltbox-cli-$version-linux-x86_64"
mkdir -p "$linux"
cp build/native-release/cli/quiltbox-cli README.md docs/formats.md "$linux/"
tar -C "$stage" -czf "dist/quiltbox-cli-$version-linux-x86_64.tar.gz" "quiltbox-cli-$version-linux-x86_64"
echo "package.sh: dist/quiltbox-$version-win64.zip and dist/quiltbox-cli-$version-linux-x86_64.tar.gz"

if [ "${1:-}" = "--check" ]; then
    check="$stage/check"
    mkdir -p "$check"
    unzip -q "dist/quiltbox-$version-win64.zip" -d "$check"
    cp -r examples/demo "$check/demo"
    here=$PWD
    scripts/with-display.sh bash -c '
        set -euo pipefail
        cd "$1/quiltbox-$2-win64"
        export QUILTBOX_WINE_KEEPALIVE=0
        run=("$3/scripts/wine-run.sh" --prefix "$1/prefix" --unmanaged)
        "${run[@]}" quiltbox-cli.exe --version >"$1/version.txt"
        tr -d "\r" <"$1/version.txt" | grep -qx "quiltbox-cli $2"
        (cd "$1/demo" && exec "${run[@]}" "$1/quiltbox-$2-win64/Quiltbox.exe" demo.qbp) &
        program=$!
        window=$("$3/scripts/wait-for-window.sh" "^Quiltbox$" 240)
        xdotool windowfocus --sync "$window" key Escape
        wait "$program"
        WINEPREFIX="$1/prefix" wineserver -k >/dev/null 2>&1 || true
    ' check "$check" "$version" "$here"
    echo "package.sh: the zip runs from $check: quiltbox-cli.exe --version and Quiltbox.exe on the demo"
fi
