#!/usr/bin/env python3
"""Writes the fuzzers' seed corpora into tests/fuzz/corpus/<target>/: a handful of small sound files per target.

The files are committed; run this again (python3 tests/fuzz/make_seeds.py) after changing it. Everything is built
byte by byte here, independently of the program's own writers, and the replay test checks that the program takes each
seed whole. Project seeds are the fuzz_project input form: the project file, then the image files a.bmp, b.tga, c.bmp
and d.tga, each behind the separator "#QBFILE#".
"""

import os
import shutil
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SEPARATOR = b"#QBFILE#"
IMAGE_NAMES = ("a.bmp", "b.tga", "c.bmp", "d.tga")  # the image parts of a project input, in order


def pattern(c, r, salt=0):
    """A different colour in every pixel of a small picture, with an alpha that varies too."""
    return ((c * 37 + salt) & 0xFF, (r * 59 + 11 * salt) & 0xFF, (c * r * 13 + 7) & 0xFF, (255 - c * 17 - r * 5) & 0xFF)


def bmp24(width, height, salt=0, info_size=40):
    stride = (width * 3 + 3) & ~3
    rows = b""
    for r in range(height - 1, -1, -1):  # bottom row first
        row = b"".join(bytes((b, g, rr)) for rr, g, b, _ in (pattern(c, r, salt) for c in range(width)))
        rows += row + b"\0" * (stride - len(row))
    offset = 14 + info_size
    info = struct.pack("<IiiHHIIiiII", info_size, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    info += b"\0" * (info_size - 40)
    return struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset) + info + rows


def bmp8(width, height, palette, clr_used, index, gap=0):
    stride = (width + 3) & ~3
    rows = b""
    for r in range(height - 1, -1, -1):
        row = bytes(index(c, r) for c in range(width))
        rows += row + b"\0" * (stride - len(row))
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + 40 + len(table) + gap
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(rows), 0, 0, clr_used, 0)
    return struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset) + info + table + b"\0" * gap + rows


def tga32(width, height, salt=0, top_left=False, image_id=b""):
    order = range(height) if top_left else range(height - 1, -1, -1)
    data = b"".join(
        bytes((b, g, r, a)) for row in order for r, g, b, a in (pattern(c, row, salt) for c in range(width)))
    header = struct.pack("<BBBHHBHHHHBB", len(image_id), 0, 2, 0, 0, 0, 0, 0, width, height, 32,
                         8 | (0x20 if top_left else 0))
    return header + image_id + data


def text(value, size):
    data = value.encode("cp932") if isinstance(value, str) else value
    assert len(data) <= size
    return data + b"\0" * (size - len(data))


def record(version=246, area=(256, 256), zoom=256, spacing=1, prefix="IDT_", absolute=0, ratio=0, usual=(),
           header="#pragma once\n\n// テクスチャーIDリスト\n", declaration="#define", connector="", by_edge=1,
           reverse=(0, 0), show=(4, 0, 0, 1)):
    """The settings record: the defaults unless told otherwise; a 214 record is its first 1356 bytes."""
    out = struct.pack("<9i", version, area[0], area[1], zoom, show[0], show[1], show[2], show[3], spacing)
    out += text(prefix, 32) + struct.pack("<ii", absolute, ratio)
    paths = list(usual) + [""] * (5 - len(usual))
    out += b"".join(text(p, 256) for p in paths)
    if version == 214:
        assert len(out) == 1356
        return out
    out += text(header, 128) + text(declaration, 64) + text(connector, 64)
    out += struct.pack("<iii", by_edge, reverse[0], reverse[1])
    assert len(out) == 1624
    return out


def stored_text(value):
    data = value.encode("cp932")
    padded = (len(data) + 1) & ~1
    return struct.pack("<h", padded) + data + b"\0" * (padded - len(data))


def image_list(images):
    out = struct.pack("<i", len(images))
    for path, name, x, y in images:
        out += stored_text(path) + stored_text(name) + struct.pack("<hh", x, y)
    return out


def project_input(project, *image_files):
    return SEPARATOR.join((project,) + image_files)


