#!/usr/bin/env bash
# The example game (examples/game) builds its atlas through the installed CMake package, with each generator and
# installed package: Ninja against the Debian package's tree, Makefiles against the unpacked tarball. Each build packs
# the atlas and compiles the game against it (the game prints every sprite's rectangle), a second build does nothing,
# touching one sprite packs again, so do a changed option (Make itself does not compare command lines) and a sprite
# added to or removed from the folder, configuring again without a change does not, and a broken sprite fails the build
# with the command line's message. A cross-compiled build (mingw-w64, packages found only in its own root, Quiltbox_DIR given)
# runs the build machine's command line. An output name with a page number is refused when configuring.
# Usage: check_game.sh DEB_PREFIX TARBALL_PREFIX WORK_DIR   (the prefixes as check_linux.sh unpacked them)
set -euo pipefail
deb_prefix=$1
tarball_prefix=$2
work=$3
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
mkdir -p "$work"

fail() {
    echo "check_game.sh: $*" >&2
    [ ! -f "${out:-}" ] || sed 's/^/    /' "$out" >&2
    exit 1
}
# build NAME: builds the game, its output in $out; fails the check when the build fails.
build() {
    out=$work/$1.log
    cmake --build "$build_dir" >"$out" 2>&1 || fail "the $1 build failed"
}
packed() { grep -q "Packing the atlas game_atlas" "$out"; }
# The sprites' rectangles as the game prints them, checked against the sprites' sizes (Pillow) and the atlas's bounds.
check_game_output() {
    "$build_dir/game" >"$work/game.txt" || fail "the game did not run"
    /usr/bin/python3 - "$work/game.txt" "$game/sprites" "$build_dir/atlas/sprites.png" <<'PY' ||
import os, re, sys
from PIL import Image
lines = open(sys.argv[1]).read().splitlines()
atlas = Image.open(sys.argv[3])
assert lines[-1] == f"{len(os.listdir(sys.argv[2]))} sprites in the atlas", lines
for line in lines[:-1]:
    name, x, y, w, h = re.fullmatch(r"(\w+) at (\d+),(\d+) size (\d+)x(\d+)", line).groups()
    assert Image.open(f"{sys.argv[2]}/{name}.png").size == (int(w), int(h)), line
    assert int(x) + int(w) <= atlas.size[0] and int(y) + int(h) <= atlas.size[1], (line, atlas.size)
PY
        fail "the game's sprites are not those of the atlas: $(cat "$work/game.txt")"
}

