#!/usr/bin/python3
"""quiltbox-cli's PNG, JSON, extrusion, premultiplication and automatic size, end to end through the built program.

Inputs are written by Pillow and ImageMagick (tests/fuzz/make_png_seeds.py); outputs are decoded by Pillow and read
by Python's json module, never by the program. With --other-cli the native and the Windows program must write the
same bytes. Usage: cli_more_e2e.py --cli "COMMAND..." --work DIR [--other-cli "COMMAND..."]
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


def run(cli, *args, cwd):
    """(exit status, standard error); output through files, as Wine's helper processes keep pipes open."""
    with tempfile.TemporaryFile() as err:
        code = subprocess.run(shlex.split(cli) + list(args), cwd=cwd, stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=err).returncode
        err.seek(0)
        return code, err.read().decode("utf-8" if "wine" not in cli else "cp932", errors="replace")


def fresh(name):
    path = os.path.join(ARGS.work, name)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def quv(path):
    with open(path, "rb") as f:
        data = f.read()
    return [struct.unpack_from("<4i", data, 8 + 16 * i) for i in range(struct.unpack_from("<i", data, 4)[0])]


def rgba(path):
    """A picture's pixels as 8-bit RGBA; 16-bit grey keeps its high byte (Pillow would clip it instead)."""
    with Image.open(path) as img:
        if img.mode.startswith("I"):
            return img.size, [(v >> 8,) * 3 + (255,) for v in img.getdata()]
        return img.size, list(img.convert("RGBA").getdata())


def expected_atlas(folder, sources, rects, size):
    atlas = Image.new("RGBA", size, (0, 0, 0, 0))
    for name, (u0, v0, u1, v1) in zip(sources, rects):
        (w, h), pixels = rgba(os.path.join(folder, name))
        assert (w, h) == (u1 - u0, v1 - v0), name
        sprite = Image.new("RGBA", (w, h))
        sprite.putdata(pixels)
        atlas.paste(sprite, (u0, v0))
    return list(atlas.getdata())


def pack(folder, names, *options, cli=None):
    code, err = run(cli or ARGS.cli, "pack", *names, *options, cwd=folder)
    assert code == 0, err
    return err


class PackPngAndJson(unittest.TestCase):
    """Every kind of PNG, and BMP and TGA with extensions in capitals, packed on the smallest area, as PNG and JSON."""

    @classmethod
    def setUpClass(cls):
        cls.dir = fresh("png")
        cls.names = write_seeds(cls.dir)
        picture("RGB", 7, 3).save(os.path.join(cls.dir, "RED.BMP"))
        picture("RGBA", 5, 4).save(os.path.join(cls.dir, "Tree.Tga"))
        picture("RGBA", 4, 4).save(os.path.join(cls.dir, "テスト.PNG"))
        cls.names += ["RED.BMP", "Tree.Tga", "テスト.PNG"]
        cls.options = ["--size", "auto", "--png", "atlas.png", "--tga", "atlas.tga", "--json", "out/atlas.json",
                       "--quv", "atlas.quv", "--save", "p.qbp"]
        os.makedirs(os.path.join(cls.dir, "out"))
        cls.err = pack(cls.dir, cls.names, *cls.options)

    def test_atlases_hold_every_sprite_as_pillow_decodes_it(self):
        chosen = self.err.split("--size auto chose ")[1].split()[0]
        size = tuple(int(v) for v in chosen.split("x"))
        expected = expected_atlas(self.dir, self.names, quv(os.path.join(self.dir, "atlas.quv")), size)
        for atlas in ("atlas.png", "atlas.tga"):
            with self.subTest(atlas=atlas):
                self.assertEqual(rgba(os.path.join(self.dir, atlas)), (size, expected))

    def test_json_hash_matches_the_quv_list(self):
        with open(os.path.join(self.dir, "out", "atlas.json"), encoding="utf-8") as f:
            data = json.load(f)
        meta = data["meta"]
        self.assertEqual((meta["image"], meta["format"], meta["scale"]), ("../atlas.png", "RGBA8888", "1"))
        self.assertEqual((meta["size"]["w"], meta["size"]["h"]), rgba(os.path.join(self.dir, "atlas.png"))[0])
        names = [os.path.splitext(n)[0].upper() for n in self.names]
        self.assertEqual(list(data["frames"]), names)
        for name, (u0, v0, u1, v1) in zip(names, quv(os.path.join(self.dir, "atlas.quv"))):
            frame = data["frames"][name]
            w, h = u1 - u0, v1 - v0
            self.assertEqual(frame["frame"], {"x": u0, "y": v0, "w": w, "h": h}, name)
            self.assertEqual((frame["rotated"], frame["trimmed"]), (False, False))
            self.assertEqual(frame["spriteSourceSize"], {"x": 0, "y": 0, "w": w, "h": h})
            self.assertEqual(frame["sourceSize"], {"w": w, "h": h})

    def test_smallest_area_is_chosen(self):
        # Squares and 2:1 areas in turn: the one just below the chosen area fails, and so does a too small maximum.
        w, h = (int(v) for v in self.err.split("--size auto chose ")[1].split()[0].split("x"))
        smaller = f"{w}x{h // 2}" if w == h else f"{h}x{h}"
        for options, status, needle in ((["--size", smaller], 1, "does not fit"),
                                        (["--size", "auto", "--max-size", smaller], 1, f"on the {smaller} area")):
            code, err = run(ARGS.cli, "pack", *self.names, *options, cwd=self.dir)
            self.assertEqual(code, status, err)
            self.assertIn(needle, err)

    def test_the_project_loads_them_again(self):
        os.makedirs(os.path.join(self.dir, "again"), exist_ok=True)
        code, err = run(ARGS.cli, "export", "p.qbp", "--out-dir", "again", cwd=self.dir)
        self.assertEqual(code, 0, err)
        with open(os.path.join(self.dir, "atlas.tga"), "rb") as a, open(os.path.join(self.dir, "again", "atlas.tga"),
                                                                           "rb") as b:
            self.assertEqual(a.read(), b.read())

    def test_both_programs_write_the_same_bytes(self):
        if not ARGS.other_cli:
            self.skipTest("no second program given")
        other = fresh("png-other")
        for name in self.names:
            shutil.copy(os.path.join(self.dir, name), other)
        os.makedirs(os.path.join(other, "out"))
        pack(other, self.names, *self.options, cli=ARGS.other_cli)
        for output in ("atlas.png", "atlas.tga", "out/atlas.json", "atlas.quv"):
            with open(os.path.join(self.dir, output), "rb") as a, open(os.path.join(other, output), "rb") as b:
                self.assertEqual(a.read(), b.read(), output)


