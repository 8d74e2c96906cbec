#!/usr/bin/env bash
# The real desktop program on a virtual X server, driven as a user would with
# xdotool: type the input file and the output folder, change the prefix, press
# Enter, answer the report with OK, press Escape. Then the files written and the
# settings left behind are checked; a copy under another name starts with the
# defaults. Exits 77 (skipped) only when the X server itself cannot start.
#
#   main-window-e2e.sh <quernfold> <make-recording> [<grab-screen> <screenshot.png>]
set -uo pipefail

program=$1
make_recording=$2
grab_screen=${3:-}
screenshot=${4:-}

work=$(mktemp -d "${TMPDIR:-/tmp}/quernfold-e2e-XXXXXX")
xvfb_pid=""
app_pid=""
cleanup() {
    [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null
    [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [[ -s "$work/quernfold.log" ]] && tail -n 60 "$work/quernfold.log" >&2
    exit 1
}

# The server picks a free display and reports its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [[ -s "$work/display" ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
done
if [[ ! -s "$work/display" ]]; then
    echo "SKIP: Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 77
fi
export DISPLAY=":$(head -n1 "$work/display")"
export QT_QPA_PLATFORM=xcb
export XDG_CONFIG_HOME="$work/config"
export HOME="$work/home"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$work/out"
chmod 700 "$XDG_RUNTIME_DIR"
settings_dir="$XDG_CONFIG_HOME/Ferndusk Software"

"$make_recording" --rate 8000 --tracks 3 --track-sec 35 --pause-sec 2 "$work/side a.wav" \
    >/dev/null || fail "make-recording could not write the recording"

# The id of the visible window with exactly this title, once it exists.
find_window() {
    local title=$1 id
    for _ in $(seq 200); do
        id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n1)
        [[ -n "$id" ]] && echo "$id" && return 0
        sleep 0.05
    done
    return 1
}

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

# --- A split, as a user would do it -------------------------------------------
"$program" 2>"$work/quernfold.log" &
app_pid=$!
main=$(find_window Quernfold) || fail "the main window did not appear"
xdotool windowfocus --sync "$main"
# The focus starts in the input-file edit; two tabs reach the output folder.
xdotool type --delay 2 "$work/side a.wav"
xdotool key Tab Tab
xdotool type --delay 2 "$work/out"
# Alt+B is the prefix field's mnemonic.
xdotool key alt+b ctrl+a
xdotool type --delay 2 "Side"
if [[ -n "$grab_screen" && -n "$screenshot" ]]; then
    mkdir -p "$(dirname "$screenshot")"
    eval "$(xdotool getwindowgeometry --shell "$main")"
    "$grab_screen" "$screenshot" "$X" "$Y" "$WIDTH" "$HEIGHT" || echo "no screenshot taken" >&2
fi
xdotool key Return

# The plan is confirmed in the review window, which has the report box's caption
# and takes Enter for OK in the same way.
report=$(find_window "Ready to split WAV file") || fail "the review window did not appear"
xdotool windowfocus --sync "$report"
if [[ -n "$grab_screen" && -n "$screenshot" ]]; then
    eval "$(xdotool getwindowgeometry --shell "$report")"
    "$grab_screen" "$(dirname "$screenshot")/review-window-e2e.png" "$X" "$Y" "$WIDTH" "$HEIGHT" ||
        echo "no screenshot taken" >&2
fi
xdotool key Return

# Writing ends with the progress window gone and the main window usable again.
for _ in $(seq 200); do
    xdotool search --onlyvisible --name "^Progress" >/dev/null 2>&1 || break
    sleep 0.05
done
written=$(find "$work/out" -name 'Side*.wav' | wc -l)
[[ "$written" -eq 3 ]] || fail "expected 3 segment files, found $written"
for n in 1 2 3; do
    size=$(stat -c %s "$work/out/Side$n.wav")
    ((size > 44 + 8000 * 4 * 30)) || fail "Side$n.wav is too short ($size bytes)"
done

xdotool windowfocus --sync "$main"
xdotool key Escape
wait_for_exit || fail "the program ended with status $?"

conf="$settings_dir/$(basename "$program").conf"
[[ -f "$conf" ]] || fail "no settings file at $conf"
grep -q '^\[Options\]' "$conf" || fail "no section Options in $conf"
for entry in 'BeginWith=Side' 'TrimSilence=0' 'UseAverageMethod=0' 'AppendSilence=0' \
    'MinTrackLength=30' 'SilenceLength=500' 'Threshold=0.20 %'; do
    grep -qxF "$entry" "$conf" || fail "$conf lacks $entry: $(cat "$conf")"
done

# --- Another name, another settings key ---------------------------------------
mkdir -p "$work/bin"
cp "$program" "$work/bin/other-splitter"
"$work/bin/other-splitter" 2>>"$work/quernfold.log" &
app_pid=$!
other=$(find_window Quernfold) || fail "the copy's main window did not appear"
xdotool windowfocus --sync "$other"
xdotool key Escape
wait_for_exit || fail "the copy ended with status $?"
grep -qxF 'BeginWith=Track' "$settings_dir/other-splitter.conf" ||
    fail "the copy did not start with the defaults under its own name"
grep -qxF 'BeginWith=Side' "$conf" || fail "the copy changed the first program's settings"

echo "PASS: split into 3 files, settings saved under the program's name"
