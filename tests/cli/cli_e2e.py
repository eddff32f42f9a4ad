#!/usr/bin/python3
"""quiltbox-cli end to end, through the built program: exit statuses and messages of every kind of failure, `pack` on
files written by ImageMagick and Pillow with its outputs read back by Pillow, `info --json`, determinism, and (with
--other-cli) byte-for-byte agreement of the native and the Windows program, each reading the other's projects.
Usage: cli_e2e.py --cli "COMMAND..." --fixtures DIR --work DIR [--other-cli "COMMAND..."]
"""
import argparse
import json
import os
import shlex
import shutil
import struct
import subprocess
import tempfile
import unittest

from PIL import Image

ARGS = None
SOURCES = {"grass.bmp": "im24_w7.bmp", "stone.bmp": "pil24_w5.bmp", "moss.bmp": "im8v5_w3.bmp",
           "dots.bmp": "pil8_w7.bmp", "leaf.tga": "pil_tga.tga", "flower.tga": "im_tga_top.tga",
           "テスト.bmp": "im24bmp3_w5.bmp"}
OUTPUTS = ["--bmp", "atlas.bmp", "--tga", "atlas.tga", "--ids", "ids.h", "--quv", "uv.quv", "--uv-array", "uv.h",
           "--uv-defines", "defines.h", "--save", "project.qbp"]
WRITTEN = OUTPUTS[1::2]