def bilinear(pixels, width, x, y):
    """The colour a GPU's bilinear filter gives at texel-space point (x, y): texel i covers [i, i + 1)."""
    x0, y0 = math.floor(x - 0.5), math.floor(y - 0.5)
    tx, ty = x - 0.5 - x0, y - 0.5 - y0
    at = lambda i, j: pixels[j * width + i]
    return tuple(round((at(x0, y0)[k] * (1 - tx) + at(x0 + 1, y0)[k] * tx) * (1 - ty) +
                       (at(x0, y0 + 1)[k] * (1 - tx) + at(x0 + 1, y0 + 1)[k] * tx) * ty) for k in range(4))


class AtlasOptions(unittest.TestCase):
    def setUp(self):
        self.dir = fresh("options")
        self.names = ["a.png", "b.png", "c.png"]
        for n, name in enumerate(self.names):
            picture("RGBA", 6 + n, 5 - n, lambda c, r: (40 * c + n, 50 * r, 90 * n, 255 - 30 * c - 20 * r)).save(
                os.path.join(self.dir, name))

    def test_extrusion_keeps_neighbours_out_of_bilinear_samples(self):
        # On a sprite's outline, and one texel further out with --extrude 2, a bilinear sample shows only the nearest
        # edge texel; without extrusion the gap or a neighbour shows.
        for extrude, spacing, must_hold in ((2, 4, True), (0, 1, False)):
            pack(self.dir, self.names, "--extrude", str(extrude), "--spacing", str(spacing), "--size", "32x16",
                 "--png", "atlas.png", "--quv", "atlas.quv")
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

    def test_premultiplied_atlases(self):
        pack(self.dir, self.names, "--premultiply", "--png", "atlas.png", "--tga", "a.tga", "--bmp", "a.bmp",
             "--quv", "a.quv")
        plain = expected_atlas(self.dir, self.names, quv(os.path.join(self.dir, "a.quv")), (256, 256))
        formula = [tuple((c * p[3] + 127) // 255 for c in p[:3]) + (p[3],) for p in plain]
        self.assertEqual(rgba(os.path.join(self.dir, "atlas.png"))[1], formula)
        self.assertEqual(rgba(os.path.join(self.dir, "a.tga"))[1], formula)
        self.assertEqual(rgba(os.path.join(self.dir, "a.bmp"))[1], [p[:3] + (255,) for p in plain])


class Refusals(unittest.TestCase):
    """Usage errors and hostile PNG files: exit status, a message naming the problem, nothing written."""

    def test_each_is_refused_before_anything_is_written(self):
        folder = fresh("refusals")
        picture("RGBA", 3, 3).save(os.path.join(folder, "ok.png"))
        with open(os.path.join(folder, "ok.png"), "rb") as f:
            good = f.read()
        ihdr = lambda w, h, rest=b"\x08\x06\0\0\0": b"\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR" + struct.pack(">II", w, h) + rest
        hostile = {"cut.png": good[:len(good) // 2], "text.png": b"not a png at all",
                   "wide.png": ihdr(16385, 1) + good[29:], "empty.png": ihdr(0, 5) + good[29:],
                   "bomb.png": ihdr(8192, 8192) + good[29:], "colour.png": ihdr(3, 3, b"\x10\x03\0\0\0") + good[29:]}
        for name, data in hostile.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
        cases = [(["cut.png"], 1, "PNGピクセル"), (["text.png"], 1, "PNGヘッダ"), (["wide.png"], 1, "大きすぎ"),
                 (["empty.png"], 1, "大きすぎ"), (["bomb.png"], 1, "PNGピクセル"), (["colour.png"], 1, "PNGヘッダ"),
                 (["--extrude", "2", "--spacing", "3"], 2, "at least 2N"), (["--extrude", "257"], 2, "--extrude"),
                 (["--json", "a.json"], 2, "--json"), (["--max-size", "64x64"], 2, "--size auto"),
                 (["--size", "16384x16384", "--png", "big.png"], 1, "128 Mi pixels")]
        for args, status, needle in cases:
            with self.subTest(args=args):
                code, err = run(ARGS.cli, "pack", "ok.png", *args, "--quv", "out.quv", cwd=folder)
                self.assertEqual(code, status, err)
                self.assertIn(needle, err)
                self.assertIn(args[0] if args[0].endswith(".png") else "", err)
                self.assertEqual(sorted(os.listdir(folder)), sorted(list(hostile) + ["ok.png"]))


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--other-cli", default="")
    parser.add_argument("--work", required=True)
    ARGS, rest = parser.parse_known_args()
    os.makedirs(ARGS.work, exist_ok=True)
    unittest.main(argv=[sys.argv[0], "-v"] + rest)


if __name__ == "__main__":
    main()
