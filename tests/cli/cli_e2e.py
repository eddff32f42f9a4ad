#!/usr/bin/python3
"""End-to-end tests of quiltbox-cli through the built program: exit codes and messages for every kind of failure,
`pack` on files written by ImageMagick and Pillow with its outputs read back by Pillow, `info --json` parsed as JSON,
determinism, and (with --other-cli) byte-for-byte agreement between the native and the Windows program, including
projects written by one and read by the other.

Usage: cli_e2e.py --cli "COMMAND..." --fixtures DIR --work DIR [--other-cli "COMMAND..."]
A command may be several words (the Windows program runs through scripts/wine-run.sh).
"""
import argparse
import json
import os
import shlex
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

ARGS = None


def run(cli, *args, cwd=None, utf8=False):
    """Runs the program; returns (exit status, standard output, standard error) as text.

    The output goes to files, not pipes: helper processes that Wine starts along with a program inherit its handles
    and live on for a few seconds, and a pipe stays open until they are gone.
    """
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        code = subprocess.run(shlex.split(cli) + list(args), cwd=cwd or ARGS.work, stdin=subprocess.DEVNULL,
                              stdout=out, stderr=err).returncode
        out.seek(0)
        err.seek(0)
        stdout, stderr = out.read(), err.read()
    # The Windows program speaks Shift-JIS on its terminal, the native one UTF-8; JSON is UTF-8 on both.
    decode = lambda b: b.decode("utf-8") if utf8 or is_native(cli) else b.decode("cp932", errors="replace")
    return code, decode(stdout), decode(stderr)


def is_native(cli):
    return "wine" not in cli


def work(*names):
    return os.path.join(ARGS.work, *names)


def fixture(name):
    return os.path.join(ARGS.fixtures, name)


def fresh(folder):
    path = work(folder)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def place_sources(folder):
    """Copies files written by ImageMagick and Pillow into a folder; returns the names in the order given."""
    sources = {"grass.bmp": "im24_w7.bmp", "stone.bmp": "pil24_w5.bmp", "moss.bmp": "im8v5_w3.bmp",
               "dots.bmp": "pil8_w7.bmp", "leaf.tga": "pil_tga.tga", "flower.tga": "im_tga_top.tga",
               "テスト.bmp": "im24bmp3_w5.bmp"}
    for target, source in sources.items():
        shutil.copy(fixture(source), os.path.join(folder, target))
    return list(sources)


OUTPUTS = ["--bmp", "atlas.bmp", "--tga", "atlas.tga", "--ids", "ids.h", "--quv", "uv.quv", "--uv-array", "uv.h",
           "--uv-defines", "defines.h"]


def read_quv(path):
    with open(path, "rb") as f:
        data = f.read()
    assert data[:4] == b"QUV "
    count = struct.unpack_from("<i", data, 4)[0]
    return [struct.unpack_from("<4i", data, 8 + 16 * i) for i in range(count)]


