#!/usr/bin/env bash
# Sets up, builds and runs every test of both builds: the native build (Debug with AddressSanitizer and
# UndefinedBehaviorSanitizer) and the Windows build (mingw-w64, run under Wine with code page 932 on an Xvfb display),
# plus the release builds of both, which must also build without a warning; then every fuzzer for about a minute.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/install-deps.sh
# A full disk makes writes fail in ways tests cannot tell from a fault of the program: say how much there is.
df -h . "${TMPDIR:-/tmp}" || true

start=$(date +%s)
scripts/with-display.sh bash -c '
    set -euo pipefail
    scripts/build-preset.sh native
    ctest --preset native -j2
    scripts/build-preset.sh windows
    ctest --preset windows -j2
    scripts/build-preset.sh native-release
    ctest --preset native-release -j2
    scripts/build-preset.sh windows-release
    scripts/package.sh --check
'
scripts/run-fuzzers.sh 30
echo "test-all.sh: every test passed in $(( $(date +%s) - start )) s"
