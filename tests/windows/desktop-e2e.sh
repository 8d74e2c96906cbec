#!/usr/bin/env bash
# The Windows desktop program under Wine on a virtual X server, driven as a user
# would with xdotool: type the input file and the output folder (Windows
# spelling), change the prefix, tick the cue sheet's box, press Enter, answer
# the review window with OK; the files written must equal, byte for byte, those
# of the Linux build's command-line program with the same options. Then cuts
# moved, deleted and added in the review window with the keys, against the
# Linux build's --cuts of the same cut points, and Escape in the review window
# writing nothing. Then About from the system menu,
# Close, and the options found in the registry with their types; a copy under
# another name starts with the defaults. Exits 77 (skipped) when the Linux
# build or the X server is missing.
#
#   desktop-e2e.sh <quernfold.exe> <linux-build-dir> [<screenshot-dir>]
set -uo pipefail

program=$1
linux_build=$2
screenshots=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
wine=$here/../../scripts/wine
# A Wine prefix of this test's own beside the program, kept between runs: Wine's
# desktop process stays bound to the X display of the process that started it,
# so a prefix shared with other tests could hold one bound to no display or to
# a display already gone. Its processes are ended before and after every run.
export QUERNFOLD_WINEPREFIX=${QUERNFOLD_DESKTOP_WINEPREFIX:-$(cd "$(dirname "$program")" && pwd)/wine-desktop}
end_wine() { WINEPREFIX=$QUERNFOLD_WINEPREFIX wineserver -k >/dev/null 2>&1; }

for tool in make-recording quernfold-split; do
    if [[ ! -x "$linux_build/$tool" ]]; then
        echo "SKIP: no Linux build of $tool in $linux_build" >&2
        exit 77
    fi
done
grab_screen=$linux_build/grab-screen
[[ -x "$grab_screen" ]] || grab_screen=""

