#!/usr/bin/python3
"""Quiltbox.exe on the demo project, driven as a person drives it on a display of its own: keys, clicks and drags
through xdotool, the menu and the list dialog with the mouse, a file dragged onto the window by another X client.
Every step is checked on the screen once it is still; the saved project is read back by the native command line."""
import argparse
import json
import os
import select
import shutil
import subprocess
import time
import urllib.parse

from PIL import Image, ImageChops
from Xlib import X, display
from Xlib.protocol import event

GREY, BLACK, WHITE, RED, YELLOW, MAGENTA = (192,) * 3, (0,) * 3, (255,) * 3, (255, 0, 0), (255, 255, 0), (255, 0, 255)
CAPTION = (50, 150, 250)  # an active window's title bar
DROPPED = "花"


def bbox(image, colour, box):
    """The bounding box (right and bottom exclusive) of the pixels of one colour inside box."""
    region = image.crop(box)
    r, g, b = ImageChops.difference(region, Image.new("RGB", region.size, colour)).split()
    found = ImageChops.lighter(ImageChops.lighter(r, g), b).point(lambda v: 255 if v == 0 else 0).getbbox()
    return found and (box[0] + found[0], box[1] + found[1], box[0] + found[2], box[1] + found[3])


class Run:
    def __init__(self, args):
        self.args, self.failures, self.shots = args, [], 0
        self.env = dict(os.environ, QUILTBOX_WINE_KEEPALIVE="0")  # the run ends its Wine processes
        self.x = display.Display()
        self.root = self.x.screen().root

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *map(str, args)], env=self.env, capture_output=True, text=True,
                              timeout=120).stdout

    def find(self, name):
        """The first window shown with the name. xdotool's own --sync wait dies when a window it looks at goes away
        meanwhile, as Wine's start-up windows do in a new prefix, so the search is repeated instead."""
        deadline = time.monotonic() + 120
        while not (found := self.xdotool("search", "--onlyvisible", "--name", name).split()):
            if time.monotonic() > deadline:
                raise SystemExit(f"real_input.py: no window called {name} within 120 s")
            time.sleep(0.2)
        return int(found[0])

    def frame(self, window):
        w = self.x.create_resource_object("window", window)
        g, at = w.get_geometry(), self.root.translate_coords(w, 0, 0)
        return at.x, at.y, at.x + g.width, at.y + g.height

    def shown(self):  # the top-level windows on the screen: the menus have no name to search by
        return {w.id for w in self.root.query_tree().children if w.get_attributes().map_state == X.IsViewable}

    def grab(self):
        g = self.root.get_geometry()
        raw = self.root.get_image(0, 0, g.width, g.height, X.ZPixmap, 0xFFFFFFFF).data
        return Image.frombytes("RGB", (g.width, g.height), raw, "raw", "BGRX")

    def still(self, label, before=None):
        """The screen once it differs from before (if given) and then stays the same for 0.3 s; kept in screenshots/."""
        deadline, quiet, image = time.monotonic() + 15, 0, self.grab()
        while (image == before or quiet < 3) and time.monotonic() < deadline:
            time.sleep(0.05 if image == before else 0.1)
            previous, image = image, self.grab()
            quiet = quiet + 1 if image == previous != before else 0
        self.shots += 1
        image.save(os.path.join(self.args.work, "screenshots", f"{self.shots:02d}-{label}.png"))
        return image

    def measure(self, image, background=BLACK):  # the area stays where it is until the zoom changes
        self.canvas = bbox(image, GREY, self.window_box)
        self.area = bbox(image, background, self.canvas)
        return image

    def check(self, condition, what):
        print(("ok      " if condition else "FAILED  ") + what, flush=True)
        self.failures += [] if condition else [what]

    def act(self, label, *commands):  # one xdotool command chain, then the screen once it has changed and is still
        before = self.grab()
        self.xdotool(*commands)
        return self.still(label, before)

    def key(self, label, *keys, window=None):
        return self.act(label, "windowfocus", "--sync", window or self.window, "key", "--delay", 60, *keys)

    def click(self, label, x, y):
        return self.act(label, "mousemove", "--sync", x, y, "click", 1)

    def drag(self, label, start, delta, ctrl=False):
        """Presses on start (with Ctrl, up again once the button is down: Ctrl held pauses a drag), moves, lets go."""
        steps = [("mousemove", "--sync", start[0] + delta[0] * i // 4, start[1] + delta[1] * i // 4) for i in range(5)]
        press = ("keydown", "ctrl", "mousedown", 1, "keyup", "ctrl") if ctrl else ("mousedown", 1)
        return self.act(label, *steps[0], *press, *sum(steps[1:], ()), "mouseup", 1)

    def menu(self, label, title, last_item):
        """Clicks the title-th name on the menu bar (the runs of text pixels, inside the frame) and then the first or
        the last item of the menu that opens."""
        left, y = self.window_box[0] + 4, self.canvas[1] - 9  # the menu bar ends where the canvas starts
        strip = self.grab().crop((left, y - 6, self.window_box[2] - 4, y + 6)).convert("L")
        dark = [x for x in range(strip.width) if min(strip.crop((x, 0, x + 1, strip.height)).getdata()) < 100]
        starts = [x for i, x in enumerate(dark) if i == 0 or x - dark[i - 1] > 8]
        ends = [x for i, x in enumerate(dark) if i + 1 == len(dark) or dark[i + 1] - x > 8]
        before, deadline = self.shown(), time.monotonic() + 15
        self.xdotool("mousemove", "--sync", left + (starts[title] + ends[title]) // 2, y, "click", 1)
        while not self.shown() - before and time.monotonic() < deadline:
            time.sleep(0.05)
        left, top, right, bottom = self.frame((self.shown() - before).pop())  # none: the menu never opened
        return self.click(label, left + 30, bottom - 10 if last_item else top + 10)

    def drop(self, path, x, y):
        """Drags a file from another X client onto (x, y) as a file manager does: XdndEnter and XdndPosition, the
        file's URI handed over through the XdndSelection when the window asks for it (Wine asks at once and waits),
        XdndDrop once the window accepts. Wine turns the drop into WM_DROPFILES for a window that accepts files."""
        atom, target = self.x.intern_atom, self.x.create_resource_object("window", self.window)
        source = self.root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
        source.set_selection_owner(atom("XdndSelection"), X.CurrentTime)
        uri, deadline = f"file://{urllib.parse.quote(path)}\r\n".encode(), time.monotonic() + 15

        def send(kind, *data):
            target.send_event(event.ClientMessage(window=target, client_type=atom(kind),
                                                  data=(32, [source.id, *data, 0, 0, 0][:5])))
            self.x.flush()

        send("XdndEnter", 5 << 24, atom("text/uri-list"))
        send("XdndPosition", 0, x << 16 | y, X.CurrentTime, atom("XdndActionCopy"))
        while time.monotonic() < deadline:
            select.select([self.x], [], [], 0.1)
            while self.x.pending_events():
                e = self.x.next_event()
                if e.type == X.SelectionRequest:
                    e.requestor.change_property(e.property, e.target, 8, uri)
                    fields = ("time", "requestor", "selection", "target", "property")
                    e.requestor.send_event(event.SelectionNotify(**{f: getattr(e, f) for f in fields}))
                    self.x.flush()
                elif e.type == X.ClientMessage and e.client_type == atom("XdndStatus"):
                    if not e.data[1][1] & 1:
                        return False
                    send("XdndDrop", 0, X.CurrentTime)
                elif e.type == X.ClientMessage and e.client_type == atom("XdndFinished"):
                    return True
        return False

    def info(self, project):
        return json.loads(subprocess.check_output([self.args.cli, "info", "--json", project]))

    def at(self, x, y):  # the screen position of an area pixel at zoom 1
        return self.area[0] + x, self.area[1] + y

    def main(self):
        a, demo = self.args, os.path.join(self.args.work, "demo")
        project, laid_out = os.path.join(demo, "demo.qbp"), os.path.join(a.work, "laid-out.qbp")
        subprocess.run([a.cli, "layout", "--quiet", project, "-o", laid_out], check=True)
        laid = {i["name"]: (i["x"], i["y"]) for i in self.info(laid_out)["images"]}
        order, empty = list(laid), self.grab()
        self.program = subprocess.Popen([a.wine_run, "--prefix", a.work + "-prefix", "--unmanaged", a.exe, "demo.qbp"],
                                        cwd=demo, env=self.env, stdout=open(os.path.join(a.work, "program.log"), "w"),
                                        stderr=subprocess.STDOUT)
        self.window = self.find("^Quiltbox$")
        self.window_box = self.frame(self.window)
        self.still("opened", empty)

        image = self.measure(self.key("arranged", "f"))
        cw, ch = self.canvas[2] - self.canvas[0], self.canvas[3] - self.canvas[1]
        left, top = self.canvas[0] + (cw - 256) // 2, self.canvas[1] + (ch - 256) // 2
        self.check(self.area == (left, top, left + 256, top + 256),
                   f"the 256 x 256 area is centred in the canvas {self.canvas}: {self.area}")
        grass = Image.open(os.path.join(demo, "sprites", "grass.bmp")).convert("RGB")
        (gx, gy), (rx, ry) = laid["GRASS"], laid["STONE"]
        self.check(image.getpixel(self.at(gx + 30, gy + 33)) == grass.getpixel((30, 33)),
                   f"F arranges the sprites: GRASS shows at {laid['GRASS']}")
        for keys, side, pinned in ((["period"], 512, True), (["comma", "comma"], 128, False), (["period"], 256, False)):
            self.measure(self.key(f"zoom-{side}", *keys))
            top = self.canvas[1] if pinned else self.canvas[1] + (ch - side) // 2
            w, h = self.area[2] - self.area[0], self.area[3] - self.area[1]
            self.check((w, h, self.area[1]) == (side, min(side, ch), top), f"zoom {side}: the area {self.area}")
        image = self.key("alpha", "a")
        self.check(image.getpixel(self.at(gx + 30, gy + 33)) == WHITE, "A shows a BMP's alpha as white")
        image = self.key("border", "a", "l")
        self.check(image.getpixel((self.area[0] - 1, self.area[1] + 100)) == YELLOW and
                   image.getpixel((self.area[2], self.area[1] + 100)) == YELLOW, "L draws the yellow border")

        area = self.area
        self.measure(self.menu("menu-white", 2, last_item=False), WHITE)  # 表示 → 背景色 白
        self.check(self.area == area, f"表示 → 背景色 白 chosen with the mouse turns the area white: {self.area}")

        # The list: 表示 → リスト; a click on the fourth name, then 一つ上へ swaps it with the third.
        self.menu("list", 2, last_item=True)
        left, top, right, bottom = self.frame(self.find("^LIST$"))
        caption = bbox(self.grab(), CAPTION, (left, top, right, top + 40))  # the client area: below it, inside the edge
        client = (caption[0], caption[3] + 1, right - (caption[0] - left), bottom - (caption[0] - left))

        def unit(x, y):  # dialog units: the list dialog's client area is 99 x 207 of them
            return (round(client[0] + x * (client[2] - client[0]) / 99),
                    round(client[1] + y * (client[3] - client[1]) / 207))

        # The rows of the list box, below its sunken edge, are as high as the dialog's font: 8 units; each row is taken
        # without its top and bottom two lines, and is marked when drawn in the selection colour.
        (left, top), (right, _), height = unit(5, 6), unit(90, 6), unit(0, 8)[1] - unit(0, 0)[1]
        rows = lambda image: [image.crop((left + 3, top + 4 + height * i, right - 3, top + height * (i + 1)))
                              for i in range(6)]
        marked = lambda image: [i for i, row in enumerate(rows(image)) if max(row.getcolors(1 << 16))[1] != WHITE]
        opened, (sx, sy) = rows(self.grab()), laid[order[3]]
        image = self.click("list-picked", *unit(30, 6 + 8 * 3 + 4))
        self.check(marked(image) == [3] and image.getpixel(self.at(sx - 1, sy - 1)) == RED,
                   f"a click on {order[3]} in the list marks it and frames its sprite in red")
        image = self.click("list-up", *unit(24, 180))
        self.check(marked(image) == [2] and rows(image)[3] == opened[2],
                   f"一つ上へ moves {order[3]} above {order[2]} in the list")
        order[2:4] = order[3], order[2]
        self.click("list-closed", *unit(70, 196))

        # Four steps right, one left, four down and two up, so that no two arrows could swap unseen.
        image = self.key("arrows", *["Right"] * 4, "Left", *["Down"] * 4, "Up", "Up")
        self.check(image.getpixel(self.at(sx + 2, sy + 1)) == RED, f"the arrows move {order[2]} by (3, 2)")
        self.drag("dragged", self.at(gx + 20, gy + 20), (20, 10))
        image = self.drag("ctrl-dragged", self.at(rx + 50, ry + 50), (-5, 0), ctrl=True)  # GRASS and STONE move
        gx2, gy2 = gx + 15, gy + 10
        self.check(image.getpixel(self.at(gx2 - 1, gy2 - 1)) == RED and image.getpixel(self.at(rx - 6, ry - 1)) == RED,
                   "Ctrl-click frames both picked images in red")
        self.check(image.getpixel(self.at(gx2 + 30, gy2 + 33)) == grass.getpixel((30, 33)),
                   "the dragged GRASS shows at its new place")

        dropped, before = os.path.join(a.work, DROPPED + ".bmp"), self.grab()
        accepted = self.drop(dropped, *self.at(128, 128))
        image = self.still("dropped", before)
        self.check(accepted and image.getpixel(self.at(3, 3)) == MAGENTA,
                   f"{DROPPED}.bmp dragged from another X client is taken (accepted: {accepted}) and shows at (0, 0)")

        self.key("saved", "s")
        saved = self.info(project)
        places = dict(laid, GRASS=(gx2, gy2), STONE=(rx - 5, ry), **{order[2]: (sx + 3, sy + 2), DROPPED: (0, 0)})
        order = [n for n in order if n not in ("GRASS", "STONE")] + ["GRASS", "STONE", DROPPED]
        got = [(i["name"], i["x"], i["y"]) for i in saved["images"]]
        self.check(got == [(n, *places[n]) for n in order], f"the saved project holds every image in order: {got}")
        self.check(saved["backgroundBrush"] == 0 and os.path.samefile(saved["images"][-1]["resolvedPath"], dropped),
                   "the saved project keeps the white background and the dropped file's path")

        unsaved = self.key("unsaved", "l")  # the border off: unsaved work again
        above_status = (*self.window_box[:3], self.canvas[3])  # the save's status text may go meanwhile
        self.key("question", "Escape")
        cancelled = self.key("cancelled", "Escape", window=self.find("アプリケーション終了"))  # Cancel
        self.check(cancelled.crop(above_status) == unsaved.crop(above_status) and self.program.poll() is None,
                   "Cancel at the question keeps the program as it was")
        self.key("question", "Escape")
        self.xdotool("windowfocus", "--sync", self.find("アプリケーション終了"), "key", "Return")  # OK
        self.check(self.program.wait(timeout=30) == 0, "OK at the question ends the program")
        return 1 if self.failures else 0


def main():
    parser = argparse.ArgumentParser()
    for option in ("--wine-run", "--exe", "--cli", "--demo", "--work"):
        parser.add_argument(option, required=True, type=os.path.abspath)
    args = parser.parse_args()
    shutil.rmtree(args.work, ignore_errors=True)
    shutil.copytree(args.demo, os.path.join(args.work, "demo"))
    os.makedirs(os.path.join(args.work, "screenshots"))
    Image.new("RGB", (12, 12), MAGENTA).save(os.path.join(args.work, DROPPED + ".bmp"))
    run = Run(args)  # on a display of its own, which xvfb-run gives it (see tests/CMakeLists.txt)
    try:
        return run.main()
    finally:
        if hasattr(run, "program") and run.program.poll() is None:
            run.program.kill()
        subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=args.work + "-prefix"))


if __name__ == "__main__":
    raise SystemExit(main())
