#!/usr/bin/python3
"""Makes the demo project in examples/demo/: a dozen sprites drawn with Pillow (24-bit BMP tiles, 8-bit BMP tiles with
a palette, one with a Japanese name, and 32-bit TGA sprites with real alpha), and demo.qbp, which names them by
relative paths, scatters them over its 256 x 256 area for the automatic layout (F) to arrange, and sets its usual places
in build/demo/ of the repository (relative to the demo's folder, the folder the window program runs in). The same bytes
every time.

Usage: make_demo.py QUILTBOX_CLI     (the native command line, e.g. build/native-release/cli/quiltbox-cli)
"""
import os
import struct
import subprocess
import sys

from PIL import Image, ImageDraw

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "demo")
RECORD_SIZE = 1624  # the settings record at the head of the project file
# Where each sprite lies before the automatic layout, in list order.
SCATTERED = [(150, 10), (20, 170), (200, 180), (90, 120), (10, 20), (180, 90),
             (60, 60), (130, 200), (230, 40), (100, 20), (40, 220), (210, 130)]


def tile(size, base, accent):
    img = Image.new("RGB", (size, size), base)
    draw = ImageDraw.Draw(img)
    for i in range(0, size, 4):
        draw.line([(i, 0), (0, i)], fill=accent)
    return img


def sprite(w, h, colour):
    img = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    draw = ImageDraw.Draw(img)
    draw.ellipse([1, 1, w - 2, h - 2], fill=colour + (255,), outline=(20, 20, 20, 255))
    # A soft glow inside the outline: real partial alpha for the alpha view.
    draw.ellipse([w // 4, h // 4, w // 2, h // 2], fill=(255, 255, 255, 140))
    return img


def draw_sprites(folder):
    os.makedirs(folder, exist_ok=True)
    tiles = [("grass", 64, (70, 140, 60), (90, 170, 80), False), ("stone", 64, (120, 110, 100), (150, 140, 130), False),
             ("water", 32, (60, 90, 200), (90, 120, 230), True), ("砂", 32, (190, 170, 110), (210, 190, 130), True),
             ("brick", 48, (150, 60, 40), (190, 90, 60), False)]
    files = []
    for name, size, base, accent, paletted in tiles:
        img = tile(size, base, accent)
        if paletted:
            img = img.quantize(colors=32)
        img.save(os.path.join(folder, name + ".bmp"))
        files.append(name + ".bmp")
    for name, (w, h), colour in [("hero", (24, 32), (230, 60, 50)), ("slime", (16, 12), (80, 220, 90)),
                                 ("coin", (12, 12), (250, 210, 40)), ("tree", (48, 64), (40, 110, 40)),
                                 ("rock", (20, 16), (130, 130, 130)), ("heart", (10, 10), (240, 40, 90)),
                                 ("gem", (14, 18), (80, 200, 240))]:
        sprite(w, h, colour).save(os.path.join(folder, name + ".tga"))
        files.append(name + ".tga")
    return files


def scatter(project):
    """Rewrites each image record's position (the int16 pair that ends it) with the scattered one."""
    data = bytearray(open(project, "rb").read())
    at = RECORD_SIZE
    (count,) = struct.unpack_from("<i", data, at)
    at += 4
    for i in range(count):
        for _ in range(2):  # path, name: an int16 length and that many bytes
            (length,) = struct.unpack_from("<h", data, at)
            at += 2 + length
        struct.pack_into("<hh", data, at, *SCATTERED[i])
        at += 4
    open(project, "wb").write(bytes(data))


def main():
    cli = os.path.abspath(sys.argv[1])
    files = draw_sprites(os.path.join(HERE, "sprites"))
    out = os.path.join("..", "..", "build", "demo")
    os.makedirs(os.path.join(HERE, out), exist_ok=True)
    subprocess.run([cli, "pack", "--quiet", *[os.path.join("sprites", f) for f in files],
                    "--bmp", os.path.join(out, "atlas.bmp"), "--tga", os.path.join(out, "atlas.tga"),
                    "--quv", os.path.join(out, "atlas.quv"), "--uv-array", os.path.join(out, "atlas_uv.h"),
                    "--ids", os.path.join(out, "texture_ids.h"), "--save", "demo.qbp"], cwd=HERE, check=True)
    scatter(os.path.join(HERE, "demo.qbp"))
    print(os.path.join(HERE, "demo.qbp"))


if __name__ == "__main__":
    main()
