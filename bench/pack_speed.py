#!/usr/bin/python3
"""How fast `quiltbox-cli pack` packs real and generated sprite sets with every option, and how its time grows.

Usage: bench/pack_speed.py [options]        (from anywhere; one command from a clean clone)

Builds the native-release quiltbox-cli when it is missing, unpacks two games' sprites (bench/game_sprites.py), makes
the generated sets of bench/compare_packers.py and the stress sprites of bench/stress_cli.py, then runs

  quiltbox-cli pack FILES... --trim --rotate --alias --packer P --size tight --pages --png ... --json ... --quiet

as one whole process under /usr/bin/time -v (median of --repeat runs) for P = best, maxrects and design, beside
free-tex-packer-core's MaxRectsBin (its default method, the same options, through bench/peers/) on the same files.
Each row gives the time (wall, and processor time of all threads), the peak memory, the pages, their total area and the floor: the area the trimmed,
de-duplicated sprites cover with the spacing right of and below each (read back from the JSON written), with how far
above it the pages are. Then the growth table (best and maxrects on 1,000 to 30,000 stress sprites) and a check that
--threads 1 and --threads 2 write the same bytes. The load average before each run says how busy the machine was.
"""
import argparse
import hashlib
import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BENCH = os.path.join(ROOT, "bench")
sys.path.insert(0, BENCH)

import compare_packers  # noqa: E402  (installs Pillow when missing)
import game_sprites  # noqa: E402
import stress_cli  # noqa: E402

WORK = os.path.join(ROOT, "build", "bench-speed")
CLI = compare_packers.DEFAULT_CLI
SPACING = 1
OPTIONS = ["--trim", "--rotate", "--alias", "--size", "tight", "--pages", "--spacing", str(SPACING), "--names", "id"]
PACKERS = ["best", "maxrects", "design"]
GROWTH = [1000, 3000, 10000, 30000]


def log(text):
    print(text, file=sys.stderr, flush=True)


def time_run(args, cwd, timeout=1800):
    """One whole process under GNU time: (wall seconds, processor seconds, peak MiB); exits on failure."""
    with tempfile.NamedTemporaryFile("r", suffix=".time") as report:
        start = time.perf_counter()
        result = subprocess.run(["/usr/bin/time", "-v", "-o", report.name] + args, cwd=cwd, stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE, text=True, timeout=timeout)
        seconds = time.perf_counter() - start
        text = report.read()
    if result.returncode != 0:
        sys.exit(f"pack_speed.py: {' '.join(args[:2])} ... failed:\n{result.stderr[-2000:]}")
    peak = re.search(r"Maximum resident set size \(kbytes\): (\d+)", text)
    cpu = sum(float(re.search(rf"{kind} time \(seconds\): ([\d.]+)", text).group(1)) for kind in ("User", "System"))
    return seconds, cpu, int(peak.group(1)) / 1024


def repeated(args, cwd, out, repeat):
    """Median wall time, processor time and peak of `repeat` runs, each into an empty `out`, and the load average
    before the first."""
    load = os.getloadavg()[0]
    runs = []
    for _ in range(repeat):
        shutil.rmtree(out, ignore_errors=True)
        os.makedirs(out)
        runs.append(time_run(args, cwd))
    return tuple(statistics.median(r[k] for r in runs) for k in range(3)) + (load,)


def quiltbox(folder, files, packer, out, repeat, threads=None):
    outputs = ["--png", os.path.join(out, "atlas-{n}.png"), "--json", os.path.join(out, "atlas-{n}.json")]
    extra = ["--threads", str(threads)] if threads is not None else []
    args = [CLI, "pack", *files, "--packer", packer, *OPTIONS, *extra, *outputs, "--quiet"]
    return repeated(args, folder, out, repeat)


def pages_and_floor(out):
    """The pages' sizes from the JSON files written, and the floor: every distinct frame's kept size grown by the
    spacing."""
    pages, frames = [], set()
    for name in sorted(os.listdir(out)):
        if not name.endswith(".json"):
            continue
        with open(os.path.join(out, name), encoding="utf-8") as f:
            data = json.load(f)
        pages.append((data["meta"]["size"]["w"], data["meta"]["size"]["h"]))
        for entry in data["frames"].values():
            fr = entry["frame"]
            frames.add((len(pages), fr["x"], fr["y"], fr["w"], fr["h"]))
    floor = sum((w + SPACING) * (h + SPACING) for _, _, _, w, h in frames)
    return pages, floor


def ftp_pages(out):
    from PIL import Image
    return [Image.open(os.path.join(out, n)).size for n in sorted(os.listdir(out)) if n.endswith(".png")]


def digest(out):
    h = hashlib.sha256()
    for name in sorted(os.listdir(out)):
        h.update(name.encode())
        with open(os.path.join(out, name), "rb") as f:
            h.update(f.read())
    return h.hexdigest()


def sets(names):
    """{name: (folder, files)} of the sets asked for."""
    found = {}
    games = game_sprites.game_sets() if any(n in game_sprites.GAMES for n in names) else {}
    for name in names:
        if name in game_sprites.GAMES:
            found[name] = games[name]
        elif name in compare_packers.SETS:
            manifest = compare_packers.make_set(name)
            found[name] = (os.path.join(compare_packers.WORK, "sets", name), [s["file"] for s in manifest["sprites"]])
        elif name.startswith("stress"):
            count = int(name[len("stress"):] or 10000)
            folder = os.path.join(WORK, "stress")
            names_made, _ = stress_cli.make_sprites(os.path.join(folder, "sprites"), count)
            found[name] = (folder, [os.path.join("sprites", n) for n in names_made])
        else:
            sys.exit(f"pack_speed.py: unknown set {name}")
    return found


