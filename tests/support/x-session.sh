# A virtual X server with a small window manager, for the end-to-end tests that
# drive a desktop program with xdotool. Sourced by them; the test defines $work
# (a folder of its own for logs) and stops $xvfb_pid and $wm_pid when it ends.
#   start_x_server          Xvfb on a free display (exits 77 when it cannot start)
#   start_window_manager    openbox, with any extra arguments given
#   wait_until <command>    polls every 50 ms, for at most $wait_limit_seconds
#   find_window <title>     the id of the visible window with exactly this title,
#                           once it exists (polled as wait_until polls)
#   fail <message>          reports, with the windows shown and the logs, and exits 1

xvfb_pid=""
wm_pid=""
wait_limit_seconds=${wait_limit_seconds:-30}

fail() {
    echo "FAIL: $* (display ${DISPLAY:-none})" >&2
    if [[ -n "${DISPLAY:-}" ]]; then
        echo "--- windows shown: $(xdotool search --onlyvisible --name . getwindowname %@ 2>&1 |
            tr '\n' ',')" >&2
    fi
    for log in quernfold.log xvfb.log openbox.log; do
        if [[ -s "$work/$log" ]]; then
            echo "--- $log" >&2
            tail -n 60 "$work/$log" >&2
        fi
    done
    exit 1
}

wait_until() {
    for _ in $(seq $((wait_limit_seconds * 20))); do
        "$@" && return 0
        sleep 0.05
    done
    return 1
}

find_window() {
    local title=$1 id
    for _ in $(seq $((wait_limit_seconds * 20))); do
        id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n1)
        [[ -n "$id" ]] && echo "$id" && return 0
        sleep 0.05
    done
    return 1
}

# The server picks a free display and reports its number once it is listening.
# -noreset: by default the server resets whenever its last client leaves, and
# refuses connections meanwhile; the first client here is only a probe.
start_x_server() {
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" \
        2>"$work/xvfb.log" &
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
    # Reporting the display is not accepting clients yet: wait until one connects.
    wait_until xdpyinfo >/dev/null 2>&1 || fail "the X server on $DISPLAY accepts no client"
}

start_window_manager() {
    openbox --sm-disable "$@" >"$work/openbox.log" 2>&1 &
    wm_pid=$!
    wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
    wait_until wm_running || fail "openbox did not start"
}
