#!/usr/bin/python3
"""Game engines read quiltbox-cli's atlases: sprites written by Pillow (PNG, BMP, TGA) are packed by the built program,
and every built-in data format is read by its engine's own loader: the JSON hash by Phaser 3 and PixiJS 8, the JSON
array, the multi-atlas and Sparrow's XML by Phaser 3, each with its canvas and its WebGL renderer, and the CSS by the
browser, in headless Chromium; Spine's atlas by spine-core; Godot's SpriteFrames by a reader of its text here. Every
frame is drawn as a game draws it, read back and compared with its source as Pillow decodes it.
Usage: engines_test.py --cli PROGRAM --npm DIR --work DIR
(DIR of --npm holds node_modules with the packages of package.json beside this file, as scripts/install-deps.sh
installs them.)
"""
import argparse
import base64
import itertools
import os
import random
import shutil
import subprocess
import sys
import unittest

from PIL import Image, ImageDraw

sys.dont_write_bytecode = True  # the source tree stays as it is
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [HERE, os.path.join(HERE, "..", "support")]
import harness  # noqa: E402
import sprites  # noqa: E402

ARGS = None
BOTH = ("canvas", "webgl")
# Every JSON hash is drawn by each engine with each of its renderers: they take different paths through the frame data.
HASH_LOADERS = [("phaser3", "atlas", BOTH), ("pixi8", "", BOTH)]
# Phaser 3 has never drawn frames turned in the atlas (its canvas renderer draws the region as it lies, its WebGL
# renderer mirrors it across the diagonal): a game for Phaser 3 is packed without --rotate.
NO_TURNED_FRAMES = {"phaser3"}
# Small pages of trimmed sprites, those alike stored once, their edges extruded: what every format has to describe.
PAGES = ["--size", "24x24", "--trim", "--alias", "--pages", "--packer", "maxrects", "--extrude", "1", "--spacing", "3",
         "--png", "atlas-{n}.png"]
# name: (pack options, [(loader, kind, renderers, the data file the loader is given, {n} for each page's)]); every
# case packs the same sprites. The formats that cannot describe turned sprites are packed without --rotate, Spine's
# apart from the JSON hash's, which turns them the other way.
CASES = {
    "plain": (["--size", "auto", "--png", "atlas.png", "--json", "atlas.json"],
              [(*loader, "atlas.json") for loader in HASH_LOADERS]),
    "everything": ([*PAGES, "--rotate", "--json", "atlas-{n}.json"],
                   [(*loader, "atlas-{n}.json") for loader in HASH_LOADERS]),
    "formats": ([*PAGES, "--format", "json-array", "--data", "array-{n}.json", "--format", "phaser3", "--data",
                 "multi.json", "--format", "sparrow", "--data", "sparrow-{n}.xml", "--format", "css", "--data",
                 "atlas.css", "--format", "godot", "--data", "atlas.tres"],
                [("phaser3", "atlas", BOTH, "array-{n}.json"), ("phaser3", "multiatlas", BOTH, "multi.json"),
                 ("phaser3", "xml", BOTH, "sparrow-{n}.xml"), ("css", "", ("screenshot",), "atlas.css")]),
    "spine": ([*PAGES, "--rotate", "--format", "spine", "--data", "atlas.atlas"],
              [("spine", "", ("nearest",), "atlas.atlas")]),
}
EXPECTED = {}  # the picture of every frame
RESULTS = {}  # job id: what the engine drew
LEVELS = ("fast", "default", "best")
# Sprites of one pure colour inside transparent black margins, for the fringe that filtering draws around them;
# drawn scaled down: bilinear samples on their own, and mipmaps with trilinear samples.
FRINGE_SPRITES = {"red": (255, 0, 0), "blue": (0, 0, 255)}
FRINGE_DRAWS = {"bilinear": (0.5, False, ["--bleed"]), "mipmaps": (0.3, True, ["--bleed", "all"])}
# A game's sprite folder, packed as a folder: every frame found by its path, an animation, pivots and nine-slices.
TREE_OPTIONS = ["tree", "--animations", "--pivot", "0.5,1", "--size", "auto", "--png", "atlas.png", "--json",
                "atlas.json", "--format", "spine", "--data", "atlas.atlas", "--format", "godot", "--data", "atlas.tres"]
TREE_LOADERS = [("pixi8", "tree", BOTH), ("phaser3", "atlas", BOTH), ("spine", "", ("nearest",))]
RUN = list(range(1, 13))  # the animation's frame numbers; written to disk shuffled
# The nine-patches' stretching and content edges (left, top, right, bottom) within the picture inside the border.
NINE = {"ui/button": ((3, 2, 2, 1), (1, 1, 2, 2)), "ui/panel": ((1, 1, 1, 1), None)}
TREE = {}  # frame name: picture


