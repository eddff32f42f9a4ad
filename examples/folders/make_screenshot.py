#!/usr/bin/python3
"""Packs examples/folders/sprites for PixiJS with the built quiltbox-cli and takes the README's picture of the atlas as
PixiJS 8 draws it in headless Chromium (the engine test's page and driver, with the npm packages that
scripts/install-deps.sh puts in build/npm).
Usage: make_screenshot.py --cli PROGRAM [--npm build/npm] [--work build/folders-example] [--out docs/pixi-folders.png]
"""
import argparse
import base64
import io
import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..", "..")
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(ROOT, "tests", "engines"))
import harness  # noqa: E402
from PIL import Image  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--npm", default=os.path.join(ROOT, "build", "npm"))
    parser.add_argument("--work", default=os.path.join(ROOT, "build", "folders-example"))
    parser.add_argument("--out", default=os.path.join(ROOT, "docs", "pixi-folders.png"))
    args = parser.parse_args()
    work = os.path.abspath(args.work)
    shutil.rmtree(work, ignore_errors=True)
    shutil.copytree(os.path.join(HERE, "sprites"), os.path.join(work, "sprites"))
    shutil.copy(os.path.join(HERE, "showcase.js"), work)
    subprocess.run([os.path.abspath(args.cli), "pack", "sprites", "--animations", "--pivot", "0.5,1", "--size", "auto",
                    "--png", "atlas.png", "--json", "atlas.json", "--quiet"], cwd=work, check=True)
    browser = harness.Browser(os.path.abspath(args.npm), work)
    try:
        # The page imports loaders/NAME.js beside itself: the module served from the work folder is two levels up.
        result = browser.run([{"id": "showcase", "loader": "../../work/showcase", "renderer": "webgl",
                               "atlas": "/work/atlas.json"}])["showcase"]
    finally:
        browser.close()
    if "error" in result or result["problems"]:
        sys.exit(f"make_screenshot.py: {result.get('error')} {result['problems']}")
    with Image.open(io.BytesIO(base64.b64decode(result["screenshot"]))) as page:
        page.crop((0, 0, 620, 250)).save(args.out)  # the canvas at the page's top left
    print(os.path.normpath(args.out))


if __name__ == "__main__":
    main()
