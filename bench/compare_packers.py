#!/usr/bin/python3
"""quiltbox-cli beside the atlas packers its users would pick instead, on the same generated sprites in one run.

Usage: bench/compare_packers.py [options]        (from anywhere; one command from a clean clone)

Builds the native-release quiltbox-cli when it is missing (scripts/build-preset.sh), installs the peers pinned in
bench/peers/package-lock.json with `npm ci` into build/bench-peers/node (again only when the lock file changed),
generates the sprite sets with a fixed seed in build/bench-peers/sets, and runs every tool on every set:

- quiltbox-cli: --packer design, --packer maxrects with each --rule, --packer best (the rows an option needs appear
  when `quiltbox-cli pack --help` offers it; until then only today's design packer runs);
- free-tex-packer-core (npm): its default packer, each MaxRectsBin method and OptimalPacker, through packAsync;
- maxrects-packer (npm): a packing library without image I/O, so only the packing call is timed; it gets the sizes
  the sprites have after trimming and identical-image detection, as a build script around it would feed it.

Every side gets the same settings: 1 pixel of padding/spacing, pages of at most 4096 x 4096 either rounded to powers
of two ("pow2": quiltbox's --size auto) or of any size ("free": quiltbox's --size tight, the peers without
power-of-two rounding), and trimming, rotation and identical-image detection all off ("off") or all on ("all").
Each run is one whole process under /usr/bin/time -v: decode, pack, the PNG pages and JSON hashes written. Its
pages, page sizes and total page area are read back from the files written, which are checked: every sprite drawn
back from its page as an engine does must equal its source and no two sprites may overlap (sprites closer than the
spacing to each other or to the page edge are counted in a note).

The 10,000-sprite stress set of bench/stress_cli.py runs quiltbox-cli alone (--packer maxrects --rotate --trim
--alias --size auto once that exists), against a limit of 5 s and 512 MiB.

Prints Markdown tables; the raw results (with OptimalPacker's every trial) go to build/bench-peers/results.json.
"""
import argparse
import hashlib
import json
import os
import random
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def install_deps():
    """The project's own setup (Pillow, GNU time, the compilers): it installs only what is missing."""
    subprocess.run([os.path.join(ROOT, "scripts", "install-deps.sh")], check=True)


try:
    from PIL import Image, ImageChops, ImageDraw
except ImportError:
    install_deps()
    from PIL import Image, ImageChops, ImageDraw

BENCH = os.path.join(ROOT, "bench")
WORK = os.path.join(ROOT, "build", "bench-peers")
NODE_DIR = os.path.join(WORK, "node")
DEFAULT_CLI = os.path.join(ROOT, "build", "native-release", "cli", "quiltbox-cli")

MAX_SIDE = 4096
SPACING = 1
GENERATOR_VERSION = 1  # bump when the sprites change, so that kept sets are made again

# name: (sprite count, size kind, seed)
SETS = {
    "mixed300": (300, "mixed", 3001),
    "small1000": (1000, "small", 1002),
    "mixed3000": (3000, "mixed", 3003),
}
DUPLICATE_SHARE = 0.1
STRESS_COUNT = 10000
STRESS_LIMITS = (5.0, 512)  # seconds, MiB
NODE_AT_LEAST = (20, 9)  # sharp 0.35, which free-tex-packer-core 0.3.9 loads, asks for it (Debian 12 has 18)

MODES = ("pow2", "free")
CONFIGS = {  # name: (trim, rotate, alias)
    "off": (False, False, False),
    "trim": (True, False, False),
    "rotate": (False, True, False),
    "alias": (False, False, True),
    "all": (True, True, True),
}
FTP_METHODS = [
    ("MaxRectsBin", "BestShortSideFit", "default: MaxRectsBin BestShortSideFit"),
    ("MaxRectsBin", "BestLongSideFit", "MaxRectsBin BestLongSideFit"),
    ("MaxRectsBin", "BestAreaFit", "MaxRectsBin BestAreaFit"),
    ("MaxRectsBin", "BottomLeftRule", "MaxRectsBin BottomLeftRule"),
    ("MaxRectsBin", "ContactPointRule", "MaxRectsBin ContactPointRule"),
    ("OptimalPacker", "Automatic", "OptimalPacker"),
]
# ContactPointRule scores every free rectangle against every sprite placed so far, for every sprite left, on each
# step: thousands of sprites take it tens of minutes. This row shows what OptimalPacker keeps without it, where the
# whole does not end in time.
FTP_REFERENCE = ("OptimalPacker", "Automatic", "OptimalPacker without ContactPointRule (reference)",
                 ["ContactPointRule"])
MRP_LOGICS = [(1, "MAX_EDGE (default)"), (0, "MAX_AREA")]
QB_RULES = ["short-side", "long-side", "area", "bottom-left", "contact"]


def log(text):
    print(text, file=sys.stderr, flush=True)


# ---------------------------------------------------------------------------------------------------------- setup

def ensure_cli(cli):
    if os.path.exists(cli):
        return
    if os.path.abspath(cli) != DEFAULT_CLI:
        sys.exit(f"compare_packers.py: {cli} does not exist")
    log("building the native-release preset for quiltbox-cli")
    install_deps()
    subprocess.run([os.path.join(ROOT, "scripts", "build-preset.sh"), "native-release"], check=True)


