#!/usr/bin/python3
"""Draws the program's icon: one 32 x 32 image with 8 bits per pixel, a quilt of coloured patches joined by light
stitching, written as a Windows .ico file (the icon directory, a 40-byte bitmap header, a 256-colour palette, the
colour rows bottom-up and the all-opaque mask). The same bytes every time.

Usage: make_icon.py OUT.ico
"""
import struct
import sys

SIZE = 32
PATCH = 8
PALETTE = [
    (0, 0, 0),        # 0 unused
    (236, 232, 220),  # 1 stitching
    (52, 46, 70),     # 2 outline
    (214, 78, 62),    # 3 red
    (246, 190, 64),   # 4 yellow
    (72, 156, 96),    # 5 green
    (64, 116, 196),   # 6 blue
    (150, 96, 176),   # 7 violet
]
# The patch colours, top row first; no two neighbours alike.
PATCHES = [
    [3, 6, 4, 5],
    [5, 4, 7, 3],
    [6, 3, 5, 4],
    [4, 7, 3, 6],
]


def colour_at(x, y):
    if x in (0, SIZE - 1) or y in (0, SIZE - 1):
        return 2
    px, py = x % PATCH, y % PATCH
    if px == 0 or py == 0:
        # Running stitches along every seam: every other pixel light, the rest the outline colour.
        return 1 if (x + y) % 2 == 0 else 2
    if (px, py) in ((2, 2), (5, 5)):
        return 1  # a small stitch inside each patch
    return PATCHES[y // PATCH][x // PATCH]


def icon_bytes():
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE + [(0, 0, 0)] * (256 - len(PALETTE)))
    rows = b"".join(bytes(colour_at(x, y) for x in range(SIZE)) for y in reversed(range(SIZE)))
    mask = bytes(SIZE * SIZE // 8)  # every pixel opaque
    image = header + palette + rows + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 8, len(image), 22)
    return directory + image


def main():
    with open(sys.argv[1], "wb") as out:
        out.write(icon_bytes())


if __name__ == "__main__":
    main()
