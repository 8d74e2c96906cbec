#!/usr/bin/env bash
# The Windows command-line programs under Wine, checked against the Linux build:
#   split-under-wine.sh <quernfold-split.exe> <make-recording.exe> <linux build folder> <wine runner>
# Recordings made by make-recording.exe must match the Linux program's byte for
# byte, and so must every file the splitter writes, reached through backslashes,
# drive letters, \\?\, non-ASCII names and a folder past 260 characters. Every
# spelling of the input given as an output must be refused with the recording
# left as it was. Exits 77 (skipped) when the Linux build is absent.
set -uo pipefail
split_exe=$1
make_exe=$2
linux=$3
wine=$4
if [[ ! -x $linux/quernfold-split || ! -x $linux/make-recording ]]; then
    echo "SKIP: no Linux build in $linux"
    exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# A folder of $work as Windows spells it on Wine's Z: drive.
zpath() { printf 'Z:%s' "${1//\//\\}"; }

# Every file of two folders, names and bytes, the same (no leftovers either).
same_folders() {
    local what=$1 left=$2 right=$3
    if ! diff -r "$left" "$right" >/dev/null; then
        fail "$what: the Windows files differ from the Linux files"
        diff -rq "$left" "$right" | head -5
    fi
}

# The report as Linux prints it; the Windows report ends its lines with CR LF,
# as Windows text does, and holds the same words.
same_report() {
    local what=$1 linux_out=$2 windows_out=$3
    if grep -q $'[^\r]$' "$windows_out"; then
        fail "$what: a line of the Windows report does not end in CR LF"
    fi
    if ! diff <(tr -d '\r' <"$windows_out") "$linux_out" >/dev/null; then
        fail "$what: the Windows report differs"
        diff <(tr -d '\r' <"$windows_out") "$linux_out" | head -5
    fi
}

# --- Recordings: make-recording.exe writes what the Linux program writes. -----
short=(--tracks 3 --track-sec 4 --pause-sec 2)
declare -A formats=(
    [s16]="--rate 8000"
    [u8]="--bits 8 --channels 1 --rate 11025"
    [s24x]="--bits 24 --extensible --rate 8000 --hiss 0.05"
    [f32]="--bits 32 --float --rate 8000 --seed 7"
)
mkdir rec-linux rec-windows
for name in "${!formats[@]}"; do
    # shellcheck disable=SC2086
    "$linux/make-recording" "${short[@]}" ${formats[$name]} "rec-linux/$name.wav" >/dev/null
    # shellcheck disable=SC2086
    "$wine" "$make_exe" "${short[@]}" ${formats[$name]} "$(zpath "$work/rec-windows/$name.wav")" \
        >/dev/null || fail "make-recording.exe $name"
done
same_folders "make-recording" rec-linux rec-windows

# --- Splits: the same files and report as on Linux, for every format and option.
split_options=(-y --min-track-sec 1 --silence-ms 250)
run_both() { # name, then options; input and folder last on each side
    local name=$1
    shift
    mkdir -p "out-linux/$name" "out-windows/$name"
    "$linux/quernfold-split" "$@" "out-linux/$name" >"report-linux-$name" 2>&1
    local linux_status=$?
    local args=("$@")
    "$wine" "$split_exe" "${args[@]}" "out-windows\\$name" >"report-windows-$name" 2>&1
    local windows_status=$?
    [[ $linux_status == "$windows_status" ]] ||
        fail "split $name: exit $windows_status on Windows, $linux_status on Linux"
    same_folders "split $name" "out-linux/$name" "out-windows/$name"
    same_report "split $name" "report-linux-$name" "report-windows-$name"
}
for name in "${!formats[@]}"; do
    run_both "$name" "${split_options[@]}" "rec-linux/$name.wav"
done
run_both options "${split_options[@]}" --trim --append-silence-ms 300 --method average \
    --prefix "Side A - " "rec-linux/s16.wav"
# A path that starts with / is a path on Windows too, not an option.
run_both dry-run -n --min-track-sec 1 --silence-ms 250 "$work/rec-linux/s16.wav"

# Label files, written under the name given (not its ANSI mangling).
mkdir -p labels-linux labels-windows/out
"$linux/quernfold-split" "${split_options[@]}" --labels "labels-linux/étiquettes Œ.txt" \
    rec-linux/s16.wav labels-linux >/dev/null