def seeds():
    full_palette = [(i, 255 - i, (i * 7) & 0xFF) for i in range(256)]
    yield "bmp", "24bit-3x2-padded.bmp", bmp24(3, 2)
    yield "bmp", "24bit-16x16.bmp", bmp24(16, 16, salt=3)
    yield "bmp", "24bit-2x2-v5-header.bmp", bmp24(2, 2, salt=5, info_size=124)
    yield "bmp", "8bit-4x3-full-palette.bmp", bmp8(4, 3, full_palette, 0, lambda c, r: (c * 60 + r * 7) & 0xFF)
    yield "bmp", "8bit-5x2-4-colours-index-past-palette.bmp", bmp8(
        5, 2, [(255, 0, 0), (0, 255, 0), (0, 0, 255), (9, 9, 9)], 4, lambda c, r: (c + r) % 6)
    yield "bmp", "8bit-3x3-gap-before-pixels.bmp", bmp8(
        3, 3, [(10, 20, 30), (40, 50, 60)], 2, lambda c, r: (c ^ r) & 1, gap=6)

    yield "tga", "3x2-bottom-up.tga", tga32(3, 2)
    yield "tga", "4x4-top-down.tga", tga32(4, 4, salt=2, top_left=True)
    yield "tga", "2x3-with-image-id.tga", tga32(2, 3, salt=4, image_id=b"quiltbox")
    yield "tga", "16x8.tga", tga32(16, 8, salt=6)
    yield "tga", "1x1.tga", tga32(1, 1, salt=8)

    yield "settings", "246-defaults.qbp", record()
    yield "settings", "214-old.qbp", record(version=214, area=(512, 128), spacing=3, absolute=1,
                                             usual=("C:\\tex\\atlas.bmp", "", "D:\\出力\\uv.quv"))
    yield "settings", "246-every-option.qbp", record(
        area=(64, 32), zoom=1024, spacing=0, prefix="ＩＤ_", absolute=1, ratio=1,
        usual=("C:\\a.bmp", "C:\\a.tga", "C:\\a.quv", "C:\\uv.h", "C:\\id.h"),
        header="// ヘッダ\n", declaration="const int", connector="= ", by_edge=0, reverse=(1, 1), show=(2, 1, 1, 0))
    yield "settings", "246-with-image-list.qbp", record() + image_list([(".\\a.bmp", "A", 1, 2)])

    a = bmp24(4, 3, salt=1)
    b = tga32(3, 2, salt=2)
    c = bmp8(6, 5, full_palette, 0, lambda x, y: (x * 40 + y) & 0xFF)
    d = tga32(20, 20, salt=9, top_left=True)
    yield "project", "two-images.fuzz", project_input(
        record() + image_list([(".\\a.bmp", "A", 0, 0), (".\\b.tga", "B", 10, 0)]), a, b)
    yield "project", "four-images-small-area.fuzz", project_input(
        record(area=(32, 32), spacing=2, by_edge=0, ratio=1, reverse=(1, 1)) +
        image_list([(".\\a.bmp", "草", 0, 0), (".\\b.tga", "TREE", 5, 5), (".\\c.bmp", "ROCK", -3, 40),
                    (".\\d.tga", "WATER_01", 100, 100)]), a, b, c, d)
    yield "project", "old-record-same-file-twice.fuzz", project_input(
        record(version=214, area=(128, 64), spacing=0) +
        image_list([(".\\c.bmp", "SAME", -5, -5), (".\\c.bmp", "SAME", 32767, -32768)]), b"", b"", c)
    yield "project", "no-images.fuzz", project_input(record(spacing=-1) + image_list([]))
    yield "project", "one-file-many-times.fuzz", project_input(
        record(area=(16, 16), spacing=0, prefix="T_", connector="= ") +
        image_list([(".\\a.bmp", "TILE%d" % i, i, i) for i in range(12)]), a)
    yield "project", "crowded-mixed-sizes.fuzz", project_input(
        record(area=(48, 40), spacing=1) +
        image_list([(".\\" + IMAGE_NAMES[i % 4], "I%d" % i, 0, 0) for i in range(16)]), a, b, c, tga32(9, 7, salt=3))
    # Names past 127 bytes (cut at a character boundary), a long path that a saved project can still hold and one too
    # long for it (saving then fails).
    yield "project", "long-names-and-paths.fuzz", project_input(
        record(absolute=0) +
        image_list([(".\\" * 40 + "a.bmp", "名前" * 40, 1, 1), (".\\" * 110 + "b.tga", "X" + "長" * 70, 2, 2)]),
        a, b)


def main():
    corpus = os.path.join(HERE, "corpus")
    shutil.rmtree(corpus, ignore_errors=True)
    for target, name, data in seeds():
        folder = os.path.join(corpus, target)
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
        print("%-9s %-45s %5d bytes" % (target, name, len(data)))


if __name__ == "__main__":
    main()