def data_files(case, data):
    """The data files of an output: the one, or those of every page when its name holds {n}."""
    if "{n}" not in data:
        return [data]
    names = (data.replace("{n}", str(n)) for n in itertools.count())
    return list(itertools.takewhile(lambda name: os.path.exists(os.path.join(ARGS.work, case, name)), names))


def write_tree(folder):
    """The sprite tree in `folder`/tree: nested folders, one file name in two folders, Japanese names, the nine-patches
    and the animation's frames in a shuffled order; TREE gets each frame's picture (a nine-patch's without its
    border)."""
    n = sprites.noise
    files = {"砂/絵.png": n((5, 6), 30), "hud/pause.png": n((6, 4), 31, alphas=sprites.SOFT),
             "menu/pause.png": n((4, 6), 32), "a/b/c/deep.tga": n((7, 5), 33, (1, 1, 0, 0))}
    for name, (stretch, content) in NINE.items():
        files[name + ".9.png"] = sprites.nine_patch(n((9, 7), len(files), alphas=sprites.SOFT), stretch, content)
    for k in random.Random(5).sample(RUN, len(RUN)):
        files[f"hero/run_{k}.png"] = n((7, 9), 40 + k)
    for path, picture in sprites.write_tree(os.path.join(folder, "tree"), files).items():
        name = path.split(".")[0]
        TREE[name] = picture.crop((1, 1, picture.size[0] - 1, picture.size[1] - 1)) if name in NINE else picture


def fresh(name):
    folder = os.path.join(ARGS.work, name)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    return folder


def pack(folder, *args):
    subprocess.run([ARGS.cli, "pack", *args, "--quiet"], cwd=folder, check=True, stdin=subprocess.DEVNULL)


def setUpModule():
    if not os.path.isdir(os.path.join(ARGS.npm, "node_modules", "playwright-core")):
        raise RuntimeError(f"no npm packages in {ARGS.npm}/node_modules: run scripts/install-deps.sh")
    jobs = []
    for case, (options, loaders) in CASES.items():
        folder = fresh(case)
        EXPECTED.update(sprites.write_sprites(folder, odd_names=True))
        pack(folder, *sorted(os.listdir(folder)), *options)
        for loader, kind, renderers, data in loaders:
            pages = [f"/work/{case}/{name}" for name in data_files(case, data)]
            jobs += [{"id": f"{case}/{loader}/{kind}/{renderer}", "loader": loader, "kind": kind, "renderer": renderer,
                      "atlas": pages[0], "pages": pages, "names": sorted(EXPECTED)} for renderer in renderers]
    folder = fresh("tree")
    write_tree(folder)
    pack(folder, *TREE_OPTIONS)
    for loader, kind, renderers in TREE_LOADERS:
        data = "atlas.atlas" if loader == "spine" else "atlas.json"
        jobs += [{"id": f"tree/{loader}/{renderer}", "loader": loader, "kind": kind, "renderer": renderer,
                  "atlas": f"/work/tree/{data}", "pages": [f"/work/tree/{data}"], "names": sorted(TREE)}
                 for renderer in renderers]
    jobs += level_jobs() + fringe_jobs() + variant_jobs()
    browser = harness.Browser(ARGS.npm, ARGS.work)
    try:
        RESULTS.update(browser.run(jobs))
    finally:
        browser.close()


def level_jobs():
    """The same sprites packed at every PNG level, each PNG decoded by the browser."""
    folder = fresh("levels")
    sprites.write_sprites(folder, odd_names=True)
    inputs = sorted(os.listdir(folder))
    for level in LEVELS:
        pack(folder, *inputs, "--size", "auto", "--bleed", "--png-level", level, "--png", f"{level}.png", "--tga",
             "atlas.tga")
    return [{"id": f"levels/{level}", "loader": "png", "renderer": "webgl", "atlas": f"/work/levels/{level}.png"}
            for level in LEVELS]


def fringe_jobs():
    """The fringe sprites packed without and with bleeding, each drawn scaled down in every way of FRINGE_DRAWS."""
    folder = fresh("fringe")
    for name, colour in FRINGE_SPRITES.items():
        sprite = Image.new("RGBA", (24, 24), (0, 0, 0, 0))
        ImageDraw.Draw(sprite).ellipse((4, 4, 19, 19), fill=colour + (255,))
        sprite.save(os.path.join(folder, name + ".png"))
    jobs = []
    for draw, (scale, mipmaps, bleed) in FRINGE_DRAWS.items():
        for atlas, options in ((f"{draw}-plain", []), (f"{draw}-bled", bleed)):
            pack(folder, "blue.png", "red.png", "--size", "auto", "--spacing", "4", *options, "--png", f"{atlas}.png",
                 "--json", f"{atlas}.json")
            jobs.append({"id": f"fringe/{atlas}", "loader": "fringe", "renderer": "webgl",
                         "atlas": f"/work/fringe/{atlas}.json", "names": sorted(FRINGE_SPRITES), "scale": scale,
                         "mipmaps": mipmaps})
    return jobs


