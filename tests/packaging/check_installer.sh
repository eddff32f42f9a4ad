#!/usr/bin/env bash
# The Windows installer, in a Wine prefix made for this run: a silent install (/S) puts both programs and the
# documents under Program Files\Quiltbox with the uninstaller, the Start-menu entry "Quiltbox" and the entry of the
# system's list of programs; the .qbp file type is registered, and opening the demo project through the shell
# ("wine start", as a double-click in Explorer does) starts the installed Quiltbox.exe with it, whose window shows the
# project's sprites (the picture is kept in WORK_DIR/opened.png). The silent uninstall takes all of it away again.
# Usage: check_installer.sh INSTALLER VERSION WORK_DIR   (with a display: scripts/with-display.sh)
set -euo pipefail
installer=$(realpath "$1")
version=$2
work=$3
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
mkdir -p "$work"
prefix=$work/prefix
export QUILTBOX_WINE_KEEPALIVE=0
# Wine mirrors an installed program's Start-menu entry and file types onto the Linux desktop of $HOME: keep them here.
export HOME=$work/home XDG_DATA_HOME=$work/home/.local/share XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$HOME"
run=("$root/scripts/wine-run.sh" --prefix "$prefix" --unmanaged)
program_files=$prefix/drive_c/Program\ Files/Quiltbox
start_menu=$prefix/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Quiltbox
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quiltbox'

fail() {
    echo "check_installer.sh: $*" >&2
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    exit 1
}
# query KEY [VALUE-OPTIONS...]: the key's values as reg.exe prints them; fails when the key is missing.
query() {
    local status=0
    "${run[@]}" reg query "$@" >"$work/query.txt" 2>&1 || status=$?
    tr -d '\r' <"$work/query.txt"
    return "$status"
}
# Waits up to 120 s for a condition (a command) to hold.
wait_for() {
    local _
    for _ in $(seq 1 240); do
        if "$@"; then return 0; fi
        sleep 0.5
    done
    return 1
}

"${run[@]}" "$installer" /S || fail "the silent install failed"
for file in Quiltbox.exe quiltbox-cli.exe README.md formats.md Uninstall.exe; do
    [ -f "$program_files/$file" ] || fail "Program Files\\Quiltbox\\$file is missing after the install"
done
[ -f "$start_menu/Quiltbox.lnk" ] ||
    fail "the Start-menu entry Quiltbox is missing: $(find "$prefix/drive_c" -name '*.lnk')"
query "$uninstall_key" | grep -q 'DisplayName.*REG_SZ.*Quiltbox$' ||
    fail "no uninstall entry: $(query "$uninstall_key")"
query "$uninstall_key" | grep -q "DisplayVersion.*REG_SZ.*$version$" || fail "the uninstall entry has no version"
query "$uninstall_key" /v UninstallString | grep -qF 'C:\Program Files\Quiltbox\Uninstall.exe' ||
    fail "the uninstall entry does not name the uninstaller: $(query "$uninstall_key")"
query 'HKCR\.qbp' /ve | grep -q 'REG_SZ.*Quiltbox\.Project$' || fail ".qbp is not registered: $(query 'HKCR\.qbp' /ve)"
query 'HKCR\Quiltbox.Project\shell\open\command' /ve |
    grep -qF '"C:\Program Files\Quiltbox\Quiltbox.exe" "%1"' || fail "the .qbp type does not open Quiltbox.exe"
"${run[@]}" "C:\\Program Files\\Quiltbox\\quiltbox-cli.exe" --version >"$work/version.txt" || true
tr -d '\r' <"$work/version.txt" | grep -qx "quiltbox-cli $version" || fail "the installed quiltbox-cli.exe does not run"

# The project opened through its file type, as Explorer opens it.
cp -r "$root/examples/demo" "$work/demo"
"${run[@]}" start /unix "$work/demo/demo.qbp" || fail "wine start could not open the project"
window=$("$root/scripts/wait-for-window.sh" "^Quiltbox$" 240) || fail "opening the project started no Quiltbox window"
sleep 2
import -window "$window" "$work/opened.png"
/usr/bin/python3 "$root/tests/packaging/find_sprites.py" "$work/opened.png" "$work/demo/sprites/grass.bmp" \
    "$work/demo/sprites/brick.bmp" || fail "the window does not show the project's sprites (see $work/opened.png)"
xdotool windowfocus --sync "$window" key Escape
wait_for bash -c '! xdotool search --name "^Quiltbox$" >/dev/null 2>&1' || fail "Quiltbox.exe did not close on Esc"

# The uninstaller copies itself away and returns at once; what it removes goes while it runs.
"${run[@]}" "C:\\Program Files\\Quiltbox\\Uninstall.exe" /S || fail "the silent uninstall failed"
wait_for test ! -e "$program_files" || fail "Program Files\\Quiltbox is still there: $(ls -A "$program_files")"
[ ! -e "$start_menu" ] || fail "the Start-menu entry is still there"
! query "$uninstall_key" >/dev/null || fail "the uninstall entry is still there"
! query 'HKCR\.qbp' >/dev/null || fail "the .qbp type is still registered"
! query 'HKCR\Quiltbox.Project' >/dev/null || fail "the Quiltbox.Project class is still registered"
WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
echo "check_installer.sh: installed, opened the demo through its file type and uninstalled silently in $prefix"
