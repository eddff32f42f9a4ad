#!/usr/bin/python3
"""Quiltbox.exe on the demo project driven by real input (xdotool) on a private display, checked after every step."""
import argparse
import io
import json
import os
import shutil
import subprocess
import sys
import time

from PIL import Image, ImageChops

GREY, BLACK, WHITE, RED, YELLOW = (192, 192, 192), (0, 0, 0), (255, 255, 255), (255, 0, 0), (255, 255, 0)


def bbox(image, colour, box):
    """The bounding box (right and bottom exclusive) of the pixels of one colour inside box."""
    region = image.crop(box)
    r, g, b = ImageChops.difference(region, Image.new("RGB", region.size, colour)).split()
    found = ImageChops.lighter(ImageChops.lighter(r, g), b).point(lambda v: 255 if v == 0 else 0).getbbox()
    return found and (box[0] + found[0], box[1] + found[1], box[0] + found[2], box[1] + found[3])


class Run:
    def __init__(self, args, display):
        self.args, self.failures, self.shots = args, [], 0
        # The test ends the Wine processes of its prefix itself: no idle keepalive process.
        self.env = dict(os.environ, DISPLAY=display, QUILTBOX_WINE_KEEPALIVE="0")
        self.demo = os.path.join(args.work, "examples", "demo")

    def xdotool(self, *args, timeout=None):
        return subprocess.run(["xdotool", *map(str, args)], env=self.env, capture_output=True, text=True,
                              timeout=timeout).stdout

    def find(self, name, timeout):  # a window that never comes ends the test in a timeout
        return self.xdotool("search", "--sync", "--name", name, timeout=timeout).split()[0]

    def grab(self):
        png = subprocess.run(["import", "-window", "root", "png:-"], env=self.env, capture_output=True).stdout
        return Image.open(io.BytesIO(png)).convert("RGB")

    def settle(self, label):
        """The screen once it stops changing, kept as WORK/screenshots/NN-label.png."""
        image = self.grab()
        for _ in range(30):
            time.sleep(0.15)
            previous, image = image, self.grab()
            if image.tobytes() == previous.tobytes():
                break
        self.shots += 1
        image.save(os.path.join(self.args.work, "screenshots", f"{self.shots:02d}-{label}.png"))
        return image

    def look(self, label):
        image = self.settle(label)
        g = dict(line.split("=") for line in self.xdotool("getwindowgeometry", "--shell", self.window).split())
        self.frame = (int(g["X"]), int(g["Y"]), int(g["X"]) + int(g["WIDTH"]), int(g["Y"]) + int(g["HEIGHT"]))
        self.canvas = bbox(image, GREY, self.frame)
        self.area = bbox(image, BLACK, self.canvas)
        return image

    def check(self, condition, what):
        print(("ok      " if condition else "FAILED  ") + what, flush=True)
        self.failures += [] if condition else [what]

    def places(self, project):
        out = subprocess.run([self.args.cli, "info", "--json", project], capture_output=True, text=True, check=True)
        return {i["name"]: (i["x"], i["y"]) for i in json.loads(out.stdout)["images"]}

    def key(self, *keys):
        self.xdotool("windowfocus", "--sync", self.window)
        self.xdotool("key", "--delay", "60", *keys)

    def at(self, x, y):  # the screen position of an area pixel at zoom 1
        return self.area[0] + x, self.area[1] + y

    def drag(self, start, delta, ctrl=False):
        """Presses on start (with Ctrl, released once the button is down) and moves by delta in four steps."""
        self.xdotool("mousemove", "--sync", *start)
        self.xdotool(*(["keydown", "ctrl"] if ctrl else []), "mousedown", 1, *(["keyup", "ctrl"] if ctrl else []))
        for i in range(1, 5):
            self.xdotool("mousemove", "--sync", start[0] + delta[0] * i // 4, start[1] + delta[1] * i // 4)
        self.xdotool("mouseup", 1)

    def main(self):
        a, project = self.args, os.path.join(self.demo, "demo.qbp")
        subprocess.run([a.cli, "layout", "--quiet", project, "-o", os.path.join(a.work, "laid-out.qbp")], check=True)
        laid = self.places(os.path.join(a.work, "laid-out.qbp"))
        program = subprocess.Popen([a.wine_run, "--prefix", a.work + "-prefix", "--unmanaged", a.exe, "demo.qbp"],
                                   cwd=self.demo, env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.window = self.find("^Quiltbox$", 90)

        self.key("f")
        image = self.look("arranged")
        cw, ch = self.canvas[2] - self.canvas[0], self.canvas[3] - self.canvas[1]
        left, top = self.canvas[0] + (cw - 256) // 2, self.canvas[1] + (ch - 256) // 2
        self.check(self.area == (left, top, left + 256, top + 256),
                   f"the 256 x 256 area is centred in the canvas {self.canvas}: {self.area}")
        grass = Image.open(os.path.join(self.demo, "sprites", "grass.bmp")).convert("RGB")
        gx, gy = laid["GRASS"]
        self.check(image.getpixel(self.at(gx + 30, gy + 33)) == grass.getpixel((30, 33)),
                   f"F arranges the sprites: GRASS shows at {laid['GRASS']}")
        image.crop(self.frame).save(os.path.join(a.work, "window.png"))  # the README's picture of the window
        for keys, side, pinned in ((["period"], 512, True), (["comma", "comma"], 128, False), (["period"], 256, False)):
            self.key(*keys)
            self.look(f"zoom-{side}")
            top = self.canvas[1] if pinned else self.canvas[1] + (ch - side) // 2
            w, h = self.area[2] - self.area[0], self.area[3] - self.area[1]
            self.check((w, h, self.area[1]) == (side, min(side, ch), top), f"zoom {side}: the area {self.area}")
        self.key("a")
        self.check(self.look("alpha").getpixel(self.at(gx + 30, gy + 33)) == WHITE, "A shows a BMP's alpha as white")
        self.key("a", "l")
        image = self.look("border")
        self.check(image.getpixel((self.area[0] - 1, self.area[1] + 100)) == YELLOW and
                   image.getpixel((self.area[2], self.area[1] + 100)) == YELLOW, "L draws the yellow border")

        self.key("Right", "Right", "Right", "Down", "Down")  # the selected image: the last one loaded
        sx, sy = laid["STONE"]
        self.drag(self.at(gx + 20, gy + 20), (20, 10))
        self.drag(self.at(sx + 50, sy + 50), (-5, 0), ctrl=True)  # Ctrl-press STONE, release Ctrl: both move
        image = self.look("dragged")
        gx2, gy2 = gx + 15, gy + 10
        self.check(image.getpixel(self.at(gx2 - 1, gy2 - 1)) == RED and
                   image.getpixel(self.at(sx - 6, sy - 1)) == RED, "Ctrl-click frames both picked images in red")
        self.check(image.getpixel(self.at(gx2 + 30, gy2 + 33)) == grass.getpixel((30, 33)),
                   "the dragged GRASS shows at its new place")

        self.key("s")
        self.settle("saved")
        saved = self.places(project)
        expected = dict(laid, GRASS=(gx2, gy2), STONE=(sx - 5, sy), GEM=(laid["GEM"][0] + 3, laid["GEM"][1] + 2))
        self.check(saved == expected, f"the saved project holds every place: {saved}")

        self.key("Left", "Escape")
        self.find("アプリケーション終了", 10)
        self.settle("question")
        self.xdotool("key", "Escape")  # Cancel
        time.sleep(1)
        self.check(program.poll() is None, "Cancel at the question keeps the program running")
        self.key("Escape")
        self.xdotool("windowfocus", "--sync", self.find("アプリケーション終了", 10))
        self.xdotool("key", "Return")  # OK
        self.check(program.wait(timeout=30) == 0, "OK at the question ends the program")  # or a timeout fails
        return 1 if self.failures else 0


def main():
    parser = argparse.ArgumentParser()
    for option in ("--wine-run", "--exe", "--cli", "--demo", "--work"):
        parser.add_argument(option, required=True, type=os.path.abspath)
    args = parser.parse_args()
    shutil.rmtree(args.work, ignore_errors=True)
    shutil.copytree(args.demo, os.path.join(args.work, "examples", "demo"))
    os.makedirs(os.path.join(args.work, "screenshots"))
    n = next(n for n in range(140, 200) if not os.path.exists(f"/tmp/.X{n}-lock"))
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
