#!/usr/bin/env bash
# The real desktop program on a virtual X server under a small window manager
# (openbox), driven as a user would with xdotool: type the input file and the
# output folder, change the prefix, press Enter, answer the report with OK,
# press Escape. Then the files written (and the cue sheet its box asks for) and the settings left behind are checked;
# a copy under another name starts with the defaults. Under the window manager:
# the progress window reopens where it was left, leaves the focus with another
# program the user switched to, and its close request cancels the run. Exits 77
# (skipped) only when the X server itself cannot start.
#
#   main-window-e2e.sh <quernfold> <make-recording> [<grab-screen> <screenshot.png>]
set -uo pipefail

program=$1
make_recording=$2
grab_screen=${3:-}
screenshot=${4:-}

work=$(mktemp -d "${TMPDIR:-/tmp}/quernfold-e2e-XXXXXX")
# shellcheck source=../support/x-session.sh
source "$(dirname "$0")/../support/x-session.sh"
xev_pid=""
app_pid=""
cleanup() {
    [[ -n "$app_pid" ]] && kill -CONT "$app_pid" 2>/dev/null && kill "$app_pid" 2>/dev/null
    [[ -n "$xev_pid" ]] && kill "$xev_pid" 2>/dev/null
    [[ -n "$wm_pid" ]] && kill "$wm_pid" 2>/dev/null
    [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

start_x_server

export QT_QPA_PLATFORM=xcb
export XDG_CONFIG_HOME="$work/config"
export HOME="$work/home"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$work/out"
chmod 700 "$XDG_RUNTIME_DIR"
settings_dir="$XDG_CONFIG_HOME/Ferndusk Software"
conf="$settings_dir/$(basename "$program").conf"

start_window_manager

"$make_recording" --rate 8000 --tracks 3 --track-sec 35 --pause-sec 2 "$work/side a.wav" \
    >/dev/null || fail "make-recording could not write the recording"
# Nearly two hours: with one-millisecond windows its analysis pumps the event
# queue millions of times and lasts for seconds.
"$make_recording" --bits 8 --channels 1 --rate 8000 --tracks 200 --track-sec 33 --pause-sec 2 \
    "$work/long.wav" >/dev/null || fail "make-recording could not write the long recording"
# Waits for the program to end by itself; its exit status.
wait_for_exit() {
    for _ in $(seq 200); do
        kill -0 "$app_pid" 2>/dev/null || break
        sleep 0.05
    done
    kill -0 "$app_pid" 2>/dev/null && fail "the program is still running after Escape"
    wait "$app_pid"
    local status=$?
    app_pid=""
    return "$status"
}

segment_count() { find "$work/out" -name "$1*.wav" | wc -l; }

# A run is over once the progress window has saved its position, which it does
# as it is destroyed, just before it enables the main window again.
settings_newer_than_marker() { [[ -f "$conf" && "$conf" -nt "$work/marker" ]]; }
# A picture of a window's client area. xwininfo gives where it is on the screen;
# xdotool's position is off by the frame's title bar under this window manager.
grab_window() {
    local info
    info=$(xwininfo -id "$1")
    "$grab_screen" "$2" "$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")" \
        "$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")" \
        "$(awk '/Width:/ {print $NF}' <<<"$info")" "$(awk '/Height:/ {print $NF}' <<<"$info")" ||
        echo "no screenshot taken" >&2
}
# Start, then OK in the review window (the report's caption; Enter is OK). With an
# argument, a screenshot of the review window is kept under that name first.
start_run() {
    touch "$work/marker"
    xdotool windowactivate --sync "$main"
    xdotool key Return
    local report
    report=$(find_window "Ready to split WAV file") || fail "the review window did not appear"
    xdotool windowactivate --sync "$report"
    if [[ -n "${1:-}" && -n "$grab_screen" && -n "$screenshot" ]]; then
        grab_window "$report" "$1"
    fi
    xdotool key Return
}
wait_for_end_of_run() {
    wait_until settings_newer_than_marker || fail "the writing did not end"
}

# The progress window's saved position, as "X Y".
saved_position() {
    awk -F= '/^\[/{s=$0} s=="[Settings]" && ($1=="X"||$1=="Y"){printf "%s ", $2}' "$conf"
}

# Freezes the program as soon as its progress window shows: what the test does
# meanwhile reaches it at its next window of audio.
stop_in_analysis() {
    find_window "Progress.*" >/dev/null || fail "the progress window did not appear"
    kill -STOP "$app_pid"
}
# A message box of the run, once the analysis is over.
find_report() {
    local id
    for _ in $(seq 600); do
        id=$(xdotool search --onlyvisible --name '^(Ready to split WAV file|Nothing to do)$' \
            2>/dev/null | head -n1)
        [[ -n "$id" ]] && echo "$id" && return 0
        sleep 0.05
    done
    return 1
}

# --- A split, as a user would do it -------------------------------------------
"$program" 2>"$work/quernfold.log" &
app_pid=$!
main=$(find_window Quernfold) || fail "the main window did not appear"
xdotool windowactivate --sync "$main"
# The focus starts in the input-file edit; two tabs reach the output folder.
xdotool type --delay 2 "$work/side a.wav"
xdotool key Tab Tab
xdotool type --delay 2 "$work/out"
# Alt+B is the prefix field's mnemonic.
xdotool key alt+b ctrl+a
xdotool type --delay 2 "Side"
# The cue sheet's box follows the comment field (Alt+N); Space ticks it at once.
xdotool key alt+n Tab space
if [[ -n "$grab_screen" && -n "$screenshot" ]]; then
    mkdir -p "$(dirname "$screenshot")"
    grab_window "$main" "$screenshot"
fi
start_run "$(dirname "${screenshot:-.}")/review-window-e2e.png"
wait_for_end_of_run
written=$(segment_count Side)
[[ "$written" -eq 3 ]] || fail "expected 3 segment files, found $written"
for n in 1 2 3; do
    size=$(stat -c %s "$work/out/Side$n.wav")
    ((size > 44 + 8000 * 4 * 30)) || fail "Side$n.wav is too short ($size bytes)"
done
# The cue sheet is the recording's (beside the output folder), a track at each file.
cue_sheet_of_recording() {
    grep -qxF 'FILE "../side a.wav" WAVE' <(tr -d '\r' <"$1") &&
        [[ $(grep -c '^  TRACK' "$1") -eq $2 && $(grep -c 'INDEX 01' "$1") -eq $2 ]]
}
cue_sheet_of_recording "$work/out/Side.cue" 3 ||
    fail "the cue sheet is not the recording's: $(cat "$work/out/Side.cue" 2>&1)"
first_position=$(saved_position)
[[ -n "$first_position" ]] || fail "the progress window saved no position"

# --- The progress window reopens where it was left -----------------------------
rm -f "$work"/out/*.wav
start_run
wait_for_end_of_run
[[ "$(saved_position)" == "$first_position" ]] ||
    fail "the progress window moved from $first_position to $(saved_position)"

xdotool windowactivate --sync "$main"
xdotool key Escape
wait_for_exit || fail "the program ended with status $?"

[[ -f "$conf" ]] || fail "no settings file at $conf"
grep -q '^\[Options\]' "$conf" || fail "no section Options in $conf"
for entry in 'BeginWith=Side' 'TrimSilence=0' 'UseAverageMethod=0' 'AppendSilence=0' \
    'MinTrackLength=30' 'SilenceLength=500' 'Threshold=0.20 %' 'WriteCueSheet=1'; do
    grep -qxF "$entry" "$conf" || fail "$conf lacks $entry: $(cat "$conf")"
done

# --- Started on a file, as the desktop entry starts it -------------------------
# A relative path, taken from the folder the program starts in; only the output
# folder is typed.
rm -f "$work"/out/*.wav
(cd "$work" && exec "$program" "side a.wav" 2>>"$work/quernfold.log") &
app_pid=$!
main=$(find_window Quernfold) || fail "the main window did not appear with a file"
xdotool windowactivate --sync "$main"
xdotool key Tab Tab
xdotool type --delay 2 "$work/out"
start_run
wait_for_end_of_run
written=$(segment_count Side)
[[ "$written" -eq 3 ]] || fail "the file given at start: expected 3 segment files, found $written"
xdotool windowactivate --sync "$main"
xdotool key Escape
wait_for_exit || fail "the program started on a file ended with status $?"

# --- Another name, another settings key ---------------------------------------
mkdir -p "$work/bin"
cp "$program" "$work/bin/other-splitter"
"$work/bin/other-splitter" 2>>"$work/quernfold.log" &
app_pid=$!
other=$(find_window Quernfold) || fail "the copy's main window did not appear"
xdotool windowactivate --sync "$other"
xdotool key Escape
wait_for_exit || fail "the copy ended with status $?"
grep -qxF 'BeginWith=Track' "$settings_dir/other-splitter.conf" ||
    fail "the copy did not start with the defaults under its own name"
grep -qxF 'BeginWith=Side' "$conf" || fail "the copy changed the first program's settings"

# --- Another program keeps the focus the user gave it --------------------------
"$program" 2>>"$work/quernfold.log" &
app_pid=$!
main=$(find_window Quernfold) || fail "the main window did not appear again"
xev -name "Other program" >"$work/xev.log" 2>&1 &
xev_pid=$!
other_program=$(find_window "Other program") || fail "the other program did not appear"
xdotool windowactivate --sync "$main"
xdotool type --delay 2 "$work/long.wav"
xdotool key Tab Tab
xdotool type --delay 2 "$work/out"
xdotool key alt+b ctrl+a
xdotool type --delay 2 "Again"
# Alt+L is the silence length's mnemonic.
xdotool key alt+l ctrl+a
xdotool type --delay 2 "1"
rm -f "$work"/out/*.wav
touch "$work/marker"
xdotool key Return
stop_in_analysis
xdotool windowactivate --sync "$other_program"
kill -CONT "$app_pid"
xdotool key Escape Escape Escape
report=$(find_report) || fail "the analysis did not end with its report:" \
    "$(xdotool search --name '^Progress' getwindowname %@ 2>&1)," \
    "Escape keys seen by the other program: $(grep -c 'keysym 0xff1b' "$work/xev.log")"
[[ "$(grep -c 'keysym 0xff1b, Escape' "$work/xev.log")" -ge 3 ]] ||
    fail "the other program did not get the Escape keys"
xdotool windowactivate --sync "$report"
xdotool key Escape
wait_for_end_of_run
[[ "$(saved_position)" == "$first_position" ]] ||
    fail "the progress window moved from $first_position to $(saved_position)"

# --- Closing the progress window cancels the run -------------------------------
xdotool windowactivate --sync "$main"
xdotool key Return
# The program is held in its analysis while the window manager's close request
# (Alt+F4) is queued, so the request reaches the analysis however fast the
# machine is.
progress=$(find_window "Progress.*") || fail "the progress window did not appear"
kill -STOP "$app_pid"
xdotool windowactivate --sync "$progress"
xdotool key alt+F4
kill -CONT "$app_pid"
progress_gone() { ! xdotool search --name "^Progress" >/dev/null 2>&1; }
wait_until progress_gone || fail "the progress window is still there after its close request"
find_report_now() { xdotool search --onlyvisible --name '^(Ready to split WAV file|Nothing to do)$'; }
find_report_now >/dev/null 2>&1 && fail "the run went on to its report after the close request"
[[ "$(segment_count Again)" -eq 0 ]] || fail "the run wrote files after the close request"

echo "PASS: split into 3 files, settings saved under the program's name; under a window" \
    "manager the progress window stays put, keeps out of another program's focus and" \
    "cancels when closed"
