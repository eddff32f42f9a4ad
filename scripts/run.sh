#!/usr/bin/env bash
# Sets up and builds Quiltbox in both release builds. The programs it will run (the window under Wine, the command
# line on the demo project) do not exist yet; this script builds the core and says so.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/install-deps.sh
scripts/build-preset.sh native-release
scripts/build-preset.sh windows-release
echo "run.sh: the portable core is built (build/native-release, build/windows-release); no program to run yet."
