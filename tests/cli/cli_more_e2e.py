#!/usr/bin/python3
"""quiltbox-cli's PNG, JSON, extrusion, premultiplied alpha and automatic size, end to end through the built program:
inputs written by Pillow and ImageMagick, outputs decoded by Pillow and read by Python's json module, and with
--other-cli the same bytes from the native and the Windows program.
Usage: cli_more_e2e.py --cli "COMMAND..." --work DIR [--other-cli "COMMAND..."]
"""
import argparse
import json
import math
import os
import shlex
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fuzz"))
from make_png_seeds import picture, write_seeds  # noqa: E402

ARGS = None


def run(folder, *args, cli=None):
    """(exit status, standard error) of `quiltbox-cli pack ARGS` (or of export when args start with it), through files:
    Wine's helper processes keep pipes open."""
    cli = cli or ARGS.cli
    command = [] if args[0] == "export" else ["pack"]
    with tempfile.TemporaryFile() as err:
        code = subprocess.run(shlex.split(cli) + command + list(args), cwd=folder, stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=err).returncode
        err.seek(0)
        return code, err.read().decode("cp932" if "wine" in cli else "utf-8", errors="replace")


def fresh(name):
    shutil.rmtree(os.path.join(ARGS.work, name), ignore_errors=True)
    os.makedirs(os.path.join(ARGS.work, name, "out"))
    return os.path.join(ARGS.work, name)


def quv(path):
    with open(path, "rb") as f:
        data = f.read()
    return [struct.unpack_from("<4i", data, 8 + 16 * i) for i in range(struct.unpack_from("<i", data, 4)[0])]


def rgba(path):
    """(size, 8-bit RGBA pixels); 16-bit grey keeps its high byte (Pillow would clip it instead)."""
    with Image.open(path) as img:
        if img.mode.startswith("I"):
            return img.size, [(v >> 8,) * 3 + (255,) for v in img.getdata()]
        return img.size, list(img.convert("RGBA").getdata())


def expected_atlas(folder, sources, rects, size):
    atlas = Image.new("RGBA", size, (0, 0, 0, 0))
    for name, (u0, v0, u1, v1) in zip(sources, rects):
        sprite = Image.new("RGBA", (u1 - u0, v1 - v0))
        sprite.putdata(rgba(os.path.join(folder, name))[1])
        atlas.paste(sprite, (u0, v0))
    return list(atlas.getdata())


def bilinear(pixels, width, x, y):
    """What a GPU's bilinear filter shows at texel-space point (x, y), texel i covering [i, i + 1)."""
    x0, y0 = math.floor(x - 0.5), math.floor(y - 0.5)
    tx, ty = x - 0.5 - x0, y - 0.5 - y0
    at = lambda i, j, k: pixels[j * width + i][k]
    return tuple(round((at(x0, y0, k) * (1 - tx) + at(x0 + 1, y0, k) * tx) * (1 - ty) +
                       (at(x0, y0 + 1, k) * (1 - tx) + at(x0 + 1, y0 + 1, k) * tx) * ty) for k in range(4))


class PngJsonAndAutoSize(unittest.TestCase):
    """Every kind of PNG, and BMP and TGA named in capitals, on the smallest area, as PNG, TGA and JSON."""

    @classmethod
    def setUpClass(cls):
        cls.dir = fresh("png")
        cls.names = write_seeds(cls.dir) + ["RED.BMP", "Tree.Tga", "テスト.PNG"]
        for name, mode in zip(cls.names[-3:], ("RGB", "RGBA", "RGBA")):
            picture(mode, 7, 3).save(os.path.join(cls.dir, name))
        cls.options = ["--size", "auto", "--png", "atlas.png", "--tga", "atlas.tga", "--json", "out/atlas.json",
                       "--quv", "atlas.quv", "--save", "p.qbp"]
        code, err = run(cls.dir, *cls.names, *cls.options)
        assert code == 0, err
        cls.size = tuple(int(v) for v in err.split("--size auto chose ")[1].split()[0].split("x"))
        cls.rects = quv(os.path.join(cls.dir, "atlas.quv"))

    def test_atlases_hold_every_sprite_as_pillow_decodes_it(self):
        expected = expected_atlas(self.dir, self.names, self.rects, self.size)
        for atlas in ("atlas.png", "atlas.tga"):
            self.assertEqual(rgba(os.path.join(self.dir, atlas)), (self.size, expected), atlas)

    def test_json_hash_matches_the_quv_list(self):
        with open(os.path.join(self.dir, "out", "atlas.json"), encoding="utf-8") as f:
            data = json.load(f)
        self.assertEqual({k: data["meta"][k] for k in ("image", "format", "scale", "size")},
                         {"image": "../atlas.png", "format": "RGBA8888", "scale": "1",
                          "size": {"w": self.size[0], "h": self.size[1]}})
        names = [os.path.splitext(n)[0].upper() for n in self.names]
        self.assertEqual(list(data["frames"]), names)
        for name, (u0, v0, u1, v1) in zip(names, self.rects):
            w, h = u1 - u0, v1 - v0
            self.assertEqual(data["frames"][name], {
                "frame": {"x": u0, "y": v0, "w": w, "h": h}, "rotated": False, "trimmed": False,
                "spriteSourceSize": {"x": 0, "y": 0, "w": w, "h": h}, "sourceSize": {"w": w, "h": h}})

    def test_the_area_before_the_chosen_one_is_too_small(self):
        w, h = self.size  # squares and 2:1 areas in turn
        smaller = f"{w}x{h // 2}" if w == h else f"{h}x{h}"
        for options in (["--size", smaller], ["--size", "auto", "--max-size", smaller]):
            code, err = run(self.dir, *self.names, *options)
            self.assertEqual(code, 1, err)
            self.assertIn(f"does not fit on the {smaller} area", err)

    def test_export_loads_the_project_again_and_both_programs_agree(self):
        for cli in filter(None, (ARGS.cli, ARGS.other_cli)):
            folder = fresh("png-again")
            for name in self.names:
                shutil.copy(os.path.join(self.dir, name), folder)
            self.assertEqual(run(folder, *self.names, *self.options, cli=cli)[0], 0)
            self.assertEqual(run(folder, "export", "p.qbp", "--out-dir", "out", cli=cli)[0], 0)
            for output, again in [(o, o) for o in ("atlas.png", "atlas.tga", "out/atlas.json", "atlas.quv", "p.qbp")] + \
                    [("atlas.tga", "out/atlas.tga")]:
                with open(os.path.join(self.dir, output), "rb") as a, open(os.path.join(folder, again), "rb") as b:
                    self.assertEqual(a.read(), b.read(), f"{again} from {cli}")


