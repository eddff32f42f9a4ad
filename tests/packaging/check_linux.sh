#!/usr/bin/env bash
# The Debian package and the tarball of the command line: each holds exactly the program, its manual page, the CMake
# package and the documents, in the Debian package under /usr with a sound control file; unpacked into a temporary root,
# the installed quiltbox-cli packs the demo there, and its manual page shows every command of its help. lintian reports
# no error. The unpacked roots stay in WORK_DIR/deb-root and WORK_DIR/tarball-root for the example game's build.
# Usage: check_linux.sh DEB TARBALL VERSION WORK_DIR
set -euo pipefail
deb=$(realpath "$1")
tarball=$(realpath "$2")
version=$3
work=$4
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
mkdir -p "$work"

fail() {
    echo "check_linux.sh: $*" >&2
    exit 1
}

# The files of both packages, as paths below their prefix.
tree=(bin/quiltbox-cli
    lib/cmake/Quiltbox/QuiltboxAtlas.cmake lib/cmake/Quiltbox/QuiltboxConfig.cmake
    lib/cmake/Quiltbox/QuiltboxConfigVersion.cmake
    share/doc/quiltbox-cli/README.md share/doc/quiltbox-cli/changelog.Debian.gz share/doc/quiltbox-cli/copyright
    share/doc/quiltbox-cli/formats.md share/man/man1/quiltbox-cli.1.gz)
same_list() {  # same_list NAME EXPECTED_FILE ACTUAL_FILE
    diff -u "$2" "$3" || fail "the $1 holds other files than expected (above)"
}

dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort >"$work/deb-contents.txt"
printf './usr/%s\n' "${tree[@]}" | sort >"$work/deb-expected.txt"
same_list "Debian package" "$work/deb-expected.txt" "$work/deb-contents.txt"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ && $2 != "root/root" { print }' >"$work/deb-owners.txt"
[ ! -s "$work/deb-owners.txt" ] || fail "files not owned by root: $(cat "$work/deb-owners.txt")"
for field in "Package: quiltbox-cli" "Version: $version-1" "Architecture: amd64" "Section: graphics"; do
    dpkg-deb -f "$deb" | grep -qx "$field" || fail "the control file lacks '$field'"
done
dpkg-deb -f "$deb" Depends | grep -q 'libc6' ||
    fail "the package does not depend on libc6: $(dpkg-deb -f "$deb" Depends)"

top=quiltbox-cli-$version-linux-x86_64
tar -tzf "$tarball" | grep -v '/$' | sort >"$work/tarball-contents.txt"
printf "$top/%s\n" "${tree[@]}" | sort >"$work/tarball-expected.txt"
same_list tarball "$work/tarball-expected.txt" "$work/tarball-contents.txt"

rm -rf "$work/deb-root" "$work/tarball-root"
dpkg -x "$deb" "$work/deb-root"
mkdir -p "$work/tarball-root"
tar -xzf "$tarball" -C "$work/tarball-root" --strip-components=1

for cli in "$work/deb-root/usr/bin/quiltbox-cli" "$work/tarball-root/bin/quiltbox-cli"; do
    [ "$("$cli" --version)" = "quiltbox-cli $version" ] || fail "$cli --version printed $("$cli" --version)"
    file -b "$cli" | grep -q 'ELF 64-bit.*, stripped' || fail "$cli is not a stripped program: $(file -b "$cli")"
done

# The installed program packs the demo's sprites in the temporary root; Pillow reads the atlas back.
cli=$work/deb-root/usr/bin/quiltbox-cli
cp -r "$root/examples/demo" "$work/demo"
(cd "$work/demo" && "$cli" pack sprites/*.bmp sprites/*.tga --size 256x128 --png atlas.png --json atlas.json \
    --ids texture_ids.h --quiet)
/usr/bin/python3 - "$work/demo" <<'PY' || fail "the installed program's demo atlas is not as expected"
import json, os, sys
from PIL import Image
folder = sys.argv[1]
frames = json.load(open(os.path.join(folder, "atlas.json"), encoding="utf-8"))["frames"]
sprites = sorted(n for n in os.listdir(os.path.join(folder, "sprites")))
assert len(frames) == len(sprites) == 12, (len(frames), sprites)
atlas = Image.open(os.path.join(folder, "atlas.png"))
assert atlas.size == (256, 128) and atlas.mode == "RGBA", (atlas.size, atlas.mode)
for name, frame in frames.items():
    f = frame["frame"]
    assert 0 <= f["x"] and f["x"] + f["w"] <= 256 and 0 <= f["y"] and f["y"] + f["h"] <= 128, (name, f)
PY

# The manual page renders without a complaint from groff and tells of every command the help lists.
page=$work/deb-root/usr/share/man/man1/quiltbox-cli.1.gz
MANWIDTH=100 LC_ALL=C.UTF-8 man --warnings -l "$page" >"$work/man.txt" 2>"$work/man-warnings.txt"
[ ! -s "$work/man-warnings.txt" ] || fail "man found faults in the page: $(cat "$work/man-warnings.txt")"
commands=$("$cli" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z-]*\) .*/\1/p')
[ -n "$commands" ] || fail "no command found in quiltbox-cli --help"
for command in $commands; do
    grep -q "Usage: quiltbox-cli $command " "$work/man.txt" || fail "the manual page does not tell of '$command'"
done
grep -q "quiltbox_add_atlas" "$work/man.txt" || fail "the manual page lacks its examples"

# Warnings are accepted: see the README's Release section for those that remain.
lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian.txt" 2>&1 || {
    cat "$work/lintian.txt"
    fail "lintian found errors"
}
grep -v '^N: ' "$work/lintian.txt" | sed 's/^/check_linux.sh: lintian: /' || true
echo "check_linux.sh: the Debian package and the tarball hold what they should; the installed program packed the demo"
