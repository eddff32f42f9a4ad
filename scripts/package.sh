#!/usr/bin/env bash
# Builds every package with CPack from the release builds (the package presets; what goes into each is written in
# cmake/QuiltboxPackaging.cmake), into dist/:
#   quiltbox-VERSION-win64.zip                 Quiltbox.exe, quiltbox-cli.exe, the README and the format notes
#   quiltbox-VERSION-win64.exe                 the installer of the same files (NSIS)
#   quiltbox-cli-VERSION-linux-x86_64.tar.gz   the Linux command line, its manual page and the CMake package
#   quiltbox-cli_VERSION-1_amd64.deb           the same as a Debian package
# With --check it then checks each package as its user meets it (tests/packaging/check_packages.sh): what the archives
# hold, the Debian package's command line packing the demo, lintian, the example game under examples/game building its
# atlas through the unpacked CMake packages, and the installer installing, opening a project from its file type and
# uninstalling in a new Wine prefix.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

version=$(sed -n 's/^project(Quiltbox VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
scripts/build-preset.sh native-release >/dev/null
scripts/build-preset.sh windows-release >/dev/null
log=$(mktemp)
trap 'rm -f "$log"' EXIT
for preset in windows-release native-release; do
    if ! cpack --preset "$preset" >"$log" 2>&1; then
        cat "$log"
        echo "package.sh: CPack failed for $preset" >&2
        exit 1
    fi
    if grep -qi 'warning' "$log"; then
        cat "$log"
        echo "package.sh: CPack warned for $preset" >&2
        exit 1
    fi
done
rm -rf dist/_CPack_Packages
zip=dist/quiltbox-$version-win64.zip
installer=dist/quiltbox-$version-win64.exe
tarball=dist/quiltbox-cli-$version-linux-x86_64.tar.gz
deb=dist/quiltbox-cli_$version-1_amd64.deb
echo "package.sh: $zip, $installer, $tarball and $deb"

if [ "${1:-}" = "--check" ]; then
    work=$(mktemp -d)
    trap 'rm -f "$log"; rm -rf "$work"' EXIT
    scripts/with-display.sh tests/packaging/check_packages.sh "$deb" "$tarball" "$zip" "$installer" "$version" "$work"
    mkdir -p build/package-check
    cp "$work/installed.png" build/package-check/installed-quiltbox-opened-demo.png
    echo "package.sh: every package passed its checks (the installed Quiltbox.exe with the demo it opened:"
    echo "            build/package-check/installed-quiltbox-opened-demo.png)"
fi
