#!/usr/bin/env bash
# Draws the icons of setup.exe into the folder given as $1 (they are built, not kept in
# the repository): the program icon and one per package state of the progress dialog.
set -euo pipefail
out=$1
mkdir -p "$out"
icon() {  # name fill-colour
    convert -size 32x32 xc:none -fill "$2" -stroke black -draw "circle 16,16 16,3" \
        -define icon:auto-resize=32,16 "$out/$1.ico"
}
icon setup "#1f5fbf"
icon state_in_progress "#e0b000"
icon state_completed "#2e9e3e"
icon state_failed "#c62828"
icon state_none "#9e9e9e"
icon state_skipped "#64b5f6"
