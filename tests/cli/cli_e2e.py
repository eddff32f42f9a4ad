#!/usr/bin/python3
"""quiltbox-cli end to end, through the built program: the exit status and message of every kind of failure; `pack`
on BMP, TGA and PNG files written by ImageMagick and Pillow, its atlases decoded by Pillow, its JSON read by Python's
json module against its UV list; extrusion, premultiplied alpha and the automatic size; and with --other-cli the
native and the Windows program writing the same bytes and reading each other's projects.
Usage: cli_e2e.py --cli "COMMAND..." --fixtures DIR --work DIR [--other-cli "COMMAND..."]
"""
import argparse
import fractions
import io
import itertools
import json
import os
import pty
import random
import re
import resource
import shlex
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest

from PIL import Image

sys.dont_write_bytecode = True  # the source tree stays as it is
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import sprites  # noqa: E402

ARGS = None
SEEDS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fuzz", "corpus", "png")
# Target name: fixture (or PNG seed) it is a copy of; the capitals are for the extensions.
SOURCES = {"grass.bmp": "im24_w7.bmp", "stone.bmp": "pil24_w5.bmp", "moss.bmp": "im8v5_w3.bmp",
           "dots.bmp": "pil8_w7.bmp", "leaf.tga": "pil_tga.tga", "flower.tga": "im_tga_top.tga",
           "テスト.bmp": "im24bmp3_w5.bmp", "RED.BMP": "im24_w3.bmp", "Tree.Tga": "c_tga.tga",
           "絵.PNG": "rgba-8bit-6x5.png", **{name: name for name in sorted(os.listdir(SEEDS))}}
OUTPUTS = ["--bmp", "atlas.bmp", "--tga", "atlas.tga", "--png", "atlas.png", "--ids", "ids.h", "--quv", "uv.quv",
           "--uv-array", "uv.h", "--uv-defines", "defines.h", "--json", "out/atlas.json", "--save", "project.qbp"]
WRITTEN = OUTPUTS[1::2]
USUAL = ["atlas.bmp", "atlas.tga", "ids.h", "uv.quv", "uv.h"]  # the outputs a project remembers for `export`
SPRITES = ["grey-alpha-8bit-3x3.png", "palette-2bit-5x5.png", "palette-8bit-4x4.png"]  # alpha of many kinds


