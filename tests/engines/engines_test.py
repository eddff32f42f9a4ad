#!/usr/bin/python3
"""Game engines read quiltbox-cli's atlases: sprites written by Pillow (PNG, BMP, TGA) are packed by the built
program, its PNG atlas and JSON hash are loaded by Phaser 3 and PixiJS 8 in headless Chromium, each with its canvas
and its WebGL renderer, every frame is drawn as a game draws it, read back and compared with its source as Pillow
decodes it. A hand-made atlas holds each convention the command line's JSON hash follows (trim, frames turned
clockwise, one rectangle under two names, pages linked through meta.related_multi_packs), so that what the engines
make of them is known apart from what the command line writes. The runs with --trim, --rotate, --alias and --pages
are skipped, saying so, while `pack --help` does not list those options.
Usage: engines_test.py --cli PROGRAM --npm DIR --work DIR
(DIR of --npm holds node_modules with the packages of package.json beside this file, as scripts/install-deps.sh
installs them.)
"""
import argparse
import json
import os
import shutil
import subprocess
import sys
import unittest

from PIL import Image

sys.dont_write_bytecode = True  # the source tree stays as it is
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import handmade_atlas  # noqa: E402
import harness  # noqa: E402

ARGS = None
# Every atlas is drawn by each engine with each of its renderers: they take different paths through the frame data.
ENGINES = [("phaser3", "canvas"), ("phaser3", "webgl"), ("pixi8", "webgl"), ("pixi8", "canvas")]
# Phaser 3 has never drawn frames turned in the atlas (its canvas renderer draws the region as it lies, its WebGL
# renderer mirrors it across the diagonal): a game for Phaser 3 is packed without --rotate.
NO_TURNED_FRAMES = {"phaser3"}
NEW_OPTIONS = ["--trim", "--rotate", "--alias", "--pages", "--packer"]

CASES = {}  # name: Case, made ready before any test runs so that one browser draws every atlas
RESULTS = {}  # job id: what the engine drew


def write_sprites(folder):
    """Writes the sprites in the formats the command line reads, as Pillow writes them; returns {frame name (the
    file name's stem in capitals): the picture the engines must draw}, as Pillow decodes each file."""
    twin = harness.noise((6, 4), 10)
    leaf = harness.noise((7, 10), 3).convert("RGB").quantize(16)
    leaf.info["transparency"] = 0  # the palette's first colour becomes transparent
    files = {
        "ruby.png": harness.noise((12, 9), 1, (2, 1, 0, 3), harness.SOFT),
        "leaf.png": leaf,
        "mist.png": harness.noise((6, 6), 4, alphas=harness.SOFT).convert("LA"),
        "brick.bmp": harness.noise((10, 6), 5).convert("RGB"),
        "coin.bmp": harness.noise((5, 5), 6).convert("RGB").quantize(8),
        "gem.tga": harness.noise((8, 11), 7, (1, 2, 3, 0), harness.SOFT),
        "star.tga": harness.noise((9, 7), 8, (0, 0, 2, 2), harness.SOFT),
        "blank.png": Image.new("RGBA", (5, 5), (0, 0, 0, 0)),
        "twin_a.png": twin,
        "twin_b.bmp": twin.convert("RGB"),
        "twin_c.tga": twin,
    }
    expected = {}
    for name, img in files.items():
        path = os.path.join(folder, name)
        options = {"orientation": 1} if name == "star.tga" else {}  # stored top row first; the others bottom first
        img.save(path, **options)
        with Image.open(path) as back:
            expected[os.path.splitext(name)[0].upper()] = back.convert("RGBA")
    return expected


def write_long_sprites(folder):
    """Sprites for an area that is too low for two of them unless they are turned."""
    files = {"pole.png": harness.noise((5, 30), 20, alphas=harness.SOFT),
             "rail.tga": harness.noise((4, 26), 21, (0, 2, 1, 0)),
             "plank.bmp": harness.noise((28, 6), 22).convert("RGB"),
             "chip.png": harness.noise((7, 5), 23, (1, 0, 0, 1))}
    expected = {}
    for name, img in files.items():
        img.save(os.path.join(folder, name))
        expected[os.path.splitext(name)[0].upper()] = img.convert("RGBA")
    return expected


class Case:
    """One atlas: its first JSON file (relative to the work folder), the pictures its frames must draw, and either the
    reason it was skipped or the failure that stopped it being made."""

    def __init__(self, folder, atlas=None, expected=None, skipped=None, failure=None):
        self.folder, self.atlas, self.expected = folder, atlas, expected
        self.skipped, self.failure = skipped, failure

    def pages(self):
        """[(JSON file name, its data)] of every page, following meta.related_multi_packs from the first."""
        first = os.path.join(ARGS.work, self.folder, self.atlas)
        with open(first) as f:
            data = json.load(f)
        pages = [(self.atlas, data)]
        for other in data["meta"].get("related_multi_packs", []):
            with open(os.path.join(ARGS.work, self.folder, other)) as f:
                pages.append((other, json.load(f)))
        return pages

    def entries(self):
        return {name: entry for _, data in self.pages() for name, entry in data["frames"].items()}


