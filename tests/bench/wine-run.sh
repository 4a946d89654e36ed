#!/usr/bin/env bash
# Runs one Windows test program under Wine on the test bench (ctest's cross-compiling
# emulator). BENCH_DIR names the bench folder that bench.sh prepared. Tests that change
# the machine set BENCH_FRESH_PREFIX to a name: they then run in their own copy of the
# pristine prefix, whose server is stopped when the program ends. BENCH_LINKS lists
# "link=target" pairs of paths under the prefix's drive C: (forward slashes): links that
# Windows programs under Wine cannot make themselves, made before the program starts.
set -uo pipefail
bench=${BENCH_DIR:?BENCH_DIR must name the bench folder}
prefix="$bench/prefix"
fresh=${BENCH_FRESH_PREFIX:-}
if [ -n "$fresh" ]; then
    prefix="$bench/fresh/$fresh"
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null
    rm -rf "$prefix"
    mkdir -p "$bench/fresh"
    cp -a "$bench/pristine" "$prefix"
fi
for pair in ${BENCH_LINKS:-}; do
    link="$prefix/drive_c/${pair%%=*}"
    target="$prefix/drive_c/${pair#*=}"
    mkdir -p "$target" "$(dirname "$link")"
    ln -sfn "$target" "$link"
done
export WINEPREFIX="$prefix" WINEDEBUG=-all
[ -f "$bench/display" ] && DISPLAY=$(cat "$bench/display") && export DISPLAY
# Wine warns on every start that its 32-bit half is missing; only 64-bit programs run here.
wine "$@" 2> >(grep -v -e 'wine32 is missing' -e 'multiarch needs' -e 'dpkg --add-architecture' \
    -e 'apt-get install wine32' >&2)
rc=$?
[ -n "$fresh" ] && wineserver -k 2>/dev/null
exit $rc
