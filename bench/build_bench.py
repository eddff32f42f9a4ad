#!/usr/bin/python3
"""What quiltbox-cli build costs end to end, in three figures:

- a build that finds nothing changed, beside a full pack, on the stress set of stress_cli.py (COUNT generated
  sprites, 10,000 by default): the medians of several builds with the record of the last one removed (a full pack)
  and of several with nothing changed;
- under build --watch on WATCH_COUNT sprites (1,000 by default), the time from saving a sprite with new pixels to the
  atlas on disk holding them (the median of several saves);
- --keep-layout on WATCH_COUNT sprites: how many of the other sprites move when one is added, with and without it.

Usage: build_bench.py BUILD_FOLDER WORK_FOLDER [COUNT] [WATCH_COUNT]   (use build/native-release)
Prints a Markdown table.
"""
import json
import os
import shutil
import statistics
import subprocess
import sys
import time

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from stress_cli import make_sprites  # noqa: E402

RECIPE = """[[atlas]]
name = "all"
inputs = ["sprites"]
size = "auto"
packer = "maxrects"
{extra}png = "out/all.png"
json = "out/all.json"
"""


def write_recipe(folder, extra=""):
    os.makedirs(os.path.join(folder, "out"), exist_ok=True)
    with open(os.path.join(folder, "quiltbox.toml"), "w") as f:
        f.write(RECIPE.format(extra=extra))


def timed(args, cwd):
    start = time.perf_counter()
    done = subprocess.run(args, cwd=cwd, capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit(f"build_bench.py: {' '.join(args)} failed: {done.stderr}")
    return time.perf_counter() - start, done.stdout + done.stderr


def no_change_share(cli, work, count):
    make_sprites(os.path.join(work, "sprites"), count)
    write_recipe(work)
    state = os.path.join(work, "out", ".all.png.qbstate")
    full = []
    for _ in range(3):
        if os.path.exists(state):
            os.remove(state)
        full.append(timed([cli, "build"], work)[0])
    still = []
    for _ in range(5):
        seconds, said = timed([cli, "build"], work)
        if "up to date" not in said:
            sys.exit(f"build_bench.py: the second build was not up to date: {said}")
        still.append(seconds)
    return statistics.median(full) * 1000, statistics.median(still) * 1000


def repaint(path, shade):
    with Image.open(path) as image:
        image.load()
        Image.new(image.mode, image.size, (shade,) * len(image.getbands())).save(path + ".tmp", format=image.format)
    os.replace(path + ".tmp", path)  # saved whole, as an editor saves


def watch_latency(cli, work, count, saves=7):
    folder = os.path.join(work, "watch")
    make_sprites(os.path.join(folder, "sprites"), count)
    write_recipe(folder)
    atlas = os.path.join(folder, "out", "all.png")
    if os.path.exists(atlas):
        os.remove(atlas)
    watcher = subprocess.Popen([cli, "build", "--watch"], cwd=folder, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        deadline = time.time() + 120
        while not os.path.exists(atlas) and time.time() < deadline:
            time.sleep(0.05)
        time.sleep(1)
        sprite = os.path.join(folder, "sprites", sorted(os.listdir(os.path.join(folder, "sprites")))[0])
        waits = []
        for shade in range(saves):
            with open(atlas, "rb") as f:
                before = f.read()
            repaint(sprite, 40 + 20 * shade)
            start = time.perf_counter()
            while time.perf_counter() - start < 60:
                with open(atlas, "rb") as f:
                    if f.read() != before:
                        break
                time.sleep(0.005)
            else:
                sys.exit("build_bench.py: the watch never wrote a new atlas")
            waits.append(time.perf_counter() - start)
            time.sleep(0.5)
    finally:
        watcher.terminate()
        watcher.wait()
    return statistics.median(waits) * 1000


def moved_when_one_is_added(cli, work, count, keep):
    folder = os.path.join(work, "keep" if keep else "fresh")
    shutil.rmtree(folder, ignore_errors=True)
    make_sprites(os.path.join(folder, "sprites"), count)
    write_recipe(folder, "keep-layout = true\n" if keep else "")

    def places():
        with open(os.path.join(folder, "out", "all.json")) as f:
            return {n: e["frame"] for n, e in json.load(f)["frames"].items()}

    timed([cli, "build"], folder)
    first = places()
    Image.new("RGB", (40, 24), (1, 2, 3)).save(os.path.join(folder, "sprites", "added.bmp"))
    _, said = timed([cli, "build"], folder)
    second = places()
    told = [line.split("quiltbox-cli: ", 1)[-1] for line in said.splitlines() if "--keep-layout" in line]
    return sum(1 for n in first if second[n] != first[n]), "; ".join(told)


def main():
    build, work = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 10000
    watch_count = int(sys.argv[4]) if len(sys.argv) > 4 else 1000
    cli = os.path.join(build, "cli", "quiltbox-cli")
    os.makedirs(work, exist_ok=True)
    full, still = no_change_share(cli, work, count)
    latency = watch_latency(cli, work, watch_count)
    kept, said = moved_when_one_is_added(cli, work, watch_count, True)
    fresh, _ = moved_when_one_is_added(cli, work, watch_count, False)
    print("| what | figure |")
    print("|---|---:|")
    print(f"| {count} sprites: build with no record (a full pack, PNG and JSON) | {full:.0f} ms |")
    print(f"| {count} sprites: build with nothing changed | {still:.0f} ms ({100 * still / full:.1f} % of the full "
          "pack) |")
    print(f"| {watch_count} sprites under build --watch: a sprite saved to the new atlas on disk | {latency:.0f} ms |")
    print(f"| {watch_count} sprites, one added, --keep-layout: other sprites moved | {kept} of {watch_count} "
          f"({said}) |")
    print(f"| {watch_count} sprites, one added, a fresh pack: other sprites moved | {fresh} of {watch_count} |")


if __name__ == "__main__":
    main()
