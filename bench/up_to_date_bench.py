#!/usr/bin/python3
"""What a build that finds nothing changed costs, beside a full pack, on the stress set of stress_cli.py (10,000
generated sprites): the median of several full packs (quiltbox-cli pack --size auto with the PNG atlas and the JSON,
as stress_cli.py packs them), then up_to_date_bench on the same folder with the pack's outputs.

Usage: up_to_date_bench.py BUILD_FOLDER WORK_FOLDER [COUNT]   (use build/native-release)
Prints a Markdown table.
"""
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from stress_cli import make_sprites  # noqa: E402


def main():
    build, work = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 10000
    cli, bench = os.path.join(build, "cli", "quiltbox-cli"), os.path.join(build, "bench", "up_to_date_bench")
    folder = os.path.join(work, "sprites")
    names, _ = make_sprites(folder, count)
    sprites = [os.path.join("sprites", n) for n in names]
    pack = [cli, "pack", *sprites, "--size", "auto", "--png", "auto.png", "--json", "auto.json", "--quiet"]
    times = []
    for _ in range(3):
        start = time.perf_counter()
        subprocess.run(pack, cwd=work, check=True, stdout=subprocess.DEVNULL)
        times.append(time.perf_counter() - start)
    full = statistics.median(times) * 1000
    rows = subprocess.run([bench, folder, os.path.join(work, "bench.state"), os.path.join(work, "auto.png"),
                           os.path.join(work, "auto.json")], check=True, capture_output=True, text=True).stdout
    check = float(rows.splitlines()[0].split("|")[3].split()[0])
    print("| what | median time |")
    print("|---|---:|")
    print(f"| {count} sprites: full pack (--size auto, PNG and JSON) | {full:.0f} ms |")
    print(rows, end="")
    print(f"| | the no-change check as a share of the full pack | {100 * check / full:.1f} % |")


if __name__ == "__main__":
    main()
