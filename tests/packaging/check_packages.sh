#!/usr/bin/env bash
# Each package as its user meets it: the Linux ones unpacked into temporary roots, the example game built through their
# CMake packages, the installer in a Wine prefix of its own. lintian checks what Debian asks of a package (files owned
# by root, programs stripped, the control file and its dependencies).
# Usage: check_packages.sh DEB TARBALL ZIP INSTALLER VERSION WORK_DIR   (with a display: scripts/with-display.sh)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
deb=$(realpath "$1") tarball=$(realpath "$2") zip=$(realpath "$3") installer=$(realpath "$4") version=$5 work=$6
mkdir -p "$work"

# Ends the check with a message, followed by the log named by $out when there is one.
fail() {
    echo "check_packages.sh: $*" >&2
    [ ! -f "${out:-}" ] || sed 's/^/    /' "$out" >&2
    exit 1
}
# holds NAME TOP FILE...: the archive listing on standard input names exactly TOP followed by each FILE, and folders.
holds() {
    diff -u <(printf "$2%s\n" "${@:3}" | sort) <(grep -v '/$' | sort) || fail "the $1 holds other files than expected"
}

tree=(bin/quiltbox-cli lib/cmake/Quiltbox/Quiltbox{Atlas,Config,ConfigVersion}.cmake share/man/man1/quiltbox-cli.1.gz
    share/doc/quiltbox-cli/{README.md,changelog.Debian.gz,copyright,formats.md})
dpkg-deb -c "$deb" | awk '{ print $6 }' | holds "Debian package" ./usr/ "${tree[@]}"
tar -tzf "$tarball" | holds tarball "quiltbox-cli-$version-linux-x86_64/" "${tree[@]}"
out=$work/lintian.txt
lintian --fail-on error --tag-display-limit 0 "$deb" >"$out" 2>&1 || fail "lintian found errors:"
grep -v '^N: ' "$out" | sed 's/^/check_packages.sh: lintian: /' || true  # warnings: see the README's Release section
rm -rf "$work/deb-root" "$work/tarball-root" && mkdir -p "$work/tarball-root"
dpkg -x "$deb" "$work/deb-root"
tar -xzf "$tarball" -C "$work/tarball-root" --strip-components=1
# Both packages hold the same program: the Debian package's packs the demo, the tarball's the game's atlas below.
cli=$work/deb-root/usr/bin/quiltbox-cli
[ "$("$cli" --version)" = "quiltbox-cli $version" ] || fail "$cli --version does not print $version"
cp -r "$root/examples/demo" "$work/demo" && cd "$work/demo"
# The manual page renders without a complaint from groff and tells of every command of the help.
MANWIDTH=100 LC_ALL=C.UTF-8 man --warnings -l ../deb-root/usr/share/man/man1/quiltbox-cli.1.gz >../man.txt 2>../man.err
out=../man.err && [ ! -s "$out" ] || fail "man found faults in the page:"
commands=$("$cli" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z-]*\) .*/\1/p')
for command in ${commands:-none}; do
    grep -q "Usage: quiltbox-cli $command " ../man.txt || fail "the manual page does not tell of $command"