def run(cli, folder, *args, preexec=None):
    """(exit status, standard output, standard error), through files: helper processes that Wine starts inherit the
    program's handles, and a pipe would stay open until they are gone. `preexec` runs in the child before exec."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        code = subprocess.run(shlex.split(cli) + list(args), cwd=folder, stdin=subprocess.DEVNULL, stdout=out,
                              stderr=err, preexec_fn=preexec).returncode
        out.seek(0)
        err.seek(0)
        # The Windows program speaks Shift-JIS on its terminal, the native one UTF-8; JSON is UTF-8 on both.
        utf8 = "wine" not in cli or args[:2] == ("info", "--json")
        return code, *(f.read().decode("utf-8" if utf8 else "cp932", errors="replace") for f in (out, err))


def fresh(folder, sources=SOURCES):
    path = os.path.join(ARGS.work, folder)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(os.path.join(path, "out"))
    for target, source in sources.items():
        shutil.copy(os.path.join(SEEDS if source.endswith(".png") else ARGS.fixtures, source), path + "/" + target)
    return path


def snapshot(folder):
    """Every file and folder below `folder`: its bytes, or None for a folder."""
    found = {}
    for root, folders, files in os.walk(folder):
        found.update({os.path.relpath(os.path.join(root, name), folder): None for name in folders})
        found.update({os.path.relpath(os.path.join(root, name), folder): read(root, name) for name in files})
    return found


def read(*path):
    with open(os.path.join(*path), "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("utf-8"))


def clear_out(folder):
    shutil.rmtree(os.path.join(folder, "out"), ignore_errors=True)
    os.makedirs(os.path.join(folder, "out"))


def info(cli, folder, project="project.qbp"):
    return json.loads(run(cli, folder, "info", "--json", project)[1])


def listed(out):
    return [os.path.basename(line.replace("\\", "/")) for line in out.splitlines()]


def quv(folder, name="uv.quv"):
    data = read(folder, name)
    return [struct.unpack_from("<4i", data, 8 + 16 * i) for i in range(struct.unpack_from("<i", data, 4)[0])]


def rgba(path):
    """(size, 8-bit RGBA pixels); 16-bit grey keeps its high byte (Pillow would clip it instead)."""
    with Image.open(path) as img:
        if img.mode.startswith("I"):
            return img.size, [(v >> 8,) * 3 + (255,) for v in img.getdata()]
        return img.size, list(img.convert("RGBA").getdata())


def expected_atlas(folder, names, rects, size):
    """The atlas as Pillow sees the sources: no blending, a later image replaces, alpha included."""
    atlas = Image.new("RGBA", size, (0, 0, 0, 0))
    for name, (u0, v0, u1, v1) in zip(names, rects):
        sprite = Image.new("RGBA", (u1 - u0, v1 - v0))
        sprite.putdata(rgba(os.path.join(folder, name))[1])
        atlas.paste(sprite, (u0, v0))
    return list(atlas.getdata())


class Failures(unittest.TestCase):
    """Every kind of failure: its exit status, a message naming the file or the problem, nothing written."""

    def setUp(self):
        self.dir = fresh("failures", {"grass.bmp": "im24_w7.bmp", "gone.bmp": "im24_w5.bmp", "broken.bmp": "cbad0.bmp",
                                      "notes.qbp": "manifest.txt", "ok.png": "rgba-8bit-6x5.png",
                                      "dot.tga": "c_tga_1.tga"})

    def check(self, args, status, *needles):
        code, _, err = run(ARGS.cli, self.dir, *args)
        self.assertEqual(code, status, f"{args}: {err}")
        for needle in needles:
            self.assertIn(needle, err, f"{args}")

    def test_usage_errors_and_images_that_fail_or_do_not_fit_write_nothing(self):
        good = read(self.dir, "ok.png")
        ihdr = lambda w, h, kind=b"\x08\x06": good[:16] + struct.pack(">II", w, h) + kind + good[26:]
        for name, data in {"cut.png": good[:len(good) // 2], "text.png": b"not a png", "wide.png": ihdr(16385, 1),
                           "empty.png": ihdr(0, 5), "bomb.png": ihdr(8192, 8192),
                           "colour.png": ihdr(3, 3, b"\x10\x03")}.items():
            write(os.path.join(self.dir, name), data)
        usage = [("frob", "unknown command"), ("pack", "no images"), ("pack --bogus a", "'--bogus'"),
                 ("pack a --size", "needs a value"), ("pack a --size 0x16", "--size"),
                 ("pack a --size 16385x4", "--size"), ("pack a --size=64", "--size"),
                 ("pack a --spacing two", "--spacing"), ("pack a --sort area", "--sort"),
                 ("pack a --uv texels", "--uv"), ("pack a --id-prefix " + "P" * 32, "--id-prefix"),
                 ("pack a --quiet=yes", "takes no value"), ("pack a --extrude 2 --spacing 3", "at least 2N"),
                 ("pack a --extrude 257", "--extrude"), ("pack a --json a.json", "--json"),
                 ("pack a --max-size 64x64", "--size auto"), ("pack a --trim --quv q", "--quv"),
                 ("pack a --rotate --save p.qbp", "--save"), ("pack a --trim-threshold 3", "--trim"),
                 ("pack a --trim --trim-threshold 255", "--trim-threshold"), ("pack a --packer fast", "--packer"),
                 ("pack a --rule area", "--rule"), ("pack a --packer maxrects --rule big", "--rule"),
                 ("pack a --packer best --spacing -1", "--spacing"), ("pack a --size tight --max-size 0x4", "--max-size"),
                 ("pack a --png a.png --format xml --data a.xml", "--format"), ("pack a --png a.png --data a", "--data"),
                 ("pack a --png a.png --format css", "--data"), ("pack a --format css --data a.css", "--png"),
                 ("pack a --png a.png --rotate --format godot --data a.tres", "--rotate"),
                 ("pack a --png a.png --rotate --json a.json --format spine --data a.atlas", "opposite"),
                 ("pack a --png a.png --escape xml", "--template"), ("pack a --bleed=x", "--bleed"),
                 ("pack a --bleed 16385", "--bleed"), ("pack a --bleed --spacing -1", "--spacing"),
                 ("pack a --png-level max", "--png-level"), ("pack a --names ids", "--names"),
                 ("pack a --names id --folder-prefix", "--names id"), ("pack a --fps 12", "--animations"),
                 ("pack a --animations --fps 0", "--fps"), ("pack a --pivot 0.5", "--pivot"),
                 ("pack a --pivot 0.5,1.01", "--pivot"), ("pack a --pivot 1.,0", "--pivot"),
                 ("pack a --size 64x32 --square", "--square"),
                 ("pack a --size 64x60 --multiple-of 8", "--multiple-of"), ("pack a --multiple-of 0", "--multiple-of"),
                 ("pack a --size auto --multiple-of 12", "--size auto"),
                 ("pack a --size tight --max-size 3x9 --multiple-of 4", "--max-size"),
                 ("export", "one project"),
                 ("layout a.qbp b.qbp", "one project"), ("info", "one project"), ("", "")]
        failures = [("missing.bmp", "1 image(s) could not"), ("broken.bmp", "broken.bmp"),
                    ("picture.png", "picture.png"), ("grass.bmp", "GRASS_1 (7x3"), ("cut.png", "PNGピクセル"),
                    ("text.png", "PNGヘッダ"), ("wide.png", "大きすぎ"), ("empty.png", "大きすぎ"),
                    ("bomb.png", "PNGピクセル"), ("colour.png", "PNGヘッダ")]
        pack = lambda image: ["pack", "grass.bmp", image, "--size", "8x5", "--tga", "a.tga", "--save", "p.qbp"]
        rows = [(a.split(), 2, (n, "--help")) for a, n in usage] + [
            (pack(image), 1, (needle, image)) for image, needle in failures] + [
            (["pack", "ok.png", "--size", "16384x16384", "--png", "big.png"], 1, ("128 Mi pixels",))]
        if "wine" not in ARGS.cli:  # Windows hands the program its arguments in the ANSI code page already
            shutil.copy(os.path.join(self.dir, "gone.bmp"), os.path.join(self.dir, "smile\U0001F600.bmp"))
            rows.append((pack("smile\U0001F600.bmp"), 1, ("smile", "Shift-JIS")))
        write(os.path.join(self.dir, "bad.mustache"), "{{#sprites}}\n{{name}} {{widht}}\n{{/sprites}}\n")
        rows.append((["pack", "grass.bmp", "--png", "a.png", "--template", "bad.mustache", "--data", "a.txt"], 1,
                     ("bad.mustache: line 2: no value is called \"widht\"",)))
        files = sorted(os.listdir(self.dir))
        for args, status, needles in rows:
            self.check(args, status, *needles, *(("nothing was written",) if status == 1 else ()))
            self.assertEqual(sorted(os.listdir(self.dir)), files, args)
        self.check(["pack", "grass.bmp", "grass.bmp", "--size", "8x5", "--tga", "a.tga", "--allow-overflow", "--save",
                    "o.qbp"], 0, "does not fit on the 8x5 area")
        self.assertTrue(os.path.exists(os.path.join(self.dir, "a.tga")))
        self.check(["layout", "o.qbp"], 1, "does not fit on the 8x5 area", "saves the layout anyway")
        self.check(["layout", "o.qbp", "--allow-overflow"], 0)
        self.check(["pack", "grass.bmp", "--bmp", os.path.join("no", "such", "atlas.bmp")], 1, "cannot write",
                   "atlas.bmp")

    def test_pages_that_cannot_be_named_or_filled_and_a_thousand_identical_images(self):
        too_large = ["pack", "grass.bmp", "dot.tga", "--size", "auto", "--max-size", "6x6", "--pages", "--png",
                     "a-{n}.png", "--json", "a-{n}.json"]
        files = sorted(os.listdir(self.dir))
        for args, needles in ((too_large, ("GRASS (7x3", "page of 4x4")),
                              (["pack", "grass.bmp", "grass.bmp", "--size", "8x4", "--spacing", "0", "--pages",
                                "--png", "a.png", "--ids", "a-{n}.h"], ("take 2 pages", "{n}", "--pages", "a.png"))):
            self.check(args, 1, *needles, "nothing was written")
            self.assertEqual(sorted(os.listdir(self.dir)), files, args)
        self.check(too_large + ["--allow-overflow"], 0, "GRASS (7x3")
        self.assertEqual(list(frames_of(self.dir, "a-0.json")["frames"]), ["dot"])
        many = ["pack", *["dot.tga"] * 1000, "--alias", "--size", "auto", "--spacing", "0", "--quv", "many.quv",
                "--ids", "ids.h"]
        code, _, err = run(ARGS.cli, self.dir, *many)
        self.assertEqual((code, err.replace("\r\n", "\n")), (0, "quiltbox-cli: --size auto chose 1x1\n"))
        if "wine" not in ARGS.cli:  # a long run tells its progress on a terminal, and only there
            main, side = pty.openpty()
            with open(side, "wb") as terminal:
                done = subprocess.run(shlex.split(ARGS.cli) + many, cwd=self.dir, stderr=terminal)
            with open(main, "rb") as f:
                self.assertIn(b"finding identical images", f.read(4096))
            self.assertEqual(done.returncode, 0)
        self.assertEqual(quv(self.dir, "many.quv"), [(0, 0, 1, 1)] * 1000)
        self.assertTrue(read(self.dir, "ids.h").endswith(b" IDT_DOT_999\t999\n"))

    def test_options_reach_the_project(self):
        self.check(["pack", "grass.bmp", "--size", "64x32", "--spacing", "3", "--sort", "pixels", "--uv", "ratio",
                    "--reverse-h", "--reverse-v", "--id-prefix", "T_", "--absolute-paths", "--save", "p.qbp"], 0)
        got = info(ARGS.cli, self.dir, "p.qbp")
        keys = ("areaWidth", "areaHeight", "layoutSpacing", "sortByEdgeLength", "uvRatio", "reverseHorizontal",
                "reverseVertical", "idPrefix", "absolutePaths")
        self.assertEqual([got[key] for key in keys], [64, 32, 3, 0, 1, 1, 1, "T_", 1])
        out = run(ARGS.cli, self.dir, "info", "p.qbp")[1].replace("\r\n", "\n")
        self.assertIn("area 64x32, spacing 3, absolute paths, UV in ratios\nimages: 1\n", out)
        self.assertRegex(out, r"\n  GRASS +3,3 +7x3 ")
        self.check(["export", "p.qbp"], 0, "sets no usual output places; nothing written")
        self.check(["pack", "grass.bmp", "--id-prefix=", "--ids", "ids.h"], 0)  # an empty value given with "="
        self.assertIn(b" GRASS\t0\n", read(self.dir, "ids.h"))
        for n, status, said in ((1, 0, "chose 1x1"), (2, 0, "chose 2x1"), (5, 1, "fit on the 2x2")):  # least sizes
            self.check(["pack", *["dot.tga"] * n, "--size", "auto", "--spacing", "0", "--max-size", "2x2"], status,
                       said)
        for width, status in ((6, 0), (5, 1)):  # two extruded dots, side by side with the spacing between their rings
            self.check(["pack", "dot.tga", "dot.tga", "--extrude", "1", "--spacing", "2", "--size", f"{width}x3",
                        "--png", "e.png"], status)
        # A later page is the least area that holds its sprites too; without --max-size a side is at most 4096.
        self.check(["pack", *["dot.tga"] * 5, "--size", "auto", "--spacing", "0", "--max-size", "2x2", "--pages",
                    "--png", "p-{n}.png"], 0, "chose 2x2, 1x1")
        for width, status, said in ((4096, 0, "chose 4096x1"), (4097, 1, "the 4096x4096 area")):
            Image.new("RGBA", (width, 1), (9, 9, 9, 255)).save(os.path.join(self.dir, "wide.tga"))
            self.check(["pack", "wide.tga", "--size", "tight", "--spacing", "0", "--png", "wide.png"], status, said)

    def test_projects_that_cannot_be_used(self):
        self.check(["pack", "grass.bmp", "gone.bmp", "--save", "p.qbp", "--tga", "atlas.tga"], 0)
        with open(os.path.join(self.dir, "damaged.qbp"), "wb") as f:
            f.write(read(self.dir, "p.qbp")[:-3])  # the image list ends inside a record
        for command, project in [("export", "absent.qbp"), ("info", "notes.qbp"), ("layout", "notes.qbp"),
                                 ("export", "damaged.qbp"), ("layout", "damaged.qbp"), ("info", "damaged.qbp")]:
            self.check([command, project], 1, project)
        os.remove(os.path.join(self.dir, "gone.bmp"))
        os.remove(os.path.join(self.dir, "atlas.tga"))
        self.check(["export", "p.qbp"], 1, "gone.bmp", "--allow-missing")
        self.check(["layout", "p.qbp"], 1, "gone.bmp")
        self.assertFalse(os.path.exists(os.path.join(self.dir, "atlas.tga")))
        self.check(["export", "p.qbp", "--allow-missing"], 0)
        self.assertTrue(os.path.exists(os.path.join(self.dir, "atlas.tga")))
        # A stored name that is no Shift-JIS text shows the replacement character where it breaks.
        with open(os.path.join(self.dir, "p.qbp"), "r+b") as f:
            patched = f.read().replace(b"GRASS\0", b"A\x83 B\0\0")
            f.seek(0)
            f.write(patched)
        self.assertEqual([(i["name"], i["width"], i["height"]) for i in info(ARGS.cli, self.dir, "p.qbp")["images"]],
                         [("A\ufffdB", 7, 3), ("GONE", None, None)])
        if "wine" not in ARGS.cli:  # on Linux a stored Windows drive names another machine's disk: nothing goes there
            with open(os.path.join(self.dir, "p.qbp"), "r+b") as f:
                patched = f.read().replace(b".\\atlas.tga\0", b"D:\\atlas.tga")
                f.seek(0)
                f.write(patched)
            self.check(["export", "p.qbp", "--allow-missing"], 1, "D:\\atlas.tga names a Windows drive")
            self.assertFalse(os.path.exists(os.path.join(self.dir, "D:")))


class Pack(unittest.TestCase):
    """pack on every kind of input at the automatic size: the outputs as independent readers see them, and the
    commands that use its project."""

    def test_outputs_show_every_image_where_the_uv_list_json_and_project_say_and_are_written_again(self):
        folder, names = fresh("pack"), list(SOURCES) + list(SOURCES)[:2]
        # The same file twice gives the JSON one frame name twice, which nothing can look up: the ID header's names
        # tell them apart.
        code, _, err = run(ARGS.cli, folder, "pack", *names, "--size", "auto", *OUTPUTS)
        self.assertEqual(code, 1, err)
        self.assertRegex(err.replace("\r\n", "\n").replace("\\", "/"), r"two sprites would be named grass: \S*/pack/(\./)?grass.bmp and "
                                                   r"\S*/pack/(\./)?grass.bmp\n.*named stone.*\n.*nothing was written")
        self.assertEqual(sorted(os.listdir(folder)), sorted([*SOURCES, "out"]))
        code, out, err = run(ARGS.cli, folder, "pack", *names, "--size", "auto", *OUTPUTS, "--names", "id")
        self.assertEqual((code, listed(out)), (0, [os.path.basename(name) for name in WRITTEN]), err)
        size = tuple(int(v) for v in err.split("--size auto chose ")[1].split()[0].split("x"))
        self.assertEqual(read(folder, "uv.quv")[:8], b"QUV " + struct.pack("<i", len(names)))
        rects, project = quv(folder), info(ARGS.cli, folder)
        self.assertEqual((project["areaWidth"], project["areaHeight"], project["usualPaths"][0]),
                         (*size, ".\\atlas.bmp"))
        self.assertEqual([image["name"] for image in project["images"]],
                         [os.path.splitext(name)[0].upper() for name in names[:-2]] + ["GRASS_1", "STONE_1"])
        self.assertEqual(project["images"][6]["path"], ".\\テスト.bmp")
        self.assertRegex(project["images"][6]["resolvedPath"].replace("\\", "/"), r"/pack/(\./)?テスト\.bmp$")
        ids = read(folder, "ids.h").decode("cp932")
        for n, (name, image, (u0, v0, u1, v1)) in enumerate(zip(names, project["images"], rects)):
            self.assertEqual((image["x"], image["y"], image["width"], image["height"]), (u0, v0, u1 - u0, v1 - v0))
            self.assertEqual(rgba(os.path.join(folder, name))[0], (u1 - u0, v1 - v0), name)
            self.assertIn(f"IDT_{image['name']}\t{n}\n", ids)
        expected = expected_atlas(folder, names, rects, size)
        for atlas in ("atlas.png", "atlas.tga"):
            self.assertEqual(rgba(os.path.join(folder, atlas)), (size, expected), atlas)
        self.assertEqual(rgba(os.path.join(folder, "atlas.bmp")), (size, [p[:3] + (255,) for p in expected]))
        data = frames_of(folder, "out", "atlas.json")
        self.assertEqual({k: data["meta"][k] for k in ("image", "format", "scale", "size")},
                         {"image": "../atlas.png", "format": "RGBA8888", "scale": "1",
                          "size": {"w": size[0], "h": size[1]}})
        self.assertEqual(list(data["frames"].items()), [(i["name"], {
            "frame": {"x": i["x"], "y": i["y"], "w": i["width"], "h": i["height"]}, "rotated": False, "trimmed": False,
            "spriteSourceSize": {"x": 0, "y": 0, "w": i["width"], "h": i["height"]},
            "sourceSize": {"w": i["width"], "h": i["height"]}}) for i in project["images"]])
        # The area before the chosen one (squares and 2:1 areas in turn) is too small.
        smaller = f"{size[0]}x{size[1] // 2}" if size[0] == size[1] else f"{size[1]}x{size[1]}"
        for options in (["--size", smaller], ["--size", "auto", "--max-size", smaller]):
            code, _, err = run(ARGS.cli, folder, "pack", *names, *options)
            self.assertEqual(code, 1, err)
            self.assertIn(f"does not fit on the {smaller} area", err)
        # The same inputs give the same bytes, from the other program where there is one, and each program reads the
        # other's project: export writes the usual places again, layout the same project.
        other = ARGS.other_cli or ARGS.cli
        again, exported = fresh("pack-again"), fresh("pack-export", {})
        self.assertEqual(run(other, again, "pack", *names, "--size", "auto", *OUTPUTS, "--quiet", "--names", "id")[:2],
                         (0, ""))
        code, out, err = run(other, folder, "export", "project.qbp", "--out-dir", exported)
        self.assertEqual((code, listed(out)), (0, USUAL), err)
        code, out, err = run(ARGS.cli, again, "layout", "project.qbp", "-o", "relaid.qbp")
        self.assertEqual((code, listed(out)), (0, ["relaid.qbp"]), err)
        for name in WRITTEN:
            self.assertEqual(read(again, name), read(folder, name), name)
            self.assertTrue(name not in USUAL or read(exported, name) == read(folder, name), name)
        self.assertEqual(read(again, "relaid.qbp"), read(folder, "project.qbp"))
        # The names of the data formats leave the design's outputs as they were.
        design = OUTPUTS[:OUTPUTS.index("--json")] + OUTPUTS[OUTPUTS.index("--save"):]
        self.assertEqual(run(ARGS.cli, again, "pack", *names, "--size", "auto", *design, "--quiet")[0], 0)
        for name in design[1::2]:
            self.assertEqual(read(again, name), read(folder, name), name)

    def test_extrusion_repeats_the_edge_texels_so_neighbours_stay_out_of_bilinear_samples(self):
        folder = fresh("extrude", {name: name for name in SPRITES})
        for extrude, spacing in ((2, 4), (0, 1)):
            self.assertEqual(run(ARGS.cli, folder, "pack", *SPRITES, "--extrude", str(extrude), "--spacing",
                                 str(spacing), "--size", "32x16", "--png", "atlas.png", "--quv", "uv.quv")[0], 0)
            (width, _), pixels = rgba(os.path.join(folder, "atlas.png"))
            # Every texel up to two out from a sprite (one without extrusion) against the nearest edge texel.
            d = max(extrude, 1)
            held = all(pixels[y * width + x] == pixels[min(max(y, v0), v1 - 1) * width + min(max(x, u0), u1 - 1)]
                       for u0, v0, u1, v1 in quv(folder) for x in range(u0 - d, u1 + d) for y in range(v0 - d, v1 + d))
            self.assertEqual(held, extrude > 0, f"--extrude {extrude}")
        # Sprites parked outside the area leave their rings outside it too (the sanitizers watch the atlas's edges).
        self.assertEqual(run(ARGS.cli, folder, "pack", *SPRITES, "--extrude", "1", "--spacing", "2", "--size", "8x8",
                             "--allow-overflow", "--png", "atlas.png")[0], 0)

    def test_premultiplied_tga_and_png_but_not_bmp(self):
        folder = fresh("premultiply", {name: name for name in SPRITES})
        for names, size, spacing in ((SPRITES, 256, "1"), (SPRITES[:1], 3, "0")):  # the second up to the last pixel
            self.assertEqual(run(ARGS.cli, folder, "pack", *names, "--size", f"{size}x{size}", "--spacing", spacing,
                                 "--premultiply", *OUTPUTS[:10])[0], 0)
            plain = expected_atlas(folder, names, quv(folder), (size, size))
            formula = [tuple((c * p[3] + 127) // 255 for c in p[:3]) + (p[3],) for p in plain]
            self.assertEqual([rgba(os.path.join(folder, name))[1] for name in WRITTEN[:3]],
                             [[p[:3] + (255,) for p in plain], formula, formula])


def bled(pixels, width, regions, reach):
    """Bleeding by its definition: in each region (left, top, right, bottom), every transparent pixel with a visible
    pixel of the region within `reach` across and down takes the colour of the region's visible pixel with the least
    squared distance, then row, then column."""
    out = list(pixels)
    for left, top, right, bottom in regions:
        visible = [(x, y) for y in range(top, bottom) for x in range(left, right) if pixels[y * width + x][3]]
        for y in range(top, bottom):
            for x in range(left, right):
                if pixels[y * width + x][3] or not any(max(abs(u - x), abs(v - y)) <= reach for u, v in visible):
                    continue
                u, v = min(visible, key=lambda p: ((p[0] - x) ** 2 + (p[1] - y) ** 2, p[1], p[0]))
                out[y * width + x] = pixels[v * width + u][:3] + (0,)
    return out


class Pixels(unittest.TestCase):
    """Bleeding and the PNG levels, as Pillow decodes the atlases."""

    def pack(self, folder, *args):
        code, _, err = run(ARGS.cli, folder, "pack", *args, "--quiet")
        self.assertEqual(code, 0, err)

    def test_bleeding_colours_transparent_pixels_from_their_own_sprite_and_nothing_visible(self):
        folder = fresh("bleed", {})
        names = sorted(sprites.write_sprites(folder))
        inputs = sorted(n for n in os.listdir(folder) if n != "out")
        # Sprites touching (no spacing), turned and trimmed, and extruded; --bleed before an image leaves it an image.
        for layout, bleed, reach, ring in ((["--packer", "maxrects", "--spacing", "0"], ["--bleed"], 2, 0),
                                           (["--spacing", "0", "--trim", "--rotate"], ["--bleed", "all"], 10 ** 6, 0),
                                           (["--extrude", "1", "--spacing", "2"], ["--bleed=1"], 1, 1)):
            with self.subTest(options=" ".join(layout + bleed)):
                common = [*layout, "--size", "64x64", "--json", "out/a.json"]
                self.pack(folder, *inputs, *common, "--png", "out/plain.png")
                self.pack(folder, *bleed, *inputs, *common, "--png", "out/a.png", "--tga", "out/a.tga")
                frames = frames_of(folder, "out", "a.json")["frames"]
                self.assertEqual(sorted(frames), names)
                (width, height), plain = rgba(os.path.join(folder, "out", "plain.png"))
                regions = {(max(0, x0 - ring), max(0, y0 - ring), min(width, x1 + ring), min(height, y1 + ring))
                           for x0, y0, x1, y1 in map(footprint, frames.values())}
                got = rgba(os.path.join(folder, "out", "a.png"))[1]
                self.assertEqual(got, bled(plain, width, regions, reach))
                self.assertEqual(rgba(os.path.join(folder, "out", "a.tga"))[1], got)
                self.assertNotEqual(got, plain)

    def test_every_png_level_holds_the_atlas_pixels_in_the_same_bytes_on_any_number_of_threads(self):
        folder = fresh("levels", {})
        sprites.write_sprites(folder)
        # A large noisy sprite: the atlas's rows make several bands.
        Image.frombytes("RGBA", (700, 600), random.Random(13).randbytes(700 * 600 * 4)).save(
            os.path.join(folder, "noise.png"))
        inputs = sorted(n for n in os.listdir(folder) if n != "out")
        for level in ("fast", "default", "best"):
            for threads in ("1", "3"):
                self.pack(folder, *inputs, "--size", "auto", "--bleed", "--png-level", level, "--threads", threads,
                          "--png", f"out/{level}-{threads}.png", "--tga", "out/a.tga")
            png = read(folder, "out", f"{level}-1.png")
            self.assertEqual(read(folder, "out", f"{level}-3.png"), png, level)
            self.assertEqual(rgba(os.path.join(folder, "out", f"{level}-1.png")),
                             rgba(os.path.join(folder, "out", "a.tga")), level)

    def test_a_png_atlas_that_memory_cannot_hold_fails_cleanly(self):
        """Under a cap on the address space the pack either writes a sound PNG or fails with a message, never
        crashes, wherever the cap makes an allocation fail."""
        if ARGS.sanitized or "wine" in ARGS.cli:
            self.skipTest("the sanitizers abort where an allocation fails; Wine takes no cap")
        folder = fresh("memory", {})
        for n in "ab":
            Image.frombytes("RGBA", (2048, 2048), random.Random(n).randbytes(2048 * 2048 * 4)).save(
                os.path.join(folder, n + ".tga"))
        for cap in range(40, 200, 24):  # MiB: from failing to load the images to writing the PNG
            for level in ("fast", "default"):
                with self.subTest(cap=cap, level=level):
                    args = ["pack", "a.tga", "b.tga", "--size", "4096x2048", "--spacing", "0", "--bleed", "all",
                            "--png-level", level, "--png", "out.png"]
                    code, _, err = run(f"prlimit --as={cap << 20} {ARGS.cli}", folder, *args)
                    self.assertIn(code, (0, 1), err)
                    if code == 1:
                        self.assertRegex(err, "could not be loaded; nothing was written|cannot write .*out.png")
                    else:
                        self.assertEqual(rgba(os.path.join(folder, "out.png"))[0], (4096, 2048))
                    if os.path.exists(os.path.join(folder, "out.png")):
                        os.remove(os.path.join(folder, "out.png"))


# Every kind of output of a pack on pages; those of Phaser 3, Spine, Godot and CSS name every page in one file.
PAGED = ["--bmp", "a-{n}.bmp", "--tga", "a-{n}.tga", "--png", "a-{n}.png", "--ids", "ids-{n}.h", "--quv", "uv-{n}.quv",
         "--uv-array", "uv-{n}.h", "--uv-defines", "def-{n}.h", "--json", "a-{n}.json", "--format", "sparrow", "--data",
         "a-{n}.xml", "--format", "phaser3", "--data", "all.json", "--format", "spine", "--data", "all.atlas",
         "--format", "godot", "--data", "all.tres", "--format", "css", "--data", "all.css", "--save", "p-{n}.qbp"]
NAMES = [i for i, a in enumerate(PAGED) if i and PAGED[i - 1].startswith("--") and PAGED[i - 1] != "--format"]
SAFE = {"grass.bmp": "im24_w7.bmp", "stone.bmp": "pil24_w5.bmp", "moss.bmp": "im24_w5.bmp", "dot.tga": "c_tga_1.tga"}
OLD, NEW = ["stone.bmp", "moss.bmp"], ["grass.bmp"] * 3 + ["dot.tga"]  # two pages of 8 x 4, then three


def pack_on_pages(folder, images, outputs=PAGED, preexec=None):
    """The images (one file given several times: --names id tells them apart) on pages of 8 x 4."""
    return run(ARGS.cli, folder, "pack", *images, "--size", "8x4", "--spacing", "0", "--pages", "--names", "id",
               *outputs, preexec=preexec)


def file_size_limit(size):
    def limit():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (size, size))
    return limit


def unprivileged():
    """Root writes into any folder: the program runs as nobody, so that a folder's permissions hold it back."""
    if os.geteuid() == 0:
        os.setgid(65534)
        os.setuid(65534)


