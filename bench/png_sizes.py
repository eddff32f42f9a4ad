#!/usr/bin/python3
"""The PNG atlas's size and writing time at each --png-level, beside the writer it replaced, Pillow's default save,
Pillow's optimize=True and free-tex-packer-core's PNG, all on the same atlas pixels: real games' sprites packed by
quiltbox-cli, and rows at the limits (an incompressible 4096 x 4096 atlas, and 16384 x 8192, the largest PNG atlas).

Usage: bench/png_sizes.py [--repeat N] [--rows NAME...] [--json]      (from anywhere; one command from a clean clone)

Builds the native-release preset when its programs are missing, unpacks the games' sprites (bench/game_sprites.py),
installs free-tex-packer-core as bench/compare_packers.py does (npm ci of bench/peers), packs each set with
quiltbox-cli pack --trim --rotate --alias --packer maxrects --size tight --pages into TGA pages (page 0 is the atlas
measured), and encodes those pixels in memory with:
- build/native-release/bench/png_writer_bench: the writer before zlib (stb_image_write's compressor at level 5, Paeth
  on every row) and every --png-level on one thread and on every core;
- Pillow: Image.save(buffer, "PNG") and with optimize=True, in this process;
- free-tex-packer-core 0.3.9: its own PNG step (encodeTextureBuffer: Jimp's encoder), in Node.js.
Each time is the median of N runs (default 3; 1 for the 16384 x 8192 row). Every PNG is decoded by Pillow and compared
with the atlas's pixels. Prints a Markdown table; build/bench-png/results.json keeps every measurement.
"""
import argparse
import io
import json
import os
import random
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True  # the source tree stays as it is
sys.path.insert(0, os.path.join(ROOT, "bench"))
import compare_packers  # noqa: E402  (Pillow, the build, the peers)
import game_sprites  # noqa: E402

from PIL import Image  # noqa: E402  (compare_packers installed it when it was missing)

WORK = os.path.join(ROOT, "build", "bench-png")
RELEASE = os.path.join(ROOT, "build", "native-release")
CLI = os.path.join(RELEASE, "cli", "quiltbox-cli")
WRITER_BENCH = os.path.join(RELEASE, "bench", "png_writer_bench")
PACK = ["--trim", "--rotate", "--alias", "--packer", "maxrects", "--size", "tight", "--pages"]
LEVELS = ("fast", "default", "best")
LIMIT = (16384, 8192)


def log(text):
    print(text, file=sys.stderr, flush=True)


def ensure_programs():
    if not os.path.exists(CLI) or not os.path.exists(WRITER_BENCH):
        log("building the native-release preset")
        compare_packers.install_deps()
        subprocess.run([os.path.join(ROOT, "scripts", "build-preset.sh"), "native-release"], check=True)


