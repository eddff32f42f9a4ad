#!/usr/bin/env bash
# Builds every package with CPack from the release builds (the package presets; what goes into each is written in
# cmake/QuiltboxPackaging.cmake), into dist/:
#   quiltbox-VERSION-win64.zip                 Quiltbox.exe, quiltbox-cli.exe, the README and the format notes
#   quiltbox-VERSION-win64.exe                 the installer of the same files (NSIS)
#   quiltbox-cli-VERSION-linux-x86_64.tar.gz   the Linux command line, its manual page and the CMake package
#   quiltbox-cli_VERSION-1_amd64.deb           the same as a Debian package
# With --check it then checks each package as its user meets it (tests/packaging/): the zip's programs run from a new
# folder, the installer installs, opens a project from its file type and uninstalls in a new Wine prefix, the Debian
# package and the tarball hold what they should and their command line packs the demo, lintian finds no error, and the
# example game under examples/game builds its atlas through the installed CMake package.
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
    tests/packaging/check_linux.sh "$deb" "$tarball" "$version" "$work/linux"
    tests/packaging/check_game.sh "$work/linux/deb-root/usr" "$work/linux/tarball-root" "$work/game"
    scripts/with-display.sh tests/packaging/check_zip.sh "$zip" "$version" "$work/zip"
    scripts/with-display.sh tests/packaging/check_installer.sh "$installer" "$version" "$work/installer"
    mkdir -p build/package-check
    cp "$work/installer/opened.png" build/package-check/installed-quiltbox-opened-demo.png
    echo "package.sh: every package passed its checks (the installed Quiltbox.exe with the demo it opened:"
    echo "            build/package-check/installed-quiltbox-opened-demo.png)"
fi
