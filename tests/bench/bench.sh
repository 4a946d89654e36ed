#!/usr/bin/env bash
# The Wine test bench: "start" makes the pristine prefix (once), the prefix the unit tests
# share, and an Xvfb display; "stop" ends the Xvfb and the wine servers that the bench
# started, and nothing else.
#   bench.sh start|stop <bench folder>
set -euo pipefail
action=$1
bench=$2
mkdir -p "$bench"

stop_servers() {
    for prefix in "$bench/prefix" "$bench/pristine" "$bench"/fresh/*; do
        [ -d "$prefix" ] && WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
    done
}

make_prefix() {
    if [ ! -f "$bench/pristine/.ready" ]; then
        rm -rf "$bench/pristine"
        # No display and no Mono or Gecko: the tests need neither, and both would ask.
        env -u DISPLAY WINEPREFIX="$bench/pristine" WINEDEBUG=-all \
            WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
        WINEPREFIX="$bench/pristine" wineserver -w
        touch "$bench/pristine/.ready"
    fi
    if [ ! -f "$bench/prefix/.ready" ]; then
        rm -rf "$bench/prefix"
        cp -a "$bench/pristine" "$bench/prefix"
    fi
}

start_display() {
    local n
    for n in $(seq 90 140); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        setsid Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
        echo $! >"$bench/xvfb.pid"
        for _ in $(seq 50); do
            [ -e "/tmp/.X11-unix/X$n" ] && break
            sleep 0.1
        done
        echo ":$n" >"$bench/display"
        return 0
    done
    echo "bench: no free display number" >&2
    return 1
}

stop_display() {
    [ -f "$bench/xvfb.pid" ] || return 0
    local pid
    pid=$(cat "$bench/xvfb.pid")
    if grep -q Xvfb "/proc/$pid/cmdline" 2>/dev/null; then kill "$pid"; fi
    rm -f "$bench/xvfb.pid" "$bench/display"
}

case $action in
    start)
        stop_display
        make_prefix
        start_display
        ;;
    stop)
        stop_servers
        stop_display
        ;;
    *)
        echo "usage: bench.sh start|stop <bench folder>" >&2
        exit 2
        ;;
esac