def run(cli, *args, cwd):
    """(exit status, standard output, standard error). The output goes to files, not pipes: helper processes that Wine
    starts with a program inherit its handles and live on, and a pipe stays open until they are gone."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        code = subprocess.run(shlex.split(cli) + list(args), cwd=cwd, stdin=subprocess.DEVNULL, stdout=out,
                              stderr=err).returncode
        out.seek(0)
        err.seek(0)
        # The Windows program speaks Shift-JIS on its terminal, the native one UTF-8; JSON is UTF-8 on both.
        utf8 = "wine" not in cli or "--json" in args
        return code, *(f.read().decode("utf-8" if utf8 else "cp932", errors="replace") for f in (out, err))


def fresh(folder, sources=SOURCES):
    path = os.path.join(ARGS.work, folder)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    for target, source in sources.items():
        shutil.copy(os.path.join(ARGS.fixtures, source), os.path.join(path, target))
    return path


def read(*path):
    with open(os.path.join(*path), "rb") as f:
        return f.read()


def info(cli, folder, project="project.qbp"):
    return json.loads(run(cli, "info", "--json", project, cwd=folder)[1])


def listed(out):
    return [os.path.basename(line.replace("\\", "/")) for line in out.splitlines()]


class Failures(unittest.TestCase):
    """Every kind of failure: its exit status, a message naming the file or the problem, nothing written."""

    def setUp(self):
        self.dir = fresh("failures", {"grass.bmp": "im24_w7.bmp", "gone.bmp": "im24_w5.bmp", "broken.bmp": "cbad0.bmp",
                                      "notes.qbp": "manifest.txt"})

    def check(self, args, status, *needles):
        code, _, err = run(ARGS.cli, *args, cwd=self.dir)
        self.assertEqual(code, status, f"{args}: {err}")
        for needle in needles:
            self.assertIn(needle, err, f"{args}")

    def test_usage_errors_give_a_hint(self):
        for args, needle in [
                (["frob"], "unknown command"), (["pack"], "no images"), (["pack", "--bogus", "a"], "'--bogus'"),
                (["pack", "a", "--size"], "needs a value"), (["pack", "a", "--size", "0x16"], "--size"),
                (["pack", "a", "--size", "16385x4"], "--size"), (["pack", "a", "--size=64"], "--size"),
                (["pack", "a", "--spacing", "two"], "--spacing"), (["pack", "a", "--sort", "area"], "--sort"),
                (["pack", "a", "--uv", "texels"], "--uv"), (["pack", "a", "--id-prefix", "P" * 32], "--id-prefix"),
                (["pack", "a", "--quiet=yes"], "takes no value"), (["export"], "one project"),
                (["layout", "a.qbp", "b.qbp"], "one project"), (["info"], "one project")]:
            self.check(args, 2, needle, "--help")
        self.check([], 2)

    def test_nothing_is_written_when_an_image_fails_or_does_not_fit(self):
        for image, needle in [("missing.bmp", "1 image(s) could not"), ("broken.bmp", "broken.bmp"),
                              ("picture.png", "picture.png"),
                              ("grass.bmp", "GRASS_1 (7x3")]:
            self.check(["pack", "grass.bmp", image, "--size", "8x5", "--tga", "a.tga", "--save", "p.qbp"], 1, needle,
                       "nothing was written", image)
            self.assertEqual(sorted(os.listdir(self.dir)), ["broken.bmp", "gone.bmp", "grass.bmp", "notes.qbp"])
        self.check(["pack", "grass.bmp", "grass.bmp", "--size", "8x5", "--tga", "a.tga", "--allow-overflow"], 0,
                   "does not fit on the 8x5 area")
        self.assertTrue(os.path.exists(os.path.join(self.dir, "a.tga")))
        self.check(["pack", "grass.bmp", "--bmp", os.path.join("no", "such", "atlas.bmp")], 1, "cannot write",
                   "atlas.bmp")

    def test_options_reach_the_project(self):
        self.check(["pack", "grass.bmp", "--size", "64x32", "--spacing", "3", "--sort", "pixels", "--uv", "ratio",
                    "--reverse-h", "--reverse-v", "--id-prefix", "T_", "--absolute-paths", "--save", "p.qbp"], 0)
        got = info(ARGS.cli, self.dir, "p.qbp")
        keys = ("areaWidth", "areaHeight", "layoutSpacing", "sortByEdgeLength", "uvRatio", "reverseHorizontal",
                "reverseVertical", "idPrefix", "absolutePaths")
        self.assertEqual([got[key] for key in keys], [64, 32, 3, 0, 1, 1, 1, "T_", 1])

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
        patched = read(self.dir, "p.qbp").replace(b"GRASS\0", b"A\x83 B\0\0")
        with open(os.path.join(self.dir, "p.qbp"), "wb") as f:
            f.write(patched)
        images = info(ARGS.cli, self.dir, "p.qbp")["images"]
        self.assertEqual([(i["name"], i["width"], i["height"]) for i in images],
                         [("A\ufffdB", 7, 3), ("GONE", None, None)])

    def test_a_name_that_shift_jis_cannot_hold_is_refused(self):
        if "wine" in ARGS.cli:
            self.skipTest("Windows hands the program its arguments in the ANSI code page already")
        shutil.copy(os.path.join(self.dir, "gone.bmp"), os.path.join(self.dir, "smile\U0001F600.bmp"))
        self.check(["pack", "grass.bmp", "smile\U0001F600.bmp", "--bmp", "a.bmp"], 1, "Shift-JIS")
        self.assertFalse(os.path.exists(os.path.join(self.dir, "a.bmp")))


class Pack(unittest.TestCase):
    """pack on real files: the outputs as independent readers see them, and the commands that use its project."""

    def test_outputs_show_every_image_where_the_uv_list_and_the_project_say_and_are_written_again(self):
        folder, names = fresh("pack"), list(SOURCES) + list(SOURCES)[:2]
        code, out, err = run(ARGS.cli, "pack", *names, "--size", "32x32", *OUTPUTS, cwd=folder)
        self.assertEqual((code, listed(out)), (0, WRITTEN), err)
        data = read(folder, "uv.quv")
        self.assertEqual(data[:8], b"QUV " + struct.pack("<i", len(names)))
        project = info(ARGS.cli, folder)
        self.assertEqual((project["areaWidth"], project["usualPaths"][0]), (32, ".\\atlas.bmp"))
        self.assertEqual([image["name"] for image in project["images"]][5:],
                         ["FLOWER", "テスト", "GRASS_1", "STONE_1"])
        self.assertEqual(project["images"][6]["path"], ".\\テスト.bmp")
        ids = read(folder, "ids.h").decode("cp932")
        expected = Image.new("RGBA", (32, 32), (0, 0, 0, 0))
        for n, (name, image) in enumerate(zip(names, project["images"])):
            u0, v0, u1, v1 = struct.unpack_from("<4i", data, 8 + 16 * n)
            picture = Image.open(os.path.join(folder, name)).convert("RGBA")
            self.assertEqual((image["x"], image["y"], image["width"], image["height"]), (u0, v0, *picture.size), name)
            self.assertEqual((u1 - u0, v1 - v0), picture.size, name)
            self.assertIn(f"IDT_{image['name']}\t{n}\n", ids)
            expected.paste(picture, (u0, v0))  # no blending: the later image replaces, alpha included
        self.assertEqual(list(Image.open(os.path.join(folder, "atlas.tga")).convert("RGBA").getdata()),
                         list(expected.getdata()))
        self.assertEqual(list(Image.open(os.path.join(folder, "atlas.bmp")).convert("RGB").getdata()),
                         list(expected.convert("RGB").getdata()))
        # The same inputs give the same bytes; export writes the usual places again, layout the same project.
        again, exported = fresh("pack-again"), fresh("pack-export", {})
        self.assertEqual(run(ARGS.cli, "pack", *names, "--size", "32x32", *OUTPUTS, "--quiet", cwd=again)[:2], (0, ""))
        code, out, err = run(ARGS.cli, "export", "project.qbp", "--out-dir", exported, cwd=folder)
        self.assertEqual((code, listed(out)), (0, WRITTEN[:5]), err)
        code, out, err = run(ARGS.cli, "layout", "project.qbp", "-o", "relaid.qbp", cwd=folder)
        self.assertEqual((code, listed(out)), (0, ["relaid.qbp"]), err)
        for name in WRITTEN:
            self.assertEqual(read(again, name), read(folder, name), name)
            self.assertTrue(name not in WRITTEN[:5] or read(exported, name) == read(folder, name), name)
        self.assertEqual(read(folder, "relaid.qbp"), read(folder, "project.qbp"))


class CrossPlatform(unittest.TestCase):
    """The native and the Windows program write the same bytes and read each other's projects."""

    def test_same_bytes_and_each_reads_the_others_project(self):
        if not ARGS.other_cli:
            self.skipTest("no second program given")
        folders = {}
        for cli, folder in ((ARGS.cli, "cross-mine"), (ARGS.other_cli, "cross-other")):
            folders[cli] = fresh(folder)
            code, _, err = run(cli, "pack", *SOURCES, "--size", "32x16", "--spacing", "0", "--uv", "ratio",
                               "--reverse-v", *OUTPUTS, cwd=folders[cli])
            self.assertEqual(code, 0, err)
        for name in WRITTEN:
            self.assertEqual(read(folders[ARGS.cli], name), read(folders[ARGS.other_cli], name), name)
        for writer, reader in ((ARGS.cli, ARGS.other_cli), (ARGS.other_cli, ARGS.cli)):
            out = fresh("cross-exported", {})
            code, _, err = run(reader, "export", "project.qbp", "--out-dir", out, cwd=folders[writer])
            self.assertEqual(code, 0, err)
            for name in WRITTEN[:5]:
                self.assertEqual(read(out, name), read(folders[writer], name), name)
            infos = [info(cli, folders[writer]) for cli in (writer, reader)]
            for one in infos:
                del one["file"]
                for image in one["images"]:
                    del image["resolvedPath"]
            self.assertEqual(infos[0], infos[1])


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    for option in ("--cli", "--fixtures", "--work"):
        parser.add_argument(option, required=True)
    parser.add_argument("--other-cli", default="")
    ARGS, rest = parser.parse_known_args()
    if ARGS.other_cli and not os.path.exists(shlex.split(ARGS.other_cli)[-1]):
        parser.exit(1, f"cli_e2e.py: {ARGS.other_cli} does not exist: build the native preset first\n")
    os.makedirs(ARGS.work, exist_ok=True)
    unittest.main(argv=[parser.prog, "-v"] + rest)
