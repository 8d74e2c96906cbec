#!/usr/bin/env bash
# Runs a cross-built test program under Wine for CTest:
#   run-under-wine.sh <wine runner> <program.exe> [arguments...]
# Wine's own errors stay visible (the runner hides them by default; "-all"
# first keeps Debian's wrapper from its wine32 hint), and a
# failing program is named with its exit status and run time: a program Wine
# could not start leaves no output of its own to tell why.
set -uo pipefail
runner=$1
shift
started=$(date +%s%N)
WINEDEBUG=${QUERNFOLD_TEST_WINEDEBUG:--all,err+all} "$runner" "$@"
status=$?
if ((status != 0)); then
    echo "$(basename "$1") under Wine: exit status $status after" \
        "$((($(date +%s%N) - started) / 1000000)) ms" >&2
fi
exit "$status"
