#!/usr/bin/python3
"""Draws the demo sprites with Pillow: a handful of 24-bit and 8-bit BMP tiles and 32-bit TGA sprites with alpha, in
the sizes a small 2D game would have. The same files every time (no randomness).

Usage: make_demo_sprites.py FOLDER
"""
import os
import sys

from PIL import Image, ImageDraw


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
    return img


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    tile(64, (70, 140, 60), (90, 170, 80)).save(os.path.join(out, "grass.bmp"))
    tile(64, (120, 110, 100), (150, 140, 130)).save(os.path.join(out, "stone.bmp"))
    tile(32, (60, 90, 200), (90, 120, 230)).quantize(colors=32).save(os.path.join(out, "water.bmp"))
    tile(32, (190, 170, 110), (210, 190, 130)).quantize(colors=32).save(os.path.join(out, "砂.bmp"))
    for name, (w, h), colour in [("hero", (24, 32), (230, 60, 50)), ("slime", (16, 12), (80, 220, 90)),
                                 ("coin", (12, 12), (250, 210, 40)), ("tree", (48, 64), (40, 110, 40)),
                                 ("rock", (20, 16), (130, 130, 130)), ("heart", (10, 10), (240, 40, 90))]:
        sprite(w, h, colour).save(os.path.join(out, name + ".tga"))
    print(out)


if __name__ == "__main__":
    main()