work=$(mktemp -d "${TMPDIR:-/tmp}/quernfold-win-e2e-XXXXXX")
# Polls for at most 60 seconds: Wine starts slowly.
wait_limit_seconds=60
# shellcheck source=../support/x-session.sh
source "$here/../support/x-session.sh"
app_pid=""
cleanup() {
    [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null
    [[ -d "$QUERNFOLD_WINEPREFIX" ]] && end_wine
    [[ -n "$wm_pid" ]] && kill "$wm_pid" 2>/dev/null
    [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    chattr -i "$work/locked" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# A Linux path as Windows spells it under Wine: drive Z: is the root.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

start_x_server

# A window manager without key bindings: Alt+Space reaches the program, which
# opens its own system menu.
cat >"$work/openbox.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc"><keyboard></keyboard></openbox_config>
EOF
start_window_manager --config-file "$work/openbox.xml"

# Prepares the Wine prefix (created on first use) and drops what an earlier run
# of this test left in the registry. Only now, with the display set: the first
# Wine process starts the prefix's desktop process, which keeps its display.
[[ -d "$QUERNFOLD_WINEPREFIX" ]] && end_wine
"$wine" cmd /c exit >/dev/null 2>&1 || fail "Wine does not start"
settings_key='HKCU\Software\Ferndusk Software'
"$wine" reg delete "$settings_key\\quernfold" /f >/dev/null 2>&1
"$wine" reg delete "$settings_key\\quernfold-copy" /f >/dev/null 2>&1

mkdir -p "$work/out" "$work/expected"
"$linux_build/make-recording" --rate 8000 --tracks 3 --track-sec 35 --pause-sec 2 \
    "$work/side-a.wav" >/dev/null || fail "make-recording could not write the recording"
"$linux_build/make-recording" --bits 8 --channels 1 --rate 8000 --tracks 20 --track-sec 33 \
    --pause-sec 2 "$work/long.wav" >/dev/null || fail "make-recording could not write long.wav"
"$linux_build/quernfold-split" --yes --quiet --prefix Part "$work/side-a.wav" \
    "$work/expected" >/dev/null || fail "the Linux splitter failed"
expected_count=$(find "$work/expected" -name 'Part*.wav' | wc -l)
((expected_count == 3)) || fail "the Linux splitter wrote $expected_count files, not 3"

# Activates a window and waits until it has the keyboard focus, so the keys
# that follow reach it.
focus() {
    local id=$1
    xdotool windowactivate --sync "$id" >/dev/null 2>&1
    has_focus() { [[ $(xdotool getwindowfocus 2>/dev/null) == "$id" ]]; }
    wait_until has_focus || fail "window $id ($(xdotool getwindowname "$id")) got no focus"
}

# Saves a window with its frame as <screenshot-dir>/<name>.png.
screenshot() {
    local id=$1 name=$2 extents left right top bottom
    [[ -n "$screenshots" && -n "$grab_screen" ]] || return 0
    mkdir -p "$screenshots"
    extents=$(xprop -id "$id" _NET_FRAME_EXTENTS 2>/dev/null | sed 's/.*= //; s/,//g')
    read -r left right top bottom <<<"${extents:-0 0 0 0}"
    local info x y width height
    info=$(xwininfo -id "$id")
    x=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")
    y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")
    width=$(awk '/Width:/ {print $NF}' <<<"$info")
    height=$(awk '/Height:/ {print $NF}' <<<"$info")
    X=$x Y=$y WIDTH=$width HEIGHT=$height
    QT_QPA_PLATFORM=xcb "$grab_screen" "$screenshots/$name.png" $((X - left)) $((Y - top)) \
        $((WIDTH + left + right)) $((HEIGHT + top + bottom)) >/dev/null 2>&1 ||
        echo "no screenshot $name taken" >&2
}

# Starts a copy of the program, with any further arguments; its window id in $main.
start_program() {
    echo "starting $*" >&2
    "$wine" "$@" >>"$work/quernfold.log" 2>&1 &
    app_pid=$!
    main=$(find_window Quernfold) || fail "the main window of $1 did not appear"
    focus "$main"
}

# Escape (or Alt+F4, the close box's key) is Close: the options are saved and
# the program ends by itself.
close_program() {
    focus "$main"
    xdotool key "${1:-Escape}"
    for _ in $(seq 400); do
        kill -0 "$app_pid" 2>/dev/null || break
        sleep 0.05
    done
    kill -0 "$app_pid" 2>/dev/null && fail "the program is still running after Escape"
    wait "$app_pid"
    local status=$?
    app_pid=""
    ((status == 0)) || fail "the program ended with status $status"
}

files_written() {
    [[ $(find "$work/out" -name 'Part*.wav' | wc -l) -eq $expected_count ]] &&
        # The progress window saves its position as it closes, after the last file.
        "$wine" reg query "$settings_key\\quernfold\\Settings" /v X >/dev/null 2>&1
}

# --- A split, as a user would do it -------------------------------------------
cp "$program" "$work/quernfold.exe"
start_program "$work/quernfold.exe"
# The focus starts in the input-file edit; two tabs reach the output folder.
xdotool type --delay 5 "$(windows_path "$work/side-a.wav")"
xdotool key Tab Tab
xdotool type --delay 5 "$(windows_path "$work/out")"
# Alt+B is the prefix field's mnemonic; the dialog selects the field's text.
xdotool key alt+b
xdotool type --delay 5 "Part"
# Alt+W ticks the cue sheet's box.
xdotool key alt+w
screenshot "$main" windows-main-window
xdotool key Return
# The review window's caption is bare once the levels are measured.
report=$(find_window "Ready to split WAV file") || fail "the review window did not appear"
focus "$report"
xdotool key Return
wait_until files_written || fail "the files were not written"
# Exactly the Linux build's files, byte for byte.
output_as_expected() {
    (cd "$work/expected" && find . -type f | sort) >"$work/expected.list"
    (cd "$work/out" && find . -type f | sort) >"$work/out.list"
    cmp -s "$work/expected.list" "$work/out.list" ||
        fail "the files written are not the Linux build's: $(tr '\n' ' ' <"$work/out.list")"
    for file in "$work"/expected/*.wav; do
        cmp -s "$file" "$work/out/$(basename "$file")" ||
            fail "$(basename "$file") differs from the Linux build's"
    done
}
# The cue sheet is the recording's, named as Windows spells it from the output
# folder, with a track at each file; the later runs write it again.
grep -qxF 'FILE "..\side-a.wav" WAVE' <(tr -d '\r' <"$work/out/Part.cue") &&
    [[ $(grep -c '^  TRACK' "$work/out/Part.cue") -eq 3 ]] ||
    fail "the cue sheet is not the recording's: $(cat "$work/out/Part.cue" 2>&1)"
cp "$work/out/Part.cue" "$work/expected/"
output_as_expected

# --- About from the system menu -----------------------------------------------
focus "$main"
# The About item is the menu's last: Up from the first item wraps to it.
# The keys wait in the queue until the menu reads them.
xdotool key alt+space Up Return
about=$(find_window "About Quernfold") || fail "the About box did not appear"
screenshot "$about" windows-about
focus "$about"
xdotool key Return
about_closed() { ! xdotool search --onlyvisible --name '^About Quernfold$' >/dev/null 2>&1; }
wait_until about_closed || fail "OK did not close the About box"

# --- The progress window, and Escape cancelling the analysis ------------------
# With one-millisecond windows the analysis of this long recording pumps the
# message queue hundreds of thousands of times: the window stays for seconds.
focus "$main"
# Alt+F and Alt+L reach the input file and the silence length; the dialog
# selects a field's text as it gets there.
xdotool key alt+f
xdotool type --delay 5 "$(windows_path "$work/long.wav")"
xdotool key alt+l
xdotool type --delay 5 "1"
xdotool key Return
# Once the caption shows a percentage the analysis is under way; the program is
# then held there (Wine names its process in _NET_WM_PID) while the key is
# queued, so the Escape reaches the analysis however fast the machine is.
progress=$(find_window 'Progress \[[0-9]+%\]') || fail "the progress window did not appear"
program_pid=$(xdotool getwindowpid "$progress")
kill -STOP "$program_pid"
screenshot "$progress" windows-progress
focus "$progress"
xdotool key Escape
kill -CONT "$program_pid"
progress_closed() { ! xdotool search --onlyvisible --name '^Progress' >/dev/null 2>&1; }
wait_until progress_closed || fail "Escape did not cancel the analysis"
# Had the analysis gone on to its report, the Escape below would answer the
# report instead of closing the program.
close_program
output_as_expected # the cancelled run wrote nothing

# --- The options in the registry, with their types ----------------------------
"$wine" reg query "$settings_key\\quernfold\\Options" 2>/dev/null | tr -d '\r' >"$work/options"
expect_value() {
    grep -Eq "^ +$1 +$2 +$3\$" "$work/options" ||
        fail "Options lacks $1 $2 $3: $(cat "$work/options")"
}
expect_value BeginWith REG_SZ Part
expect_value Threshold REG_SZ '0\.20 %'
expect_value MinTrackLength REG_DWORD 0x1e
expect_value SilenceLength REG_DWORD 0x1
expect_value AppendSilence REG_DWORD 0x0
expect_value TrimSilence REG_DWORD 0x0
expect_value UseAverageMethod REG_DWORD 0x0
expect_value WriteCueSheet REG_DWORD 0x1
"$wine" reg query "$settings_key\\quernfold\\Settings" 2>/dev/null | tr -d '\r' |
    grep -Eq '^ +Y +REG_DWORD +0x[0-9a-f]+$' || fail "the progress window's position is not stored"

# --- Started on a file, as "Open with" starts it: the file is in its field ------
rm -f "$work"/out/*.wav
start_program "$work/quernfold.exe" "$(windows_path "$work/side-a.wav")"
# Only the output folder and the silence length the first split had are typed
# (the cancelled run stored 1 ms); the stored prefix is Part.
xdotool key Tab Tab
xdotool type --delay 5 "$(windows_path "$work/out")"
xdotool key alt+l
xdotool type --delay 5 "500"
xdotool key Return
report=$(find_window "Ready to split WAV file") || fail "the file given at start was not split"
focus "$report"
xdotool key Return
wait_until files_written || fail "the files were not written"
output_as_expected

# --- Cuts edited in the review window with the keys ---------------------------
# A minimum track length of 5 s lets a cut fall anywhere in a track.
mkdir -p "$work/edited" "$work/edited-expected"
focus "$main"
xdotool key alt+o
xdotool type --delay 5 "$(windows_path "$work/edited")"
xdotool key alt+m
xdotool type --delay 5 "5"
xdotool key Return
review=$(find_window "Ready to split WAV file") || fail "the review window did not appear"
focus "$review"
# The waveform has the focus: select the first cut; without a sound device
# (Wine here has none) the play keys and the disabled Play across button do
# nothing, with no error box and no wait. Then move the cut three windows on,
# select the second and delete it, add one in the middle of the view.
xdotool key Right space c e p alt+c space
xdotool search --onlyvisible --name '^Error' >/dev/null 2>&1 &&
    fail "listening without a sound device showed an error"
xdotool key shift+Right shift+Right shift+Right Right Delete Insert
screenshot "$review" windows-review-window
# Save labels... (Alt+V): a name typed into the common save dialog; the labels
# saved give the Linux splitter's --cuts the files OK writes (checked below).
xdotool key alt+v
labels_dialog=$(find_window "Save labels") || fail "Save labels... opened no file dialog"
focus "$labels_dialog"
xdotool type --delay 5 "$(windows_path "$work/saved-labels.txt")"
xdotool key Return
labels_saved() { [[ -s "$work/saved-labels.txt" ]]; }
wait_until labels_saved || fail "the labels were not saved"
focus "$review"
# The focus is back on the button: Alt+K reaches the track list, where Enter is OK.
xdotool key alt+k Return
edited_written() { [[ $(find "$work/edited" -name 'Part*.wav' | wc -l) -eq 3 ]]; }
wait_until edited_written || fail "the edited plan's files were not written: $(ls "$work/edited")"
# The cut points the files were written at, as a label file for --cuts.
start=0
for file in "$work"/edited/Part*.wav; do
    [[ $(dd if="$file" bs=1 skip=36 count=4 2>/dev/null) == data ]] ||
        fail "$(basename "$file") has no plain 44-byte header"
    bytes=$(od -An -tu4 -j40 -N4 "$file" | tr -d ' ')
    block=$(od -An -tu2 -j32 -N2 "$file" | tr -d ' ')
    end=$((start + bytes / block))
    printf '%s\t%s\t%s\n' "$(awk -v f="$start" 'BEGIN { printf "%.6f", f / 8000 }')" \
        "$(awk -v f="$end" 'BEGIN { printf "%.6f", f / 8000 }')" "$(basename "$file" .wav)"
    start=$end
done >"$work/edited.txt"
[[ $(awk -F'\t' 'NR == 1 { print $2 }' "$work/edited.txt") != "38.000000" ]] ||
    fail "the first cut did not move: $(cat "$work/edited.txt")"
"$linux_build/quernfold-split" --yes --quiet --prefix Part --min-track-sec 5 \
    --cuts "$work/edited.txt" "$work/side-a.wav" "$work/edited-expected" >/dev/null ||
    fail "the Linux splitter refused the cuts: $(cat "$work/edited.txt")"
for file in "$work"/edited-expected/*.wav; do
    cmp -s "$file" "$work/edited/$(basename "$file")" ||
        fail "$(basename "$file") differs from the Linux build's --cuts"
done
mkdir -p "$work/from-labels"
"$linux_build/quernfold-split" --yes --quiet --prefix Part --min-track-sec 5 \
    --cuts "$work/saved-labels.txt" "$work/side-a.wav" "$work/from-labels" >/dev/null ||
    fail "the Linux splitter refused the saved labels: $(cat "$work/saved-labels.txt")"
for file in "$work"/edited/*.wav; do
    cmp -s "$file" "$work/from-labels/$(basename "$file")" ||
        fail "$(basename "$file") differs from the saved labels' --cuts: $(cat "$work/saved-labels.txt")"
done

# --- Escape in the review window writes nothing -------------------------------
# The edited files are still there: the review marks the files it would
# replace, and Escape leaves them as they are.
touch -d '2001-01-01' "$work"/edited/*
before_escape=$(ls -A "$work/edited")
focus "$main"
xdotool key Return
review=$(find_window "Ready to split WAV file") || fail "the review window did not appear"
focus "$review"
screenshot "$review" windows-review-replaces
xdotool key Escape
review_closed() { ! xdotool search --onlyvisible --name '^Ready to split WAV file' >/dev/null 2>&1; }
wait_until review_closed || fail "Escape did not close the review window"
# Back in the main window: Escape there would close the program, so the main
# window's focus shows the run is over.
focus "$main"
[[ $(ls -A "$work/edited") == "$before_escape" ]] ||
    fail "Escape in the review window left $(ls "$work/edited")"
[[ -z $(find "$work/edited" -type f -newermt '2001-01-02') ]] ||
    fail "Escape in the review window replaced $(find "$work/edited" -type f -newermt '2001-01-02')"
# Its size is kept beside the progress window's position.
"$wine" reg query "$settings_key\\quernfold\\Settings" 2>/dev/null | tr -d '\r' |
    grep -Eq '^ +ReviewWidth +REG_DWORD +0x[0-9a-f]+$' || fail "the review window's size is not stored"

# --- An output folder no file can be created in: refused before the analysis ---
mkdir -p "$work/locked"
if chattr +i "$work/locked" 2>/dev/null; then
    focus "$main"
    xdotool key alt+o
    xdotool type --delay 5 "$(windows_path "$work/locked")"
    xdotool key Return
    error=$(find_window Error) || fail "no error for a folder no file can be created in"
    xdotool search --onlyvisible --name '^Progress' >/dev/null 2>&1 &&
        fail "the recording was analysed before the folder was refused"
    focus "$error"
    xdotool key Return
    chattr -i "$work/locked"
else
    echo "note: no immutable flag here; the locked-folder check did not run" >&2
fi
close_program

# --- A copy under another name keeps settings of its own ----------------------
cp "$program" "$work/quernfold-copy.exe"
start_program "$work/quernfold-copy.exe"
close_program alt+F4
"$wine" reg query "$settings_key\\quernfold-copy\\Options" /v BeginWith 2>/dev/null |
    tr -d '\r' | grep -Eq '^ +BeginWith +REG_SZ +Track$' ||
    fail "the renamed copy did not start with the default prefix"

echo "PASS"