class AllOrNothing(unittest.TestCase):
    """A pack writes every output or none: a failure at any output leaves every old file as it was and nothing new.
    Outputs naming one file, or an input, are refused before anything is written; the number options are bounded."""

    def failed(self, folder, outputs, needle, preexec=None):
        before = snapshot(folder)
        code, _, err = pack_on_pages(folder, NEW, outputs, preexec)
        after = snapshot(folder)
        self.assertEqual((code, sorted(after)), (1, sorted(before)), f"{needle}: {err}")
        self.assertEqual([name for name in before if after[name] != before[name]], [], needle)
        self.assertIn(needle, err.replace("\\", "/"), f"exit status {code}")
        self.assertIn("; nothing was written", err)

    def test_a_failure_at_any_output_leaves_the_old_files_and_nothing_new(self):
        reference, folder = fresh("batch-reference", SAFE), fresh("batch", SAFE)
        code, out, err = pack_on_pages(reference, NEW)
        order = listed(out)  # the order the files are written in
        self.assertEqual((code, len(order)), (0, 3 * 10 + 4), err)
        self.assertEqual(pack_on_pages(folder, OLD)[0], 0)
        os.makedirs(os.path.join(folder, "locked"), 0o555)
        os.chmod(folder, 0o777)
        for i in NAMES:
            # Staging fails: a missing folder, and where the program can be held back, a folder it may not write.
            self.failed(folder, PAGED[:i] + ["missing/" + PAGED[i]] + PAGED[i + 1:],
                        "missing/" + PAGED[i].replace("{n}", "0"))
            if "wine" not in ARGS.cli:
                self.failed(folder, PAGED[:i] + ["locked/" + PAGED[i]] + PAGED[i + 1:],
                            "locked/" + PAGED[i].replace("{n}", "0"), unprivileged)
            # A rename fails: a folder stands where page 1's file (or the one file naming every page) goes, after the
            # files before it were put in place. As nobody the old files, root's, are copied aside rather than linked
            # where the kernel protects hard links.
            target = os.path.join(folder, PAGED[i].replace("{n}", "1"))
            old = read(target)
            os.remove(target)
            os.makedirs(os.path.join(target, "inside"))
            for preexec in [None] + ([unprivileged] if "wine" not in ARGS.cli else []):
                self.failed(folder, PAGED, PAGED[i].replace("{n}", "1"), preexec)
            shutil.rmtree(target)
            write(target, old)
        # A file-size limit, which each file larger than every one before it meets first; at least 256 bytes, which
        # the message itself needs (it goes to a file).
        sizes = [os.path.getsize(os.path.join(reference, name)) for name in order]
        limits = [(max([256] + sizes[:k]), name) for k, name in enumerate(order)]
        for limit, name in [(limit, name) for (limit, name), size in zip(limits, sizes) if size > limit]:
            self.failed(folder, PAGED, name, file_size_limit(limit))
        code, out, err = pack_on_pages(folder, NEW)
        self.assertEqual((code, listed(out)), (0, order), err)
        self.assertEqual([name for name in order if read(folder, name) != read(reference, name)], [])
        # Packed on two pages again, the third page's files stay, each named.
        code, _, err = pack_on_pages(folder, OLD)
        left = [PAGED[i].replace("{n}", "2") for i in NAMES if "{n}" in PAGED[i]]
        self.assertEqual((code, [name for name in left if name not in err or not os.path.exists(folder + "/" + name)]),
                         (0, []), err)

    def test_outputs_naming_one_file_or_an_input_are_refused(self):
        folder = fresh("same-file", {**SAFE, "g-1.bmp": "im24_w7.bmp"})
        os.link(os.path.join(folder, "grass.bmp"), os.path.join(folder, "linked.bmp"))
        os.makedirs(os.path.join(folder, "sprites"))  # a folder's file, linked from outside the folder
        os.link(os.path.join(folder, "stone.bmp"), os.path.join(folder, "sprites", "held.bmp"))
        paged = ["--size", "8x4", "--spacing", "0", "--pages"]
        rows = [(["--png", "x.png", "--tga", "out/../x.png"], "--tga"),
                (["--png", "x.png", "--json", "x.png"], "--json"),
                (["--png", "x.png", "--json", "d.json", "--save", "./d.json"], "--save"),
                (["--bmp", "grass.bmp"], "the input"), (["--bmp", "linked.bmp"], "the input"),
                (["sprites", "--bmp", "stone.bmp"], "the input"),
                (["--png", "a-{n}.png", *paged, "--tga", "a-0.png"], "--tga"),  # page 0's names, before packing
                (["grass.bmp", "--names", "id", "--png", "a-{n}.png", *paged, "--format", "phaser3", "--data", "a-1.png"],
                 "--format"),
                (["g-1.bmp", "--bmp", "g-{n}.bmp", *paged], "the input")]  # page 1's, once there are two pages
        if "wine" in ARGS.cli:  # Windows ignores the case of letters
            rows.append((["--png", "X.png", "--json", "x.png"], "--json"))
        before = snapshot(folder)
        for args, needle in rows:
            code, _, err = run(ARGS.cli, folder, "pack", "grass.bmp", *args)
            self.assertEqual((code, snapshot(folder)), (2, before), f"{args}: {err}")
            self.assertIn(needle, err, args)
            self.assertIn("nothing was written", err, args)
        # On one page those names are apart; a double-byte character's second byte is no letter to fold (ア, ヂ).
        for args, written in ((["--png", "a-{n}.png", "--pages", "--format", "phaser3", "--data", "a-1.png"],
                               ["a-0.png", "a-1.png"]), (["--png", "ア.png", "--json", "ヂ.png"], ["ア.png", "ヂ.png"])):
            code, out, err = run(ARGS.cli, folder, "pack", "grass.bmp", *args)
            self.assertEqual((code, listed(out)), (0, written), err)

    def test_number_options_are_bounded_and_a_sprite_beyond_the_largest_page_is_named(self):
        folder = fresh("bounds", SAFE)
        for spacing, status, said in (("16385", 2, "-16384 to 16384"), ("-16385", 2, "-16384 to 16384"),
                                      ("16384", 1, "GRASS (7x3"), ("-16384", 0, "")):
            code, _, err = run(ARGS.cli, folder, "pack", "grass.bmp", "--spacing", spacing, "--png", "s.png")
            self.assertEqual(code, status, err)
            self.assertIn(said, err)
        for size, packer, pages in itertools.product(("6x6", "auto", "tight"), ("design", "maxrects", "best"),
                                                     ([], ["--pages"])):
            limit = [] if size == "6x6" else ["--max-size", "6x6"]
            code, _, err = run(ARGS.cli, folder, "pack", "grass.bmp", "dot.tga", "--size", size, *limit, "--packer",
                               packer, *pages, "--spacing", "0", "--png", "big-{n}.png")
            self.assertEqual(code, 1, f"{size} {packer} {pages}: {err}")
            self.assertIn("GRASS (7x3", err)