# Sprites of even sizes with even transparent margins, packed at two scales: at half scale every length halves exactly.
VARIANT_SPRITES = {"wide": ((12, 6), (2, 0, 0, 2)), "tall": ((6, 10), (0, 2, 2, 0)), "square": ((8, 8), (0, 0, 0, 0))}
VARIANTS = ("@2x", "@1x")
VARIANT_PICTURES = {}


def variant_jobs():
    """The sprites trimmed and packed at scale 1 and 0.5, each atlas loaded by PixiJS."""
    folder = fresh("variants")
    for k, (name, (size, margin)) in enumerate(VARIANT_SPRITES.items()):
        noise = sprites.noise(size, 60 + k, margin)
        noise.save(os.path.join(folder, name + ".png"))
        VARIANT_PICTURES[name] = noise
    pack(folder, *(n + ".png" for n in VARIANT_SPRITES), "--trim", "--size", "auto", "--variant", "1:@2x", "--variant",
         "0.5:@1x", "--scale-filter", "nearest", "--png", "atlas{v}.png", "--json", "atlas{v}.json")
    return [{"id": f"variants/{v}", "loader": "pixi8", "kind": "", "renderer": "webgl",
             "atlas": f"/work/variants/atlas{v}.json", "pages": [f"/work/variants/atlas{v}.json"],
             "names": sorted(VARIANT_SPRITES)} for v in VARIANTS]