class Failures(unittest.TestCase):
    """Every failure class: its exit status, a message naming the file or the problem, nothing written."""

    def setUp(self):
        self.dir = fresh("failures")
        shutil.copy(fixture("im24_w7.bmp"), os.path.join(self.dir, "grass.bmp"))
        with open(os.path.join(self.dir, "broken.bmp"), "wb") as f:
            f.write(b"BM" + b"\0" * 10)
        with open(os.path.join(self.dir, "notes.qbp"), "wb") as f:
            f.write(b"not a project at all")

    def check(self, args, status, *needles):
        code, out, err = run(ARGS.cli, *args, cwd=self.dir)
        self.assertEqual(code, status, f"{args}: {err}")
        for needle in needles:
            self.assertIn(needle, err, f"{args}")
        return out, err

    def test_usage_errors(self):
        cases = [
            ([], ""), (["frob"], "unknown command"), (["pack"], "no images"),
            (["pack", "--bogus", "grass.bmp"], "unknown option '--bogus'"),
            (["pack", "grass.bmp", "--size"], "needs a value"),
            (["pack", "grass.bmp", "--size", "0x16"], "--size"), (["pack", "grass.bmp", "--size", "16385x4"], "--size"),
            (["pack", "grass.bmp", "--size=64"], "--size"), (["pack", "grass.bmp", "--spacing", "two"], "--spacing"),
            (["pack", "grass.bmp", "--sort", "area"], "--sort"), (["pack", "grass.bmp", "--uv", "texels"], "--uv"),
            (["pack", "grass.bmp", "--id-prefix", "P" * 32], "--id-prefix"),
            (["pack", "grass.bmp", "--quiet=yes"], "takes no value"),
            (["export"], "one project"), (["layout", "a.qbp", "b.qbp"], "one project"), (["info"], "one project"),
        ]
        for args, needle in cases:
            with self.subTest(args=args):
                _, err = self.check(args, 2, needle)
                if args:
                    self.assertIn("--help", err, "a usage error gives a hint")
        self.assertEqual(os.listdir(self.dir).count("atlas.bmp"), 0)

    def test_images_that_do_not_load_write_nothing(self):
        cases = [(["missing.bmp"], "missing.bmp"), (["broken.bmp"], "broken.bmp"), (["picture.png"], "picture.png")]
        for images, needle in cases:
            with self.subTest(images=images):
                self.check(["pack", "grass.bmp", *images, "--bmp", "atlas.bmp", "--save", "p.qbp"], 1, needle,
                           "nothing was written")
                self.assertFalse(os.path.exists(os.path.join(self.dir, "atlas.bmp")))
                self.assertFalse(os.path.exists(os.path.join(self.dir, "p.qbp")))

    def test_an_image_that_does_not_fit_is_named(self):
        self.check(["pack", "grass.bmp", "grass.bmp", "--size", "8x5", "--tga", "atlas.tga"], 1,
                   "GRASS_1 (7x3", "does not fit on the 8x5 area")
        self.assertFalse(os.path.exists(os.path.join(self.dir, "atlas.tga")))
        self.check(["pack", "grass.bmp", "grass.bmp", "--size", "8x5", "--tga", "atlas.tga", "--allow-overflow"], 0,
                   "GRASS_1 (7x3")
        self.assertTrue(os.path.exists(os.path.join(self.dir, "atlas.tga")))

    def test_unwritable_outputs(self):
        self.check(["pack", "grass.bmp", "--bmp", os.path.join("no", "such", "atlas.bmp")], 1, "cannot write",
                   "atlas.bmp")

    def test_projects_that_cannot_be_used(self):
        self.check(["export", "absent.qbp"], 1, "absent.qbp")
        self.check(["info", "notes.qbp"], 1, "notes.qbp")
        self.check(["layout", "notes.qbp"], 1, "notes.qbp")
        # A damaged project: the image list ends inside a record.
        self.check(["pack", "grass.bmp", "--save", "good.qbp"], 0)
        with open(os.path.join(self.dir, "good.qbp"), "rb") as f:
            data = f.read()
        with open(os.path.join(self.dir, "damaged.qbp"), "wb") as f:
            f.write(data[:-3])
        for command in ("export", "layout", "info"):
            with self.subTest(command=command):
                self.check([command, "damaged.qbp"], 1, "damaged.qbp")

    def test_missing_images_of_a_project(self):
        shutil.copy(os.path.join(self.dir, "grass.bmp"), os.path.join(self.dir, "gone.bmp"))
        self.check(["pack", "grass.bmp", "gone.bmp", "--save", "p.qbp", "--tga", "atlas.tga"], 0)
        os.remove(os.path.join(self.dir, "gone.bmp"))
        os.remove(os.path.join(self.dir, "atlas.tga"))
        self.check(["export", "p.qbp"], 1, "gone.bmp", "--allow-missing")
        self.assertFalse(os.path.exists(os.path.join(self.dir, "atlas.tga")))
        self.check(["layout", "p.qbp"], 1, "gone.bmp")
        self.check(["export", "p.qbp", "--allow-missing"], 0)
        self.assertTrue(os.path.exists(os.path.join(self.dir, "atlas.tga")))
        code, out, _ = run(ARGS.cli, "info", "--json", "p.qbp", cwd=self.dir, utf8=True)
        self.assertEqual(code, 0)
        gone = json.loads(out)["images"][1]
        self.assertEqual((gone["name"], gone["width"], gone["height"]), ("GONE", None, None))