def ensure_peers():
    """Node.js from Debian when it is missing, then the pinned peers through npm ci, redone when the lock changes."""
    if not shutil.which("node") or not shutil.which("npm"):
        log("installing nodejs and npm")
        sudo = [] if os.geteuid() == 0 else ["sudo"]
        env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
        subprocess.run(sudo + ["apt-get", "update", "-qq"], check=True, env=env)
        subprocess.run(sudo + ["apt-get", "install", "-y", "-qq", "--no-install-recommends", "nodejs", "npm"],
                       check=True, env=env)
    version = subprocess.run(["node", "--version"], capture_output=True, text=True).stdout.strip()
    if tuple(int(n) for n in re.findall(r"\d+", version)[:2]) < NODE_AT_LEAST:
        sys.exit(f"compare_packers.py: the peers need Node.js {'.'.join(map(str, NODE_AT_LEAST))} or later (the "
                 f"image library free-tex-packer-core loads asks for it); this one is {version}")
    lock_src = os.path.join(BENCH, "peers", "package-lock.json")
    with open(lock_src, "rb") as f:
        stamp = hashlib.sha256(f.read()).hexdigest()
    stamp_file = os.path.join(NODE_DIR, "installed.sha256")
    if os.path.exists(stamp_file) and open(stamp_file).read().strip() == stamp:
        return
    os.makedirs(NODE_DIR, exist_ok=True)
    for name in ("package.json", "package-lock.json"):
        shutil.copyfile(os.path.join(BENCH, "peers", name), os.path.join(NODE_DIR, name))
    log("installing the peers with npm ci")
    subprocess.run(["npm", "ci", "--no-audit", "--no-fund", "--loglevel=error"], cwd=NODE_DIR, check=True)
    with open(stamp_file, "w") as f:
        f.write(stamp + "\n")


def peer_versions():
    versions = {}
    for name in ("free-tex-packer-core", "maxrects-packer", "jimp"):
        with open(os.path.join(NODE_DIR, "node_modules", name, "package.json")) as f:
            versions[name] = json.load(f)["version"]
    versions["node"] = subprocess.run(["node", "--version"], capture_output=True, text=True).stdout.strip()
    return versions


def cli_features(cli):
    """What this quiltbox-cli offers, read from its pack help."""
    text = subprocess.run([cli, "pack", "--help"], capture_output=True, text=True).stdout
    has = lambda option: re.search(r"(^|\s)" + re.escape(option) + r"\b", text, re.M) is not None
    return {
        "packer": has("--packer"),
        "rule": has("--rule"),
        "trim": has("--trim"),
        "rotate": has("--rotate"),
        "alias": has("--alias"),
        "pages": has("--pages"),
        "tight": re.search(r"--size\b[^\n]*\btight\b", text) is not None,
    }


# ---------------------------------------------------------------------------------------------------------- sprites

def sprite_size(rng, kind):
    if kind == "small":
        return rng.randint(8, 48), rng.randint(8, 48)
    roll = rng.random()
    if roll < 0.55:
        return rng.randint(8, 48), rng.randint(8, 48)
    if roll < 0.82:
        return rng.randint(48, 128), rng.randint(48, 128)
    if roll < 0.92:
        return rng.randint(128, 256), rng.randint(128, 256)
    long_side, short_side = rng.randint(128, 256), rng.randint(8, 24)  # bars and strips, which rotation helps
    return (long_side, short_side) if rng.random() < 0.5 else (short_side, long_side)