done
"$cli" pack sprites/* --size 256x128 --png atlas.png --json atlas.json --quiet || fail "the demo was not packed"
/usr/bin/python3 - <<'PY' || fail "the installed program's demo atlas is not as expected"
import json, os
from PIL import Image
frames = [f["frame"] for f in json.load(open("atlas.json", encoding="utf-8"))["frames"].values()]
assert len(frames) == len(os.listdir("sprites")) == 12 and Image.open("atlas.png").size == (256, 128), frames
assert all(0 <= f["x"] <= 256 - f["w"] and 0 <= f["y"] <= 128 - f["h"] for f in frames), frames
PY

# The example game, built from its recipe, with Ninja against the Debian package's tree and with Makefiles against the
# tarball's. Each step changes the game's folder or configures it again; the build after it packs the atlas (and the
# game then prints as many sprites as the folder holds), runs the build that finds it up to date and leaves it as it
# was, keeps it without running anything, or fails with the command line's message.
for generator in Ninja "Unix Makefiles"; do
    dir=$work/game-${generator// /-}
    rm -rf "$dir" && mkdir -p "$dir" && cp -r "$root/examples/game" "$dir/game" && cd "$dir/game"
    prefix=$work/tarball-root && [ "$generator" != Ninja ] || prefix=$work/deb-root/usr
    out=$dir/configure.log
    cmake -S . -B ../build -G "$generator" -DCMAKE_PREFIX_PATH="$prefix" >"$out" 2>&1 || fail "$generator: configure:"
    while read -r step expected change <&3; do
        touch ../before && sleep 0.01 && eval "$change" && out=$dir/$step.log
        if ! cmake --build ../build >"$out" 2>&1; then
            [ "$expected" = fails ] && grep -q "^quiltbox-cli: .*PNG" "$out" && grep -q "^\".*/sprites/coin.png\"$" "$out" ||
                fail "$generator: the $step build failed, or without the command line's message:"
            continue
        fi
        did=keeps
        if grep -q "^atlas sprites: up to date" "$out"; then did=checks; fi
        if grep -q "^atlas sprites: packing" "$out"; then did=packs; fi
        [ "$did" = packs ] || [ ! ../build/atlas/sprites.png -nt ../before ] || did="rewrites (unchanged)"
        [ "$did" = "$expected" ] || fail "$generator: the $step build $did the atlas:"
        [ "$did" = keeps ] || { ../build/game >../game.txt && grep -qx "$(ls sprites | wc -l) sprites in the atlas" \
            ../game.txt; } || fail "$generator: after the $step build the game printed $(cat ../game.txt)"
    done 3<<'STEPS'
first      packs   :
again      keeps   :
touched    checks  touch sprites/slime.png
same       keeps   cmake ../build >/dev/null
spacing    packs   sed -i 's/^spacing = 2$/spacing = 5/' quiltbox.toml
broken     fails   cp sprites/coin.png .. && printf 'not a picture' >sprites/coin.png
repaired   checks  cp ../coin.png sprites/
added      packs   cp sprites/coin.png sprites/gem.png
removed    packs   rm sprites/gem.png
edited     packs   /usr/bin/python3 -c 'from PIL import Image; i = Image.open("sprites/wall.png"); i.putpixel((0, 0), (1, 2, 3, 255)); i.save("sprites/wall.png")'
STEPS
    grep -q " at 5,5 " ../game.txt || fail "$generator: the atlas does not show the new spacing: $(cat ../game.txt)"
    # A pixel changed: the atlas is packed again, but the headers hold the same bytes and keep their times, so the game
    # is not compiled again.
    out=$dir/edited.log && ! grep -q "Building CXX object" "$out" || fail "$generator: a changed pixel compiled the game:"