mkdir -p labels-linux/out && mv labels-linux/*.wav labels-linux/out/
"$wine" "$split_exe" "${split_options[@]}" --labels "labels-windows\\étiquettes Œ.txt" \
    'rec-linux\s16.wav' 'labels-windows\out' >/dev/null || fail "split with --labels"
same_folders "--labels" labels-linux labels-windows

# --- Path spellings and names: each split writes the files Linux writes. -----
unicode="日本 Ж Œ é 😀"
long=$(printf 'l%.0s' {1..100})/$(printf 'o%.0s' {1..100})/$(printf 'n%.0s' {1..98})
mkdir -p "$unicode" "$long"
# shellcheck disable=SC2086
"$wine" "$make_exe" "${short[@]}" ${formats[s16]} "$unicode\\récital.wav" >/dev/null
cmp -s rec-linux/s16.wav "$unicode/récital.wav" || fail "make-recording.exe into $unicode"
"$linux/quernfold-split" "${split_options[@]}" --prefix "Ж 日本 😀 " rec-linux/s16.wav "$unicode" \
    >/dev/null
mkdir expected && mv "$unicode"/Ж* expected/
check_spelling() { # what, then input and folder as Windows is given them
    local what=$1 input=$2 folder=$3 real=$4
    if ! "$wine" "$split_exe" "${split_options[@]}" --prefix "Ж 日本 😀 " "$input" "$folder" \
        >/dev/null 2>"stderr-$what"; then
        fail "spelling $what: $(cat "stderr-$what")"
    fi
    for file in expected/*; do
        cmp -s "$file" "$real/${file#expected/}" || fail "spelling $what: ${file#expected/}"
    done
    rm -f "$real"/Ж*
    if compgen -G "$real/.quernfold-*" >/dev/null; then
        fail "spelling $what: a temporary file was left"
    fi
}
check_spelling backslashes "$unicode\\récital.wav" "$unicode" "$unicode"
check_spelling drive "$(zpath "$work/$unicode/récital.wav")" "$(zpath "$work/$unicode")" "$unicode"
check_spelling raw-prefix "\\\\?\\$(zpath "$work/$unicode/récital.wav")" \
    "\\\\?\\$(zpath "$work/$unicode")" "$unicode"
check_spelling forward-drive "z:$work/$unicode/récital.wav" "z:$work/$unicode/" "$unicode"
check_spelling long-folder "$unicode/récital.wav" "$(zpath "$work/$long")" "$long"
check_spelling long-relative "$unicode/récital.wav" "$long" "$long"
(( ${#work} + ${#long} > 300 )) || fail "the long folder is only $((${#work} + ${#long})) characters"

# --- The recording itself never becomes an output. ---------------------------
# The input is named as the first track would be, so each spelling of its folder
# and prefix aims the writer at it.
victim="$unicode/Œ1.wav"
cp rec-linux/s16.wav "$victim"
ln "$victim" "$unicode/hard link.wav"
ln -s "Œ1.wav" "$unicode/symlink.wav"
before=$(md5sum <"$victim")
refuse() { # what, then the arguments
    local what=$1
    shift
    "$wine" "$split_exe" "$@" >"stdout-$what" 2>"stderr-$what"
    local status=$?
    [[ $status == 1 ]] || fail "input as output, $what: exit $status, not 1"
    [[ $(md5sum <"$victim") == "$before" ]] || fail "input as output, $what: the recording changed"
    local count
    count=$(find "$unicode" -mindepth 1 | wc -l)
    [[ $count == 4 ]] || fail "input as output, $what: files appeared: $(ls -A "$unicode")"
}
input_spellings=(
    "$unicode/Œ1.wav"
    "$unicode\\Œ1.wav"
    "$(zpath "$work/$unicode/Œ1.wav")"
    "\\\\?\\$(zpath "$work/$unicode/Œ1.wav")"
    "z:$work/$unicode/Œ1.wav"
    "$unicode/.\\..\\$unicode/Œ1.wav"
    "$unicode/hard link.wav"
    "$unicode/symlink.wav"
)
folder_spellings=(
    "$unicode"
    "$(zpath "$work/$unicode")"
    "\\\\?\\$(zpath "$work/$unicode")"
    "Z:$work/$unicode/../$unicode"
)
# Every spelling of the input and of its folder, each at least once.
for i in "${!input_spellings[@]}"; do
    j=$((i % ${#folder_spellings[@]}))
    refuse "input-$i-folder-$j" "${split_options[@]}" --prefix Œ "${input_spellings[$i]}" \
        "${folder_spellings[$j]}"
done
# Nor does the label file, however it names the recording.
mkdir labels-refused
for i in 1 3 4 6; do
    refuse "labels-$i" "${split_options[@]}" --labels "${input_spellings[$i]}" "$victim" \
        labels-refused
done
# Windows names match regardless of case: œ1.wav is the recording Œ1.wav.
refuse case "${split_options[@]}" --prefix œ "$victim" "$unicode"
# The name as the user wrote it, in UTF-8, with Windows' separators.
grep -qF "$unicode\\Œ1.wav is the WAV file being split and cannot be overwritten" \
    stderr-input-3-folder-3 ||
    fail "the refusal does not say why: $(cat stderr-input-3-folder-3)"
[[ -z $(ls -A labels-refused) ]] || fail "a refused label run wrote files"

# The same with plain names, where only the spelling of the path differs.
mkdir plain
cp rec-linux/s16.wav plain/T1.wav
plain_before=$(md5sum <plain/T1.wav)
plain_spellings=(
    "\\\\?\\$(zpath "$work/plain/T1.wav")" plain
    "plain/T1.wav" "\\\\?\\$(zpath "$work/plain")"
    "z:$work/PLAIN/t1.WAV" "$(zpath "$work/plain")"
)
for ((i = 0; i < ${#plain_spellings[@]}; i += 2)); do
    "$wine" "$split_exe" "${split_options[@]}" --prefix T "${plain_spellings[@]:i:2}" \
        >/dev/null 2>stderr-plain
    status=$?
    if [[ $status != 1 ]] || ! grep -q "is the WAV file being split" stderr-plain; then
        fail "plain input as output, ${plain_spellings[*]:i:2}: exit $status, $(cat stderr-plain)"
    fi
    [[ $(md5sum <plain/T1.wav) == "$plain_before" && $(ls plain) == T1.wav ]] ||
        fail "plain input as output, ${plain_spellings[*]:i:2}: the folder changed"
done

# Nor does the label file replace a track through the \\?\ spelling of its name.
mkdir labels-track
track_label="\\\\?\\$(zpath "$work/labels-track/Track1.wav")"
"$wine" "$split_exe" "${split_options[@]}" --labels "$track_label" rec-linux/s16.wav labels-track \
    >/dev/null 2>labels-track.err
status=$?
if [[ $status != 1 ]] || ! grep -q "one of the WAV files" labels-track.err; then
    fail "label file on a track: exit $status, $(cat labels-track.err)"
fi

# The help names the ways to cancel that Windows has (it has no SIGTERM).
"$wine" "$split_exe" --help >help.txt 2>&1
grep -q "130  cancelled (Ctrl+C, Ctrl+Break or closing the console)" help.txt ||
    fail "the help does not name the Windows cancel keys: $(grep 130 help.txt)"

# --- The prompt reads its answer from standard input. ------------------------
mkdir prompt-yes prompt-no
printf 'y\n' | "$wine" "$split_exe" --min-track-sec 1 --silence-ms 250 rec-linux/s16.wav \
    prompt-yes >/dev/null
[[ $? == 0 && -f prompt-yes/Track1.wav ]] || fail "answering y did not write the files"
"$wine" "$split_exe" --min-track-sec 1 --silence-ms 250 rec-linux/s16.wav prompt-no \
    </dev/null >/dev/null
status=$?
[[ $status == 4 && -z $(ls prompt-no) ]] || fail "no answer: exit $status, files: $(ls prompt-no)"

# Closed standard streams, as on Linux: no input is a declined prompt, and a
# report nobody can read is an error before any file.
mkdir closed-in closed-out
"$wine" "$split_exe" --min-track-sec 1 --silence-ms 250 rec-linux/s16.wav closed-in <&- >/dev/null
status=$?
[[ $status == 4 && -z $(ls closed-in) ]] || fail "closed input: exit $status, $(ls closed-in)"
"$wine" "$split_exe" -y --min-track-sec 1 --silence-ms 250 rec-linux/s16.wav closed-out >&- \
    2>closed-out.err
status=$?
[[ $status == 1 && -z $(ls closed-out) ]] || fail "closed output: exit $status, $(ls closed-out)"
grep -q "The report could not be written" closed-out.err || fail "closed output: $(cat closed-out.err)"

# Names Windows cannot hold are refused as a bad command line, before anything
# is opened, with the reason.
mkdir names
"$wine" "$split_exe" -y --prefix 'Side:A' rec-linux/s16.wav names >/dev/null 2>names.err
status=$?
[[ $status == 2 && -z $(ls names) ]] || fail "prefix Side:A: exit $status, files: $(ls names)"
grep -q "Windows does not allow them" names.err || fail "prefix Side:A: $(cat names.err)"

# A folder no file can be created in (immutable, as root cannot write it either)
# is refused before the analysis: no report, the folder and the system's reason.
mkdir locked
if chattr +i locked 2>/dev/null; then
    for run in -y -n; do
        "$wine" "$split_exe" "$run" --min-track-sec 1 --silence-ms 250 rec-linux/s16.wav locked \
            >locked.out 2>locked.err
        status=$?
        [[ $status == 1 && ! -s locked.out ]] || fail "locked folder ($run): exit $status, $(cat locked.out)"
        grep -q "could not be opened for writing" locked.err && [[ $(wc -l <locked.err) -ge 2 ]] ||
            fail "locked folder ($run): $(cat locked.err)"
    done
    chattr -i locked
else
    echo "note: no immutable flag here; the locked-folder check did not run"
fi

# Ctrl+C at the prompt (Wine turns SIGINT into the console's Ctrl+C event): exit
# 130 at once, though the answer's pipe stays open, and nothing written.
mkdir prompt-cancel
mkfifo answer
exec 7<>answer
"$wine" "$split_exe" --min-track-sec 1 --silence-ms 250 rec-linux/s16.wav prompt-cancel \
    <answer >prompt-cancel.out 2>&1 7>&- &
pid=$!
for ((i = 0; i < 300; ++i)); do
    grep -q "Proceed to create WAV file segments?" prompt-cancel.out && break
    sleep 0.1
done
kill -INT "$pid"
for ((i = 0; i < 100; ++i)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
    fail "Ctrl+C at the prompt did not end the program"
    kill "$pid"
fi
wait "$pid"
status=$?
exec 7>&-
[[ $status == 130 && -z $(ls prompt-cancel) ]] ||
    fail "Ctrl+C at the prompt: exit $status, files: $(ls prompt-cancel)"

# The recording in the output folder, given in another case: refused, never
# replaced. A label file onto another recording: refused with exit 2, unchanged.
# A killed run's leftover temporary file: removed by the next run.
mkdir case-blind leftovers
cp rec-linux/s16.wav case-blind/Track1.wav
"$wine" "$split_exe" -y --min-track-sec 1 --silence-ms 250 case-blind/TRACK1.wav case-blind \
    >case-blind.out 2>&1
status=$?
cmp -s rec-linux/s16.wav case-blind/Track1.wav && [[ $status == 1 && $(ls case-blind) == Track1.wav ]] ||
    fail "another case of the recording: exit $status, $(ls case-blind)"
cp rec-linux/s16.wav other.wav
"$wine" "$split_exe" -y --min-track-sec 1 --silence-ms 250 --labels other.wav rec-linux/s16.wav \
    leftovers >labels-other.out 2>&1
status=$?
cmp -s rec-linux/s16.wav other.wav && [[ $status == 2 ]] ||
    fail "labels onto another recording: exit $status"
echo partial >leftovers/.quernfold-0123456789abcdef.part
"$wine" "$split_exe" -y -q --min-track-sec 1 --silence-ms 250 rec-linux/s16.wav leftovers \
    >leftovers.out 2>&1
status=$?
[[ $status == 0 && -z $(ls -A leftovers | grep '\.part$') ]] ||
    fail "leftover temporary file: exit $status, $(ls -A leftovers)"

# While the question waits, the output folder is held: a Windows program cannot
# move it away (and put another in its place), and the tracks go where chosen.
mkdir -p swap/src swap/out
cp rec-linux/s16.wav swap/src/Track1.wav
mkfifo swap-answer
exec 7<>swap-answer
"$wine" "$split_exe" --min-track-sec 1 --silence-ms 250 swap/src/Track1.wav swap/out \
    <swap-answer >swap.out 2>&1 7>&- &
pid=$!
for ((i = 0; i < 300; ++i)); do
    grep -q "Proceed to create WAV file segments?" swap.out && break
    sleep 0.1
done
"$wine" cmd /c move "swap\out" "swap\moved" >swap-move.out 2>&1 &&
    fail "the output folder was moved while the question waited"
echo y >&7
wait "$pid"
status=$?
exec 7>&-
cmp -s rec-linux/s16.wav swap/src/Track1.wav && [[ $status == 0 && -f swap/out/Track1.wav ]] ||
    fail "folder held at the prompt: exit $status, $(ls swap/out)"

if ((failures)); then
    echo "$failures failures"
    exit 1
fi
echo "All Windows command-line checks passed."
