"""What the engine checks share: the pages of an atlas, the comparison of what an engine drew with the source image,
the localhost server for the pages, and the run of a batch of jobs in Chromium through drive.mjs.
"""
import base64
import http.server
import json
import os
import posixpath
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


def premultiplied(pixels):
    """Colour x alpha / 255, rounded: what a canvas or a premultiplied drawing buffer keeps of a straight pixel."""
    return [(r * a + 127) // 255 for px in pixels for r, a in ((px[0], px[3]), (px[1], px[3]), (px[2], px[3]))]


def rgba_tuples(raw):
    return [tuple(raw[i:i + 4]) for i in range(0, len(raw), 4)]


# The seven other ways to turn or mirror a picture: what an engine did instead, when it drew a square frame wrongly.
TURNS = {
    "turned 90 degrees clockwise": Image.Transpose.ROTATE_270,
    "turned 90 degrees counter-clockwise": Image.Transpose.ROTATE_90,
    "turned 180 degrees": Image.Transpose.ROTATE_180,
    "mirrored left to right": Image.Transpose.FLIP_LEFT_RIGHT,
    "mirrored top to bottom": Image.Transpose.FLIP_TOP_BOTTOM,
    "mirrored across the main diagonal": Image.Transpose.TRANSPOSE,
    "mirrored across the other diagonal": Image.Transpose.TRANSVERSE,
}


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
    text = f"{len(bad)} of {len(got)} pixels differ, first at " + ", ".join(
        f"({i % w},{i // w}) expected {e} drew {g}" for i, e, g in bad[:3])
    for what, turn in TURNS.items():
        other = expected.transpose(turn)
        if other.size == expected.size and not bad_pixels(list(other.getdata()), got, drawn["premultiplied"]):
            return f"{text}; the engine drew the source {what}"
    return text


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
                      ".json": "application/json", ".png": "image/png", "": "application/octet-stream"}

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
        `problems` (the page's errors), or `error`."""
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
                return json.load(f)
