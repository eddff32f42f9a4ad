#!/usr/bin/python3
"""Game engines read quiltbox-cli's atlases: sprites written by Pillow (PNG, BMP, TGA) are packed by the built program,
its PNG atlases and JSON hashes are loaded by Phaser 3 and PixiJS 8 in headless Chromium, each with its canvas and its
WebGL renderer, every frame is drawn as a game draws it, read back and compared with its source as Pillow decodes it.
Usage: engines_test.py --cli PROGRAM --npm DIR --work DIR
(DIR of --npm holds node_modules with the packages of package.json beside this file, as scripts/install-deps.sh
installs them.)
"""
import argparse
import os
import shutil
import subprocess
import sys
import unittest

sys.dont_write_bytecode = True  # the source tree stays as it is
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [HERE, os.path.join(HERE, "..", "support")]
import harness  # noqa: E402
import sprites  # noqa: E402

ARGS = None
# Every atlas is drawn by each engine with each of its renderers: they take different paths through the frame data.
ENGINES = [("phaser3", "canvas"), ("phaser3", "webgl"), ("pixi8", "webgl"), ("pixi8", "canvas")]
# Phaser 3 has never drawn frames turned in the atlas (its canvas renderer draws the region as it lies, its WebGL
# renderer mirrors it across the diagonal): a game for Phaser 3 is packed without --rotate.
NO_TURNED_FRAMES = {"phaser3"}
# name: (pack options, first JSON file)
CASES = {
    "plain": (["--size", "auto", "--png", "atlas.png", "--json", "atlas.json"], "atlas.json"),
    "everything": (["--size", "24x24", "--trim", "--rotate", "--alias", "--pages", "--packer", "maxrects", "--extrude",
                    "1", "--spacing", "3", "--png", "atlas-{n}.png", "--json", "atlas-{n}.json"], "atlas-0.json"),
}
EXPECTED = {}  # the picture of every frame
RESULTS = {}  # job id: what the engine drew


def setUpModule():
    if not os.path.isdir(os.path.join(ARGS.npm, "node_modules", "playwright-core")):
        raise RuntimeError(f"no npm packages in {ARGS.npm}/node_modules: run scripts/install-deps.sh")
    jobs = []
    for name, (options, first) in CASES.items():
        folder = os.path.join(ARGS.work, name)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        EXPECTED.update(sprites.write_sprites(folder))
        subprocess.run([ARGS.cli, "pack", *sorted(os.listdir(folder)), *options, "--quiet"], cwd=folder, check=True,
                       stdin=subprocess.DEVNULL)
        jobs += [{"id": f"{name}/{loader}/{renderer}", "loader": loader, "renderer": renderer,
                  "atlas": f"/work/{name}/{first}"} for loader, renderer in ENGINES]
    browser = harness.Browser(ARGS.npm, ARGS.work)
    try:
        RESULTS.update(browser.run(jobs))
    finally:
        browser.close()


class EngineTest(unittest.TestCase):
    def check_engines(self, case):
        """Every engine drew every frame of the atlas equal to its source, and no other frame."""
        first = os.path.join(ARGS.work, case, CASES[case][1])
        entries = {n: e for page in harness.atlas_pages(first) for n, e in page["frames"].items()}
        for loader, renderer in ENGINES:
            with self.subTest(engine=loader, renderer=renderer):
                result = RESULTS[f"{case}/{loader}/{renderer}"]
                self.assertNotIn("error", result, result.get("problems"))
                self.assertEqual((result["problems"], result["renderer"]), ([], renderer))
                drawn = {f["name"]: dict(f, premultiplied=result["premultiplied"]) for f in result["frames"]}
                self.assertEqual(sorted(drawn), sorted(entries))
                turned = sorted(n for n in drawn if entries[n]["rotated"] and loader in NO_TURNED_FRAMES)
                if turned:
                    print(f"\n  {loader} {renderer} cannot draw turned frames: {' '.join(turned)} left out",
                          file=sys.stderr)
                for name in set(drawn) - set(turned):
                    with self.subTest(frame=name):
                        self.assertIsNone(harness.mismatch(EXPECTED[name], drawn[name]))

    def test_sprites_on_the_automatic_area(self):
        self.check_engines("plain")

    def test_trimmed_turned_shared_sprites_on_pages_found_from_the_first(self):
        """PixiJS follows meta.related_multi_packs from the first page; Phaser loads every page as a game does."""
        self.check_engines("everything")


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    for option in ("--cli", "--npm", "--work"):
        parser.add_argument(option, required=True)
    ARGS, rest = parser.parse_known_args()
    ARGS.cli, ARGS.npm, ARGS.work = (os.path.abspath(p) for p in (ARGS.cli, ARGS.npm, ARGS.work))
    unittest.main(argv=[sys.argv[0], "-v", *rest])