def pages(folder, first):
    """[JSON data] of every page, the first and those its meta.related_multi_packs lists."""
    data = [frames_of(folder, first)]
    return data + [frames_of(folder, other) for other in data[0]["meta"].get("related_multi_packs", [])]


def footprint(entry):
    f = entry["frame"]
    w, h = (f["h"], f["w"]) if entry["rotated"] else (f["w"], f["h"])
    return f["x"], f["y"], f["x"] + w, f["y"] + h


class Atlas(unittest.TestCase):
    """Trimming, turning, identical sprites stored once and several pages, with every packer and page rule."""

    def test_every_frame_draws_back_as_its_source_with_every_combination_of_the_options(self):
        folder = fresh("atlas", {})
        expected = sprites.write_sprites(folder)
        inputs = sorted(n for n in os.listdir(folder) if n != "out")
        for i, (trim, rotate, alias, several) in enumerate(itertools.product((False, True), repeat=4)):
            size = [("auto", "tight", "64x64"), ("tight", "24x24")][several][i // 3 % (3 - several)]
            args = ["--packer", ("design", "maxrects", "best")[i % 3], "--size", size, *["--trim"] * trim,
                    *["--rotate"] * rotate, *["--alias"] * alias, *(["--extrude", "1", "--spacing", "3"] if i % 4 == 3
                                                                   else ["--spacing", "1"])]
            if several:
                args += ["--pages"] + (["--max-size", "24x24"] if size == "tight" else [])
            args += ["--png-level", ("fast", "default", "best")[i // 2 % 3]] + [[], ["--bleed"], ["--bleed=all"]][i % 3]
            name = "atlas-{n}" if several else "atlas"
            outputs = ["--png", f"out/{name}.png", "--json", f"out/{name}.json"]
            # Every data format, so that both builds are seen to write the same bytes; those that cannot turn sprites,
            # and Spine, which turns them the other way, without --rotate.
            outputs += ["--format", "json-array", "--data", f"out/{name}-array.json", "--format", "phaser3", "--data",
                        "out/phaser3.json"]
            if not rotate:
                outputs += ["--format", "spine", "--data", "out/all.atlas", "--format", "sparrow", "--data",
                            f"out/{name}.xml", "--format", "godot", "--data", "out/all.tres", "--format", "css",
                            "--data", "out/all.css"]
            if not trim and not rotate:
                outputs += ["--quv", f"out/{name}.quv", "--tga", f"out/{name}.tga"]
            with self.subTest(options=" ".join(args)):
                clear_out(folder)
                code, _, err = run(ARGS.cli, folder, "pack", *inputs, *args, *outputs, "--quiet")
                self.assertEqual(code, 0, err)
                # The design's layout lets sprites touch where it tucks small ones into gaps, their extrusion never;
                # --packer best keeps the spacing with it too.
                touching = "design" in args
                self.check_pages(folder, name.replace("{n}", "0"), expected, trim, rotate, alias, several, args,
                                 touching)
                self.check_same_bytes_from_the_other_program(folder, inputs, args + outputs)

    def test_every_page_keeps_the_size_rules_and_any_number_of_threads_writes_the_same(self):
        folder = fresh("atlas-rules", {})
        sprites.write_sprites(folder)
        inputs = sorted(n for n in os.listdir(folder) if n != "out")
        for packer, size, square, multiple in itertools.product(("design", "maxrects", "best"), ("auto", "tight"),
                                                                (False, True), ("4", "8")):
            args = ["--packer", packer, "--size", size, "--max-size", "40x32", "--pages", "--trim", "--rotate",
                    "--multiple-of", multiple, *["--square"] * square]
            outputs = ["--png", "out/atlas-{n}.png", "--json", "out/atlas-{n}.json"]
            with self.subTest(options=" ".join(args)):
                written = {}
                for threads in ("1", "2"):
                    clear_out(folder)
                    code, _, err = run(ARGS.cli, folder, "pack", *inputs, *args, "--threads", threads, *outputs,
                                       "--quiet")
                    self.assertEqual(code, 0, err)
                    written[threads] = {n: read(folder, "out", n) for n in os.listdir(os.path.join(folder, "out"))}
                self.assertEqual(written["1"], written["2"])
                for page in pages(os.path.join(folder, "out"), "atlas-0.json"):
                    w, h = page["meta"]["size"]["w"], page["meta"]["size"]["h"]
                    self.assertTrue(w % int(multiple) == 0 and h % int(multiple) == 0, (w, h))
                    self.assertTrue(w == h or not square, (w, h))
                    self.assertTrue(w <= 40 and h <= 32, (w, h))
                self.check_same_bytes_from_the_other_program(folder, inputs, args + outputs)

    def check_pages(self, folder, first, expected, trim, rotate, alias, several, args, touching):
        margin = int("--extrude" in args)
        spacing = int(args[args.index("--spacing") + 1])
        gap, edge = 2 * margin if touching else spacing, spacing - margin
        data, frames = pages(os.path.join(folder, "out"), first + ".json"), {}
        self.assertEqual(len(data) > 1, several, "the sprites take several pages only with --pages")
        for n, page in enumerate(data):
            self.assertEqual(page["meta"]["image"], first.replace("-0", f"-{n}") + ".png")
            with Image.open(os.path.join(folder, "out", page["meta"]["image"])) as atlas:
                atlas.load()
            self.assertEqual(atlas.size, (page["meta"]["size"]["w"], page["meta"]["size"]["h"]))
            places = {}
            for name, entry in page["frames"].items():
                frames[name] = entry
                self.assertEqual(sprites.seen(sprites.draw_back(atlas, entry)), sprites.seen(expected[name]), name)
                self.assertTrue(rotate or not entry["rotated"])
                self.assertEqual(entry["trimmed"], trim and expected[name].getchannel("A").getbbox() != (
                    0, 0, *expected[name].size), name)
                places.setdefault(footprint(entry), []).append(name)
            for a, b in itertools.combinations(places, 2):
                self.assertTrue(a[2] + gap <= b[0] or b[2] + gap <= a[0] or a[3] + gap <= b[1] or b[3] + gap <= a[1],
                                f"{places[a]} and {places[b]}")
            for left, top, right, bottom in places:
                self.assertTrue(min(left, top) >= edge and max(right - atlas.size[0], bottom - atlas.size[1]) <= -edge)
            if os.path.exists(os.path.join(folder, "out", first.replace("-0", f"-{n}") + ".quv")):
                rows = quv(os.path.join(folder, "out"), first.replace("-0", f"-{n}") + ".quv")
                self.assertEqual(rows, [footprint(e) for e in page["frames"].values()])
        self.assertEqual(sorted(frames), sorted(expected))
        self.check_other_formats(os.path.join(folder, "out"), first, data, rotate)
        twins = {footprint(frames[name]) for name in ("twin_a", "twin_b", "twin_c")}
        self.assertEqual(len(twins), 1 if alias else 3)

    def check_other_formats(self, out, first, data, rotate):
        """The other data formats hold the frames of the JSON hash of each page."""
        page_name = lambda n, suffix: first.replace("-0", f"-{n}") + suffix
        textures = frames_of(out, "phaser3.json")["textures"]
        self.assertEqual([t["image"] for t in textures], [page["meta"]["image"] for page in data])
        for n, (page, texture) in enumerate(zip(data, textures)):
            array = frames_of(out, page_name(n, "-array.json"))["frames"]
            for frames in (array, texture["frames"]):
                self.assertEqual({entry.pop("filename"): entry for entry in frames}, page["frames"])
            # Sparrow's XML per page, Spine's, Godot's and the CSS naming every page, as long as nothing is turned.
            for name in [] if rotate else [page_name(n, ".xml"), "all.atlas", "all.tres", "all.css"]:
                text = read(out, name).decode("utf-8")
                self.assertTrue(all(frame in text for frame in page["frames"]), name)

    def check_same_bytes_from_the_other_program(self, folder, inputs, args):
        if not ARGS.other_cli:
            return
        other = fresh("atlas-other", {})
        for name in inputs:
            shutil.copy(os.path.join(folder, name), other)
        self.assertEqual(run(ARGS.other_cli, other, "pack", *inputs, *args, "--quiet")[0], 0)
        written = sorted(os.listdir(os.path.join(folder, "out")))
        self.assertEqual(sorted(os.listdir(os.path.join(other, "out"))), written)
        for name in written:
            self.assertEqual(read(other, "out", name), read(folder, "out", name), name)


def sprite_tree(root="絵"):
    """A game's sprite folder under `root`: nested folders, equal stems in different folders, Japanese names, numbered
    frames, a nine-patch, and what a folder pack passes over; with the frame names in their order and the design's
    names."""
    n = sprites.noise
    files = {"砂.png": n((5, 4), 20), "hero/run_10.png": n((6, 7), 21), "hero/run_2.png": n((6, 7), 22),
             "hero/run_1.png": n((6, 7), 23), "hud/pause.png": n((4, 4), 24, alphas=sprites.SOFT),
             "hud/Pause.tga": n((3, 5), 25, (1, 0, 0, 1)), "menu/pause.bmp": n((5, 5), 26).convert("RGB"),
             "ui/button.9.png": sprites.nine_patch(n((8, 6), 27, (2, 0, 1, 0)), (2, 1, 3, 2), (1, 1, 1, 1)),
             ".hidden.png": n((2, 2), 28), "hero/.git/x.png": n((2, 2), 28), "notes.txt": b"not a sprite"}
    frames = ["砂", "hero/run_1", "hero/run_2", "hero/run_10", "hud/Pause", "hud/pause", "menu/pause", "ui/button"]
    ids = ["砂", "HERO_RUN_1", "HERO_RUN_2", "HERO_RUN_10", "HUD_PAUSE", "HUD_PAUSE_1", "MENU_PAUSE", "UI_BUTTON"]
    return {f"{root}/{name}": picture for name, picture in files.items()}, frames, ids


def frames_of(folder, *data):
    with open(os.path.join(folder, *(data or ["atlas.json"])), encoding="utf-8") as f:
        return json.load(f)


def nearest(picture, size):
    """The picture resized by taking, for each pixel, the source pixel under its centre."""
    (w, h), (width, height) = picture.size, size
    source = picture.load()
    out = Image.new("RGBA", size)
    for y in range(height):
        for x in range(width):
            out.putpixel((x, y), source[(2 * x + 1) * w // (2 * width), (2 * y + 1) * h // (2 * height)])
    return out


class Variants(unittest.TestCase):
    """One layout written at several scales: every frame its source resized, placed at the layout's place scaled."""

    VARIANTS = {"@2x": "1", "@1x": "0.5", "small": "0.3"}

    def test_every_frame_of_every_variant_is_its_kept_part_resized_at_the_largest_layout_scaled(self):
        folder = fresh("variants", {})
        expected = sprites.write_sprites(folder)
        os.remove(os.path.join(folder, "blank.png"))  # trimmed to a pixel, which no smaller scale can hold
        expected.pop("blank")
        inputs = sorted(n for n in os.listdir(folder) if n != "out")
        variants = [a for name, scale in self.VARIANTS.items() for a in ("--variant", f"{scale}:{name}")]
        for layout, name in ((["--size", "auto", "--extrude", "2", "--spacing", "4"], "a{v}"),
                             (["--size", "32x32", "--pages", "--packer", "maxrects"], "a{v}-{n}")):
            with self.subTest(layout=layout):
                code, _, err = run(ARGS.cli, folder, "pack", *inputs, *layout, *variants, "--trim", "--rotate",
                                   "--alias", "--scale-filter", "nearest", "--png", f"out/{name}.png", "--json",
                                   f"out/{name}.json", "--quiet")
                self.assertEqual(code, 0, err)
                extrude = int(layout[layout.index("--extrude") + 1]) if "--extrude" in layout else 0
                pages = len([n for n in os.listdir(os.path.join(folder, "out")) if n.startswith("a@2x")]) // 2
                for page in range(pages):
                    base = "out/" + name.replace("{n}", str(page))
                    large = frames_of(folder, base.replace("{v}", "@2x") + ".json")
                    for variant, scale in self.VARIANTS.items():
                        self.check_variant(folder, base.replace("{v}", variant), large, expected,
                                           fractions.Fraction(scale), extrude)
                clear_out(folder)

    def check_variant(self, folder, base, large, expected, scale, extrude):
        data = frames_of(folder, base + ".json")
        self.assertEqual(data["meta"]["scale"], str(float(scale)).rstrip("0").rstrip("."))
        self.assertEqual(sorted(data["frames"]), sorted(large["frames"]))
        ring = int(extrude * scale)
        boxes = set()
        with Image.open(os.path.join(folder, base + ".png")) as atlas:
            atlas = atlas.convert("RGBA")
            for name, entry in data["frames"].items():
                source, layout = expected[name], large["frames"][name]
                kept = layout["spriteSourceSize"]  # the largest variant is at scale 1: the source's own pixels
                part = source.crop((kept["x"], kept["y"], kept["x"] + kept["w"], kept["y"] + kept["h"]))
                size = (int(kept["w"] * scale), int(kept["h"] * scale))
                want = Image.new("RGBA", (int(source.size[0] * scale), int(source.size[1] * scale)))
                want.paste(nearest(part, size), (int(kept["x"] * scale), int(kept["y"] * scale)))
                got = sprites.draw_back(atlas, entry)
                self.assertEqual((got.size, list(got.getdata())), (want.size, list(want.getdata())), name)
                self.assertEqual((entry["frame"]["x"], entry["frame"]["y"]),
                                 (int(layout["frame"]["x"] * scale), int(layout["frame"]["y"] * scale)), name)
                x0, y0, x1, y1 = footprint(entry)
                boxes.add((x0 - ring, y0 - ring, x1 + ring, y1 + ring))
        for a, b in itertools.combinations(boxes, 2):  # apart, with their extrusion
            self.assertTrue(a[2] <= b[0] or b[2] <= a[0] or a[3] <= b[1] or b[3] <= a[1], (base, a, b))

    def test_bad_variants_are_refused_and_nothing_is_written(self):
        folder = fresh("variants-refused", {"grass.bmp": "im24_w7.bmp"})
        write_sprite = sprites.noise((8, 8), 3, (3, 3, 4, 4))  # trimmed to a single pixel
        write_sprite.save(os.path.join(folder, "dot.png"))
        cases = [(["--variant", "0"], 2, "--variant takes"), (["--variant", "4.5"], 2, "--variant takes"),
                 (["--variant", "half"], 2, "--variant takes"), (["--variant", "1:"], 2, "--variant takes"),
                 (["--variant", "0.1234567"], 2, "--variant takes"),
                 (["--variant", "1:x", "--variant", "0.5:x"], 2, "two --variant options are named x"),
                 (["--variant", "1", "--variant", "0.5"], 1, "must hold {v}"),
                 (["--variant", "1", "--scale-filter", "cubic"], 2, "--scale-filter takes"),
                 (["--variant", "0.5", "--save", "p.qbp"], 2, "--save names the input images"),
                 (["--variant", "0.5", "--spacing", "-1"], 2, "--variant needs a --spacing"),
                 (["dot.png", "--trim", "--variant", "0.5"], 1, "less than a pixel"),
                 (["--variant", "1:grass", "--tga", "{v}.bmp"], 2, "names the input")]
        for args, status, message in cases:
            with self.subTest(args=args):
                before = snapshot(folder)
                code, _, err = run(ARGS.cli, folder, "pack", "grass.bmp", *args, "--png", "a.png", "--json", "a.json")
                self.assertEqual((code, snapshot(folder)), (status, before))
                self.assertIn(message, err)

    def test_both_programs_write_the_same_bytes_with_every_filter(self):
        if not ARGS.other_cli:
            self.skipTest("needs --other-cli")
        folder = fresh("variants-same", {})
        sprites.write_sprites(folder)
        inputs = sorted(n for n in os.listdir(folder) if n not in ("out", "blank.png"))
        for scale_filter in ("default", "box", "nearest"):
            written = {}
            for cli in (ARGS.cli, ARGS.other_cli):
                clear_out(folder)
                code, _, err = run(cli, folder, "pack", *inputs, "--trim", "--size", "auto", "--extrude", "1",
                                   "--spacing", "2", "--bleed", "--variant", "2:big", "--variant", "0.75:mid",
                                   "--variant", "0.5:small", "--scale-filter", scale_filter, "--png",
                                   "out/{v}.png", "--tga", "out/{v}.tga", "--json", "out/{v}.json", "--format",
                                   "spine", "--data", "out/{v}.atlas", "--quiet")
                self.assertEqual(code, 0, (cli, err))
                written[cli] = snapshot(os.path.join(folder, "out"))
            self.assertEqual(len(written[ARGS.cli]), 12)
            self.assertEqual(written[ARGS.cli], written[ARGS.other_cli], scale_filter)


class Folders(unittest.TestCase):
    """Folders and @LIST files as inputs: frame names by path in the data formats, the design's names from the same
    paths, nine-patches, pivots and animations; and what hostile trees and lists do."""

    def test_a_folder_tree_gives_every_frame_its_path_and_the_design_the_same_path_in_upper_case(self):
        folder = fresh("folders", {})
        files, frames, ids = sprite_tree()
        pictures = sprites.write_tree(folder, files)
        code, _, err = run(ARGS.cli, folder, "pack", "絵", "--size", "auto", "--png", "atlas.png", "--json",
                           "atlas.json", "--ids", "ids.h", "--format", "spine", "--data", "atlas.atlas", "--quiet")
        self.assertEqual(code, 0, err)
        data = frames_of(folder)
        self.assertEqual(list(data["frames"]), frames)
        with Image.open(os.path.join(folder, "atlas.png")) as atlas:
            for name, entry in data["frames"].items():
                source = pictures[next(f for f in files if f.startswith(f"絵/{name}."))]
                if name == "ui/button":  # drawn without its border
                    source = source.crop((1, 1, source.size[0] - 1, source.size[1] - 1))
                self.assertEqual(sprites.seen(sprites.draw_back(atlas, entry)), sprites.seen(source), name)
        self.assertEqual({k: data["frames"]["ui/button"][k] for k in ("borders", "scale9Borders")},
                         {"borders": {"left": 2, "top": 1, "right": 3, "bottom": 2},
                          "scale9Borders": {"x": 2, "y": 1, "w": 3, "h": 3}})
        self.assertIn("ui/button\n  rotate: false\n  xy: ", read(folder, "atlas.atlas").decode())
        self.assertIn("  split: 2, 3, 1, 2\n  pad: 1, 1, 1, 1\n", read(folder, "atlas.atlas").decode())
        header = read(folder, "ids.h").decode("cp932")
        self.assertEqual(re.findall(r" IDT_(\S+)\t\d+\n", header), ids)
        # Trimming leaves the nine-patch whole; a pivot goes on every frame.
        code, _, err = run(ARGS.cli, folder, "pack", "絵", "--trim", "--pivot", ".25,1", "--png", "atlas.png",
                           "--json", "atlas.json", "--quiet")
        self.assertEqual(code, 0, err)
        entries = frames_of(folder)["frames"]
        self.assertEqual([name for name, e in entries.items() if e["trimmed"]], ["hud/Pause"])
        self.assertEqual({(e["pivot"]["x"], e["anchor"]["y"]) for e in entries.values()}, {(0.25, 1)})
        # Numbered frames make an animation in numeric order; on one page its JSON lists it, on several pages no
        # page's JSON can (an engine looks its frames up in that page alone), and Spine's index keeps the order.
        code, _, err = run(ARGS.cli, folder, "pack", "絵", "--animations", "--png", "atlas.png", "--json",
                           "atlas.json", "--quiet")
        self.assertEqual((code, frames_of(folder)["animations"]), (0, {"hero/run": frames[1:4]}), err)
        code, _, err = run(ARGS.cli, folder, "pack", "絵", "--animations", "--pages", "--size", "16x16", "--png",
                           "p-{n}.png", "--json", "p-{n}.json", "--format", "spine", "--data", "p.atlas", "--quiet")
        self.assertEqual(code, 0, err)
        self.assertIn("note: the frames of hero/run lie on several pages", err)
        self.assertFalse(any("animations" in page for page in pages(folder, "p-0.json")))
        regions = re.findall(r"\n(\S+)\n(?:  .*\n)*?  index: (-?\d+)", read(folder, "p.atlas").decode())
        self.assertEqual(sorted((int(i), n) for n, i in regions if n == "hero/run"),
                         [(1, "hero/run"), (2, "hero/run"), (10, "hero/run")])
        self.assertEqual(len(regions), len(frames))

    def test_options_and_lists_name_the_frames_and_both_programs_write_the_same_bytes(self):
        folder = fresh("folder-names", {})
        files, frames, _ = sprite_tree()
        sprites.write_tree(folder, files)
        write(os.path.join(folder, "リスト.txt"), "\ufeff絵/hero\r\n\r\n絵/ui/button.9.png\r\n絵/./menu/../hud/pause.png\n")
        in_list = ["絵/hero/run_1", "絵/hero/run_2", "絵/hero/run_10", "絵/ui/button", "絵/hud/pause"]
        cases = [
            (["絵"], frames),
            (["絵", "--keep-extension", "--folder-prefix"],
             ["絵/砂.png", "絵/hero/run_1.png", "絵/hero/run_2.png", "絵/hero/run_10.png", "絵/hud/Pause.tga",
              "絵/hud/pause.png", "絵/menu/pause.bmp", "絵/ui/button.png"]),
            (["@リスト.txt"], in_list),
            (["@リスト.txt", "--folder-prefix"], ["folder-names/" + name for name in in_list]),
            (["絵/hud", os.path.join("絵", "menu", "pause.bmp"), "--folder-prefix"], ["hud/Pause", "hud/pause", "pause"]),
            (["絵/hud", "絵/menu", "--names", "id"], ["PAUSE", "PAUSE_1", "PAUSE_2"]),  # unique, if not by path
        ]
        for inputs, expected in cases:
            with self.subTest(inputs=inputs):
                code, _, err = run(ARGS.cli, folder, "pack", *inputs, "--png", "atlas.png", "--json", "atlas.json",
                                   "--quiet")
                self.assertEqual(code, 0, err)
                self.assertEqual(list(frames_of(folder)["frames"]), expected)
        if not ARGS.other_cli:
            return
        outputs = ["--size", "auto", "--animations", "--png", "out/a.png", "--json", "out/a.json", "--ids", "out/a.h",
                   "--uv-array", "out/uv.h", "--save", "out/a.qbp"] + [
            option for format, data in (("json-array", "b.json"), ("phaser3", "c.json"), ("spine", "d.atlas"),
                                        ("sparrow", "e.xml"), ("godot", "f.tres"), ("css", "g.css"))
            for option in ("--format", format, "--data", "out/" + data)]
        for inputs in (["絵", "--pivot", "0.5,0.125"], ["@リスト.txt", "--folder-prefix"]):
            written = {}
            for cli in (ARGS.cli, ARGS.other_cli):
                clear_out(folder)
                self.assertEqual(run(cli, folder, "pack", *inputs, *outputs, "--quiet")[0], 0, cli)
                written[cli] = {name: read(folder, "out", name) for name in os.listdir(os.path.join(folder, "out"))}
            self.assertEqual(len(written[ARGS.cli]), 11)
            self.assertEqual(written[ARGS.cli], written[ARGS.other_cli], inputs)

    def test_hostile_trees_and_lists_are_refused_by_name_and_nothing_is_written(self):
        folder = fresh("hostile-trees", {})
        sprites.write_tree(folder, {
            "docs/readme.txt": b"no image here", "dupe/a/x.png": sprites.noise((2, 2), 1),
            "dupe/b/x.png": sprites.noise((2, 2), 2),
            "bad.9.png": sprites.nine_patch(sprites.noise((3, 3), 3), (1, 1, 1, 1)),
            "binary.txt": b"dupe/a/x.png\n\x00\x01\x02\xff", "empty.txt": b"\r\n  \n",
            "self.txt": b"dupe/a/x.png\n./self.txt\n"})
        patch = Image.open(os.path.join(folder, "bad.9.png")).convert("RGBA")
        patch.putpixel((4, 2), (40, 40, 40, 255))  # a grey mark on the right column
        patch.save(os.path.join(folder, "bad.9.png"))
        os.makedirs(os.path.join(folder, "empty"))
        png = ["--png", "a.png", "--json", "a.json"]
        rows = [(["empty"], "empty holds no BMP, TGA or PNG image"), (["docs"], "docs holds no BMP, TGA or PNG image"),
                (["@missing.txt"], "cannot read the list"), (["@empty.txt"], "empty.txt names no file"),
                (["@binary.txt"], "binary.txt is no UTF-8 text (line 2)"),
                (["@self.txt"], "self.txt names itself (line 2)"),
                (["dupe/a", "dupe/b"], "two sprites would be named x: "),
                (["bad.9.png"], "bad.9.png: pixel (4, 2) of the border is neither a black mark"),
                (["dupe", "bad.9.png", "--rotate"], "bad.9.png is a nine-patch")]
        # Root reads any file, so the unreadable files are a FIFO, refused without waiting for a writer, and a link
        # to nothing, which Wine leaves out of a folder's entries.
        os.mkfifo(os.path.join(folder, "dupe", "a", "fifo.png"))
        rows.append((["dupe"], "fifo.png\"\n"))
        if "wine" not in ARGS.cli:
            os.symlink("gone.png", os.path.join(folder, "dupe", "b", "dangling.png"))
            rows += [(["dupe"], "dangling.png\"\n"), (["dupe"], "2 image(s) could not")]
        entries = sorted(os.listdir(folder))
        for args, needle in rows:
            with self.subTest(args=args):
                code, _, err = run(ARGS.cli, folder, "pack", *args, *png)
                self.assertEqual(code, 1, err)
                self.assertIn(needle, err.replace("\r\n", "\n").replace("\\", "/"))
                self.assertIn("nothing was written", err)
                self.assertEqual(sorted(os.listdir(folder)), entries)
        # An atlas written into the folder it packs would be packed the next time: it is an input, and not overwritten.
        code, _, err = run(ARGS.cli, folder, "pack", "dupe/a", "--png", os.path.join("dupe", "a", "x.png"))
        self.assertEqual(code, 2, err)
        self.assertRegex(err.replace("\\", "/"), r"--png \S+/dupe/a/x.png names the input \S+/dupe/a/x.png")

    def test_a_link_back_up_the_tree_is_passed_over(self):
        """Links to folders are not followed (Wine shows them to the Windows program as reparse points)."""
        folder = fresh("link-loop", {})
        sprites.write_tree(folder, {"loop/a.png": sprites.noise((2, 2), 1), "loop/sub/b.png": sprites.noise((2, 2), 2)})
        os.symlink("..", os.path.join(folder, "loop", "sub", "up"))
        os.symlink(".", os.path.join(folder, "loop", "here"))
        code, _, err = run(ARGS.cli, folder, "pack", "loop", "--png", "a.png", "--json", "a.json", "--quiet")
        self.assertEqual(code, 0, err)
        self.assertEqual(list(frames_of(folder, "a.json")["frames"]), ["a", "sub/b"])

    def test_twenty_thousand_files_in_one_tree(self):
        """Twenty folders of a thousand sprites each, every file the same tiny PNG, packed in natural order; the time
        it took goes to standard error (a rough figure on a shared machine, never a limit)."""
        folder = fresh("twenty-thousand", {})
        buffer = io.BytesIO()
        sprites.noise((2, 2), 7).save(buffer, "PNG")
        for f in range(20):
            os.makedirs(os.path.join(folder, "tree", f"set{f}"))
            for i in range(1000):
                with open(os.path.join(folder, "tree", f"set{f}", f"f{i}.png"), "wb") as out:
                    out.write(buffer.getvalue())
        start = time.monotonic()
        code, _, err = run(ARGS.cli, folder, "pack", "tree", "--alias", "--size", "auto", "--png", "a.png", "--json",
                           "a.json", "--quiet")
        seconds = time.monotonic() - start
        self.assertEqual(code, 0, err)
        names = list(frames_of(folder, "a.json")["frames"])
        self.assertEqual(names, [f"set{f}/f{i}" for f in range(20)
                                 for i in range(1000)])
        print(f"\n  20,000 files in one tree packed in {seconds:.1f} s", file=sys.stderr)


# Two atlases with every kind of setting: folders, a list, patterns, a template, per-sprite settings, every output; and
# the command lines that pack the same (the pivot of every sprite given as --pivot, the panel's nine-slice edges as a
# nine-patch file without content marks).
RECIPE = """[[atlas]]
name = "ui"
inputs = ["art", "plain", "more/**/s*.png"]
size = "tight"
max-size = "24x24"
pages = true
trim = true
spacing = 2
packer = "best"
animations = true
fps = 8
png = "out/ui-{n}.png"
json = "out/ui-{n}.json"

[[atlas.data]]
format = "spine"
file = "out/ui.atlas"

[[atlas.data]]
template = "lua.mustache"
file = "out/ui-{n}.lua"

[atlas.sprites."**"]
pivot = [0.5, 1.0]

[atlas.sprites.panel]
nine-slice = [2, 1, 3, 2]

[[atlas]]
name = "tiles"
inputs = ["tiles/*.png", "@tiles/bmps.txt", "tiles/gem.tga"]
size = "auto"
sort = "pixels"
uv = "ratio"
reverse-v = true
id-prefix = "TILE_"
alias = true
extrude = 1
spacing = 2
bleed = 2
png-level = "fast"
names = "id"
bmp = "out/tiles.bmp"
tga = "out/tiles.tga"
png = "out/tiles.png"
ids = "out/tiles.h"
uv-array = "out/tiles_uv.h"
uv-defines = "out/tiles_def.h"
quv = "out/tiles.quv"
save = "out/tiles.qbp"
"""
UI_COMMAND = ["art", "plain9", "@more/list.txt", "--size", "tight", "--max-size", "24x24", "--pages", "--trim", "--spacing",
              "2", "--packer", "best", "--animations", "--fps", "8", "--pivot", "0.5,1", "--png", "out/ui-{n}.png",
              "--json", "out/ui-{n}.json", "--format", "spine", "--data", "out/ui.atlas", "--template", "lua.mustache",
              "--data", "out/ui-{n}.lua"]
TILES_COMMAND = ["--size", "auto", "--sort", "pixels", "--uv", "ratio", "--reverse-v", "--id-prefix", "TILE_", "--alias",
                 "--extrude", "1", "--spacing", "2", "--bleed", "--png-level", "fast", "--names", "id", "--bmp",
                 "out/tiles.bmp", "--tga", "out/tiles.tga", "--png", "out/tiles.png", "--ids", "out/tiles.h",
                 "--uv-array", "out/tiles_uv.h", "--uv-defines", "out/tiles_def.h", "--quv", "out/tiles.quv", "--save",
                 "out/tiles.qbp"]
LUA = "return {\n{{#sprites}}  [\"{{name}}\"] = { {{x}}, {{y}}, {{w}}, {{h}} },\n{{/sprites}}}\n"


def recipe_folder(name):
    """The sprites, list and template of RECIPE in a fresh folder; returns the folder and {frame name: picture}."""
    folder = fresh(name, {})
    files, _, _ = sprite_tree("art")
    panel = sprites.noise((9, 7), 40, alphas=sprites.SOFT)
    files.update({"plain/panel.png": panel, "plain9/panel.9.png": sprites.nine_patch(panel, (2, 1, 3, 2)),
                  "more/sub/star.png": sprites.noise((6, 3), 41), "more/sub/moon.png": sprites.noise((3, 6), 42),
                  "more/list.txt": b"sub/star.png\n", "lua.mustache": LUA.encode(), "quiltbox.toml": RECIPE.encode()})
    pictures = sprites.write_tree(folder, files)
    os.makedirs(os.path.join(folder, "tiles", "deep"))
    expected = sprites.write_sprites(os.path.join(folder, "tiles"))
    shutil.move(os.path.join(folder, "tiles", "coin.bmp"), os.path.join(folder, "tiles", "deep", "coin.bmp"))
    write(os.path.join(folder, "tiles", "bmps.txt"), "brick.bmp\ntwin_b.bmp\ndeep/coin.bmp\n")
    return folder, pictures, expected


def outputs_of(folder):
    """{name: bytes} of the files in `folder`/out but the build's hidden records."""
    out = os.path.join(folder, "out")
    return {name: read(out, name) for name in sorted(os.listdir(out)) if not name.startswith(".")}


def times_of(folder):
    out = os.path.join(folder, "out")
    return {name: os.stat(os.path.join(out, name)).st_mtime_ns for name in os.listdir(out) if not name.startswith(".")}


def descendants(pid):
    """The processes started by `pid`, at any depth (a Windows program's own process under wine-run.sh and Wine)."""
    children = {}
    for entry in os.listdir("/proc"):
        try:
            with open(f"/proc/{entry}/stat") as f:
                children.setdefault(int(f.read().rsplit(")", 1)[1].split()[1]), []).append(int(entry))
        except (OSError, ValueError, IndexError):
            continue
    found, pending = [], [pid]
    while pending:
        for child in children.get(pending.pop(), []):
            found.append(child)
            pending.append(child)
    return found


class Recipes(unittest.TestCase):
    """quiltbox-cli build: a recipe packs what its command lines pack; a build that finds nothing changed writes nothing;
    --save-recipe, --watch and --keep-layout; hostile recipes and records."""

    def build(self, folder, *args, cli=None):
        code, out, err = run(cli or ARGS.cli, folder, "build", *args)
        return code, out.replace("\r\n", "\n"), err.replace("\r\n", "\n")

    def test_a_recipe_of_two_atlases_packs_the_bytes_of_their_command_lines_in_both_builds(self):
        folder, _, _ = recipe_folder("recipe")
        code, out, err = self.build(folder, "--quiet")
        self.assertEqual((code, out), (0, ""), err)
        built = outputs_of(folder)
        self.assertEqual(len([n for n in built if n.startswith("ui-") and n.endswith(".png")]), 2, sorted(built))
        frames = frames_of(folder, "out", "ui-0.json")["frames"]
        self.assertEqual(frames["panel"]["borders"], {"left": 2, "top": 1, "right": 3, "bottom": 2})
        self.assertEqual({(e["pivot"]["x"], e["pivot"]["y"]) for e in frames.values()}, {(0.5, 1)})
        clear_out(folder)
        tiles = sorted(os.path.join("tiles", n) for n in os.listdir(os.path.join(folder, "tiles")) if n.endswith(".png"))
        tiles.append("@" + os.path.join("tiles", "bmps.txt"))
        for command in (UI_COMMAND, tiles + [os.path.join("tiles", "gem.tga")] + TILES_COMMAND):
            code, _, err = run(ARGS.cli, folder, "pack", *command, "--quiet")
            self.assertEqual(code, 0, err)
        self.assertEqual(outputs_of(folder), built)
        if ARGS.other_cli:
            other, _, _ = recipe_folder("recipe-other")
            self.assertEqual(self.build(other, "--quiet", cli=ARGS.other_cli)[0], 0)
            self.assertEqual(outputs_of(other), built)

    def test_save_recipe_then_build_gives_the_command_lines_bytes(self):
        folder, _, _ = recipe_folder("save-recipe")
        os.makedirs(os.path.join(folder, "recipes"))
        recipe = os.path.join("recipes", "ui.toml")
        code, _, err = run(ARGS.cli, folder, "pack", *UI_COMMAND, "--bleed", "--png-level", "best", "--names", "path",
                           "--save-recipe", recipe, "--quiet")
        self.assertEqual(code, 0, err)
        text = read(folder, recipe).decode("utf-8")
        self.assertIn('inputs = ["../art", "../plain9", "@../more/list.txt"]', text)
        self.assertIn('png = "../out/ui-{n}.png"', text)
        self.assertIn('template = "../lua.mustache"', text)
        packed = outputs_of(folder)
        clear_out(folder)
        code, out, err = self.build(folder, recipe)
        self.assertEqual(code, 0, err)
        self.assertIn("atlas ui: packing, since there is no earlier build\n", out)
        self.assertEqual(outputs_of(folder), packed)
        # Scale variants: one recipe whatever their number, and a build of it writes every variant's bytes again.
        clear_out(folder)
        code, _, err = run(ARGS.cli, folder, "pack", "art", "--size", "auto", "--variant", "1:@2x", "--variant",
                           "0.5:@1x", "--png", "out/v{v}.png", "--json", "out/v{v}.json", "--save-recipe", "v.toml",
                           "--quiet")
        self.assertEqual(code, 0, err)
        self.assertIn('variant = ["1:@2x", "0.5:@1x"]', read(folder, "v.toml").decode("utf-8"))
        packed = outputs_of(folder)
        self.assertEqual(sorted(packed), ["v@1x.json", "v@1x.png", "v@2x.json", "v@2x.png"])
        clear_out(folder)
        code, out, err = self.build(folder, "v.toml")
        self.assertEqual((code, outputs_of(folder)), (0, packed), err)
        # A recipe that describes no pack is not written, and nothing else is either.
        code, _, err = run(ARGS.cli, folder, "pack", "art", "--png", "out/x.png", "--save-recipe", "out/x.png")
        self.assertEqual(code, 2, err)
        self.assertIn("name the same file", err)

    def test_a_build_writes_nothing_unless_something_that_matters_changed(self):
        folder = fresh("incremental", {})
        pictures = sprites.write_tree(folder, {f"s/{n}.png": sprites.noise((4 + n, 3), 50 + n) for n in range(4)})
        with open(os.path.join(folder, "quiltbox.toml"), "w") as f:
            f.write('[[atlas]]\nname = "a"\ninputs = ["s"]\npng = "out/a.png"\njson = "out/a.json"\n'
                    'ids = "out/ids.h"\n')
        state = os.path.join(folder, "out", ".a.png.qbstate")

        def step(what, change, expected, packs):
            change()
            before = (outputs_of(folder), times_of(folder))
            code, out, err = self.build(folder)
            self.assertEqual(code, 0, f"{what}: {err}")
            self.assertIn(f"atlas a: {expected}", out, what)
            after = (outputs_of(folder), times_of(folder))
            if not packs:
                self.assertEqual(after, before, what)
            return before, after

        def rewrite(name, picture, **options):
            picture.save(os.path.join(folder, "s", name), **options)

        def damage(data):
            write(state, data)

        step("first", lambda: None, "packing, since there is no earlier build", True)
        step("again", lambda: None, "up to date", False)
        step("touched", lambda: os.utime(os.path.join(folder, "s", "1.png"), (1, 10 ** 9)), "up to date", False)
        step("saved again", lambda: rewrite("2.png", pictures["s/2.png"], compress_level=0), "up to date", False)
        before, after = step("a pixel", lambda: rewrite("3.png", sprites.noise((7, 3), 99)), "packing, since", True)
        self.assertNotEqual(after[0]["a.png"], before[0]["a.png"])
        self.assertEqual(after[1]["ids.h"], before[1]["ids.h"], "the header of the same names was not rewritten")
        step("deleted", lambda: os.remove(os.path.join(folder, "out", "a.json")), "packing, since", True)
        self.assertIn("a.json", outputs_of(folder))
        with open(os.path.join(folder, "out", "a.json"), "a") as f:
            f.write(" ")
        step("edited", lambda: None, "packing, since", True)
        self.assertFalse(outputs_of(folder)["a.json"].endswith(b" "))
        step("added", lambda: sprites.noise((2, 2), 7).save(os.path.join(folder, "s", "4.png")),
             "packing, since", True)
        step("removed", lambda: os.remove(os.path.join(folder, "s", "4.png")), "packing, since", True)
        good = read(state)
        for what, data, reason in (("cut", good[:len(good) // 2], "damaged"), ("empty", b"", "damaged"),
                                   ("flipped", good[:20] + bytes([good[20] ^ 1]) + good[21:], "damaged"),
                                   ("other version", good[:8] + struct.pack("<I", 99) + good[12:], "another version")):
            step(what, lambda: damage(data), f"packing, since the record of the earlier build is {reason}"
                 if reason == "damaged" else "packing, since the record of the earlier build is of another version",
                 True)
            step(what + ", then", lambda: None, "up to date", False)

    def test_hostile_recipes_are_refused_with_their_place_and_nothing_is_written(self):
        folder = fresh("hostile-recipes", {})
        sprites.write_tree(folder, {"s/a.png": sprites.noise((3, 3), 1), "s/b.png": sprites.noise((3, 3), 2)})
        head = '[[atlas]]\nname = "ui"\ninputs = ["s"]\npng = "out/a.png"\n'
        rows = [
            ("", 1, r"^quiltbox-cli: quiltbox\.toml: is empty"),
            (head + 'trim = "yes', 1, r"quiltbox\.toml:5:\d+: "),
            (head + "spaceing = 2\n", 1, r"quiltbox\.toml:5:1: unknown key 'spaceing' \(did you mean 'spacing'\?\)"),
            (head + 'trim = "yes"\n', 1, r"quiltbox\.toml:5:8: trim takes true or false, not text"),
            (head + "spacing = 99999999999\n", 1, r"quiltbox\.toml:5:11: spacing = 99999999999 is out of range"),
            (head + "spacing = 20000\n", 2, r"--spacing takes a whole number from -16384 to 16384"),
            (head + '[atlas.sprites."hero/*"]\npivot = [0, 1]\n', 1,
             r'the settings of sprites\."hero/\*" match no sprite of the inputs'),
            (head + '[atlas.sprites."../s/a"]\npivot = [0, 1]\n', 1, r"a frame name is a path inside an input"),
            (head + '[atlas.sprites.a]\nnine-slice = [1, 1, 2, 1]\n', 1, r"leave nothing to stretch"),
            (head.replace('["s"]', '["s/*.tga"]'), 1, r"the pattern s/\*\.tga matches no BMP, TGA or PNG image"),
            (head + head.replace('"ui"', '"more"'), 1, r"atlases 'ui' and 'more' both write \S*a\.png"),
            (head + "\n" * 3 + "[[atlas]]\nname = 'ui'\n", 1, r"quiltbox\.toml:9:8: two atlases are named 'ui'"),
        ]
        entries = sorted(os.listdir(folder))
        for text, status, needle in rows:
            with self.subTest(recipe=text):
                write(os.path.join(folder, "quiltbox.toml"), text)
                code, _, err = self.build(folder)
                self.assertEqual(code, status, err)
                self.assertRegex(err.replace("\\", "/"), re.compile(needle, re.M))
                self.assertEqual(sorted(os.listdir(folder)), sorted(set(entries) | {"quiltbox.toml"}))
                self.assertEqual(os.listdir(os.path.join(folder, "out")), [])
        code, _, err = self.build(folder, "missing.toml")
        self.assertEqual((code, "missing.toml: cannot be read" in err), (1, True), err)
        write(os.path.join(folder, "quiltbox.toml"), head)
        code, _, err = self.build(folder, "--atlas", "uii")
        self.assertEqual((code, "the recipe has no atlas 'uii' (did you mean 'ui'?)" in err), (2, True), err)

    def test_watch_packs_again_on_every_change_and_keeps_the_atlas_when_a_sprite_is_broken(self):
        folder = fresh("watch", {})
        pictures = sprites.write_tree(folder, {f"s/{n}.png": sprites.noise((5, 4 + n), 60 + n) for n in range(3)})
        with open(os.path.join(folder, "quiltbox.toml"), "w") as f:
            f.write('[[atlas]]\nname = "w"\ninputs = ["s"]\nsize = "tight"\npng = "out/w.png"\n'
                    'json = "out/w.json"\n')
        log = open(os.path.join(folder, "watch.log"), "w+b")
        self.addCleanup(log.close)
        watch = subprocess.Popen(shlex.split(ARGS.cli) + ["build", "--watch"], cwd=folder, stdin=subprocess.DEVNULL,
                                 stdout=log, stderr=subprocess.STDOUT)
        try:
            def atlas_after(change, expected_frames, timeout=60):
                """Makes the change and waits for the atlas whose JSON names exactly `expected_frames`; each frame
                must draw back as its source."""
                before = read(folder, "out", "w.json") if os.path.exists(os.path.join(folder, "out", "w.json")) else b""
                change()
                deadline = time.monotonic() + timeout
                while time.monotonic() < deadline:
                    time.sleep(0.2)
                    try:
                        data = json.loads(read(folder, "out", "w.json"))
                    except (OSError, ValueError):
                        continue
                    if read(folder, "out", "w.json") != before and sorted(data["frames"]) == sorted(expected_frames):
                        break
                else:
                    self.fail(f"no atlas of {expected_frames}: {self.log(log)}")
                with Image.open(os.path.join(folder, "out", "w.png")) as atlas:
                    atlas.load()
                for name, entry in data["frames"].items():
                    self.assertEqual(sprites.seen(sprites.draw_back(atlas, entry)), sprites.seen(pictures[f"s/{name}.png"]),
                                     name)

            atlas_after(lambda: None, ["0", "1", "2"])
            def add():
                pictures["s/3.png"] = sprites.noise((6, 6), 70)
                pictures["s/3.png"].save(os.path.join(folder, "s", "3.png"))
            atlas_after(add, ["0", "1", "2", "3"])
            def change():
                pictures["s/1.png"] = sprites.noise((8, 2), 71)
                pictures["s/1.png"].save(os.path.join(folder, "s", "1.png"))
            atlas_after(change, ["0", "1", "2", "3"])
            atlas_after(lambda: os.remove(os.path.join(folder, "s", "0.png")), ["1", "2", "3"])
            # A sprite saved half way: the pack fails with the reader's message, and the atlas stays as it was.
            kept = outputs_of(folder)
            whole = io.BytesIO()
            sprites.noise((9, 9), 72).save(whole, "PNG")
            write(os.path.join(folder, "s", "2.png"), whole.getvalue()[:len(whole.getvalue()) // 2])
            deadline = time.monotonic() + 60
            while "could not be loaded; nothing was written" not in self.log(log) and time.monotonic() < deadline:
                time.sleep(0.2)
            self.assertIn("2.png", self.log(log))
            self.assertEqual(outputs_of(folder), kept)
            def finish():
                write(os.path.join(folder, "s", "2.png"), whole.getvalue())
                pictures["s/2.png"] = Image.open(io.BytesIO(whole.getvalue())).convert("RGBA")
            atlas_after(finish, ["1", "2", "3"])
        finally:
            # Ctrl+C: to the program itself (under Wine its Windows process, whose console handler hears it).
            commands = {pid: read(f"/proc/{pid}/cmdline").decode(errors="replace")
                        for pid in [watch.pid] + descendants(watch.pid) if os.path.exists(f"/proc/{pid}/cmdline")}
            program = [pid for pid, command in commands.items() if "quiltbox-cli" in command and "wine-run" not in command]
            for pid in program[-1:]:
                os.kill(pid, signal.SIGINT)
            try:
                code = watch.wait(timeout=30)
            except subprocess.TimeoutExpired:
                watch.kill()
                code = watch.wait()
        self.assertEqual(code, 0, self.log(log))
        self.assertTrue(self.log(log).rstrip().endswith("stopped watching"), self.log(log))

    def log(self, log):
        log.seek(0)
        return log.read().decode("utf-8" if "wine" not in ARGS.cli else "cp932", errors="replace").replace("\r\n", "\n")

    def test_keep_layout_leaves_every_sprite_in_place_when_one_is_added(self):
        folder = fresh("keep-layout", {})
        rng = random.Random(5)
        sprites.write_tree(folder, {f"s/{n:03}.png": sprites.noise((rng.randint(3, 14), rng.randint(3, 14)), n)
                                    for n in range(120)})
        with open(os.path.join(folder, "quiltbox.toml"), "w") as f:
            f.write('[[atlas]]\nname = "k"\ninputs = ["s"]\nsize = "tight"\npacker = "maxrects"\n'
                    'keep-layout = true\npng = "out/k.png"\njson = "out/k.json"\n')
        places = lambda: {n: e["frame"] for n, e in frames_of(folder, "out/k.json")["frames"].items()}
        code, _, err = self.build(folder)
        self.assertEqual(code, 0, err)
        self.assertIn("--keep-layout: no earlier places to keep (there is no earlier build), so a fresh pack", err)
        first = places()
        sprites.noise((9, 9), 500).save(os.path.join(folder, "s", "new.png"))
        code, _, err = self.build(folder)
        self.assertEqual(code, 0, err)
        self.assertIn("--keep-layout kept 120 of 121 sprites where they were", err)
        second = places()
        self.assertEqual({n: second[n] for n in first}, first)
        boxes = [(f["x"], f["y"], f["x"] + f["w"], f["y"] + f["h"]) for f in second.values()]
        for a, b in itertools.combinations(boxes, 2):
            self.assertTrue(a[2] <= b[0] or b[2] <= a[0] or a[3] <= b[1] or b[3] <= a[1], (a, b))
        # A sprite too large to go around the others: a fresh pack, and the command says why.
        sprites.noise((60, 60), 501).save(os.path.join(folder, "s", "big.png"))
        code, _, err = self.build(folder, "--keep-layout-slack", "0")
        self.assertEqual(code, 0, err)
        self.assertRegex(err, r"--keep-layout: (keeping the places would take [\d.]+% more page area than a fresh pack|"
                              r"the sprites do not all fit around the places kept)")


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    for option in ("--cli", "--fixtures", "--work"):
        parser.add_argument(option, required=True)
    parser.add_argument("--other-cli", default="")
    parser.add_argument("--sanitized", action="store_true", help="the program is built with AddressSanitizer")
    ARGS, rest = parser.parse_known_args()
    if ARGS.other_cli and not os.path.exists(shlex.split(ARGS.other_cli)[-1]):
        parser.exit(1, f"cli_e2e.py: {ARGS.other_cli} does not exist: build the native preset first\n")
    unittest.main(argv=[parser.prog, "-v"] + rest)
