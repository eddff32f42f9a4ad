#!/usr/bin/python3
"""Writes one small PNG of each kind the reader takes, with Pillow and ImageMagick: 1-, 8- and 16-bit grey, grey with
alpha, RGB with a transparent colour, RGBA, 2- and 8-bit palettes with transparency, and 8- and 16-bit RGBA interlaced.

They are the PNG fuzzer's seeds (tests/fuzz/corpus/png, committed: run `tests/fuzz/make_png_seeds.py` again after a
change) and the PNG inputs of tests/cli/cli_more_e2e.py, which writes them afresh into its own folder.
Usage: make_png_seeds.py [FOLDER]
"""
import os
import subprocess
import sys

from PIL import Image


def pattern(c, r):
    """A different colour in every pixel, with an alpha that varies too."""
    return (c * 37) & 0xFF, (r * 59) & 0xFF, (c * r * 13 + 7) & 0xFF, (255 - c * 17 - r * 5) & 0xFF


def picture(mode, width, height, value=pattern):
    img = Image.new(mode, (width, height))
    img.putdata([value(c, r) for r in range(height) for c in range(width)])
    return img


def write_seeds(folder):
    os.makedirs(folder, exist_ok=True)
    path = lambda name: os.path.join(folder, name)
    picture("1", 11, 3, lambda c, r: (c + r) & 1).save(path("grey-1bit-11x3.png"))
    picture("L", 4, 3, lambda c, r: pattern(c, r)[0]).save(path("grey-8bit-4x3.png"))
    picture("I;16", 3, 2, lambda c, r: c * 20000 + r * 300).save(path("grey-16bit-3x2.png"))
    picture("LA", 3, 3, lambda c, r: pattern(c, r)[0:4:3]).save(path("grey-alpha-8bit-3x3.png"))
    picture("RGB", 5, 4, lambda c, r: pattern(c, r)[:3]).save(path("rgb-8bit-5x4-transparent-colour.png"),
                                                               transparency=pattern(1, 1)[:3])
    picture("RGBA", 6, 5).save(path("rgba-8bit-6x5.png"))
    for bits, side in ((2, 5), (8, 4)):
        img = picture("P", side, side, lambda c, r: (c * side + r) % (1 << bits))
        img.putpalette([v & 0xFF for v in range(0, 3 * 256 * 5, 5)])
        img.save(path(f"palette-{bits}bit-{side}x{side}.png"), bits=bits, transparency=bytes([0, 128]))
    picture("RGBA", 9, 9).save(path("rgba-9x9.tmp.png"))
    for depth in (8, 16):
        subprocess.run(["/usr/bin/convert", path("rgba-9x9.tmp.png"), "-depth", str(depth), "-interlace", "PNG",
                        f"PNG32:{path(f'rgba-{depth}bit-9x9-interlaced.png')}" if depth == 8 else
                        f"PNG64:{path(f'rgba-{depth}bit-9x9-interlaced.png')}"], check=True)
    os.remove(path("rgba-9x9.tmp.png"))
    return sorted(n for n in os.listdir(folder) if n.endswith(".png"))


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    for name in write_seeds(sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "corpus", "png")):
        print(name)
