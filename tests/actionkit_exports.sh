#!/bin/sh
# Compares the export table of a DLL (as objdump reads it from the file) with a list of
# names: every listed name must be exported, and nothing else. Windows Installer looks
# custom actions up by name, so a missing one fails a package on Windows.
# Usage: actionkit_exports.sh <dll> <list>
set -eu
dll=$1
list=$2
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
actual=$(mktemp)
expected=$(mktemp)
trap 'rm -f "$actual" "$expected"' EXIT
"$objdump" -p "$dll" |
    sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^[[:space:]]*\[ *[0-9]*\] \(.*\)$/\1/p' | sort >"$actual"
grep -v '^#' "$list" | grep -v '^$' | sort >"$expected"
if ! [ -s "$actual" ]; then
    echo "no export table read from $dll" >&2
    exit 1
fi
if ! diff -u "$expected" "$actual"; then
    echo "the exports of $dll differ from $list (- missing, + unexpected)" >&2
    exit 1
fi
echo "$(wc -l <"$actual") exports as listed"
