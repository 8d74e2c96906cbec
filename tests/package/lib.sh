# Shared by the package checks (sourced, not run): counting results, a scratch
# folder removed on exit, and the check of a split's files.

passed=0
failed=0
pass() {
    echo "ok: $*"
    passed=$((passed + 1))
}
fail() {
    echo "FAILED: $*"
    failed=$((failed + 1))
}
# expect DESCRIPTION COMMAND...: passes when the command succeeds.
expect() {
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}
# quietly COMMAND...: runs a program, showing what it printed only if it fails.
quietly() {
    "$@" >"$scratch/output" 2>&1 && return 0
    local status=$?
    sed 's/^/  | /' "$scratch/output"
    return $status
}
# The closing line that test runners read; the status says whether all passed.
finish() {
    echo "$passed passed, $failed failed"
    ((failed == 0))
}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/quernfold-package-check.XXXXXX")
cleanups=()
cleanup() {
    local step
    for step in "${cleanups[@]}"; do eval "$step" || true; done
    rm -rf "$scratch"
}
trap cleanup EXIT

# A recording of this many tracks, long enough each for the split's default
# options except the minimum track length given with it.
recording_tracks=3
recording_args=(--tracks "$recording_tracks" --length 36)
split_args=(--yes --quiet --min-track-sec 5)

# The files expected in a list (one per line) that the list lacks, and those
# it has but should not; prints both and fails if there is any.
same_files() {
    local expected=$1 actual=$2 missing extra
    missing=$(comm -23 <(sort <<<"$expected") <(sort <<<"$actual"))
    extra=$(comm -13 <(sort <<<"$expected") <(sort <<<"$actual"))
    [[ -z $missing ]] || echo "  missing: ${missing//$'\n'/, }"
    [[ -z $extra ]] || echo "  not expected: ${extra//$'\n'/, }"
    [[ -z $missing && -z $extra ]]
}

# The split wrote Track1.wav ... TrackN.wav and nothing else, and with no
# trimming nor appended silence their audio, end to end, is the recording's:
# every file a canonical 44-byte header (16-bit PCM) whose sizes are the file's.
split_files_hold_recording() {
    local recording=$1 tracks=$2 names i file size
    names=$(cd "$tracks" && ls -A)
    same_files "$(for ((i = 1; i <= recording_tracks; i++)); do echo "Track$i.wav"; done)" "$names" ||
        return 1
    for ((i = 1; i <= recording_tracks; i++)); do
        file=$tracks/Track$i.wav
        size=$(stat -c %s "$file")
        if [[ $(od -An -t u4 -j 4 -N 4 "$file") -ne $((size - 8)) ||
            $(od -An -t u4 -j 40 -N 4 "$file") -ne $((size - 44)) ]]; then
            echo "  $file: its header does not give its size"
            return 1
        fi
    done
    cmp <(tail -c +45 "$recording") \
        <(for ((i = 1; i <= recording_tracks; i++)); do tail -c +45 "$tracks/Track$i.wav"; done)
}
