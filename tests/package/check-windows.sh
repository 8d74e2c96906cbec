#!/usr/bin/env bash
# Checks the Windows packages under Wine, in a private prefix of their own (so
# installing changes nothing that other Wine tests see): the ZIP's files; the
# installer run silently, the programs, Start-menu entry and Add/Remove Programs
# entry it installs, the installed programs run on a recording they generate;
# and the uninstaller run silently, which removes them all but keeps the user's
# settings.
#   tests/package/check-windows.sh Quernfold-<version>-win64.exe Quernfold-<version>-win64.zip
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
(($# == 2)) || { echo "usage: check-windows.sh INSTALLER.exe PACKAGE.zip" >&2; exit 2; }
installer=$(realpath -- "$1")
zip=$(realpath -- "$2")
repo=$(cd "$here/../.." && pwd)
wine=$repo/scripts/wine
# Each Wine step gets a bound, so a program that hangs fails the check.
bound=300

expected_files='bin/quernfold.exe
bin/quernfold-split.exe
bin/make-recording.exe
README.txt
LICENSE.txt'

echo "== $zip: contents =="
listing=$(cmake -E tar tf "$zip") || exit 1
echo "$listing"
top=$(basename "$zip" .zip)
expect "the ZIP holds the three programs, the README and the licence in $top/, and nothing else" \
    same_files "$expected_files" "$(grep -v '/$' <<<"$listing" | sed "s|^$top/||")"
mkdir -p "$scratch/zip"
(cd "$scratch/zip" && cmake -E tar xf "$zip") || exit 1

# Every program carries the version block (with the package's version) and a
# manifest.
version=${top#Quernfold-}
version=${version%-win64}
IFS=. read -r major minor patch <<<"$version"
for program in quernfold quernfold-split make-recording; do
    exe=$scratch/zip/$top/bin/$program.exe
    expect "$program.exe has a version resource with the package's version" \
        bash -c "wrestool -x --raw --type=16 '$exe' | strings -el | grep -qxF '$major, $minor, 0, $patch'"
    expect "$program.exe has a manifest with the UTF-8 code page and long paths" \
        bash -c "wrestool -x --raw --type=24 '$exe' | grep -q 'activeCodePage.*UTF-8' &&
                 wrestool -x --raw --type=24 '$exe' | grep -q 'longPathAware.*true'"
done

# A copy of the project's prefix when it is ready (much quicker than creating
# one); otherwise scripts/wine creates a new one on first use.
export QUERNFOLD_WINEPREFIX=$scratch/wine
export WINEPREFIX=$QUERNFOLD_WINEPREFIX WINEDEBUG=-all
shared_prefix=$repo/build-windows/wine
if [[ -f $shared_prefix/.quernfold-ready ]]; then
    cp -a "$shared_prefix" "$WINEPREFIX"
fi
cleanups+=("wineserver -k 2>/dev/null")
run() { timeout "$bound" "$wine" "$@"; }
# Also waits for every process the program started: the uninstaller goes on in
# a copy of itself and returns at once.
run_and_wait() { run "$@" && timeout "$bound" wineserver -w; }
registry_has() { run reg query "$@" >/dev/null 2>&1; }
registry_lacks() { ! registry_has "$@"; }

folder=$WINEPREFIX/drive_c/Program\ Files/Quernfold
start_menu=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Quernfold
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quernfold Installation'
settings_key='HKCU\Software\Ferndusk Software\quernfold\Options'

echo "== $installer: silent installation =="
expect "the installer runs silently and succeeds" run_and_wait "$installer" /S
installed=$(cd "$folder" 2>/dev/null && find . -type f | sed 's|^\./||')
echo "$installed"
expect "it installs the programs and the uninstaller into C:\\Program Files\\Quernfold" \
    same_files "$expected_files"$'\nUninstall.exe' "$installed"
same_as_zip() {
    local file
    for file in $(grep -v '^Uninstall.exe$' <<<"$installed"); do
        cmp "$folder/$file" "$scratch/zip/$top/$file" || return 1
    done
}
expect "the installed programs are the ZIP's" same_as_zip
expect "the Start menu has Quernfold, which starts quernfold.exe" \
    grep -aqF 'C:\Program Files\Quernfold\bin\quernfold.exe' "$start_menu/Quernfold.lnk"
# The shortcut's strings, UTF-16 or ANSI as Windows writes them.
lnk_strings() { { strings -a -el "$1"; strings -a "$1"; } 2>/dev/null; }
expect "the Start-menu entry starts it in the user's Music folder" \
    bash -c "$(declare -f lnk_strings); lnk_strings '$start_menu/Quernfold.lnk' | grep -qxF '%USERPROFILE%\\Music'"
expect "Add/Remove Programs lists it" registry_has "$uninstall_key" /v UninstallString
expect "NoModify and NoRepair are DWORDs" \
    bash -c "'$wine' reg query '$uninstall_key' /v NoModify | grep -q REG_DWORD &&
             '$wine' reg query '$uninstall_key' /v NoRepair | grep -q REG_DWORD"
expect "Add/Remove Programs shows no placeholder contact" registry_lacks "$uninstall_key" /v Contact
expect "WAV files offer Quernfold under Open with" \
    registry_has 'HKLM\Software\Classes\.wav\OpenWithProgids' /v Quernfold.wav
expect "the README and the licence are installed" \
    test -f "$folder/README.txt" -a -f "$folder/LICENSE.txt"

echo "== the installed programs =="
mkdir -p "$WINEPREFIX/drive_c/work/tracks"
bin='C:\Program Files\Quernfold\bin'
expect "make-recording.exe writes a recording" \
    quietly run "$bin\\make-recording.exe" "${recording_args[@]}" 'C:\work\recording.wav'
expect "quernfold-split.exe splits it" \
    quietly run "$bin\\quernfold-split.exe" "${split_args[@]}" 'C:\work\recording.wav' 'C:\work\tracks'
expect "the tracks hold the recording's audio, sample for sample" \
    split_files_hold_recording "$WINEPREFIX/drive_c/work/recording.wav" "$WINEPREFIX/drive_c/work/tracks"

echo "== reinstallation into another folder =="
other=$WINEPREFIX/drive_c/Apps/Quernfold
expect "the installer runs silently into C:\\Apps\\Quernfold" run_and_wait "$installer" /S '/D=C:\Apps\Quernfold'
expect "nothing is left of the old installation" test ! -e "$folder"
expect "the new one is complete" test -f "$other/bin/quernfold.exe" -a -f "$other/Uninstall.exe"
expect "Add/Remove Programs names its uninstaller" \
    bash -c "'$wine' reg query '$uninstall_key' /v UninstallString | grep -qF 'C:\\Apps\\Quernfold\\Uninstall.exe'"
folder=$other

echo "== silent uninstallation =="
run reg add "$settings_key" /v Threshold /t REG_SZ /d 0.50 /f >/dev/null
expect "the uninstaller runs silently and succeeds" run_and_wait 'C:\Apps\Quernfold\Uninstall.exe' /S
expect "the programs and their folder are gone" test ! -e "$folder"
expect "the Start-menu entry is gone" test ! -e "$start_menu"
expect "the Add/Remove Programs entry is gone" registry_lacks "$uninstall_key"
expect "the user's settings are kept" registry_has "$settings_key" /v Threshold
expect "the installer's keys are gone, the vendor's with them" registry_lacks 'HKLM\Software\Ferndusk Software'
expect "the Open with entry is gone" registry_lacks 'HKLM\Software\Classes\Quernfold.wav'

finish
