#!/usr/bin/python3
"""Real games' sprites for the benchmarks: Debian's game-data packages, downloaded and unpacked into the build tree
(never into the source tree, never committed), and their PNG sprites of at most 256 x 256 pixels laid out again as a
sprite folder tree of their own, their paths inside the game's data folder kept.

Usage: bench/game_sprites.py [--work DIR]       prints each set's folder and sprite count
As a module: game_sets(work) -> {name: (folder, [paths relative to the folder, in byte order])}
"""
import argparse
import glob
import os
import shutil
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_WORK = os.path.join(ROOT, "build", "bench-games")
# name: (Debian package, the game's data folder inside it)
GAMES = {
    "supertux": ("supertux-data", "usr/share/games/supertux2"),
    "freedroidrpg": ("freedroidrpg-data", "usr/share/freedroidrpg/data"),
}
MAX_SIDE = 256
LAYOUT_VERSION = 1  # bump when the choice of sprites changes, so that kept sets are made again


def png_size(path):
    """(width, height) from the IHDR chunk, or None for a file that is no PNG."""
    with open(path, "rb") as f:
        head = f.read(24)
    if len(head) < 24 or head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    return int.from_bytes(head[16:20], "big"), int.from_bytes(head[20:24], "big")


def unpack(package, work):
    """The package's files under work/unpacked/<package>, downloaded with apt-get once."""
    target = os.path.join(work, "unpacked", package)
    if os.path.isfile(os.path.join(target, ".done")):
        return target
    debs = os.path.join(work, "debs")
    os.makedirs(debs, exist_ok=True)
    if not glob.glob(os.path.join(debs, package + "_*.deb")):
        subprocess.run(["apt-get", "download", package], cwd=debs, check=True, stdout=subprocess.DEVNULL)
    shutil.rmtree(target, ignore_errors=True)
    os.makedirs(target)
    subprocess.run(["dpkg-deb", "-x", glob.glob(os.path.join(debs, package + "_*.deb"))[0], target], check=True)
    open(os.path.join(target, ".done"), "w").close()
    return target


def game_sets(work=DEFAULT_WORK):
    sets = {}
    for name, (package, data) in GAMES.items():
        folder = os.path.join(work, "sets", name)
        stamp = os.path.join(folder, ".sprites")
        if os.path.isfile(stamp):
            with open(stamp, encoding="utf-8") as f:
                lines = f.read().splitlines()
            if lines and lines[0] == f"version {LAYOUT_VERSION}":
                sets[name] = (folder, lines[1:])
                continue
        source = os.path.join(unpack(package, work), data)
        found = []
        for root, folders, files in os.walk(source):
            folders.sort()
            for file in sorted(files):
                path = os.path.join(root, file)
                size = png_size(path) if file.lower().endswith(".png") and not os.path.islink(path) else None
                if size and 1 <= size[0] <= MAX_SIDE and 1 <= size[1] <= MAX_SIDE:
                    found.append(os.path.relpath(path, source))
        found.sort(key=lambda p: p.encode("utf-8"))
        shutil.rmtree(folder, ignore_errors=True)
        for relative in found:
            os.makedirs(os.path.dirname(os.path.join(folder, relative)), exist_ok=True)
            shutil.copyfile(os.path.join(source, relative), os.path.join(folder, relative))
        with open(stamp, "w", encoding="utf-8") as f:
            f.write("\n".join([f"version {LAYOUT_VERSION}", *found]) + "\n")
        sets[name] = (folder, found)
    return sets


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--work", default=DEFAULT_WORK)
    args = parser.parse_args()
    for name, (folder, sprites) in game_sets(args.work).items():
        print(f"{name}: {len(sprites)} sprites in {folder}")


if __name__ == "__main__":
    sys.exit(main())
