#!/usr/bin/python3
"""Quiltbox.exe as a person uses it: started under Wine on a private Xvfb display with a copy of the demo project,
driven by real key presses and mouse moves (xdotool), its screen checked pixel by pixel after every step, its saved
project read back by quiltbox-cli, and quit through the unsaved-change question. Screenshots go to WORK/screenshots.

Usage: gui_e2e.py --wine-run scripts/wine-run.sh --exe Quiltbox.exe --cli quiltbox-cli --demo examples/demo --work DIR
"""
import argparse
import io
import json
import os
import shutil
import subprocess
import sys
import time

from PIL import Image

GREY, BLACK, WHITE, RED, YELLOW = (192, 192, 192), (0, 0, 0), (255, 255, 255), (255, 0, 0), (255, 255, 0)


class Screen:
    def __init__(self, display, shots):
        # The test ends the Wine processes of its prefix itself: no idle keepalive process.
        self.env = dict(os.environ, DISPLAY=display, QUILTBOX_WINE_KEEPALIVE="0")
        self.shots = shots
        self.count = 0

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *map(str, args)], env=self.env, capture_output=True, text=True).stdout

    def window(self, name, timeout=90):
        deadline = time.time() + timeout
        while time.time() < deadline:
            found = self.xdotool("search", "--name", name).split()
            if found:
                return found[0]
            time.sleep(0.3)
        sys.exit(f"gui_e2e: no window named {name!r} appeared")

    def grab(self):
        png = subprocess.run(["import", "-window", "root", "png:-"], env=self.env, capture_output=True).stdout
        return Image.open(io.BytesIO(png)).convert("RGB")

    def settle(self, label):
        """The screen once it stops changing, kept as WORK/screenshots/NN-label.png."""
        previous = self.grab()
        for _ in range(30):
            time.sleep(0.15)
            current = self.grab()
            if current.tobytes() == previous.tobytes():
                break
            previous = current
        self.count += 1
        previous.save(os.path.join(self.shots, f"{self.count:02d}-{label}.png"))
        return previous


def bbox(image, colour, within):
    """The bounding box (left, top, right, bottom; right and bottom exclusive) of the pixels of one colour."""
    left, top, right, bottom = within
    region = image.crop(within)
    pixels = region.load()
    xs, ys = [], []
    for y in range(region.height):
        for x in range(region.width):
            if pixels[x, y] == colour:
                xs.append(x)
                ys.append(y)
    if not xs:
        return None
    return (left + min(xs), top + min(ys), left + max(xs) + 1, top + max(ys) + 1)