class AtlasOptions(unittest.TestCase):
    def setUp(self):
        self.dir = fresh("options")
        self.names = ["a.png", "b.png", "c.png"]
        for n, name in enumerate(self.names):
            picture("RGBA", 6 + n, 5 - n, lambda c, r: (40 * c + n, 50 * r, 90 * n, 255 - 30 * c - 20 * r)).save(
                os.path.join(self.dir, name))

    def test_extrusion_keeps_neighbours_out_of_bilinear_samples(self):
        # On a sprite's outline (and one texel further out with --extrude 2) a bilinear sample shows the nearest edge
        # texel alone; without extrusion the gap or a neighbour shows.
        for extrude, spacing, must_hold in ((2, 4, True), (0, 1, False)):
            self.assertEqual(run(self.dir, *self.names, "--extrude", str(extrude), "--spacing", str(spacing),
                                 "--size", "32x16", "--png", "atlas.png", "--quv", "atlas.quv")[0], 0)
            (width, _), pixels = rgba(os.path.join(self.dir, "atlas.png"))
            held = True
            for u0, v0, u1, v1 in quv(os.path.join(self.dir, "atlas.quv")):
                for d in range(max(extrude, 1)):
                    points = ([(u, v + 0.5) for u in (u0 - d, u1 + d) for v in range(v0, v1)] +
                              [(u + 0.5, v) for v in (v0 - d, v1 + d) for u in range(u0, u1)] +
                              [(u, v) for u in (u0 - d, u1 + d) for v in (v0 - d, v1 + d)])
                    for x, y in points:
                        nearest = min(max(math.floor(y), v0), v1 - 1) * width + min(max(math.floor(x), u0), u1 - 1)
                        held &= bilinear(pixels, width, x, y) == pixels[nearest]
            self.assertEqual(held, must_hold, f"--extrude {extrude}")

    def test_premultiplied_tga_and_png_but_not_bmp(self):
        self.assertEqual(run(self.dir, *self.names, "--premultiply", "--png", "atlas.png", "--tga", "a.tga", "--bmp",
                             "a.bmp", "--quv", "a.quv")[0], 0)
        plain = expected_atlas(self.dir, self.names, quv(os.path.join(self.dir, "a.quv")), (256, 256))
        formula = [tuple((c * p[3] + 127) // 255 for c in p[:3]) + (p[3],) for p in plain]
        self.assertEqual(rgba(os.path.join(self.dir, "atlas.png"))[1], formula)
        self.assertEqual(rgba(os.path.join(self.dir, "a.tga"))[1], formula)
        self.assertEqual(rgba(os.path.join(self.dir, "a.bmp"))[1], [p[:3] + (255,) for p in plain])


class Refusals(unittest.TestCase):
    def test_usage_errors_and_hostile_pngs_write_nothing(self):
        folder = fresh("refusals")
        picture("RGBA", 3, 3).save(os.path.join(folder, "ok.png"))
        with open(os.path.join(folder, "ok.png"), "rb") as f:
            good = f.read()
        ihdr = lambda w, h, kind=b"\x08\x06": b"\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR" + struct.pack(">II", w, h) + kind + \
            good[26:]
        hostile = {"cut.png": good[:len(good) // 2], "text.png": b"not a png at all", "wide.png": ihdr(16385, 1),
                   "empty.png": ihdr(0, 5), "bomb.png": ihdr(8192, 8192), "colour.png": ihdr(3, 3, b"\x10\x03")}
        for name, data in hostile.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
        cases = [(["cut.png"], 1, "PNGピクセル"), (["text.png"], 1, "PNGヘッダ"), (["wide.png"], 1, "大きすぎ"),
                 (["empty.png"], 1, "大きすぎ"), (["bomb.png"], 1, "PNGピクセル"), (["colour.png"], 1, "PNGヘッダ"),
                 (["--extrude", "2", "--spacing", "3"], 2, "at least 2N"), (["--extrude", "257"], 2, "--extrude"),
                 (["--json", "a.json"], 2, "--json"), (["--max-size", "64x64"], 2, "--size auto"),
                 (["--size", "16384x16384", "--png", "big.png"], 1, "128 Mi pixels")]
        for args, status, needle in cases:
            code, err = run(folder, "ok.png", *args, "--quv", "out.quv")
            self.assertEqual(code, status, f"{args}: {err}")
            self.assertIn(needle, err, args)
            self.assertIn(args[0] if args[0].endswith(".png") else "", err)
            self.assertEqual(sorted(os.listdir(folder)), sorted(list(hostile) + ["ok.png", "out"]), args)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    for option, default in (("--cli", None), ("--other-cli", ""), ("--work", None)):
        parser.add_argument(option, default=default, required=default is None)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], "-v"] + rest)


if __name__ == "__main__":
    main()
