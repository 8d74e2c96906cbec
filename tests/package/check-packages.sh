#!/usr/bin/env bash
# Checks the packages that scripts/package made: the Debian package, and the
# Windows installer and ZIP under Wine. A package that is not there fails.
#   tests/package/check-packages.sh [PACKAGES_DIR]     (default: packages/)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=$(realpath -- "${1:-$here/../../packages}")

# The one package matching a pattern, or a message saying what is wrong.
only_package() {
    local found=()
    mapfile -t found < <(find "$dir" -maxdepth 1 -name "$1" | sort)
    if ((${#found[@]} != 1)); then
        echo "FAILED: expected one $1 in $dir, found ${#found[@]}" >&2
        return 1
    fi
    echo "${found[0]}"
}

status=0
if deb=$(only_package 'quernfold_*_amd64.deb'); then
    "$here/check-deb.sh" "$deb" || status=1
else
    status=1
fi
if installer=$(only_package 'Quernfold-*-win64.exe') && zip=$(only_package 'Quernfold-*-win64.zip'); then
    "$here/check-windows.sh" "$installer" "$zip" || status=1
else
    status=1
fi
if ((status == 0)); then echo "All package checks passed."; else echo "Some package checks failed."; fi
exit $status
