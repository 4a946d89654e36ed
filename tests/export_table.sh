#!/bin/sh
# Compares the export table of a program or DLL (as objdump reads it from the file) with a
# list of names: every listed name must be exported, and nothing else; an empty list means no
# export at all. Windows Installer looks custom actions up by name and setup looks the plug-in
# entry points up by name, so a missing one fails a run on Windows; an unexpected one is code
# (a statically linked library's, say) that the image offers to anyone who loads it.
# Usage: export_table.sh <image> <list>
set -eu
image=$1
list=$2
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
headers=$(mktemp)
actual=$(mktemp)
expected=$(mktemp)
trap 'rm -f "$headers" "$actual" "$expected"' EXIT
"$objdump" -p "$image" >"$headers" || { echo "objdump cannot read $image" >&2; exit 1; }
sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' "$headers" |
    sed -n 's/^[[:space:]]*\[ *[0-9]*\] \(.*\)$/\1/p' | sort >"$actual"
grep -v '^#' "$list" | grep -v '^$' | sort >"$expected" || true
if [ -s "$expected" ] && ! [ -s "$actual" ]; then
    echo "no export table read from $image" >&2
    exit 1
fi
if ! diff -u "$expected" "$actual"; then
    echo "the exports of $image differ from $list (- missing, + unexpected)" >&2
    exit 1
fi
echo "$(wc -l <"$actual") exports as listed"
