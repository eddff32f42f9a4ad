#!/usr/bin/python3
"""Draws the sprite folder of the README's folder example into examples/folders/sprites/ with Pillow, the same bytes
every time: a hero's run in ten numbered frames, a panel as a nine-patch, two pause icons of one file name in two
folders, and a sand tile with a Japanese name."""
import math
import os
import random

from PIL import Image, ImageDraw

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "sprites")


def runner(phase):
    """A 24 x 32 figure in the phase (0 to 1) of its stride: legs and arms swing opposite ways, the body bobs."""
    img = Image.new("RGBA", (24, 32), (0, 0, 0, 0))
    draw = ImageDraw.Draw(img)
    swing = math.sin(2 * math.pi * phase)
    hip, shoulder = (12, 20 - abs(swing)), (12, 11 - abs(swing))
    for sign, colour in ((1, (40, 70, 160, 255)), (-1, (60, 100, 210, 255))):
        foot = (hip[0] + 7 * sign * swing, 31)
        draw.line([hip, ((hip[0] + foot[0]) / 2 + 2, 26), foot], fill=colour, width=3)
        hand = (shoulder[0] - 6 * sign * swing, shoulder[1] + 7)
        draw.line([shoulder, hand], fill=(230, 180, 140, 255), width=2)
    draw.line([hip, shoulder], fill=(220, 60, 50, 255), width=5)
    draw.ellipse([8, shoulder[1] - 10, 16, shoulder[1] - 2], fill=(240, 200, 160, 255), outline=(90, 50, 30, 255))
    return img


def panel():
    """A 24 x 24 panel with rounded corners inside the nine-patch border: its middle 8 x 8 stretches, and the content
    keeps 5 pixels from every edge."""
    inside = Image.new("RGBA", (24, 24), (0, 0, 0, 0))
    ImageDraw.Draw(inside).rounded_rectangle([0, 0, 23, 23], radius=7, fill=(250, 236, 200, 255),
                                             outline=(120, 80, 40, 255), width=3)
    img = Image.new("RGBA", (26, 26), (0, 0, 0, 0))
    img.paste(inside, (1, 1))
    for i in range(8, 16):
        img.putpixel((1 + i, 0), (0, 0, 0, 255))
        img.putpixel((0, 1 + i), (0, 0, 0, 255))
    for i in range(5, 19):
        img.putpixel((1 + i, 25), (0, 0, 0, 255))
        img.putpixel((25, 1 + i), (0, 0, 0, 255))
    return img


def pause(colour, ring):
    img = Image.new("RGBA", (16, 16), (0, 0, 0, 0))
    draw = ImageDraw.Draw(img)
    if ring:
        draw.ellipse([0, 0, 15, 15], fill=colour + (255,))
    bars = (255, 255, 255, 255) if ring else colour + (255,)
    draw.rectangle([4, 3, 6, 12], fill=bars)
    draw.rectangle([9, 3, 11, 12], fill=bars)
    return img


def sand():
    rng = random.Random(7)
    img = Image.new("RGBA", (16, 16), (214, 184, 120, 255))
    for _ in range(40):
        shade = rng.randrange(150, 240)
        img.putpixel((rng.randrange(16), rng.randrange(16)), (shade, shade - 30, shade - 90, 255))
    return img


def main():
    files = {f"hero/run_{n}.png": runner((n - 1) / 10) for n in range(1, 11)}
    files.update({"ui/panel.9.png": panel(), "ui/pause.png": pause((250, 250, 250), False),
                  "menu/pause.png": pause((240, 120, 30), True), "砂.png": sand()})
    for name, img in files.items():
        path = os.path.join(HERE, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        img.save(path)


if __name__ == "__main__":
    main()
