#!/usr/bin/env bash
# The review window of the real desktop program on a virtual X server under
# openbox, driven with xdotool as a user would: a cut dragged with the mouse,
# one deleted from the keyboard, one added by a double-click, OK; the files are
# then those the command line writes with --cuts at the same points. Then two
# titles typed in the track list name the files and their tags (read by ffprobe).
# Exits 77 (skipped) only when the X server cannot start.
#
#   review-window-e2e.sh <quernfold> <make-recording> <quernfold-split> <grab-screen>
set -uo pipefail

program=$1
make_recording=$2
splitter=$3
grab_screen=$4

work=$(mktemp -d "${TMPDIR:-/tmp}/quernfold-review-e2e-XXXXXX")
# shellcheck source=../support/x-session.sh
source "$(dirname "$0")/../support/x-session.sh"
app_pid=""
cleanup() {
    [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null
    [[ -n "$wm_pid" ]] && kill "$wm_pid" 2>/dev/null
    [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

command -v ffprobe >/dev/null || {
    echo "SKIP: ffprobe is not installed" >&2
    exit 77
}
start_x_server
export QT_QPA_PLATFORM=xcb
export XDG_CONFIG_HOME="$work/config"
export HOME="$work/home"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$work/out" "$work/cli"
chmod 700 "$XDG_RUNTIME_DIR"
conf="$XDG_CONFIG_HOME/Ferndusk Software/$(basename "$program").conf"
start_window_manager

input="$work/side.wav"
"$make_recording" --rate 8000 --tracks 4 --track-sec 20 --pause-sec 2 "$input" >/dev/null ||
    fail "make-recording could not write the recording"

# The review window carries its bare caption only once the levels are measured
# and no analysis is awaited, so finding it by that caption waits for both.
open_review() {
    touch "$work/marker"
    xdotool windowactivate --sync "$main"
    xdotool key Return
    review=$(find_window "Ready to split WAV file") || fail "the review window did not appear"
    xdotool windowactivate --sync "$review"
}
# The progress window saves its position as it goes, at the end of the writing.
settings_newer_than_marker() { [[ -f "$conf" && "$conf" -nt "$work/marker" ]]; }
wait_for_end_of_run() { wait_until settings_newer_than_marker || fail "the writing did not end"; }
frames_of() { ffprobe -v error -select_streams a:0 -show_entries stream=duration_ts -of csv=p=0 "$1"; }

# The screen point of the selected cut (drawn in its own red, three pixels
# wide), from a picture of the window: "x y" in the middle of its line.
selected_cut_point() {
    local info left top width height
    info=$(xwininfo -id "$review")
    left=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")
    top=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")
    width=$(awk '/Width:/ {print $NF}' <<<"$info")
    height=$(awk '/Height:/ {print $NF}' <<<"$info")
    "$grab_screen" --find D21414 "$left" "$top" "$width" "$height"
}

# --- Edits with the mouse and the keyboard, then OK ----------------------------
"$program" 2>"$work/quernfold.log" &
app_pid=$!
main=$(find_window Quernfold) || fail "the main window did not appear"
xdotool windowactivate --sync "$main"
xdotool type --delay 2 "$input"
xdotool key Tab Tab
xdotool type --delay 2 "$work/out"
# Alt+M: minimum track length; Alt+B: the file name prefix.
xdotool key alt+m ctrl+a
xdotool type --delay 2 "5"
xdotool key alt+b ctrl+a
xdotool type --delay 2 "Side"
"$splitter" --dry-run --labels "$work/proposed.txt" --min-track-sec 5 "$input" "$work/cli" \
    >/dev/null || fail "the command line's dry run failed"
proposed_first_end=$(awk -F'\t' 'NR == 1 {print $2}' "$work/proposed.txt")

open_review
# Alt+N and Space: snapping off, so the cuts land where they are put. A click
# near the waveform's top left corner (no line there) gives it the focus, and
# Right selects the first cut; it is dragged 40 pixels on, as one step.
xdotool key alt+n space
read -r win_left win_top < <(xwininfo -id "$review" |
    awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {print x, $NF}')
xdotool mousemove "$((win_left + 30))" "$((win_top + 30))" click 1
xdotool key Right
wait_until selected_cut_point >/dev/null || fail "no selected cut on the screen"
read -r cut_x cut_y < <(selected_cut_point)
xdotool mousemove "$cut_x" "$cut_y" mousedown 1
for step in 10 20 30 40; do
    xdotool mousemove "$((cut_x + step))" "$cut_y"
done
xdotool mouseup 1
# The next cut is deleted; a double-click in the last track adds one there.
xdotool key Right Delete
win_width=$(xwininfo -id "$review" | awk '/Width:/ {print $NF}')
xdotool mousemove "$((win_left + win_width * 88 / 100))" "$cut_y" click --repeat 2 --delay 80 1
# The play keys, with no sound device here: no box, no hang, the plan unchanged
# (a box would take the Return meant for OK, and the files below would differ).
xdotool key space c e p space
xdotool key Return
wait_for_end_of_run

mapfile -t written < <(find "$work/out" -name 'Side*.wav' | sort -V)
[[ ${#written[@]} -eq 4 ]] || fail "expected 4 files after the edits, found ${#written[@]}"
# The files lie end to end (nothing trimmed, nothing appended): their lengths
# give the cut points, written as a label file in seconds.
start=0
: >"$work/edited.txt"
for file in "${written[@]}"; do
    frames=$(frames_of "$file") || fail "ffprobe could not read $file"
    end=$((start + frames))
    awk -v s="$start" -v e="$end" 'BEGIN {printf "%.6f\t%.6f\n", s / 8000, e / 8000}' \
        >>"$work/edited.txt"
    start=$end
done
edited_first_end=$(awk -F'\t' 'NR == 1 {print $2}' "$work/edited.txt")
awk -v a="$proposed_first_end" -v b="$edited_first_end" 'BEGIN {exit !(b - a >= 1)}' ||
    fail "the dragged cut did not move on: proposed $proposed_first_end, written $edited_first_end"
"$splitter" --cuts "$work/edited.txt" --min-track-sec 5 --prefix Side -y -q "$input" "$work/cli" \
    >/dev/null || fail "the command line refused the edited cuts: $(cat "$work/edited.txt")"
for file in "${written[@]}"; do
    cmp -s "$file" "$work/cli/$(basename "$file")" ||
        fail "$(basename "$file") differs from the command line's with --cuts"
done

# --- Two titles typed in the track list ----------------------------------------
rm -f "$work"/out/*.wav
open_review
# Alt+K: the track list, at the first title; Tab goes to the next title.
xdotool key alt+k
xdotool type --delay 2 "First Light"
xdotool key Tab
xdotool type --delay 2 "Second"
xdotool key Return Return
wait_for_end_of_run
first=$(find "$work/out" -name '*First Light*.wav')
second=$(find "$work/out" -name '*Second*.wav')
[[ -n "$first" && -n "$second" ]] || fail "no files named by the titles: $(ls "$work/out")"
title_of() { ffprobe -v error -show_entries format_tags=title -of default=nw=1:nk=1 "$1"; }
[[ "$(title_of "$first")" == "First Light" ]] || fail "$first has the title '$(title_of "$first")'"
[[ "$(title_of "$second")" == "Second" ]] || fail "$second has the title '$(title_of "$second")'"

xdotool windowactivate --sync "$main"
xdotool key Escape
wait_until eval '! kill -0 "$app_pid" 2>/dev/null' || fail "the program did not end"
app_pid=""
echo "PASS: a dragged, a deleted and an added cut written as --cuts writes them; typed titles" \
    "in the names and tags"