def pack(name, folder, inputs, options):
    """Page 0 of the pack of `inputs` (relative to `folder`) as a TGA file."""
    out = os.path.join(WORK, "atlases", name)
    os.makedirs(out, exist_ok=True)
    for old in os.listdir(out):
        os.remove(os.path.join(out, old))
    subprocess.run([CLI, "pack", *inputs, *options, "--tga", os.path.join(out, "page-{n}.tga"), "--quiet"], cwd=folder,
                   check=True, stdin=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return os.path.join(out, "page-0.tga")


def atlases(rows):
    """{row name: (TGA file, tile size or None, what it is)}."""
    sets = game_sprites.game_sets()
    made = {}
    for name, (folder, sprites) in sets.items():
        if name in rows:
            made[name] = (pack(name, folder, sprites, PACK), None, f"{len(sprites)} sprites of {name}")
    if "both-4096" in rows:
        inputs = [os.path.join(folder, s) for folder, sprites in sets.values() for s in sprites]
        made["both-4096"] = (pack("both-4096", ROOT, inputs, [*PACK[:-3], "--size", "4096x4096", "--pages"]), None,
                             "both games' sprites on a full 4096 × 4096 page")
    if "noise-4096" in rows:
        path = os.path.join(WORK, "atlases", "noise-4096.tga")
        if not os.path.exists(path):
            os.makedirs(os.path.dirname(path), exist_ok=True)
            Image.frombytes("RGBA", (4096, 4096), random.Random(4096).randbytes(4096 * 4096 * 4)).save(path)
        made["noise-4096"] = (path, None, "hostile: 4096 × 4096 of random bytes, incompressible")
    if "limit" in rows and "supertux" in made:
        made["limit"] = (made["supertux"][0], LIMIT, "limit: 16384 × 8192, the supertux atlas repeated")
    return made


def picture(tga, tile):
    with Image.open(tga) as img:
        img = img.convert("RGBA")
    if not tile:
        return img
    big = Image.new("RGBA", tile)
    for y in range(0, tile[1], img.size[1]):
        for x in range(0, tile[0], img.size[0]):
            big.paste(img, (x, y))
    return big


def median_ms(repeat, work):
    times = []
    for _ in range(repeat):
        start = time.perf_counter()
        work()
        times.append((time.perf_counter() - start) * 1000)
    return statistics.median(times)


def ours(tga, tile, repeat, out):
    """{(writer, threads): (bytes, ms)} from png_writer_bench, its PNGs written into `out`."""
    args = [WRITER_BENCH, "--repeat", str(repeat), "--write", out, tga] + (["--tile", "%dx%d" % tile] if tile else [])
    lines = subprocess.run(args, check=True, capture_output=True, text=True).stdout.splitlines()
    return {(r["writer"], r["threads"]): (r["bytes"], r["ms"]) for r in map(json.loads, lines)}


def pillow(img, repeat, **options):
    data = io.BytesIO()
    ms = median_ms(repeat, lambda: (data.seek(0), data.truncate(), img.save(data, "PNG", **options)))
    return data.getvalue(), ms


def free_tex_packer(img, repeat, out):
    raw = os.path.join(out, "pixels.rgba")
    with open(raw, "wb") as f:
        f.write(img.tobytes())
    job = {"tool": "free-tex-packer-core-png", "raw": raw, "width": img.size[0], "height": img.size[1],
           "repeat": repeat, "out": os.path.join(out, "free-tex-packer-core.png")}
    job_file = os.path.join(out, "ftp-job.json")
    with open(job_file, "w") as f:
        json.dump(job, f)
    subprocess.run(["node", "--max-old-space-size=8192", os.path.join(ROOT, "bench", "peers", "pack_peer.js"),
                    compare_packers.NODE_DIR, job_file], check=True)
    os.remove(raw)
    with open(job["out"] + ".json") as f:
        result = json.load(f)
    with open(job["out"], "rb") as f:
        return f.read(), result["ms"]


def check_decodes(png, img, what):
    with Image.open(io.BytesIO(png)) as back:
        if back.size != img.size or back.convert("RGBA").tobytes() != img.tobytes():
            sys.exit(f"png_sizes.py: {what} does not decode to the atlas's pixels")


def measure(name, tga, tile, what, repeat):
    out = os.path.join(WORK, "png", name)
    os.makedirs(out, exist_ok=True)
    repeat = 1 if tile else repeat
    log(f"{name}: our writer at every level")
    row = {"name": name, "what": what, "writers": {}}
    for (writer, threads), (size, ms) in ours(tga, tile, repeat, out).items():
        row["writers"][f"{writer}/{threads}"] = {"bytes": size, "ms": ms}
    img = picture(tga, tile)
    row["size"] = img.size
    stem = os.path.splitext(os.path.basename(tga))[0]
    for level in LEVELS:
        with open(os.path.join(out, f"{stem}-{level}.png"), "rb") as f:
            check_decodes(f.read(), img, f"the {level} PNG of {name}")
    for label, options in (("pillow", {}), ("pillow-optimize", {"optimize": True})):
        log(f"{name}: {label}")
        png, ms = pillow(img, repeat, **options)
        check_decodes(png, img, f"{label}'s PNG of {name}")
        row["writers"][label] = {"bytes": len(png), "ms": ms}
    log(f"{name}: free-tex-packer-core")
    png, ms = free_tex_packer(img, repeat, out)
    check_decodes(png, img, f"free-tex-packer-core's PNG of {name}")
    row["writers"]["free-tex-packer-core"] = {"bytes": len(png), "ms": ms}
    return row


def cell(entry, many=None):
    text = f"{entry['bytes'] / 1e6:.3f} MB, {entry['ms'] / 1000:.2f} s"
    return text + (f" ({many['ms'] / 1000:.2f} s)" if many else "")


def table(rows, threads):
    print(f"| atlas | pixels | before zlib (stb_image_write) | fast | default | best | Pillow | Pillow optimize | "
          f"free-tex-packer-core |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|---:|")
    for row in rows:
        w = row["writers"]
        levels = [cell(w[f"{level}/1"], w.get(f"{level}/{threads}")) for level in LEVELS]
        print(f"| {row['what']} | {row['size'][0]} × {row['size'][1]} | {cell(w['stb/1'])} | {' | '.join(levels)} | "
              f"{cell(w['pillow'])} | {cell(w['pillow-optimize'])} | {cell(w['free-tex-packer-core'])} |")
    print(f"\nOur levels: one thread (in brackets: {threads} threads). Sizes in MB of 10^6 bytes.")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--rows", nargs="+", default=["supertux", "freedroidrpg", "both-4096", "noise-4096", "limit"])
    parser.add_argument("--json", action="store_true", help="print the kept results again without measuring")
    args = parser.parse_args()
    results = os.path.join(WORK, "results.json")
    if args.json:
        with open(results) as f:
            kept = json.load(f)
        table(kept["rows"], kept["threads"])
        return
    ensure_programs()
    compare_packers.ensure_peers()
    rows = [measure(name, *made, args.repeat) for name, made in atlases(args.rows).items()]
    threads = os.cpu_count() or 1
    os.makedirs(WORK, exist_ok=True)
    with open(results, "w") as f:
        json.dump({"threads": threads, "rows": rows, "peers": compare_packers.peer_versions()}, f, indent=1)
    table(rows, threads)


if __name__ == "__main__":
    main()