def fmt_pages(pages):
    return ", ".join(f"{w}×{h}" for w, h in pages)


def main():
    global CLI
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--sets", default="supertux,freedroidrpg,mixed300,small1000,mixed3000,stress10000")
    parser.add_argument("--packers", default=",".join(PACKERS))
    parser.add_argument("--repeat", type=int, default=3, help="runs of each case, the median kept (default 3)")
    parser.add_argument("--no-peer", action="store_true", help="leave out free-tex-packer-core")
    parser.add_argument("--no-growth", action="store_true", help="leave out the growth table")
    parser.add_argument("--growth", default=",".join(map(str, GROWTH)), help="sprite counts of the growth table")
    parser.add_argument("--cli", default=CLI, help="quiltbox-cli to run (default: the native-release one)")
    args = parser.parse_args()
    CLI = os.path.abspath(args.cli)
    if not os.path.exists("/usr/bin/time"):
        compare_packers.install_deps()
    compare_packers.ensure_cli(CLI)
    if not args.no_peer:
        compare_packers.ensure_peers()
    os.makedirs(WORK, exist_ok=True)
    chosen = sets(args.sets.split(","))

    print(f"Whole process, `{' '.join(OPTIONS)}`, PNG and JSON written; median of {args.repeat}; load: the load "
          f"average before the row's first run (2 cores)\n")
    print("| set | sprites | packer | time | processor | peak memory | pages | page area | floor | above the floor | "
          "load |")
    print("|---|---:|---|---:|---:|---:|---|---:|---:|---:|---:|")
    identical = []
    for name, (folder, files) in chosen.items():
        floor = None
        for packer in args.packers.split(","):
            out = os.path.join(WORK, "out", name, packer)
            log(f"{name}: --packer {packer}")
            seconds, cpu, peak, load = quiltbox(folder, files, packer, out, args.repeat)
            pages, floor = pages_and_floor(out)
            area = sum(w * h for w, h in pages)
            print(f"| {name} | {len(files)} | quiltbox-cli `--packer {packer}` | {seconds:.2f} s | {cpu:.2f} s | "
                  f"{peak:.0f} MiB | "
                  f"{len(pages)}: {fmt_pages(pages)} | {area / 1e6:.3f} Mpx | {floor / 1e6:.3f} Mpx | "
                  f"{100 * (area - floor) / floor:+.2f}% | {load:.1f} |", flush=True)
            if packer == "best":
                one = os.path.join(WORK, "out", name, "threads1")
                quiltbox(folder, files, packer, one, 1, threads=1)
                two = os.path.join(WORK, "out", name, "threads2")
                quiltbox(folder, files, packer, two, 1, threads=2)
                identical.append((name, digest(one) == digest(two) == digest(out)))
        if args.no_peer or name.startswith("stress"):
            continue
        out = os.path.join(WORK, "out", name, "ftp")
        log(f"{name}: free-tex-packer-core MaxRectsBin")
        load = os.getloadavg()[0]
        ns = argparse.Namespace(repeat=args.repeat, timeout=1800)
        seconds, peak, error = compare_packers.run_ftp(folder, files, "MaxRectsBin", "BestShortSideFit", [], "free",
                                                       "all", out, ns)
        if error:
            print(f"| {name} | {len(files)} | free-tex-packer-core MaxRectsBin | {error} | | | | | | | |")
            continue
        pages = ftp_pages(out)
        area = sum(w * h for w, h in pages)
        print(f"| {name} | {len(files)} | free-tex-packer-core MaxRectsBin | {seconds:.2f} s | | {peak:.0f} MiB | "
              f"{len(pages)}: {fmt_pages(pages)} | {area / 1e6:.3f} Mpx | {floor / 1e6:.3f} Mpx | "
              f"{100 * (area - floor) / floor:+.2f}% | {load:.1f} |", flush=True)

    print("\n--threads 1, --threads 2 and the default (one per core) write the same bytes with `--packer best`:\n")
    for name, same in identical:
        print(f"- {name}: {'identical' if same else '**DIFFERENT**'}")

    if args.no_growth:
        return
    counts = [int(c) for c in args.growth.split(",")]
    print("\nHow the time grows: the stress sprites of bench/stress_cli.py (8–64 px, a quarter TGA), the same "
          "options; n log n is scaled to the first row\n")
    print("| sprites | packer | time | processor | peak memory | pages | above the floor | n log n | load |")
    print("|---:|---|---:|---:|---:|---|---:|---:|---:|")
    import math
    for packer in ("best", "maxrects"):
        first = None
        for count in counts:
            (folder, files), = sets([f"stress{count}"]).values()
            out = os.path.join(WORK, "out", f"growth{count}", packer)
            log(f"growth {count}: --packer {packer}")
            seconds, cpu, peak, load = quiltbox(folder, files, packer, out, args.repeat)
            pages, floor = pages_and_floor(out)
            area = sum(w * h for w, h in pages)
            first = first or (seconds, count * math.log(count))
            scaled = first[0] * count * math.log(count) / first[1]
            print(f"| {count} | `--packer {packer}` | {seconds:.2f} s | {cpu:.2f} s | {peak:.0f} MiB | {len(pages)} | "
                  f"{100 * (area - floor) / floor:+.2f}% | {scaled:.2f} s | {load:.1f} |", flush=True)


if __name__ == "__main__":
    main()