def draw_sprite(rng, w, h):
    """An RGBA sprite: a textured ellipse or box with a half-transparent rim, inside transparent margins on most
    sprites; every fully transparent pixel is (0, 0, 0, 0)."""
    left = top = right = bottom = 0
    if rng.random() < 0.75:
        left, right = rng.randint(0, w // 4), rng.randint(0, w // 4)
        top, bottom = rng.randint(0, h // 4), rng.randint(0, h // 4)
    cw, ch = w - left - right, h - top - bottom
    tw, th = max(1, min(cw, rng.randint(2, 12))), max(1, min(ch, rng.randint(2, 12)))
    texture = Image.frombytes("RGB", (tw, th), rng.randbytes(tw * th * 3)).resize((cw, ch), Image.Resampling.NEAREST)
    base = Image.new("RGB", (cw, ch), (rng.randrange(256), rng.randrange(256), rng.randrange(256)))
    colour = Image.blend(base, texture, 0.35)
    alpha = Image.new("L", (cw, ch), 0)
    draw = ImageDraw.Draw(alpha)
    box = [0, 0, cw - 1, ch - 1]
    if rng.random() < 0.5:
        draw.ellipse(box, fill=128)
        if cw > 4 and ch > 4:
            draw.ellipse([2, 2, cw - 3, ch - 3], fill=255)
    else:
        draw.rectangle(box, fill=128)
        if cw > 2 and ch > 2:
            draw.rectangle([1, 1, cw - 2, ch - 2], fill=255)
    content = Image.new("RGBA", (cw, ch), (0, 0, 0, 0))
    content.paste(Image.merge("RGBA", (*colour.split(), alpha)), (0, 0), alpha.point(lambda a: 255 if a else 0))
    sprite = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    sprite.paste(content, (left, top))
    return sprite


def make_set(name):
    """The set's sprites, made once and kept; returns its manifest."""
    count, kind, seed = SETS[name]
    folder = os.path.join(WORK, "sets", name)
    manifest_path = os.path.join(folder, "manifest.json")
    if os.path.exists(manifest_path):
        with open(manifest_path) as f:
            manifest = json.load(f)
        if manifest.get("version") == GENERATOR_VERSION:
            return manifest
    log(f"generating {name}")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    rng = random.Random(seed)
    sprites, originals = [], []
    for i in range(count):
        file = f"s{i:04d}.png"
        path = os.path.join(folder, file)
        if originals and rng.random() < DUPLICATE_SHARE:
            source = rng.choice(originals)
            shutil.copyfile(os.path.join(folder, source["file"]), path)  # the very same bytes
            sprites.append(dict(source, file=file, duplicate_of=source["file"]))
            continue
        w, h = sprite_size(rng, kind)
        image = draw_sprite(rng, w, h)
        image.save(path)
        box = image.getchannel("A").getbbox() or (0, 0, 1, 1)
        entry = {"file": file, "w": w, "h": h, "trim": [box[0], box[1], box[2] - box[0], box[3] - box[1]],
                 "duplicate_of": None}
        sprites.append(entry)
        originals.append(entry)
    manifest = {"version": GENERATOR_VERSION, "name": name, "kind": kind, "seed": seed, "sprites": sprites}
    with open(manifest_path, "w") as f:
        json.dump(manifest, f)
    return manifest


def packed_sizes(manifest, trim, alias):
    """The rectangles a packer must place: each sprite's size after trimming, duplicates once when aliased."""
    sizes = []
    for s in manifest["sprites"]:
        if alias and s["duplicate_of"]:
            continue
        sizes.append((s["trim"][2], s["trim"][3]) if trim else (s["w"], s["h"]))
    return sizes


def describe_set(manifest):
    sprites = manifest["sprites"]
    duplicates = sum(1 for s in sprites if s["duplicate_of"])
    full = sum(s["w"] * s["h"] for s in sprites)
    kept = sum(w * h for w, h in packed_sizes(manifest, True, True))
    lo, hi = (8, 48) if manifest["kind"] == "small" else (8, 256)
    return (f"{len(sprites)} PNG sprites of {lo}–{hi} px ({duplicates} exact duplicates), "
            f"{full / 1e6:.2f} Mpx in all, {kept / 1e6:.2f} Mpx trimmed without the duplicates")


# ---------------------------------------------------------------------------------------------------------- running

def measure(args, cwd, timeout):
    """Runs one whole process under GNU time: (wall seconds, peak MiB, error text or None)."""
    with tempfile.NamedTemporaryFile("r", suffix=".time") as report:
        start = time.perf_counter()
        process = subprocess.Popen(["/usr/bin/time", "-v", "-o", report.name] + args, cwd=cwd,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True,
                                   start_new_session=True)
        try:
            _, stderr = process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, 9)
            process.communicate()
            return None, None, f"timed out after {timeout} s"
        seconds = time.perf_counter() - start
        text = report.read()
    peak = re.search(r"Maximum resident set size \(kbytes\): (\d+)", text)
    if process.returncode != 0:
        return seconds, None, (stderr.strip().splitlines() or [f"exit status {process.returncode}"])[0][:300]
    return seconds, int(peak.group(1)) / 1024 if peak else None, None


def run_repeated(args, cwd, out, repeat, timeout):
    times, peaks = [], []
    for _ in range(repeat):
        shutil.rmtree(out, ignore_errors=True)
        os.makedirs(out)
        seconds, peak, error = measure(args, cwd, timeout)
        if error:
            return None, None, error
        times.append(seconds)
        peaks.append(peak)
    return statistics.median(times), statistics.median(peaks), None


def quiltbox_jobs(features, mode, config):
    """(label, extra arguments) for each quiltbox row this build can run, or a reason why none can."""
    trim, rotate, alias = CONFIGS[config]
    missing = [o for o, on in (("--trim", trim), ("--rotate", rotate), ("--alias", alias)) if on and
               not features[o[2:]]]
    if mode == "free" and not features["tight"]:
        missing.append("--size tight")
    if missing:
        return [], "needs " + " ".join(missing)
    common = ["--size", "auto" if mode == "pow2" else "tight", "--max-size", f"{MAX_SIDE}x{MAX_SIDE}",
              "--spacing", str(SPACING)]
    common += ["--trim"] * trim + ["--rotate"] * rotate + ["--alias"] * alias
    if not features["packer"]:
        return [("--packer design", common)], None
    jobs = [("--packer design", ["--packer", "design"] + common)]
    rules = QB_RULES if features["rule"] else [None]
    for rule in rules:
        label = f"--packer maxrects --rule {rule}" if rule else "--packer maxrects"
        jobs.append((label, ["--packer", "maxrects"] + (["--rule", rule] if rule else []) + common))
    jobs.append(("--packer best", ["--packer", "best"] + common))
    return jobs, None


def run_quiltbox(cli, features, folder, files, extra, out, args):
    outputs = ["--png", "atlas-{n}.png", "--json", "atlas-{n}.json", "--pages"] if features["pages"] else \
        ["--png", "atlas.png", "--json", "atlas.json"]
    outputs = [os.path.join(out, o) if o.startswith("atlas") else o for o in outputs]
    return run_repeated([cli, "pack", *files, *extra, *outputs, "--quiet"], folder, out, args.repeat, args.timeout)


def run_ftp(folder, files, packer, method, leave_out, mode, config, out, args):
    trim, rotate, alias = CONFIGS[config]
    job = {
        "tool": "free-tex-packer-core",
        "files": [os.path.join(folder, f) for f in files],
        "out": out,
        "recordCombos": packer == "OptimalPacker",
        "leaveOut": leave_out,
        "options": {
            "textureName": "atlas", "width": MAX_SIDE, "height": MAX_SIDE, "fixedSize": False,
            "powerOfTwo": mode == "pow2", "padding": SPACING, "extrude": 0, "allowRotation": rotate,
            "detectIdentical": alias, "allowTrim": trim, "trimMode": "trim", "alphaThreshold": 0,
            "exporter": "JsonHash", "textureFormat": "png", "removeFileExtension": True,
            "prependFolderName": False, "packer": packer, "packerMethod": method,
        },
    }
    job_file = out.rstrip("/") + ".job.json"
    with open(job_file, "w") as f:
        json.dump(job, f)
    return run_repeated(["node", os.path.join(BENCH, "peers", "pack_peer.js"), NODE_DIR, job_file], folder, out,
                        args.repeat, args.timeout)


def run_mrp(manifest, logic, mode, config, out, args):
    trim, rotate, alias = CONFIGS[config]
    job = {
        "tool": "maxrects-packer", "out": out, "width": MAX_SIDE, "height": MAX_SIDE, "padding": SPACING,
        "rects": packed_sizes(manifest, trim, alias),
        "options": {"smart": True, "pot": mode == "pow2", "square": False, "allowRotation": rotate,
                    "border": SPACING, "logic": logic},
    }
    job_file = out.rstrip("/") + ".job.json"
    with open(job_file, "w") as f:
        json.dump(job, f)
    pack_times = []
    for _ in range(args.repeat):
        shutil.rmtree(out, ignore_errors=True)
        _, _, error = measure(["node", os.path.join(BENCH, "peers", "pack_peer.js"), NODE_DIR, job_file],
                              os.path.dirname(out), args.timeout)
        if error:
            return None, error
        with open(os.path.join(out, "bins.json")) as f:
            pack_times.append(json.load(f)["packMs"] / 1000)
    return statistics.median(pack_times), None


# ---------------------------------------------------------------------------------------------------------- checking

def spacing_faults(rects, page_w, page_h, gap):
    """Counts rectangles (x, y, w, h) that overlap, come closer than gap to each other or to the page's edges, or
    leave the page. Identical rectangles (one image shared by aliases) count once."""
    overlaps = close = edges = outside = 0
    rects = sorted(set(rects))
    for x, y, w, h in rects:
        if x < 0 or y < 0 or x + w > page_w or y + h > page_h:
            outside += 1
        elif x < gap or y < gap or x + w + gap > page_w or y + h + gap > page_h:
            edges += 1
    active = []
    for r in rects:
        x, y, w, h = r
        active = [a for a in active if a[0] + a[2] + gap > x]
        for ax, ay, aw, ah in active:
            if ay < y + h + gap and y < ay + ah + gap:
                if ax + aw > x and ay < y + h and y < ay + ah:
                    overlaps += 1
                else:
                    close += 1
        active.append(r)
    return overlaps, close, edges, outside


class SourceCache:
    """The sources' pixels with every fully transparent pixel made (0, 0, 0, 0), loaded once for all checks."""

    def __init__(self):
        self.images = {}

    def get(self, path):
        if path not in self.images:
            self.images[path] = normalise(Image.open(path).convert("RGBA"))
        return self.images[path]


def normalise(image):
    mask = image.getchannel("A").point(lambda a: 255 if a else 0)
    return Image.composite(image, Image.new("RGBA", image.size, (0, 0, 0, 0)), mask)


def frame_key(name):
    """Frames are keyed by the file's name without its extension (quiltbox's image names, the peers' with
    removeFileExtension); compared without letter case."""
    return os.path.splitext(os.path.basename(name))[0].lower()


def check_atlas_output(out, manifest, folder, sources, verify_pixels):
    """Reads back the JSON hashes and PNG pages a tool wrote: (page sizes, problems)."""
    problems = []
    json_files = sorted(f for f in os.listdir(out) if f.endswith(".json") and f != "combos.json")
    expected = {frame_key(s["file"]): s for s in manifest["sprites"]}
    seen = {}
    pages = []
    bad_pixels = 0
    fault_totals = [0, 0, 0, 0]
    for json_file in json_files:
        with open(os.path.join(out, json_file), encoding="utf-8") as f:
            data = json.load(f)
        image_path = os.path.join(out, data["meta"]["image"])
        atlas = Image.open(image_path)
        pages.append(atlas.size)
        if tuple(data["meta"]["size"][k] for k in ("w", "h")) != atlas.size:
            problems.append(f"{json_file}: meta.size is not the PNG's size")
        if verify_pixels:
            atlas = normalise(atlas.convert("RGBA"))
        rects = []
        for name, entry in data["frames"].items():
            key = frame_key(name)
            seen[key] = seen.get(key, 0) + 1
            fr = entry["frame"]
            w, h = (fr["h"], fr["w"]) if entry["rotated"] else (fr["w"], fr["h"])
            rects.append((fr["x"], fr["y"], w, h))
            if key not in expected or not verify_pixels:
                continue
            region = atlas.crop((fr["x"], fr["y"], fr["x"] + w, fr["y"] + h))
            if entry["rotated"]:
                region = region.transpose(Image.Transpose.ROTATE_90)  # turned clockwise in the atlas
            sss, size = entry["spriteSourceSize"], entry["sourceSize"]
            drawn = Image.new("RGBA", (size["w"], size["h"]), (0, 0, 0, 0))
            drawn.paste(region, (sss["x"], sss["y"]))
            if region.size != (sss["w"], sss["h"]) or \
                    ImageChops.difference(drawn, sources.get(os.path.join(folder, expected[key]["file"]))).getbbox():
                bad_pixels += 1
        for i, n in enumerate(spacing_faults(rects, atlas.size[0], atlas.size[1], SPACING)):
            fault_totals[i] += n
    missing = sum(1 for k in expected if k not in seen)
    extra = sum(1 for k in seen if k not in expected) + sum(n - 1 for n in seen.values() if n > 1)
    for count, text in ((missing, "missing"), (extra, "unknown or repeated frames"),
                        (bad_pixels, "drawn back wrong"), (fault_totals[0], "overlapping pairs"),
                        (fault_totals[3], "sprites off the page")):
        if count:
            problems.append(f"{count} {text}")
    return pages, problems, spacing_notes(fault_totals)


def spacing_notes(totals):
    """Closeness that leaves every sprite intact: worth a note beside the area, not a failed run."""
    notes = []
    for count, text in ((totals[1], "pairs closer than 1 px"), (totals[2], "sprites closer than 1 px to the edge")):
        if count:
            notes.append(f"{count} {text}")
    return notes


def check_mrp_output(out, expected_sizes):
    with open(os.path.join(out, "bins.json")) as f:
        data = json.load(f)
    problems, pages, placed = [], [], 0
    totals = [0, 0, 0, 0]
    for b in data["bins"]:
        pages.append((b["width"], b["height"]))
        if b["oversized"]:
            problems.append("an oversized bin")
        rects = []
        for x, y, w, h, rot, index in b["rects"]:
            ew, eh = expected_sizes[index]
            if (w, h) != ((eh, ew) if rot else (ew, eh)):
                problems.append(f"rectangle {index} changed size")
            rects.append((x, y, w, h))
            placed += 1
        for i, n in enumerate(spacing_faults(rects, b["width"], b["height"], SPACING)):
            totals[i] += n
    if placed != len(expected_sizes):
        problems.append(f"{len(expected_sizes) - placed} rectangles not placed")
    for count, text in ((totals[0], "overlapping pairs"), (totals[3], "off the page")):
        if count:
            problems.append(f"{count} {text}")
    return pages, problems, spacing_notes(totals)


# ---------------------------------------------------------------------------------------------------------- report

def fmt_pages(pages):
    counts = {}
    for w, h in pages:
        counts[(w, h)] = counts.get((w, h), 0) + 1
    return " + ".join(f"{n} × {w}×{h}" if n > 1 else f"{w}×{h}" for (w, h), n in counts.items())


def fmt_int(n):
    return f"{n:,}"


def print_tables(results, meta):
    print(f"Peers: free-tex-packer-core {meta['versions']['free-tex-packer-core']} (Jimp "
          f"{meta['versions']['jimp']}), maxrects-packer {meta['versions']['maxrects-packer']}, Node.js "
          f"{meta['versions']['node']}. quiltbox-cli offers: "
          f"{', '.join(k for k, v in meta['features'].items() if v) or 'none of the new pack options yet'}.\n")
    print("Every run: padding/spacing 1, pages of at most 4096 × 4096; pow2 = power-of-two pages (quiltbox "
          "`--size auto`), free = pages of any size (quiltbox `--size tight`); trim, rotation and identical-image "
          "detection all off or all on. Time and peak memory are those of the whole process (decode, pack, PNG "
          "and JSON written; median of "
          f"{meta['repeat']}), but for maxrects-packer, which has no image I/O: its time is the packing call "
          "alone, on the sizes after trimming and identical-image detection. free-tex-packer-core's padding is "
          "kept around every sprite, so its sprites stand 2 px apart (1 px from the page edge) where the others' "
          "stand 1 px apart. fill = pixels of the sprites packed / total page area.\n")
    loads = [r["load"] for r in results if "load" in r]
    if loads:
        print(f"Load average (1 min) before the runs: {min(loads):.1f} to {max(loads):.1f} on "
              f"{os.cpu_count()} cores.\n")
    for set_name in [name for name in SETS if any(r["set"] == name for r in results)]:
        rows = [r for r in results if r["set"] == set_name]
        if not rows:
            continue
        print(f"#### {set_name}: {meta['set_descriptions'][set_name]}\n")
        print("| mode | trim, rotate, alias | tool | packer / method | pages | page sizes | total page area | fill "
              "| time | peak memory |")
        print("|---|---|---|---|---:|---|---:|---:|---:|---:|")
        for r in rows:
            flags = "all on" if r["config"] == "all" else "all off" if r["config"] == "off" else r["config"]
            if r.get("error"):
                print(f"| {r['mode']} | {flags} | {r['tool']} | {r['label']} | | {r['error']} | | | | |")
                continue
            time_text = fmt_time(r["seconds"])
            if r["tool"] == "maxrects-packer":
                time_text += " (packing only)"
            peak = f"{r['peak_mib']:.0f} MiB" if r.get("peak_mib") else "—"
            label = r["label"]
            if r.get("kept"):
                label += f" (kept {r['kept']})"
            if r["problems"]:
                label += " **INVALID: " + "; ".join(r["problems"]) + "**"
            if r.get("notes"):
                label += " (" + "; ".join(r["notes"]) + ")"
            print(f"| {r['mode']} | {flags} | {r['tool']} | {label} | {len(r['pages'])} | {fmt_pages(r['pages'])} | "
                  f"{fmt_int(r['area'])} | {r['fill']:.1%} | {time_text} | {peak} |")
        print()
    print_best(results, meta)
    print("#### In short: total page area and time\n")
    print_compact(results)
    if meta.get("skipped"):
        print("Not run with this quiltbox-cli: " + "; ".join(sorted(set(meta["skipped"]))) + ".\n")


COMPACT_COLUMNS = [
    ("quiltbox design", "quiltbox-cli", ["--packer design"]),
    ("quiltbox maxrects (best rule)", "quiltbox-cli",
     [f"--packer maxrects --rule {r}" for r in QB_RULES] + ["--packer maxrects"]),
    ("quiltbox best", "quiltbox-cli", ["--packer best"]),
    ("free-tex-packer-core default", "free-tex-packer-core", [FTP_METHODS[0][2]]),
    ("free-tex-packer-core OptimalPacker", "free-tex-packer-core", ["OptimalPacker"]),
    ("the same without ContactPointRule", "free-tex-packer-core", [FTP_REFERENCE[2]]),
    ("maxrects-packer default (packing only)", "maxrects-packer", [MRP_LOGICS[0][1]]),
]


def print_compact(results):
    """One line per set, mode and configuration: total page area and time of the rows users would reach for."""
    print("| set | mode | trim, rotate, alias | " + " | ".join(c[0] for c in COMPACT_COLUMNS) + " |")
    print("|---|---|---|" + "---:|" * len(COMPACT_COLUMNS))
    for set_name in [name for name in SETS if any(r["set"] == name for r in results)]:
        for mode in MODES:
            for config in CONFIGS:
                rows = [r for r in results if (r["set"], r["mode"], r["config"]) == (set_name, mode, config)]
                if not rows:
                    continue
                cells = []
                for _, tool, labels in COMPACT_COLUMNS:
                    found = [r for r in rows if r["tool"] == tool and r["label"] in labels]
                    good = [r for r in found if not r.get("error") and not r["problems"]]
                    if good:
                        r = min(good, key=lambda r: (len(r["pages"]), r["area"]))
                        pages = f", {len(r['pages'])} pages" if len(r["pages"]) > 1 else ""
                        cells.append(f"{r['area'] / 1e6:.2f} Mpx{pages}, {fmt_time(r['seconds'])}")
                    elif found:
                        error = found[0].get("error", "")
                        cells.append("did not finish" if error.startswith(("timed out", "not run")) else
                                     f"does not fit {MAX_SIDE}×{MAX_SIDE}" if "does not fit" in error else "failed")
                    else:
                        cells.append("")
                flags = "all on" if config == "all" else "all off" if config == "off" else config
                print(f"| {set_name} | {mode} | {flags} | " + " | ".join(cells) + " |")
    print()


def fmt_time(seconds):
    return f"{seconds * 1000:.0f} ms" if seconds < 1 else f"{seconds:.1f} s"


SHORT = {"free-tex-packer-core": "ftp", "maxrects-packer": "mrp", "quiltbox-cli": "quiltbox"}


def print_best(results, meta):
    print("#### The least total page area any peer needed (fewest pages first)\n")
    print("ftp = free-tex-packer-core, mrp = maxrects-packer; page sizes in brackets where a tool reached the same "
          "area on other pages.\n")
    print("| set | mode | trim, rotate, alias | pages | total page area | page sizes | by | quiltbox's least "
          "| by |")
    print("|---|---|---|---:|---:|---|---|---:|---|")
    for set_name in [name for name in SETS if any(r["set"] == name for r in results)]:
        for mode in MODES:
            for config in CONFIGS:
                rows = [r for r in results if r["set"] == set_name and r["mode"] == mode and r["config"] == config
                        and not r.get("error") and not r["problems"]]
                peers = [r for r in rows if r["tool"] != "quiltbox-cli"]
                if not peers:
                    continue
                best = min(peers, key=lambda r: (len(r["pages"]), r["area"]))
                qb = [r for r in rows if r["tool"] == "quiltbox-cli"]
                qb_best = min(qb, key=lambda r: (len(r["pages"]), r["area"])) if qb else None
                equal = [r for r in peers if (len(r["pages"]), r["area"]) == (len(best["pages"]), best["area"])]
                if any(r["label"] == "OptimalPacker" for r in equal):
                    equal = [r for r in equal if r["label"] != FTP_REFERENCE[2]]
                by = "; ".join(f"{SHORT[r['tool']]} {r['label']}" + (f" ({fmt_pages(r['pages'])})"
                                                                     if r["pages"] != best["pages"] else "")
                               for r in equal)
                flags = "all on" if config == "all" else "all off" if config == "off" else config
                qb_text = (f"{fmt_int(qb_best['area'])} ({len(qb_best['pages'])} p.) | {qb_best['label']}"
                           if qb_best else " | ")
                print(f"| {set_name} | {mode} | {flags} | {len(best['pages'])} | {fmt_int(best['area'])} | "
                      f"{fmt_pages(best['pages'])} | {by} | {qb_text} |")
    print()


def print_stress(stress):
    if not stress:
        return
    print(f"#### quiltbox-cli alone on the {STRESS_COUNT:,} sprites of bench/stress_cli.py (8–64 px, a quarter "
          "TGA), PNG and JSON written\n")
    print("| command | pages | page sizes | time | peak memory | within 5 s and 512 MiB |")
    print("|---|---:|---|---:|---:|---|")
    for r in stress:
        if r.get("error"):
            print(f"| `{r['label']}` | | {r['error']} | | | |")
            continue
        within = "yes" if r["seconds"] < STRESS_LIMITS[0] and r["peak_mib"] < STRESS_LIMITS[1] else "**no**"
        label = f"`{r['label']}`" + (" **INVALID: " + "; ".join(r["problems"]) + "**" if r["problems"] else "")
        label += " (" + "; ".join(r["notes"]) + ")" if r.get("notes") else ""
        print(f"| {label} | {len(r['pages'])} | {fmt_pages(r['pages'])} | {r['seconds']:.2f} s | "
              f"{r['peak_mib']:.0f} MiB | {within} |")
    print()


# ---------------------------------------------------------------------------------------------------------- main

def run_stress(cli, features, args):
    sys.path.insert(0, BENCH)
    import stress_cli
    folder = os.path.join(WORK, "stress")
    names, _ = stress_cli.make_sprites(os.path.join(folder, "sprites"), STRESS_COUNT)
    files = [os.path.join("sprites", n) for n in names]
    manifest = {"sprites": [{"file": os.path.join("sprites", n)} for n in names]}
    jobs = [("quiltbox-cli pack --size auto", ["--size", "auto"])]  # today's design packer, for reference
    if all(features[k] for k in ("packer", "trim", "rotate", "alias")):
        jobs.append(("quiltbox-cli pack --packer maxrects --rotate --trim --alias --size auto",
                     ["--packer", "maxrects", "--rotate", "--trim", "--alias", "--size", "auto"]))
    results = []
    sources = SourceCache()
    for label, extra in jobs:
        out = os.path.join(WORK, "out", "stress", re.sub(r"\W+", "_", label))
        log(f"stress: {label}")
        seconds, peak, error = run_quiltbox(cli, features, folder, files, extra, out, args)
        if error:
            results.append({"label": label, "error": error})
            continue
        pages, problems, notes = check_atlas_output(out, manifest, folder, sources, not args.no_verify)
        results.append({"label": label, "seconds": seconds, "peak_mib": peak, "pages": pages, "problems": problems,
                        "notes": notes})
    return results


def build_cases(cli, features, args, manifest, mode, config, tools):
    """Every (tool, label, runner) of one set, mode and configuration; runner(out) gives (seconds, peak, error)."""
    folder = os.path.join(WORK, "sets", manifest["name"])
    files = [s["file"] for s in manifest["sprites"]]
    cases, skipped = [], None
    if "quiltbox" in tools:
        jobs, skipped = quiltbox_jobs(features, mode, config)
        for label, extra in jobs:
            cases.append(("quiltbox-cli", label,
                          lambda out, extra=extra: run_quiltbox(cli, features, folder, files, extra, out, args)))
    if "ftp" in tools:
        for packer, method, label, leave_out in [m + ([],) for m in FTP_METHODS] + [FTP_REFERENCE]:
            cases.append(("free-tex-packer-core", label,
                          lambda out, p=packer, m=method, l=leave_out:
                          run_ftp(folder, files, p, m, l, mode, config, out, args)))
    if "mrp" in tools:
        for logic, label in MRP_LOGICS:
            cases.append(("maxrects-packer", label,
                          lambda out, logic=logic: run_mrp(manifest, logic, mode, config, out, args) + (None,)))
    if args.only:
        cases = [c for c in cases if c[1] in args.only.split(",")]
    if args.skip:
        cases = [c for c in cases if c[1] not in args.skip.split(",")]
    return cases, skipped


def run_case(manifest, mode, config, tool, label, runner, sources, args):
    folder = os.path.join(WORK, "sets", manifest["name"])
    trim, rotate, alias = CONFIGS[config]
    sizes = packed_sizes(manifest, trim, alias)
    out = os.path.join(WORK, "out", manifest["name"], mode, config,
                       re.sub(r"\W+", "_", f"{tool} {label}").strip("_"))
    os.makedirs(os.path.dirname(out), exist_ok=True)
    # other work on the machine slows every tool alike; the load before each run says how quiet it was
    row = {"set": manifest["name"], "mode": mode, "config": config, "tool": tool, "label": label,
           "load": os.getloadavg()[0]}
    if tool == "maxrects-packer":
        seconds, error, peak = runner(out)
    else:
        seconds, peak, error = runner(out)
    if error:
        row["error"] = error
        return row
    if tool == "maxrects-packer":
        pages, problems, notes = check_mrp_output(out, sizes)
    else:
        pages, problems, notes = check_atlas_output(out, manifest, folder, sources, not args.no_verify)
    area = sum(w * h for w, h in pages)
    row.update(seconds=seconds, peak_mib=peak, pages=pages, area=area, problems=problems, notes=notes,
               fill=sum(w * h for w, h in sizes) / area if area else 0)
    combos = os.path.join(out, "combos.json")
    if os.path.exists(combos):
        with open(combos) as f:
            row["trials"] = json.load(f)
        kept = [t for t in row["trials"] if t["kept"]]
        if kept:
            k = kept[0]
            row["kept"] = f"{k['packer']} {k['method']}, {'rotation' if k['rotation'] else 'no rotation'}"
            if sorted(map(tuple, k["pages"])) != sorted(map(tuple, pages)):
                problems.append("the trial taken for kept did not give the pages written")
    return row


def row_order(row):
    """Sets, modes, configurations and tools in the order they are declared; rows of one tool as it runs them."""
    labels = {
        "quiltbox-cli": ["--packer design"] + [f"--packer maxrects --rule {r}" for r in QB_RULES] +
                        ["--packer maxrects", "--packer best"],
        "free-tex-packer-core": [m[2] for m in FTP_METHODS] + [FTP_REFERENCE[2]],
        "maxrects-packer": [m[1] for m in MRP_LOGICS],
    }
    tools = list(labels)
    index = lambda seq, item: seq.index(item) if item in seq else len(seq)
    return (index(list(SETS), row["set"]), index(MODES, row["mode"]), index(list(CONFIGS), row["config"]),
            index(tools, row["tool"]), index(labels.get(row["tool"], []), row["label"]))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--cli", default=DEFAULT_CLI, help="quiltbox-cli to run (default: the native-release one)")
    parser.add_argument("--sets", default=",".join(SETS), help="comma-separated sets (default: all)")
    parser.add_argument("--modes", default=",".join(MODES), help="pow2,free")
    parser.add_argument("--configs", default="off,all", help=f"of {','.join(CONFIGS)} (default: off,all)")
    parser.add_argument("--tools", default="quiltbox,ftp,mrp", help="quiltbox,ftp,mrp")
    parser.add_argument("--only", help="comma-separated row labels (as in the tables' packer column): run only these")
    parser.add_argument("--skip", help="comma-separated row labels: run all others")
    parser.add_argument("--repeat", type=int, default=1, help="runs of each case, the median kept (default 1)")
    parser.add_argument("--timeout", type=int, default=1200,
                        help="seconds a run may take (default 1200); a method that times out on a set is not run "
                             "again on that set and configuration in this run")
    parser.add_argument("--no-verify", action="store_true", help="skip drawing every sprite back from its page")
    parser.add_argument("--no-stress", action="store_true", help="skip the 10,000-sprite quiltbox run")
    parser.add_argument("--fresh", action="store_true",
                        help="forget the results of earlier runs (by default a run replaces only its own rows in "
                             "build/bench-peers/results.json, and the tables show them all)")
    parser.add_argument("--print", action="store_true", help="only print the tables of build/bench-peers/results.json")
    args = parser.parse_args()

    results_path = os.path.join(WORK, "results.json")
    saved = {"meta": {"set_descriptions": {}}, "results": [], "stress": []}
    if os.path.exists(results_path) and not args.fresh:
        with open(results_path) as f:
            saved = json.load(f)
    if args.print:
        print_tables(saved["results"], saved["meta"])
        print_stress(saved["stress"])
        return

    if not os.path.exists("/usr/bin/time"):
        install_deps()
    cli = os.path.abspath(args.cli)
    ensure_cli(cli)
    ensure_peers()
    features = cli_features(cli)
    sets, modes, configs, tools = (v.split(",") for v in (args.sets, args.modes, args.configs, args.tools))
    for name in sets:
        if name not in SETS:
            sys.exit(f"compare_packers.py: unknown set {name}")
    for name in configs:
        if name not in CONFIGS:
            sys.exit(f"compare_packers.py: unknown configuration {name}")
    for name in modes:
        if name not in MODES:
            sys.exit(f"compare_packers.py: unknown mode {name}")

    meta = saved["meta"]
    meta.update(features=features, versions=peer_versions(), repeat=args.repeat, skipped=[])
    results = saved["results"]
    key = lambda r: (r["set"], r["mode"], r["config"], r["tool"], r["label"])

    def store(row):
        results[:] = [r for r in results if key(r) != key(row)] + [row]
        results.sort(key=row_order)
        with open(results_path, "w") as f:
            json.dump({"meta": meta, "results": results, "stress": saved["stress"]}, f, indent=1)

    timed_out = {}
    for set_name in sets:
        manifest = make_set(set_name)
        meta["set_descriptions"][set_name] = describe_set(manifest)
        sources = SourceCache()
        for mode in modes:
            for config in configs:
                cases, skipped = build_cases(cli, features, args, manifest, mode, config, tools)
                if skipped:
                    meta["skipped"].append(f"{mode}, {config}: {skipped}")
                for tool, label, runner in cases:
                    log(f"{set_name} {mode} {config}: {tool} {label}")
                    if (set_name, config, tool, label) in timed_out:
                        row = {"set": set_name, "mode": mode, "config": config, "tool": tool, "label": label,
                               "error": f"not run: {timed_out[(set_name, config, tool, label)]}"}
                    else:
                        row = run_case(manifest, mode, config, tool, label, runner, sources, args)
                    if row.get("error", "").startswith("timed out"):
                        # the same method on the same sprites takes as long on pages of either kind
                        timed_out[(set_name, config, tool, label)] = f"{row['error']} in {mode}, {config}"
                    if row.get("error"):
                        log(f"  {row['error']}")
                    else:
                        log(f"  {len(row['pages'])} pages, area {row['area']:,}, {row['seconds']:.2f} s" +
                            (f", {row['peak_mib']:.0f} MiB" if row["peak_mib"] else "") +
                            (f"; PROBLEMS: {row['problems']}" if row["problems"] else ""))
                    store(row)

    if not args.no_stress and "quiltbox" in tools:
        saved["stress"] = run_stress(cli, features, args)
        with open(results_path, "w") as f:
            json.dump({"meta": meta, "results": results, "stress": saved["stress"]}, f, indent=1)
    print_tables(results, meta)
    print_stress(saved["stress"])


if __name__ == "__main__":
    main()
