"""Sprites for the command line's atlas tests, written by Pillow in every format the command line reads, and a frame of
a JSON hash drawn back from its atlas as an engine draws it."""
import os
import random

from PIL import Image

SOFT = (255, 255, 255, 200, 128, 64, 1)  # mostly opaque, some partly transparent, one almost transparent


def noise(size, seed, margin=(0, 0, 0, 0), alphas=(255,)):
    """Pixels no two of which are alike by chance; `margin` (left, top, right, bottom) fully transparent, its colour
    left black."""
    rng = random.Random(seed)
    img = Image.new("RGBA", size, (0, 0, 0, 0))
    left, top, right, bottom = margin
    for y in range(top, size[1] - bottom):
        for x in range(left, size[0] - right):
            img.putpixel((x, y), (rng.randrange(256), rng.randrange(256), rng.randrange(256), rng.choice(alphas)))
    return img


def write_sprites(folder, odd_names=False):
    """Writes a PNG of each kind, 24- and 8-bit BMPs and TGAs stored either way up, some with transparent margins, a
    blank one, a tall one and three identical ones (PNG, BMP, TGA), and with `odd_names` two whose names a Windows file
    system would not take or a data format must escape; returns {frame name: the picture as Pillow decodes the
    file}, the frame names being the files' names without extension."""
    twin = noise((6, 4), 10)
    leaf = noise((7, 10), 3).convert("RGB").quantize(16)
    leaf.info["transparency"] = 0  # the palette's first colour becomes transparent
    files = {
        "ruby.png": noise((12, 9), 1, (2, 1, 0, 3), SOFT),
        "leaf.png": leaf,
        "mist.png": noise((6, 6), 4, alphas=SOFT).convert("LA"),
        "brick.bmp": noise((10, 6), 5).convert("RGB"),
        "coin.bmp": noise((5, 5), 6).convert("RGB").quantize(8),
        "gem.tga": noise((8, 11), 7, (1, 2, 3, 0), SOFT),
        "star.tga": noise((9, 7), 8, (0, 0, 2, 2), SOFT),
        "pole.png": noise((5, 20), 9, (0, 1, 0, 0)),
        "blank.png": Image.new("RGBA", (5, 5), (0, 0, 0, 0)),
        "twin_a.png": twin,
        "twin_b.bmp": twin.convert("RGB"),
        "twin_c.tga": twin,
    }
    if odd_names:
        files.update({'a&b<"c">.png': noise((6, 5), 11, (1, 0, 0, 1)), "砂.png": noise((4, 4), 12)})
    expected = {}
    for name, img in files.items():
        path = os.path.join(folder, name)
        img.save(path, **({"orientation": 1} if name == "star.tga" else {}))  # top row first; the others bottom first
        with Image.open(path) as back:
            expected[os.path.splitext(name)[0]] = back.convert("RGBA")
    return expected


def draw_back(atlas, entry):
    """A frame as its JSON-hash entry describes it: the region at `frame` (w x h, or h x w when `rotated`, since a
    rotated sprite was turned 90 degrees clockwise into the atlas), turned back, and placed at spriteSourceSize's x, y
    on a transparent canvas of sourceSize."""
    f = entry["frame"]
    w, h = (f["h"], f["w"]) if entry["rotated"] else (f["w"], f["h"])
    region = atlas.crop((f["x"], f["y"], f["x"] + w, f["y"] + h))
    if entry["rotated"]:
        region = region.transpose(Image.Transpose.ROTATE_90)  # counter-clockwise: undoes the clockwise turn
    if not entry["trimmed"]:
        return region
    canvas = Image.new("RGBA", (entry["sourceSize"]["w"], entry["sourceSize"]["h"]), (0, 0, 0, 0))
    canvas.paste(region, (entry["spriteSourceSize"]["x"], entry["spriteSourceSize"]["y"]))
    return canvas


def seen(img):
    """The pixels as an engine shows them: a fully transparent pixel has no colour."""
    return [p if p[3] else (0, 0, 0, 0) for p in img.convert("RGBA").getdata()]


def nine_patch(inside, stretch, content=None):
    """`inside` framed as a nine-patch: black marks on the top row and the left column over the stretching area, and
    when `content` is given on the bottom row and the right column over the content area; each is (left, top, right,
    bottom), the widths of `inside` outside the area."""
    w, h = inside.size
    img = Image.new("RGBA", (w + 2, h + 2), (0, 0, 0, 0))
    img.paste(inside, (1, 1))
    for (left, top, right, bottom), row, column in ((stretch, 0, 0), *([(content, h + 1, w + 1)] if content else [])):
        for x in range(left, w - right):
            img.putpixel((1 + x, row), (0, 0, 0, 255))
        for y in range(top, h - bottom):
            img.putpixel((column, 1 + y), (0, 0, 0, 255))
    return img


def write_tree(root, files):
    """Writes {path relative to root: a picture (saved by Pillow in the format of its extension) or bytes}, making the
    folders; returns {path: the picture as Pillow decodes the file}."""
    decoded = {}
    for name, content in files.items():
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        if isinstance(content, bytes):
            with open(path, "wb") as f:
                f.write(content)
            continue
        content.save(path)
        with Image.open(path) as back:
            decoded[name] = back.convert("RGBA")
    return decoded