class Run:
    def __init__(self, args, display):
        self.args = args
        self.screen = Screen(display, os.path.join(args.work, "screenshots"))
        self.demo = os.path.join(args.work, "examples", "demo")
        self.failures = []

    def check(self, condition, what):
        print(("ok      " if condition else "FAILED  ") + what, flush=True)
        if not condition:
            self.failures.append(what)

    def info(self):
        out = subprocess.run([self.args.cli, "info", "--json", os.path.join(self.demo, "demo.qbp")],
                             capture_output=True, text=True, check=True).stdout
        return json.loads(out)

    def key(self, *keys):
        self.screen.xdotool("windowfocus", "--sync", self.window)
        self.screen.xdotool("key", "--delay", "60", *keys)

    def look(self, label):
        """The canvas (grey surround and the black area in it) on the current screen."""
        image = self.screen.settle(label)
        geometry = self.screen.xdotool("getwindowgeometry", "--shell", self.window)
        g = dict(line.split("=") for line in geometry.split())
        self.frame = (int(g["X"]), int(g["Y"]), int(g["X"]) + int(g["WIDTH"]), int(g["Y"]) + int(g["HEIGHT"]))
        self.canvas = bbox(image, GREY, self.frame)
        self.area = bbox(image, BLACK, self.canvas)
        return image

    def at(self, x, y):
        """The screen position of an area pixel at zoom 1."""
        return self.area[0] + x, self.area[1] + y

    def drag(self, start, delta, ctrl=False):
        """Presses on start (with Ctrl, released once the button is down) and moves by delta in four steps."""
        x, y = start
        self.screen.xdotool("mousemove", "--sync", x, y)
        self.screen.xdotool(*(["keydown", "ctrl"] if ctrl else []), "mousedown", 1, *(["keyup", "ctrl"] if ctrl else []))
        for i in range(1, 5):
            self.screen.xdotool("mousemove", "--sync", x + delta[0] * i // 4, y + delta[1] * i // 4)
        self.screen.xdotool("mouseup", 1)

    def main(self):
        cli_layout = os.path.join(self.args.work, "laid-out.qbp")
        subprocess.run([self.args.cli, "layout", "--quiet", os.path.join(self.demo, "demo.qbp"), "-o", cli_layout],
                       check=True)
        laid = {i["name"]: (i["x"], i["y"]) for i in json.loads(subprocess.run(
            [self.args.cli, "info", "--json", cli_layout], capture_output=True, text=True, check=True).stdout)["images"]}
        program = subprocess.Popen([self.args.wine_run, "--prefix", self.args.work + "-prefix",
                                    "--unmanaged", self.args.exe, "demo.qbp"], cwd=self.demo,
                                   env=self.screen.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.window = self.screen.window("^Quiltbox$")

        self.look("start")
        self.key("f")
        image = self.look("arranged")
        cw, ch = self.canvas[2] - self.canvas[0], self.canvas[3] - self.canvas[1]
        self.check(self.area == (self.canvas[0] + (cw - 256) // 2, self.canvas[1] + (ch - 256) // 2,
                                 self.canvas[0] + (cw - 256) // 2 + 256, self.canvas[1] + (ch - 256) // 2 + 256),
                   f"the 256 x 256 area is centred in the canvas {self.canvas}: {self.area}")
        grass = Image.open(os.path.join(self.demo, "sprites", "grass.bmp")).convert("RGB")
        gx, gy = laid["GRASS"]
        self.check(image.getpixel(self.at(gx + 30, gy + 33)) == grass.getpixel((30, 33)),
                   f"F arranges the sprites: GRASS shows at {laid['GRASS']}")
        image.crop(self.frame).save(os.path.join(self.args.work, "window.png"))

        for keys, side, pinned in ((["period"], 512, True), (["comma", "comma"], 128, False), (["period"], 256, False)):
            self.key(*keys)
            self.look(f"zoom-{side}")
            width, height = self.area[2] - self.area[0], self.area[3] - self.area[1]
            top = self.canvas[1] if pinned else self.canvas[1] + (ch - side) // 2
            self.check(width == side and self.area[1] == top and height == min(side, ch),
                       f"zoom: the area is {side} wide at the top {top}: {self.area}")

        self.key("a")
        image = self.look("alpha")
        self.check(image.getpixel(self.at(gx + 30, gy + 33)) == WHITE, "A shows a BMP's alpha as white")
        self.key("a", "l")
        image = self.look("border")
        self.check(image.getpixel((self.area[0] - 1, self.area[1] + 100)) == YELLOW and
                   image.getpixel((self.area[2], self.area[1] + 100)) == YELLOW, "L draws the yellow border")

        self.key("Right", "Right", "Right", "Down", "Down")  # the selected image: the last one loaded
        sx, sy = laid["STONE"]
        self.drag(self.at(gx + 20, gy + 20), (20, 10))
        # Ctrl-press STONE, release Ctrl, drag: both move.
        self.check(not (gx + 20 <= sx + 50 <= gx + 84 and gy + 10 <= sy + 50 <= gy + 74), "STONE lies clear of GRASS")
        self.drag(self.at(sx + 50, sy + 50), (-5, 0), ctrl=True)
        image = self.look("dragged")
        gx2, gy2 = gx + 15, gy + 10
        self.check(image.getpixel(self.at(gx2 - 1, gy2 - 1)) == RED and
                   image.getpixel(self.at(sx - 6, sy - 1)) == RED, "Ctrl-click frames both picked images in red")
        self.check(image.getpixel(self.at(gx2 + 30, gy2 + 33)) == grass.getpixel((30, 33)),
                   "the dragged GRASS shows at its new place")

        self.key("s")
        self.look("saved")
        saved = {i["name"]: (i["x"], i["y"]) for i in self.info()["images"]}
        order = [i["name"] for i in self.info()["images"]]
        expected = dict(laid, GRASS=(gx2, gy2), STONE=(sx - 5, sy),
                        GEM=(laid["GEM"][0] + 3, laid["GEM"][1] + 2))
        self.check(saved == expected, f"the saved project holds every place: {saved}")
        self.check(order[-2:] == ["GRASS", "STONE"], f"picked images come last in the list: {order}")

        self.key("Left", "Escape")
        self.screen.window("アプリケーション終了", timeout=10)
        self.screen.settle("question")
        self.screen.xdotool("key", "Escape")  # Cancel
        time.sleep(1)
        self.check(program.poll() is None, "Cancel at the question keeps the program running")
        self.key("Escape")
        question = self.screen.window("アプリケーション終了", timeout=10)
        self.screen.xdotool("windowfocus", "--sync", question)
        self.screen.xdotool("key", "Return")  # OK
        try:
            program.wait(timeout=30)
            self.check(program.returncode == 0, "OK at the question ends the program")
        except subprocess.TimeoutExpired:
            program.kill()
            self.check(False, "OK at the question ends the program")
        return 1 if self.failures else 0


def main():
    parser = argparse.ArgumentParser()
    for option in ("--wine-run", "--exe", "--cli", "--demo", "--work"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    for name in ("wine_run", "exe", "cli", "demo", "work"):
        setattr(args, name, os.path.abspath(getattr(args, name)))
    shutil.rmtree(args.work, ignore_errors=True)
    shutil.copytree(args.demo, os.path.join(args.work, "examples", "demo"))
    os.makedirs(os.path.join(args.work, "build", "demo"))
    os.makedirs(os.path.join(args.work, "screenshots"))
    for n in range(140, 200):
        if not os.path.exists(f"/tmp/.X{n}-lock"):
            break
    xvfb = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "1280x1024x24", "-wr", "-nolisten", "tcp"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(1)
    try:
        return Run(args, f":{n}").main()
    finally:
        subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=args.work + "-prefix"))
        xvfb.kill()


if __name__ == "__main__":
    sys.exit(main())
