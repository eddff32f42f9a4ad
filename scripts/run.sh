#!/usr/bin/env bash
# Sets up, builds and runs Quiltbox: both release builds, then the demo. The window program does not exist yet, so
# the demo is the command line: it draws a few sprites (examples/make_demo_sprites.py), packs them into a 256 x 128
# atlas with every export and a project file in build/demo/, and shows the project.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/install-deps.sh
scripts/build-preset.sh native-release
scripts/build-preset.sh windows-release

demo=build/demo
rm -rf "$demo"
/usr/bin/python3 examples/make_demo_sprites.py "$demo/sprites" >/dev/null
cd "$demo"
../native-release/cli/quiltbox-cli pack sprites/*.bmp sprites/*.tga --size 256x128 \
    --bmp atlas.bmp --tga atlas.tga --ids texture_ids.h --quv atlas.quv --uv-array atlas_uv.h \
    --uv-defines atlas_uv_defines.h --save demo.qbp
../native-release/cli/quiltbox-cli info demo.qbp
echo "run.sh: the demo atlas and its lists are in $demo/ (the Windows build is build/windows-release/cli/quiltbox-cli.exe)"