class HostileNames(unittest.TestCase):
    """Long and foreign names and paths, as a file system may hold them."""

    def setUp(self):
        self.dir = fresh("names")
        shutil.copy(fixture("im24_w7.bmp"), os.path.join(self.dir, "grass.bmp"))

    def test_a_name_of_more_than_127_bytes_is_cut(self):
        long_name = "a" * 200 + ".bmp"
        shutil.copy(fixture("im24_w5.bmp"), os.path.join(self.dir, long_name))
        code, _, err = run(ARGS.cli, "pack", long_name, long_name, "--ids", "ids.h", "--uv-defines", "d.h",
                           cwd=self.dir)
        self.assertEqual(code, 0, err)
        ids = read(os.path.join(self.dir, "ids.h")).decode("cp932")
        self.assertIn("IDT_" + "A" * 59 + "\t0\n", ids)  # the ID name stops at 63 bytes
        defines = read(os.path.join(self.dir, "d.h")).decode("cp932")
        self.assertIn("// " + "A" * 127 + "\n", defines)
        self.assertIn("// " + "A" * 125 + "_1\n", defines)
        self.assertIn("#define " + "A" * 124 + "_U0\t", defines)

    def test_a_name_that_shift_jis_cannot_hold_is_refused(self):
        if not is_native(ARGS.cli):
            self.skipTest("Windows hands the program its arguments in the ANSI code page already")
        shutil.copy(fixture("im24_w5.bmp"), os.path.join(self.dir, "smile\U0001F600.bmp"))
        code, _, err = run(ARGS.cli, "pack", "grass.bmp", "smile\U0001F600.bmp", "--bmp", "a.bmp", cwd=self.dir)
        self.assertEqual(code, 1)
        self.assertIn("Shift-JIS", err)
        self.assertFalse(os.path.exists(os.path.join(self.dir, "a.bmp")))

    def test_a_path_longer_than_relative_paths_allow(self):
        if not is_native(ARGS.cli):
            self.skipTest("Windows paths stop at 260 bytes")
        deep = os.path.join(self.dir, "d" * 120, "e" * 120)
        os.makedirs(deep)
        shutil.copy(fixture("im24_w5.bmp"), os.path.join(deep, "far.bmp"))
        far = os.path.join(deep, "far.bmp")
        code, _, err = run(ARGS.cli, "pack", "grass.bmp", far, "--save", "p.qbp", cwd=self.dir)
        self.assertEqual(code, 1)
        self.assertIn("far.bmp", err)
        self.assertFalse(os.path.exists(os.path.join(self.dir, "p.qbp")))
        code, _, err = run(ARGS.cli, "pack", "grass.bmp", far, "--save", "p.qbp", "--absolute-paths", cwd=self.dir)
        self.assertEqual(code, 0, err)
        info = json.loads(run(ARGS.cli, "info", "--json", "p.qbp", cwd=self.dir, utf8=True)[1])
        self.assertEqual(info["images"][1]["path"], far)
        self.assertEqual(info["images"][1]["width"], 5)


class Pack(unittest.TestCase):
    """pack on real files: the outputs as independent readers see them."""

    @classmethod
    def setUpClass(cls):
        cls.dir = fresh("pack")
        cls.names = place_sources(cls.dir)
        cls.result = run(ARGS.cli, "pack", *cls.names, *cls.names[:2], "--size", "32x32", *OUTPUTS, "--save",
                         "project.qbp", cwd=cls.dir)

    def test_lists_every_file_written(self):
        code, out, err = self.result
        self.assertEqual(code, 0, err)
        written = [os.path.basename(line.replace("\\", "/")) for line in out.splitlines()]
        self.assertEqual(written, ["atlas.bmp", "atlas.tga", "ids.h", "uv.quv", "uv.h", "defines.h", "project.qbp"])

    def test_atlas_shows_every_image_where_the_uv_list_says(self):
        rects = read_quv(os.path.join(self.dir, "uv.quv"))
        sources = self.names + self.names[:2]
        self.assertEqual(len(rects), len(sources))
        expected = Image.new("RGBA", (32, 32), (0, 0, 0, 0))
        for name, (u0, v0, u1, v1) in zip(sources, rects):
            picture = Image.open(os.path.join(self.dir, name)).convert("RGBA")
            self.assertEqual(picture.size, (u1 - u0, v1 - v0), name)
            expected.paste(picture, (u0, v0))  # no blending: the later image replaces, alpha included
        tga = Image.open(os.path.join(self.dir, "atlas.tga")).convert("RGBA")
        self.assertEqual(list(tga.getdata()), list(expected.getdata()))
        bmp = Image.open(os.path.join(self.dir, "atlas.bmp")).convert("RGB")
        self.assertEqual(list(bmp.getdata()), list(expected.convert("RGB").getdata()))

    def test_names_and_ids(self):
        with open(os.path.join(self.dir, "ids.h"), "rb") as f:
            ids = f.read().decode("cp932")
        for n, name in enumerate(["GRASS", "STONE", "MOSS", "DOTS", "LEAF", "FLOWER", "テスト", "GRASS_1",
                                  "STONE_1"]):
            self.assertIn(f"IDT_{name}\t{n}\n", ids)

    def test_info_json(self):
        code, out, err = run(ARGS.cli, "info", "--json", "project.qbp", cwd=self.dir, utf8=True)
        self.assertEqual(code, 0, err)
        info = json.loads(out)
        for key in ("version", "areaWidth", "areaHeight", "zoom", "backgroundBrush", "showAlpha", "showBorder",
                    "centerArea", "layoutSpacing", "idPrefix", "absolutePaths", "uvRatio", "usualPaths",
                    "idHeaderText", "idDeclaration", "idConnector", "sortByEdgeLength", "reverseHorizontal",
                    "reverseVertical", "images"):
            self.assertIn(key, info)
        self.assertEqual((info["areaWidth"], info["areaHeight"], info["idPrefix"]), (32, 32, "IDT_"))
        self.assertEqual(info["idHeaderText"], "#pragma once\n\n// テクスチャーIDリスト\n")
        self.assertEqual(info["usualPaths"][0].replace("\\", "/"), "./atlas.bmp")
        rects = read_quv(os.path.join(self.dir, "uv.quv"))
        self.assertEqual(len(info["images"]), len(rects))
        for image, (u0, v0, u1, v1) in zip(info["images"], rects):
            self.assertEqual((image["x"], image["y"], image["width"], image["height"]), (u0, v0, u1 - u0, v1 - v0))
        self.assertEqual(info["images"][6]["name"], "テスト")
        self.assertEqual(info["images"][6]["path"], ".\\テスト.bmp")

    def test_the_same_inputs_give_the_same_bytes(self):
        again = fresh("pack-again")
        for name in self.names:
            shutil.copy(os.path.join(self.dir, name), again)
        code, _, err = run(ARGS.cli, "pack", *self.names, *self.names[:2], "--size", "32x32", *OUTPUTS, "--save",
                           "project.qbp", "--quiet", cwd=again)
        self.assertEqual(code, 0, err)
        for output in OUTPUTS[1::2] + ["project.qbp"]:
            with self.subTest(output=output):
                self.assertEqual(read(os.path.join(again, output)), read(os.path.join(self.dir, output)))

    def test_export_writes_the_usual_places_again(self):
        out = fresh("pack-export")
        code, listed, err = run(ARGS.cli, "export", "project.qbp", "--out-dir", out, cwd=self.dir)
        self.assertEqual(code, 0, err)
        written = [os.path.basename(line.replace("\\", "/")) for line in listed.splitlines()]
        self.assertEqual(written, ["atlas.bmp", "atlas.tga", "ids.h", "uv.quv", "uv.h"])
        for name in written:
            self.assertEqual(read(os.path.join(out, name)), read(os.path.join(self.dir, name)), name)

    def test_quiet_lists_nothing(self):
        code, out, _ = run(ARGS.cli, "layout", "project.qbp", "-o", "relaid.qbp", "--quiet", cwd=self.dir)
        self.assertEqual((code, out), (0, ""))
        self.assertEqual(read(os.path.join(self.dir, "relaid.qbp")), read(os.path.join(self.dir, "project.qbp")))