def pack(folder, options, needs=()):
    """Runs `quiltbox-cli pack` on every image in `folder` (a fresh copy of the sources), writing atlas.png and
    atlas.json there unless `options` names other outputs."""
    missing = [o for o in needs if o not in harness.cli_options(ARGS.cli)]
    if missing:
        raise unittest.SkipTest(f"quiltbox-cli pack does not have {' '.join(missing)} yet")
    images = sorted(n for n in os.listdir(folder) if n.rsplit(".", 1)[-1] in ("png", "bmp", "tga"))
    outputs = [] if "--json" in options else ["--png", "atlas.png", "--json", "atlas.json"]
    done = subprocess.run([ARGS.cli, "pack", *images, *options, *outputs, "--quiet"], cwd=folder,
                          stdin=subprocess.DEVNULL, capture_output=True, text=True)
    if done.returncode != 0:
        raise RuntimeError(f"quiltbox-cli pack {' '.join(options)} failed ({done.returncode}): {done.stderr}")


def cli_case(name, options, sprites=write_sprites, needs=(), atlas="atlas.json"):
    folder = os.path.join(ARGS.work, name)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    expected = sprites(folder)
    pack(folder, options, needs)
    return Case(name, atlas, expected)


def handmade_case():
    folder = os.path.join(ARGS.work, "handmade")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    return Case("handmade", "atlas-0.json", handmade_atlas.build(folder))


MAKERS = {
    "handmade": handmade_case,
    "auto": lambda: cli_case("auto", ["--size", "auto"]),
    "extrude": lambda: cli_case("extrude", ["--size", "auto", "--extrude", "2", "--spacing", "4"]),
    "trim": lambda: cli_case("trim", ["--size", "auto", "--trim"], needs=["--trim"]),
    "rotate": lambda: cli_case("rotate", ["--size", "64x20", "--rotate", "--packer", "maxrects"],
                               write_long_sprites, needs=["--rotate", "--packer"]),
    "alias": lambda: cli_case("alias", ["--size", "auto", "--alias"], needs=["--alias"]),
    "pages": lambda: cli_case("pages", ["--size", "24x24", "--pages", "--png", "atlas-{n}.png", "--json",
                                        "atlas-{n}.json"], needs=["--pages"], atlas="atlas-0.json"),
    "everything": lambda: cli_case("everything", [
        "--size", "16x16", "--trim", "--rotate", "--alias", "--pages", "--packer", "maxrects", "--png",
        "atlas-{n}.png", "--json", "atlas-{n}.json"], needs=NEW_OPTIONS, atlas="atlas-0.json"),
}


def setUpModule():
    npm_modules = os.path.join(ARGS.npm, "node_modules")
    if not os.path.isdir(os.path.join(npm_modules, "playwright-core")):
        raise RuntimeError(f"no npm packages in {npm_modules}: run scripts/install-deps.sh")
    os.makedirs(ARGS.work, exist_ok=True)
    for name, make in MAKERS.items():
        try:
            CASES[name] = make()
        except unittest.SkipTest as skip:
            CASES[name] = Case(name, skipped=str(skip))
        except Exception as failure:  # reported by the case's own test
            CASES[name] = Case(name, failure=failure)
    jobs = [{"id": f"{name}/{loader}/{renderer}", "loader": loader, "renderer": renderer,
             "atlas": f"/work/{case.folder}/{case.atlas}"}
            for loader, renderer in ENGINES for name, case in CASES.items() if case.atlas]
    browser = harness.Browser(ARGS.npm, ARGS.work)
    try:
        RESULTS.update(browser.run(jobs))
    finally:
        browser.close()


