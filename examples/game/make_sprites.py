#!/usr/bin/python3
"""Draws the example game's sprites into examples/game/sprites/ with Pillow: small RGBA PNGs with real alpha, the same
bytes every time."""
import os

from PIL import Image, ImageDraw

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "sprites")


def blob(w, h, colour):
    img = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    draw = ImageDraw.Draw(img)
    draw.ellipse([1, 1, w - 2, h - 2], fill=colour + (255,), outline=(20, 20, 20, 255))
    draw.ellipse([w // 4, h // 4, w // 2, h // 2], fill=(255, 255, 255, 140))
    return img


def brick(size, base, mortar):
    img = Image.new("RGBA", (size, size), base + (255,))
    draw = ImageDraw.Draw(img)
    for y in range(0, size, 8):
        draw.line([(0, y), (size, y)], fill=mortar + (255,))
        offset = 0 if (y // 8) % 2 == 0 else 8
        for x in range(offset, size, 16):
            draw.line([(x, y), (x, y + 7)], fill=mortar + (255,))
    return img


def main():
    os.makedirs(HERE, exist_ok=True)
    blob(24, 32, (230, 60, 50)).save(os.path.join(HERE, "player.png"))
    blob(16, 12, (80, 220, 90)).save(os.path.join(HERE, "slime.png"))
    blob(12, 12, (250, 210, 40)).save(os.path.join(HERE, "coin.png"))
    brick(32, (150, 60, 40), (200, 190, 170)).save(os.path.join(HERE, "wall.png"))


if __name__ == "__main__":
    main()
