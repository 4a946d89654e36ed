#!/usr/bin/env bash
# Configures and builds both builds: build/windows (the deliverables in build/windows/bin
# and the Windows tests) and build/host (the neutral code and its sanitized unit tests).
#   build.sh [windows|host|all]
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
what=${1:-all}
DEPS_CACHE=${DEPS_CACHE:-/var/cache/tarvex-deps}

build_windows() {
    cmake -S "$ROOT" -B "$ROOT/build/windows" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" -DDEPS_CACHE="$DEPS_CACHE" >/dev/null
    cmake --build "$ROOT/build/windows"
}

build_host() {
    cmake -S "$ROOT" -B "$ROOT/build/host" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
    cmake --build "$ROOT/build/host"
}

case $what in
    windows) build_windows ;;
    host) build_host ;;
    all) build_host && build_windows ;;
    *) echo "usage: build.sh [windows|host|all]" >&2; exit 2 ;;
esac