class AtlasTest(unittest.TestCase):
    def ready(self, name):
        case = CASES[name]
        if case.skipped:
            self.skipTest(case.skipped)
        if case.failure:
            raise case.failure
        return case

    def check_data(self, case):
        """Each frame drawn back as the JSON hash describes it (harness.draw_back) is its source: the data says what
        the engines are about to be asked to draw."""
        for json_name, data in case.pages():
            with Image.open(os.path.join(ARGS.work, case.folder, data["meta"]["image"])) as atlas:
                atlas = atlas.convert("RGBA")
                for name, entry in data["frames"].items():
                    with self.subTest(page=json_name, frame=name):
                        drawn = harness.draw_back(atlas, entry)
                        self.assertEqual(drawn.size, case.expected[name].size)
                        self.assertEqual(harness.differences(case.expected[name], drawn)[:3], [])
        self.assertEqual(sorted(case.entries()), sorted(case.expected))

    def check_engines(self, case_name):
        """Every engine drew every frame of the atlas equal to its source, and no other frame."""
        case = CASES[case_name]
        turned = {name for name, entry in case.entries().items() if entry.get("rotated")}
        for loader, renderer in ENGINES:
            with self.subTest(engine=loader, renderer=renderer):
                result = RESULTS[f"{case_name}/{loader}/{renderer}"]
                self.assertNotIn("error", result, result.get("problems"))
                self.assertEqual(result["problems"], [])
                self.assertEqual(result["renderer"], renderer)
                drawn = {f["name"]: dict(f, premultiplied=result["premultiplied"]) for f in result["frames"]}
                self.assertEqual(sorted(drawn), sorted(case.expected))
                left_out = []
                for name, frame in drawn.items():
                    wrong = harness.mismatch(case.expected[name], frame)
                    if name in turned and loader in NO_TURNED_FRAMES:
                        what = wrong.split("; ")[-1] if wrong and "; " in wrong else (wrong or "drawn right")
                        left_out.append(f"{name} ({what.split(', first at')[0]})")
                        continue
                    with self.subTest(frame=name):
                        self.assertIsNone(wrong)
                if left_out:
                    print(f"\n  {case_name}: {loader} {renderer} cannot draw turned frames, left out: "
                          + ", ".join(left_out), file=sys.stderr)

    def test_handmade_atlas(self):
        """The conventions themselves, apart from the command line: trim offsets, frames turned clockwise with
        w and h unturned, two names on one rectangle, a second page linked from the first."""
        case = self.ready("handmade")
        self.check_data(case)
        self.check_engines("handmade")

    def test_sprites_on_the_automatic_area(self):
        case = self.ready("auto")
        self.check_data(case)
        self.check_engines("auto")

    def test_extruded_edges_stay_outside_the_frames(self):
        case = self.ready("extrude")
        self.check_data(case)
        self.check_engines("extrude")

    def test_trimmed_sprites(self):
        """Each kept rectangle is the smallest that holds every pixel that is not fully transparent (a blank sprite
        keeps one pixel), and the engines put it back at its offset within the original size."""
        case = self.ready("trim")
        self.check_data(case)
        entries = case.entries()
        for name, entry in entries.items():
            with self.subTest(frame=name):
                kept = entry["spriteSourceSize"]
                full = case.expected[name]
                self.assertEqual((entry["sourceSize"]["w"], entry["sourceSize"]["h"]), full.size)
                self.assertEqual((kept["w"], kept["h"]), (entry["frame"]["w"], entry["frame"]["h"]))
                box = full.getchannel("A").getbbox()
                if box:
                    self.assertEqual((kept["x"], kept["y"], kept["x"] + kept["w"], kept["y"] + kept["h"]), box)
                else:
                    self.assertEqual((kept["w"], kept["h"]), (1, 1))
        self.assertTrue(entries["BLANK"]["trimmed"] and entries["RUBY"]["trimmed"])
        self.check_engines("trim")

    def test_turned_sprites(self):
        """Sprites taller than the area are turned to fit; the engines that can turn them back draw them upright."""
        case = self.ready("rotate")
        self.check_data(case)
        entries = case.entries()
        self.assertTrue(entries["POLE"]["rotated"] and entries["RAIL"]["rotated"])
        self.check_engines("rotate")

    def test_identical_sprites_share_one_rectangle(self):
        case = self.ready("alias")
        self.check_data(case)
        entries = case.entries()
        self.assertEqual(entries["TWIN_A"]["frame"], entries["TWIN_B"]["frame"])
        self.assertEqual(entries["TWIN_A"]["frame"], entries["TWIN_C"]["frame"])
        rectangles = {tuple(e["frame"].values()) for e in entries.values()}
        self.assertEqual(len(rectangles), len(entries) - 2)
        self.check_engines("alias")

    def test_pages_link_each_other(self):
        """Every page names its own image and the other pages' data; PixiJS finds every frame from the first page
        alone."""
        case = self.ready("pages")
        self.check_pages(case)
        self.check_data(case)
        self.check_engines("pages")

    def check_pages(self, case):
        pages = case.pages()
        self.assertGreaterEqual(len(pages), 2)
        names = {json_name for json_name, _ in pages}
        self.assertEqual(names, {f"atlas-{n}.json" for n in range(len(pages))})
        for json_name, data in pages:
            self.assertEqual(data["meta"]["image"], json_name.replace(".json", ".png"))
            with open(os.path.join(ARGS.work, case.folder, json_name)) as f:
                links = json.load(f)["meta"]["related_multi_packs"]
            self.assertEqual(sorted(links), sorted(names - {json_name}))

    def test_everything_at_once(self):
        """Trimmed, turned, shared and spread over pages in one run, as a game's build would pack them."""
        case = self.ready("everything")
        self.check_pages(case)
        self.check_data(case)
        self.check_engines("everything")


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--npm", required=True)
    parser.add_argument("--work", required=True)
    ARGS, rest = parser.parse_known_args()
    ARGS.cli, ARGS.npm, ARGS.work = (os.path.abspath(p) for p in (ARGS.cli, ARGS.npm, ARGS.work))
    unittest.main(argv=[sys.argv[0], "-v", *rest])


if __name__ == "__main__":
    main()
