#!/usr/bin/env bash
# Draws the banner of the progress dialog into the file given as $1 (built, not kept in the
# repository): a light gradient under the dialog's caption and subtitle, which are drawn
# over its left part, and the program's mark on the right. The dialog scales it to the width
# of its banner control, so its size here only sets the proportions.
set -euo pipefail
out=$1
mkdir -p "$(dirname "$out")"
convert -size 56x600 gradient:'#ffffff'-'#c8daf4' -rotate -90 \
    -fill none -stroke '#9fbde8' -strokewidth 2 -draw "circle 548,28 548,4" \
    -fill '#1f5fbf' -stroke black -strokewidth 1 -draw "circle 548,28 548,14" \
    -alpha off -type TrueColor "BMP3:$out"