class EngineTest(unittest.TestCase):
    def result(self, job):
        """What the engine gave for the job, which reported no error."""
        result = RESULTS[job]
        self.assertNotIn("error", result, result.get("problems"))
        return result

    def check_drawn(self, drawn, left_out=(), expected=None):
        """`drawn` ({name: result frame}) holds every sprite under its own name, each equal to its source."""
        expected = expected or EXPECTED
        self.assertEqual(sorted(drawn), sorted(expected))
        for name in set(drawn) - set(left_out):
            with self.subTest(frame=name):
                self.assertIsNone(harness.mismatch(expected[name], drawn[name]))

    def check_engines(self, case):
        """Every loader of the case drew every frame of the atlas equal to its source, and no other frame."""
        options, loaders = CASES[case]
        for loader, kind, renderers, data in loaders:
            turned = []
            if loader in NO_TURNED_FRAMES and "--rotate" in options:
                pages = harness.atlas_pages(os.path.join(ARGS.work, case, data_files(case, data)[0]))
                turned = sorted(n for page in pages for n, e in page["frames"].items() if e["rotated"])
            for renderer in renderers:
                with self.subTest(loader=loader, kind=kind, renderer=renderer):
                    result = self.result(f"{case}/{loader}/{kind}/{renderer}")
                    self.assertEqual((result["problems"], result["renderer"]), ([], renderer))
                    if turned:
                        print(f"\n  {loader} {renderer} cannot draw turned frames: {' '.join(turned)} left out",
                              file=sys.stderr)
                    self.check_drawn({f["name"]: dict(f, premultiplied=result["premultiplied"])
                                      for f in result["frames"]}, turned)

    def test_json_hash_on_the_automatic_area(self):
        self.check_engines("plain")

    def test_json_hash_trimmed_turned_shared_on_pages_found_from_the_first(self):
        """PixiJS follows meta.related_multi_packs from the first page; Phaser loads every page as a game does."""
        self.check_engines("everything")

    def test_json_array_multi_atlas_sparrow_and_css(self):
        self.check_engines("formats")

    def test_spine_atlas_turned_counter_clockwise(self):
        self.check_engines("spine")

    def test_every_png_level_decodes_in_the_browser_to_the_atlas_pixels(self):
        """Chromium's decoder gives every pixel of the TGA atlas of the same pack, the colour of transparent (bled)
        pixels included."""
        with Image.open(os.path.join(ARGS.work, "levels", "atlas.tga")) as tga:
            want = tga.convert("RGBA")
        for level in LEVELS:
            with self.subTest(level=level):
                result = self.result(f"levels/{level}")
                [page] = result["frames"]
                self.assertEqual((page["width"], page["height"]), want.size)
                self.assertTrue(base64.b64decode(page["rgba"]) == want.tobytes())

    def test_bleeding_leaves_no_dark_fringe_where_straight_alpha_filtering_draws_one(self):
        """Each sprite's own colour channel stays full across its edge, blended with white, once bled; without
        bleeding the black of the transparent texels darkens it."""
        for draw in FRINGE_DRAWS:
            for bled in (False, True):
                result = self.result(f"fringe/{draw}-{'bled' if bled else 'plain'}")
                for frame in result["frames"]:
                    with self.subTest(draw=draw, bled=bled, sprite=frame["name"]):
                        channel = FRINGE_SPRITES[frame["name"]].index(255)
                        drawn = base64.b64decode(frame["rgba"])
                        darkest = min(drawn[i + channel] for i in range(0, len(drawn), 4))
                        if bled:
                            self.assertGreaterEqual(darkest, 254)
                        else:
                            self.assertLess(darkest, 230)

    def test_pixi_gives_frames_of_both_scale_variants_the_source_sizes(self):
        """PixiJS divides every length by meta.scale: the @1x atlas's frames, half the pixels, come out as large as the
        @2x atlas's, which are the sources as they are."""
        drawn = {}
        for variant in VARIANTS:
            result = self.result(f"variants/{variant}")
            self.assertEqual(result["problems"], [])
            drawn[variant] = {f["name"]: dict(f, premultiplied=result["premultiplied"]) for f in result["frames"]}
        sizes = {name: size for name, (size, _) in VARIANT_SPRITES.items()}
        for variant in VARIANTS:
            self.assertEqual({n: (f["width"], f["height"]) for n, f in drawn[variant].items()}, sizes, variant)
        self.check_drawn(drawn["@2x"], expected=VARIANT_PICTURES)
        with Image.open(os.path.join(ARGS.work, "variants", "atlas@1x.png")) as small, \
                Image.open(os.path.join(ARGS.work, "variants", "atlas@2x.png")) as large:
            self.assertEqual(small.size, (large.size[0] // 2, large.size[1] // 2))

    def tree_result(self, loader, renderer):
        """The frames an engine drew from the tree, by name, and what it read beside them."""
        result = self.result(f"tree/{loader}/{renderer}")
        self.assertEqual(result["problems"], [])
        return {f["name"]: dict(f, premultiplied=result["premultiplied"]) for f in result["frames"]}, result["extra"]

    def test_pixi_finds_every_frame_of_a_folder_by_its_path_plays_the_animation_and_stretches_nine_slices(self):
        run = [f"hero/run_{k}" for k in RUN]
        for renderer in BOTH:
            with self.subTest(renderer=renderer):
                drawn, extra = self.tree_result("pixi8", renderer)
                self.check_drawn({n: f for n, f in drawn.items() if not n.startswith("@")}, expected=TREE)
                self.assertEqual(extra["animations"], {"hero/run": run})
                for i, name in enumerate(run):  # sheet.animations in numeric order, as an AnimatedSprite plays it
                    self.assertIsNone(harness.mismatch(TREE[name], drawn[f"@play hero/run {i}"]), name)
                self.assertEqual(extra["anchors"], {name: {"x": 0.5, "y": 1} for name in TREE})
                self.assertEqual(extra["borders"], {name: dict(zip(("left", "top", "right", "bottom"), stretch))
                                                    for name, (stretch, _) in NINE.items()})
                for name, (stretch, _) in NINE.items():
                    self.check_corners(TREE[name], drawn[f"@nineslice {name}"], stretch)

    def check_corners(self, source, drawn, stretch):
        """A nine-slice drawn larger than its source keeps its four corners (the edges outside the stretching area)
        as they are."""
        picture = Image.frombytes("RGBA", (drawn["width"], drawn["height"]), base64.b64decode(drawn["rgba"]))
        (w, h), (dw, dh) = source.size, picture.size
        left, top, right, bottom = stretch
        for x0, y0, x1, y1, at in ((0, 0, left, top, (0, 0)), (w - right, 0, w, top, (dw - right, 0)),
                                   (0, h - bottom, left, h, (0, dh - bottom)),
                                   (w - right, h - bottom, w, h, (dw - right, dh - bottom))):
            corner = picture.crop((*at, at[0] + x1 - x0, at[1] + y1 - y0))
            self.assertIsNone(harness.mismatch(source.crop((x0, y0, x1, y1)), dict(
                harness.frame(corner), premultiplied=drawn["premultiplied"])), (x0, y0))

    def test_phaser_finds_every_frame_of_a_folder_by_its_path_with_its_pivot_and_nine_slice(self):
        for renderer in BOTH:
            with self.subTest(renderer=renderer):
                drawn, extra = self.tree_result("phaser3", renderer)
                self.check_drawn(drawn, expected=TREE)
                self.assertEqual(extra["pivots"], {name: {"x": 0.5, "y": 1} for name in TREE})
                self.assertEqual(extra["scale9"], {name: {"x": l, "y": t, "w": TREE[name].size[0] - l - r,
                                                          "h": TREE[name].size[1] - t - b}
                                                   for name, ((l, t, r, b), _) in NINE.items()})

    def test_spine_regions_carry_the_animations_index_and_the_nine_patches_split_and_pad(self):
        drawn, extra = self.tree_result("spine", "nearest")
        numbered = {f"hero/run#{k}": f"hero/run_{k}" for k in RUN}
        self.check_drawn({numbered.get(n, n): f for n, f in drawn.items()}, expected=TREE)
        regions = {(r["name"], r["index"]): r["fields"] for r in extra["regions"]}
        self.assertEqual(sorted(i for n, i in regions if n == "hero/run"), RUN)
        for name, ((l, t, r, b), content) in NINE.items():
            pl, pt, pr, pb = content or (l, t, r, b)
            self.assertEqual(regions[name, -1], {"split": [l, r, t, b], "pad": [pl, pr, pt, pb]}, name)
        self.assertEqual(regions["砂/絵", -1], {})

    def godot_animations(self, folder, tres):
        """{name: (loop, speed, [each frame's texture drawn as Godot draws an AtlasTexture: its region of the page,
        placed at the margin's position in a box of the region's size plus the margin's])} of a SpriteFrames."""
        with open(os.path.join(folder, tres), encoding="utf-8") as f:
            sections = harness.godot_resource(f.read())
        self.assertEqual(sections[0][:2], ("gd_resource", {"type": "SpriteFrames", "format": 3}))
        images = {a["id"]: a["path"] for tag, a, _ in sections if tag == "ext_resource" and a["type"] == "Texture2D"}
        textures = {a["id"]: p for tag, a, p in sections if tag == "sub_resource" and a["type"] == "AtlasTexture"}
        [animations] = [p["animations"] for tag, _, p in sections if tag == "resource"]
        drawn = {}
        for animation in animations:
            pictures = []
            for frame in animation["frames"]:
                self.assertEqual((frame["texture"][0], frame["duration"]), ("SubResource", 1.0))
                atlas = textures[frame["texture"][1]]
                _, x, y, w, h = atlas["region"]
                _, left, top, cut_w, cut_h = atlas["margin"]
                with Image.open(os.path.join(folder, images[atlas["atlas"][1]])) as page:
                    picture = Image.new("RGBA", (w + cut_w, h + cut_h))
                    picture.paste(page.convert("RGBA").crop((x, y, x + w, y + h)), (left, top))
                pictures.append(harness.frame(picture))
            self.assertNotIn(animation["name"], drawn)
            drawn[animation["name"]] = (animation["loop"], animation["speed"], pictures)
        return drawn

    def test_godot_sprite_frames(self):
        """Each sprite an animation of one frame. Godot itself cannot check it here: Debian 12 has only godot3 (3.2),
        which cannot read Godot 4's format=3 resources, and no Godot 4."""
        animations = self.godot_animations(os.path.join(ARGS.work, "formats"), "atlas.tres")
        self.assertEqual({(loop, speed, len(p)) for loop, speed, p in animations.values()}, {(False, 5.0, 1)})
        self.check_drawn({name: p[0] for name, (_, _, p) in animations.items()})

    def test_godot_sprite_frames_of_a_folder_play_the_sequence_in_numeric_order(self):
        """Every sprite by its path as above, and the numbered frames once more as one looping animation."""
        animations = self.godot_animations(os.path.join(ARGS.work, "tree"), "atlas.tres")
        loop, speed, run = animations.pop("hero/run")
        self.assertEqual((loop, speed, len(run)), (True, 12.0, len(RUN)))
        for k, picture in zip(RUN, run):
            self.assertIsNone(harness.mismatch(TREE[f"hero/run_{k}"], picture), k)
        self.check_drawn({name: p[0] for name, (_, _, p) in animations.items()}, expected=TREE)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    for option in ("--cli", "--npm", "--work"):
        parser.add_argument(option, required=True)
    ARGS, rest = parser.parse_known_args()
    ARGS.cli, ARGS.npm, ARGS.work = (os.path.abspath(p) for p in (ARGS.cli, ARGS.npm, ARGS.work))
    unittest.main(argv=[sys.argv[0], "-v", *rest])
