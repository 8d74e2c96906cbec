#!/usr/bin/env bash
# Checks the Debian package: its files and dependencies as dpkg-deb lists them,
# then its programs, run from an extracted copy on a recording they generate.
#   tests/package/check-deb.sh quernfold_<version>-1_amd64.deb
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
deb=${1:?usage: check-deb.sh PACKAGE.deb}

echo "== $deb: contents =="
contents=$(dpkg-deb --contents "$deb") || exit 1
echo "$contents"
expected_files='./usr/bin/quernfold
./usr/bin/quernfold-split
./usr/bin/make-recording
./usr/share/applications/quernfold.desktop
./usr/share/icons/hicolor/16x16/apps/quernfold.png
./usr/share/icons/hicolor/32x32/apps/quernfold.png
./usr/share/icons/hicolor/48x48/apps/quernfold.png
./usr/share/icons/hicolor/256x256/apps/quernfold.png
./usr/share/doc/quernfold/README.md
./usr/share/doc/quernfold/copyright'
# Regular files only; the path is the listing's last field (no spaces in them).
expect "the package holds the programs, the desktop entry and its icons, the README and the licence, and nothing else" \
    same_files "$expected_files" "$(awk '/^-/ { print $NF }' <<<"$contents")"
programs_owned_by_root() {
    local listing
    listing=$(grep ' \./usr/bin/.' <<<"$contents")
    ! grep -v '^-rwxr-xr-x root/root ' <<<"$listing"
}
expect "the programs are executable by all and owned by root" programs_owned_by_root

echo "== $deb: dependencies =="
depends=$(dpkg-deb --field "$deb" Depends) || exit 1
echo "Depends: $depends"
# dpkg-shlibdeps names each library's package with the least version the
# programs need; a hand-written list would not follow the build.
depends_on_least_version() {
    local entry
    while IFS= read -r entry; do
        [[ $entry == "$1 (>= "*")" ]] && return 0
    done <<<"${depends//, /$'\n'}"
    return 1
}
for package in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6multimedia6; do
    expect "Depends names $package with a least version" depends_on_least_version "$package"
done

echo "== $deb: programs run from an extracted copy =="
root=$scratch/extracted
dpkg-deb -x "$deb" "$root" || exit 1
entry=$root/usr/share/applications/quernfold.desktop
expect "the desktop entry is valid" desktop-file-validate "$entry"
expect "the desktop entry opens WAV files, passing the file to the program" \
    grep -qxF 'MimeType=audio/x-wav;audio/wav;audio/vnd.wave;' "$entry"
expect "its command takes the file" grep -qxF 'Exec=quernfold %f' "$entry"
version=$(dpkg-deb --field "$deb" Version)
program_version=$("$root/usr/bin/quernfold-split" --version)
expect "quernfold-split --version ($program_version) is the package's version ($version)" \
    test "${program_version##* }" = "${version%-*}"
mkdir -p "$scratch/tracks"
expect "make-recording writes a recording" \
    quietly "$root/usr/bin/make-recording" "${recording_args[@]}" "$scratch/recording.wav"
expect "quernfold-split splits it" \
    quietly "$root/usr/bin/quernfold-split" "${split_args[@]}" "$scratch/recording.wav" "$scratch/tracks"
expect "the tracks hold the recording's audio, sample for sample" \
    split_files_hold_recording "$scratch/recording.wav" "$scratch/tracks"

finish
