#!/usr/bin/env bash
# Configures and builds one CMake preset, and fails when the compiler, linker or CMake printed any warning: the tree
# builds clean in every preset. Usage: build-preset.sh PRESET [--fresh]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

preset=$1
fresh=()
clean=()
if [ "${2:-}" = "--fresh" ]; then
    fresh=(--fresh)
    clean=(--clean-first)
fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
{ cmake "${fresh[@]}" --preset "$preset" && cmake --build --preset "$preset" "${clean[@]}"; } >"$log" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
    cat "$log"
    echo "build-preset.sh: the $preset build failed" >&2
    exit "$status"
fi
if grep -iE '(^|[^a-z_])warning[: ]' "$log" | grep -v -- '-Wno-' >/dev/null; then
    grep -iE -B2 -A4 '(^|[^a-z_])warning[: ]' "$log"
    echo "build-preset.sh: the $preset build printed warnings" >&2
    exit 1
fi
echo "build-preset.sh: $preset built without warnings"
