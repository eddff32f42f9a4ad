#!/usr/bin/python3
"""Whether a screenshot shows each of the given sprites whole, pixel for pixel (the window draws them at zoom 1).

Usage: find_sprites.py SCREENSHOT SPRITE...   exit status 0 when every sprite was found, 1 otherwise."""
import sys

from PIL import Image


def rows(image):
    rgb = image.convert("RGB")
    return [rgb.crop((0, y, rgb.width, y + 1)).tobytes() for y in range(rgb.height)]


def found(shot, sprite):
    first = sprite[0]
    width = len(first)
    for y in range(len(shot) - len(sprite) + 1):
        x = shot[y].find(first)
        while x >= 0:
            if x % 3 == 0 and all(shot[y + i][x:x + width] == sprite[i] for i in range(1, len(sprite))):
                return x // 3, y
            x = shot[y].find(first, x + 1)
    return None


def main():
    shot = rows(Image.open(sys.argv[1]))
    missing = []
    for path in sys.argv[2:]:
        where = found(shot, rows(Image.open(path)))
        print(f"find_sprites.py: {path}: " + (f"at {where[0]},{where[1]}" if where else "not found"))
        if not where:
            missing.append(path)
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
