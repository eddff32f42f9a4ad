#!/usr/bin/env bash
# Builds every preset from a fresh configuration and fails on the first warning or error.
set -euo pipefail
here=$(dirname "${BASH_SOURCE[0]}")
for preset in native native-release windows windows-release fuzz; do
    "$here/build-preset.sh" "$preset" --fresh
done
