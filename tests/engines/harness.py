"""What the engine checks share: the pages of an atlas, the comparison of what an engine drew with the source image,
the localhost server for the pages, the run of a batch of jobs in Chromium through drive.mjs, and a reader of Godot's
text resources.
"""
import base64
import http.server
import io
import json
import os
import posixpath
import re
import signal
import subprocess
import tempfile
import threading
import urllib.parse

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))


def atlas_pages(first):
    """[JSON data] of every page of an atlas: the first file and those its meta.related_multi_packs lists."""
    with open(first, encoding="utf-8") as f:
        pages = [json.load(f)]
    for other in pages[0]["meta"].get("related_multi_packs", []):
        with open(os.path.join(os.path.dirname(first), other), encoding="utf-8") as f:
            pages.append(json.load(f))
    return pages


def frame(picture):
    """A picture in the form of a result's frame, as it is: straight colour."""
    picture = picture.convert("RGBA")
    return {"width": picture.size[0], "height": picture.size[1], "rgba": base64.b64encode(picture.tobytes()).decode(),
            "premultiplied": False}


def premultiplied(pixels):
    """Colour x alpha / 255, rounded: what a canvas or a premultiplied drawing buffer keeps of a straight pixel."""
    return [(r * a + 127) // 255 for px in pixels for r, a in ((px[0], px[3]), (px[1], px[3]), (px[2], px[3]))]


def rgba_tuples(raw):
    return [tuple(raw[i:i + 4]) for i in range(0, len(raw), 4)]


def mismatch(expected, drawn):
    """None when the frame an engine drew equals the expected picture, else what differs. `drawn` is a result frame
    (width, height, rgba) plus the job's `premultiplied`. Both sides are compared premultiplied, the form in which a
    canvas or a WebGL drawing buffer holds pixels: alpha and opaque pixels exactly, colour of partly transparent
    pixels within 1 (the browser's own premultiplication may round the other way), a fully transparent pixel has no
    colour."""
    expected = expected.convert("RGBA")
    if (drawn["width"], drawn["height"]) != expected.size:
        return f"drawn {drawn['width']}x{drawn['height']}, expected {expected.size[0]}x{expected.size[1]}"
    got = rgba_tuples(base64.b64decode(drawn["rgba"]))
    bad = bad_pixels(list(expected.getdata()), got, drawn["premultiplied"])
    if not bad:
        return None
    w = expected.size[0]
    return f"{len(bad)} of {len(got)} pixels differ, first at " + ", ".join(
        f"({i % w},{i // w}) expected {e} drew {g}" for i, e, g in bad[:3])


def bad_pixels(expected, got, got_premultiplied):
    want = premultiplied(expected)
    have = [c for px in got for c in px[:3]] if got_premultiplied else premultiplied(got)
    bad = []
    for i, (e, g) in enumerate(zip(expected, got)):
        a = e[3]
        colour_ok = all(abs(want[3 * i + k] - have[3 * i + k]) <= (0 if a == 255 else 1) for k in range(3))
        if g[3] != a or not colour_ok:
            bad.append((i, e, g))
    return bad


class _Handler(http.server.SimpleHTTPRequestHandler):
    """Serves /engines/ from this folder, /npm/ from the installed npm packages and /work/ from the test's files."""
    roots = {}
    extensions_map = {".html": "text/html", ".js": "text/javascript", ".mjs": "text/javascript",
                      ".json": "application/json", ".css": "text/css", ".png": "image/png",
                      "": "application/octet-stream"}

    def translate_path(self, path):
        parts = posixpath.normpath(urllib.parse.unquote(urllib.parse.urlsplit(path).path)).split("/")[1:]
        root = self.roots.get(parts[0]) if parts else None
        if root is None or ".." in parts:
            return "/nonexistent"
        return os.path.join(root, *parts[1:])

    def end_headers(self):
        # The engines stay as they are for a whole run, and each page loads them again; the atlases may be rewritten.
        if not self.path.startswith("/npm/"):
            self.send_header("Cache-Control", "no-store")
        super().end_headers()

    def log_message(self, *args):
        pass


class Browser:
    """Runs batches of jobs ({id, loader, atlas, renderer}) in headless Chromium, the files served on 127.0.0.1."""

    def __init__(self, npm_dir, work_dir):
        self.npm_dir = npm_dir
        handler = type("Handler", (_Handler,), {"roots": {
            "engines": HERE, "npm": os.path.join(npm_dir, "node_modules"), "work": work_dir}})
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()

    def close(self):
        self.server.shutdown()
        self.server.server_close()

    def run(self, jobs):
        """{job id: result}; a result holds `frames` (name, width, height, rgba), `renderer`, `premultiplied` and
        `problems` (the page's errors), or `error`; and `screenshot` (a PNG, base64) when the page asked for one."""
        base = f"http://127.0.0.1:{self.server.server_address[1]}"
        with tempfile.TemporaryDirectory() as folder:
            jobs_file, results_file = os.path.join(folder, "jobs.json"), os.path.join(folder, "results.json")
            with open(jobs_file, "w") as f:
                json.dump(jobs, f)
            # In a session of its own, so that Chromium goes too when the driver has to be stopped.
            driver = subprocess.Popen(["node", os.path.join(HERE, "drive.mjs"), self.npm_dir, base, jobs_file,
                                       results_file], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                      stderr=subprocess.STDOUT, text=True, start_new_session=True)
            try:
                output, _ = driver.communicate(timeout=240)
            except subprocess.TimeoutExpired:
                os.killpg(driver.pid, signal.SIGKILL)
                driver.communicate()
                raise RuntimeError("drive.mjs did not finish within 240 s")
            if driver.returncode != 0 or not os.path.exists(results_file):
                raise RuntimeError(f"drive.mjs failed ({driver.returncode}):\n{output}")
            with open(results_file) as f:
                results = json.load(f)
        for result in results.values():  # the boxes a page laid out, cut from its screenshot
            if "screenshot" in result:
                with Image.open(io.BytesIO(base64.b64decode(result["screenshot"]))) as shot:
                    for f in (f for f in result["frames"] if "x" in f):
                        box = (f["x"], f["y"], f["x"] + f["width"], f["y"] + f["height"])
                        f["rgba"] = frame(shot.crop(box))["rgba"]
        return results


# Godot 4's text resources: strings (also &"names"), numbers, words, and single marks.
_GODOT_TOKEN = re.compile(r'\s*(&?"(?:[^"\\]|\\.)*"|[-+]?[0-9][0-9.e+-]*|\w+|\S)')


def godot_resource(text):
    """[(tag, {attribute: value}, {property: value})] for each [tag attribute=value ...] section of a Godot 4 text
    resource and the property = value lines under it. Values: str, int, float, bool, list, dict, and a constructor
    such as Rect2(...) or SubResource("id") as the tuple (name, arguments...)."""
    tokens = [m.group(1) for m in _GODOT_TOKEN.finditer(text)]
    sections, i = [], 0
    while i < len(tokens):
        if tokens[i] == "[":
            tag, attributes, i = tokens[i + 1], {}, i + 2
            while tokens[i] != "]":
                attributes[tokens[i]], i = _godot_value(tokens, i + 2)
            sections.append((tag, attributes, {}))
            i += 1
        else:
            sections[-1][2][tokens[i]], i = _godot_value(tokens, i + 2)
    return sections


def _godot_value(tokens, i):
    token = tokens[i]
    if token[0] in '&"':
        return json.loads(token.lstrip("&")), i + 1
    if token in ("[", "{"):
        items, i = _godot_items(tokens, i + 1, "]" if token == "[" else "}")
        return (items if token == "[" else dict(items)), i
    if token in ("true", "false"):
        return token == "true", i + 1
    if token[0] in "+-0123456789":
        return (int(token) if token.lstrip("+-").isdigit() else float(token)), i + 1
    if tokens[i + 1] != "(":
        raise ValueError(f"{token} {tokens[i + 1]}: not a value")
    items, i = _godot_items(tokens, i + 2, ")")
    return (token, *items), i


def _godot_items(tokens, i, close):
    """The comma-separated values up to `close`; a dictionary's key: value comes as a pair."""
    items = []
    while tokens[i] != close:
        value, i = _godot_value(tokens, i)
        if tokens[i] == ":":
            other, i = _godot_value(tokens, i + 1)
            value = (value, other)
        items.append(value)
        i += tokens[i] == ","
    return items, i + 1
