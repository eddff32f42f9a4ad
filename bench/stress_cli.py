#!/usr/bin/python3
"""Stress run of the command line: a project of 10,000 generated sprites loaded, laid out, saved and exported by
quiltbox-cli, and packed on the smallest area as PNG and JSON, with the wall time and peak memory (maximum resident
set) of each step.

Usage: stress_cli.py CLI WORK_FOLDER [COUNT]   (use the native-release build's quiltbox-cli)
The sprites (8 to 64 pixels a side, seeded, three quarters 24-bit BMP and one quarter 32-bit TGA) are made once in
WORK_FOLDER/sprites and kept for later runs. Prints a Markdown table.
"""
import os
import random
import subprocess
import sys
import tempfile

from PIL import Image


def make_sprites(folder, count):
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(20261206)
    names, pixels = [], 0
    for i in range(count):
        w, h = rng.randint(8, 64), rng.randint(8, 64)
        tga = i % 4 == 3
        name = f"s{i:05d}.{'tga' if tga else 'bmp'}"
        path = os.path.join(folder, name)
        if not os.path.exists(path):
            colour = (rng.randrange(256), rng.randrange(256), rng.randrange(256))
            img = Image.new("RGBA" if tga else "RGB", (w, h), colour + ((200,) if tga else ()))
            img.save(path)
        names.append(name)
        stride = (w * 3 + 3) & ~3
        pixels += stride * h + (w * h if tga else 0)
    return names, pixels


def measure(args, cwd):
    """Runs a command under GNU time; returns (seconds, peak kilobytes)."""
    with tempfile.NamedTemporaryFile("r") as report:
        result = subprocess.run(["/usr/bin/time", "-f", "%e %M", "-o", report.name] + args, cwd=cwd,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        if result.returncode != 0:
            sys.exit(f"stress_cli.py: {' '.join(args[:3])} failed:\n{result.stderr}")
        seconds, kilobytes = report.read().split()
    return float(seconds), int(kilobytes)


def main():
    cli, work = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 10000
    names, pixel_bytes = make_sprites(os.path.join(work, "sprites"), count)
    sprites = [os.path.join("sprites", n) for n in names]
    outputs = ["--bmp", "atlas.bmp", "--tga", "atlas.tga", "--ids", "ids.h", "--quv", "atlas.quv", "--uv-array",
               "atlas_uv.h"]
    steps = [
        ("pack: load, lay out, write every export and the project",
         [cli, "pack", *sprites, "--size", "4096x4096", *outputs, "--save", "stress.qbp", "--quiet"]),
        ("pack --size auto: load, choose the smallest area, lay out, write the PNG atlas and the JSON",
         [cli, "pack", *sprites, "--size", "auto", "--png", "auto.png", "--json", "auto.json", "--quiet"]),
        ("the same with --extrude 1 --spacing 2 --premultiply",
         [cli, "pack", *sprites, "--size", "auto", "--extrude", "1", "--spacing", "2", "--premultiply", "--png",
          "auto.png", "--json", "auto.json", "--quiet"]),
        ("info: load the project and every image", [cli, "info", "stress.qbp"]),
        ("layout: load, lay out, save", [cli, "layout", "stress.qbp", "-o", "relaid.qbp", "--quiet"]),
        ("export: load, write the five usual outputs", [cli, "export", "stress.qbp", "--quiet"]),
    ]
    atlas_bytes = 4096 * 4096 * 4
    print(f"{count} sprites, {pixel_bytes / 2**20:.1f} MiB of pixels in memory; a 4096 x 4096 TGA atlas buffer is "
          f"{atlas_bytes / 2**20:.0f} MiB\n")
    print("| step | time | peak memory |")
    print("|---|---:|---:|")
    for title, args in steps:
        seconds, kilobytes = measure(args, work)
        print(f"| {title} | {seconds:.2f} s | {kilobytes / 1024:.0f} MiB |")


if __name__ == "__main__":
    main()
