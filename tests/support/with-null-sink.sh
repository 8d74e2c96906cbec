#!/usr/bin/env bash
# Runs a test program with a sound output device of its own: a private sound
# server whose only output is a null sink, which plays in real time into
# nothing. Skipped (77) where the sound server is not installed.
set -euo pipefail
if ! command -v pulseaudio >/dev/null; then
    echo "pulseaudio is not installed (scripts/deps installs it): skipped"
    exit 77
fi
runtime=$(mktemp -d)
export HOME=$runtime PULSE_RUNTIME_PATH=$runtime XDG_RUNTIME_DIR=$runtime
stop_server() {
    pulseaudio --kill 2>/dev/null || true
    rm -rf "$runtime"
}
trap stop_server EXIT
# --daemonize returns once the server is ready (or has failed).
pulseaudio -n --daemonize=yes --exit-idle-time=-1 --use-pid-file=yes \
    --log-target="file:$runtime/server.log" \
    -L module-null-sink \
    -L "module-native-protocol-unix socket=$runtime/native auth-anonymous=1" || {
    cat "$runtime/server.log" >&2
    exit 1
}
export PULSE_SERVER=unix:$runtime/native QUERNFOLD_EXPECT_SOUND_DEVICE=1
"$@"