done
# Cross-compiled for Windows, the game's build runs the build machine's command line; the game runs under Wine.
dir=$work/game-windows && rm -rf "$dir" && mkdir -p "$dir" && cp -r "$root/examples/game" "$dir/game" && out=$dir/build.log
{ cmake -S "$dir/game" -B "$dir/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DQuiltbox_DIR="$work/deb-root/usr/lib/cmake/Quiltbox" && cmake --build "$dir/build"; } >"$out" 2>&1 ||
    fail "the game cross-compiled for Windows did not build:"
"$root/scripts/wine-run.sh" --prefix "$dir/wineprefix" "$dir/build/game.exe" 2>&1 | tr -d '\r' >"$dir/game.txt" || true
grep -qx "$(ls "$dir/game/sprites" | wc -l) sprites in the atlas" "$dir/game.txt" || fail "game.exe: $(<"$dir/game.txt")"
unset out

# The zip holds the installer's programs, which run from the installed folder below.
files=(Quiltbox.exe quiltbox-cli.exe README.md formats.md)
unzip -Z1 "$zip" | holds zip "quiltbox-$version-win64/" "${files[@]}"
prefix=$work/installer-prefix
program_files=$prefix/drive_c/Program\ Files/Quiltbox
start_menu=$prefix/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Quiltbox
keys=('HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quiltbox' 'HKCR\.qbp' 'HKCR\Quiltbox.Project')
export QUILTBOX_WINE_KEEPALIVE=0
# Wine mirrors an installed program's Start-menu entry and file types onto the Linux desktop of $HOME: keep them here.
export HOME=$work/home XDG_DATA_HOME=$work/home/.local/share XDG_CONFIG_HOME=$work/home/.config
trap 'WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true' EXIT
wine_run() { "$root/scripts/wine-run.sh" --prefix "$prefix" --unmanaged "$@"; }
wait_for() { for _ in $(seq 240); do if "$@"; then return 0; fi; sleep 0.5; done; return 1; }
wine_run "$installer" /S || fail "the silent install failed"
for file in "${files[@]}" Uninstall.exe; do [ -f "$program_files/$file" ] || fail "$file was not installed"; done
[ -f "$start_menu/Quiltbox.lnk" ] || fail "the Start-menu entry Quiltbox is missing"
wine_run 'C:\Program Files\Quiltbox\quiltbox-cli.exe' --version >"$work/version.txt" || true
[ "$(tr -d '\r' <"$work/version.txt")" = "quiltbox-cli $version" ] || fail "installed: $(<"$work/version.txt")"
for key in "${keys[@]}"; do wine_run reg query "$key" /s >>"$work/registry.txt" || fail "no $key in the registry"; done
tr -d '\r' <"$work/registry.txt" | sed 's/   */ /g' >"$work/values.txt"
for value in "DisplayName REG_SZ Quiltbox" "DisplayVersion REG_SZ $version" "REG_SZ Quiltbox.Project" \
    'UninstallString REG_SZ "C:\Program Files\Quiltbox\Uninstall.exe"' \
    'REG_SZ "C:\Program Files\Quiltbox\Quiltbox.exe" "%1"'; do
    grep -qF " $value" "$work/values.txt" || fail "the registry lacks '$value': $(<"$work/values.txt")"
done

# The demo opened through its file type shows its sprites whole, pixel for pixel (the window draws them at zoom 1).
wine_run start /unix "$work/demo/demo.qbp" || fail "wine start could not open the project"
window=$("$root/scripts/wait-for-window.sh" "^Quiltbox$" 240) || fail "opening the project started no Quiltbox window"
sleep 2 && import -window "$window" "$work/installed.png"
/usr/bin/python3 - "$work/installed.png" "$work/demo/sprites/"{grass,brick}.bmp <<'PY' || fail "see $work/installed.png"
import sys
from PIL import Image
rows = lambda image: [image.crop((0, y, image.width, y + 1)).tobytes() for y in range(image.height)]
shot = rows(Image.open(sys.argv[1]).convert("RGB"))
for path in sys.argv[2:]:
    sprite = rows(Image.open(path).convert("RGB"))
    assert any(all(shot[y + i].startswith(row, x) for i, row in enumerate(sprite))
               for y in range(len(shot) - len(sprite) + 1) for x in range(0, len(shot[y]), 3)), f"{path} not shown"
PY
xdotool windowfocus --sync "$window" key Escape
wait_for bash -c '! xdotool search --name "^Quiltbox$" >/dev/null 2>&1' || fail "Quiltbox.exe did not close on Esc"

# The uninstaller copies itself away and returns at once; what it removes goes while it runs.
wine_run 'C:\Program Files\Quiltbox\Uninstall.exe' /S || fail "the silent uninstall failed"
wait_for test ! -e "$program_files" || fail "Program Files\\Quiltbox is still there: $(ls -A "$program_files")"
wait_for test ! -e "$start_menu" || fail "the Start-menu entry is still there"
key_gone() { ! wine_run reg query "$1" >/dev/null 2>&1; }
for key in "${keys[@]}"; do wait_for key_gone "$key" || fail "$key is still in the registry"; done
echo "check_packages.sh: the archives, the demo, the game with Ninja, with Makefiles and cross-compiled for Windows," \
    "the installer in $prefix: all good"
