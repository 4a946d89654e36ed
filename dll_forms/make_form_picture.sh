#!/usr/bin/env bash
# Draws the picture on the left of the form templates into the file given as $1 (built, not
# kept in the repository): a tall gradient with the program's mark. The template's picture
# control stretches it to its own size, so the size here only sets the proportions.
set -euo pipefail
out=$1
mkdir -p "$(dirname "$out")"
convert -size 200x312 gradient:'#1f5fbf'-'#c8daf4' \
    -fill none -stroke '#ffffff' -strokewidth 3 -draw "circle 100,90 100,50" \
    -fill '#ffffff' -stroke none -draw "circle 100,90 100,72" \
    -alpha off -type TrueColor "BMP3:$out"
