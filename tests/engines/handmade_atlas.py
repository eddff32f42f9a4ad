#!/usr/bin/python3
"""A two-page atlas built by hand, frame by frame as the command line's JSON hash describes its frames, to see that
the engines read those conventions as meant, whatever the command line itself does: a trimmed frame, frames turned 90
degrees clockwise into the atlas (with `frame` w and h the unturned size), one both trimmed and turned, two names for
one rectangle, and a second page found through meta.related_multi_packs.
Usage: handmade_atlas.py FOLDER (writes atlas-0.png, atlas-0.json, atlas-1.png, atlas-1.json there)
"""
import json
import os
import sys

from PIL import Image

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402


# name: (size, seed, transparent margin (left, top, right, bottom) that trimming cut away or None, turned?, page,
# place in the atlas)
FRAMES = {
    "PLAIN": ((5, 3), 1, None, False, 0, (1, 1)),
    "TRIMMED": ((9, 7), 2, (2, 1, 3, 1), False, 0, (7, 1)),
    "TURNED": ((6, 3), 3, None, True, 0, (12, 1)),
    "TURNED_SQUARE": ((5, 5), 4, None, True, 0, (16, 1)),
    "TURNED_TRIMMED": ((8, 6), 5, (1, 2, 2, 1), True, 0, (22, 1)),
    "ALIAS_A": ((4, 4), 6, None, False, 0, (26, 1)),
    "SECOND_PAGE": ((7, 5), 7, None, False, 1, (1, 1)),
}
ALIASES = {"ALIAS_B": "ALIAS_A"}
PAGE_SIZES = [(32, 8), (16, 8)]


def build(folder):
    """Writes the atlas into `folder`; returns {frame name: the source picture an engine must draw for it}."""
    pages = [Image.new("RGBA", size, (0, 0, 0, 0)) for size in PAGE_SIZES]
    frames = [{} for _ in PAGE_SIZES]
    sources = {}
    for name, (size, seed, margin, turned, page, (x, y)) in FRAMES.items():
        source = sources[name] = harness.noise(size, seed, margin or (0, 0, 0, 0), harness.SOFT)
        left, top, right, bottom = margin or (0, 0, 0, 0)
        kx, ky, kw, kh = left, top, size[0] - left - right, size[1] - top - bottom
        region = source.crop((kx, ky, kx + kw, ky + kh))
        if turned:
            region = region.transpose(Image.Transpose.ROTATE_270)  # 90 degrees clockwise
        pages[page].paste(region, (x, y))
        frames[page][name] = {
            "frame": {"x": x, "y": y, "w": kw, "h": kh},
            "rotated": turned,
            "trimmed": margin is not None,
            "spriteSourceSize": {"x": kx, "y": ky, "w": kw, "h": kh},
            "sourceSize": {"w": size[0], "h": size[1]},
        }
    for alias, name in ALIASES.items():
        page = FRAMES[name][4]
        frames[page][alias] = dict(frames[page][name])
    for n, (img, page_frames) in enumerate(zip(pages, frames)):
        img.save(os.path.join(folder, f"atlas-{n}.png"))
        meta = {"app": "handmade_atlas.py", "image": f"atlas-{n}.png", "format": "RGBA8888",
                "size": {"w": img.size[0], "h": img.size[1]}, "scale": "1",
                "related_multi_packs": [f"atlas-{m}.json" for m in range(len(pages)) if m != n]}
        with open(os.path.join(folder, f"atlas-{n}.json"), "w") as f:
            json.dump({"frames": page_frames, "meta": meta}, f, indent=2)
    sources.update({alias: sources[name] for alias, name in ALIASES.items()})
    return sources


if __name__ == "__main__":
    os.makedirs(sys.argv[1], exist_ok=True)
    build(sys.argv[1])
