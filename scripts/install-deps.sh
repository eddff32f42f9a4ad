#!/usr/bin/env bash
# Installs the Debian packages that the builds and tests need, only those that are missing, and generates the
# ja_JP.UTF-8 locale under which Wine runs with the ANSI code page 932. Safe to run again and again.
set -euo pipefail

packages=(
    cmake g++ make
    libgtest-dev googletest libgmock-dev libbenchmark-dev libstb-dev libcli11-dev nlohmann-json3-dev libkainjow-mustache-dev
    zlib1g-dev libz-mingw-w64-dev libtomlplusplus-dev
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    wine wine64 xvfb xauth xdotool x11-utils
    locales fonts-ipafont-gothic fonts-wine
    imagemagick python3 python3-pil python3-xlib time zip unzip
    clang libclang-rt-14-dev
    chromium
    # The packages: CPack's NSIS installer and Debian package, the manual page, the checks of both, the game's build.
    nsis dpkg-dev lintian help2man man-db file ninja-build
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
# Node.js with npm drives Chromium in the engine tests: Debian's, unless a Node.js with its own npm is there already.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then missing+=(nodejs npm); fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

if [ ${#missing[@]} -gt 0 ]; then
    echo "install-deps: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if ! locale -a 2>/dev/null | grep -qiE '^ja_JP\.utf-?8$'; then
    echo "install-deps: generating the ja_JP.UTF-8 locale"
    if [ -f /etc/locale.gen ] && grep -qE '^# *ja_JP.UTF-8' /etc/locale.gen; then
        "${sudo_cmd[@]}" sed -i -E 's/^# *(ja_JP.UTF-8 UTF-8)/\1/' /etc/locale.gen
    elif ! grep -qE '^ja_JP.UTF-8' /etc/locale.gen 2>/dev/null; then
        echo 'ja_JP.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
    fi
    "${sudo_cmd[@]}" locale-gen >/dev/null
fi

# The engine tests' npm packages (the game engines and the browser driver), exactly as tests/engines/package-lock.json
# pins them, go into the build tree so that the source tree stays clean; installed again only when the lock changes.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
npm_dir=$root/build/npm
if ! cmp -s "$root/tests/engines/package-lock.json" "$npm_dir/installed-lock.json"; then
    echo "install-deps: installing the engine tests' npm packages into build/npm"
    rm -rf "$npm_dir"
    mkdir -p "$npm_dir"
    cp "$root/tests/engines/package.json" "$root/tests/engines/package-lock.json" "$npm_dir/"
    (cd "$npm_dir" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error >/dev/null)
    cp "$root/tests/engines/package-lock.json" "$npm_dir/installed-lock.json"
fi