def read(path):
    with open(path, "rb") as f:
        return f.read()


class CrossPlatform(unittest.TestCase):
    """The native and the Windows program write the same bytes and read each other's projects."""

    def setUp(self):
        if not ARGS.other_cli:
            self.skipTest("no second program given")

    def pack_with(self, cli, folder, extra=()):
        path = fresh(folder)
        names = place_sources(path)
        code, _, err = run(cli, "pack", *names, "--size", "32x16", "--spacing", "0", "--uv", "ratio", "--reverse-v",
                           *OUTPUTS, "--save", "project.qbp", *extra, cwd=path)
        self.assertEqual(code, 0, err)
        return path

    def test_pack_gives_the_same_bytes(self):
        mine = self.pack_with(ARGS.cli, "cross-mine")
        other = self.pack_with(ARGS.other_cli, "cross-other")
        for output in OUTPUTS[1::2] + ["project.qbp"]:
            with self.subTest(output=output):
                self.assertEqual(read(os.path.join(mine, output)), read(os.path.join(other, output)))

    def test_each_reads_the_others_project(self):
        for writer, reader in ((ARGS.cli, ARGS.other_cli), (ARGS.other_cli, ARGS.cli)):
            with self.subTest(writer=writer):
                path = self.pack_with(writer, "cross-written")
                out = fresh("cross-exported")
                code, _, err = run(reader, "export", "project.qbp", "--out-dir", out, cwd=path)
                self.assertEqual(code, 0, err)
                for name in ("atlas.bmp", "atlas.tga", "ids.h", "uv.quv", "uv.h"):
                    self.assertEqual(read(os.path.join(out, name)), read(os.path.join(path, name)), name)
                infos = [json.loads(run(cli, "info", "--json", "project.qbp", cwd=path, utf8=True)[1])
                         for cli in (writer, reader)]
                for info in infos:
                    del info["file"]
                    for image in info["images"]:
                        del image["resolvedPath"]
                self.assertEqual(infos[0], infos[1])


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--other-cli", default="")
    parser.add_argument("--fixtures", required=True)
    parser.add_argument("--work", required=True)
    ARGS, rest = parser.parse_known_args()
    if ARGS.other_cli and not os.path.exists(shlex.split(ARGS.other_cli)[-1]):
        sys.exit(f"cli_e2e.py: {ARGS.other_cli} does not exist: build the native preset first")
    os.makedirs(ARGS.work, exist_ok=True)
    unittest.main(argv=[sys.argv[0], "-v"] + rest)


if __name__ == "__main__":
    main()