for generator in Ninja "Unix Makefiles"; do
    if [ "$generator" = Ninja ]; then prefix=$deb_prefix; else prefix=$tarball_prefix; fi
    name=${generator// /-}
    game=$work/$name/game
    build_dir=$work/$name/build
    rm -rf "${work:?}/$name"
    mkdir -p "$work/$name"
    cp -r "$root/examples/game" "$game"
    cmake -S "$game" -B "$build_dir" -G "$generator" -DCMAKE_PREFIX_PATH="$prefix" >"$work/$name-configure.log" 2>&1 ||
        { out=$work/$name-configure.log; fail "$generator: configuring the game failed"; }

    build "$name-first"
    packed || fail "$generator: the first build did not pack the atlas"
    check_game_output
    atlas_time=$(stat -c %Y.%N "$build_dir/atlas/sprites.png")

    build "$name-again"
    ! packed || fail "$generator: a second build packed the atlas again"
    [ "$(stat -c %Y.%N "$build_dir/atlas/sprites.png")" = "$atlas_time" ] || fail "$generator: the atlas was rewritten"

    touch "$game/sprites/slime.png"
    build "$name-touched"
    packed || fail "$generator: touching a sprite did not pack the atlas again"

    cmake "$build_dir" -DGAME_ATLAS_SPACING=2 >/dev/null
    build "$name-same-option"
    ! packed || fail "$generator: configuring again with the same options packed the atlas again"
    cmake "$build_dir" -DGAME_ATLAS_SPACING=5 >/dev/null
    build "$name-new-option"
    packed || fail "$generator: a changed option did not pack the atlas again"
    check_game_output
    grep -q "player at 5,5 " "$work/game.txt" || grep -q "at 5,5 " "$work/game.txt" ||
        fail "$generator: the atlas does not show the new spacing: $(cat "$work/game.txt")"

    cp "$game/sprites/coin.png" "$work/coin.png"
    printf 'not a picture' >"$game/sprites/coin.png"
    out=$work/$name-broken.log
    if cmake --build "$build_dir" >"$out" 2>&1; then fail "$generator: a broken sprite did not fail the build"; fi
    { grep -q "^quiltbox-cli: .*PNG" "$out" && grep -q "sprites/coin.png" "$out"; } ||
        fail "$generator: the failed build does not show the command line's message"
    cp "$work/coin.png" "$game/sprites/coin.png"
    build "$name-repaired"
    packed || fail "$generator: the repaired sprite was not packed"
    check_game_output

    cp "$game/sprites/coin.png" "$game/sprites/gem.png"
    build "$name-added"
    packed || fail "$generator: a sprite added to the folder was not packed"
    check_game_output
    rm "$game/sprites/gem.png"
    build "$name-removed"
    packed || fail "$generator: a sprite removed from the folder did not pack the atlas again"
    check_game_output
    echo "check_game.sh: $generator: the atlas is packed when needed and only then; a broken sprite fails the build"
done

# Cross-compiled: the toolchain's emulator (Wine) must not be put before the build machine's command line, and a
# toolchain that looks for packages in its own root only still takes Quiltbox_DIR.
game=$work/cross/game
build_dir=$work/cross/build
rm -rf "$work/cross"
mkdir -p "$work/cross"
cp -r "$root/examples/game" "$game"
cmake -S "$game" -B "$build_dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY -DQuiltbox_DIR="$deb_prefix/lib/cmake/Quiltbox" \
    >"$work/cross-configure.log" 2>&1 || { out=$work/cross-configure.log; fail "configuring the cross build failed"; }
build cross
packed || fail "the cross build did not pack the atlas"
file -b "$build_dir/game.exe" | grep -q 'PE32+ executable' || fail "the cross build made no Windows game"
[ -s "$build_dir/include/sprite_ids.h" ] || fail "the cross build wrote no texture IDs"
echo "check_game.sh: cross-compiled for Windows, the atlas was packed by the build machine's command line"

# Images named one by one from the source folder, outputs listed with their full paths in the target's property; an
# output with a page number cannot be a build's output and is refused with a message.
mkdir -p "$work/pages/art"
cp "$root/examples/game/sprites/coin.png" "$work/pages/art/"
cat >"$work/pages/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.16)
project(Pages NONE)
find_package(Quiltbox REQUIRED)
quiltbox_add_atlas(single ALL IMAGES art/coin.png OUTPUTS --png out/atlas.png --ids ids.h)
get_target_property(outputs single QUILTBOX_OUTPUTS)
message(STATUS "outputs: ${outputs}")
if(PAGES)
    quiltbox_add_atlas(pages IMAGES art/coin.png OUTPUTS --png "atlas-{n}.png")
endif()
CMAKE
out=$work/pages.log
cmake -S "$work/pages" -B "$work/pages/build" -DCMAKE_PREFIX_PATH="$deb_prefix" >"$out" 2>&1 ||
    fail "a project naming its images one by one did not configure"
grep -qF -- "-- outputs: $work/pages/build/out/atlas.png;$work/pages/build/ids.h" "$out" ||
    fail "QUILTBOX_OUTPUTS does not list the outputs with their full paths"
cmake --build "$work/pages/build" >"$out" 2>&1 || fail "the atlas of one named image was not built"
[ -s "$work/pages/build/out/atlas.png" ] || fail "the atlas of one named image is missing"
if cmake "$work/pages/build" -DPAGES=ON >"$out" 2>&1; then
    fail "an output with {n} was taken"
fi
grep -q "has a page number {n}" "$out" || fail "an output with {n} was refused without its message"
echo "check_game.sh: named images, the outputs' property; an output named with a page number is refused"
