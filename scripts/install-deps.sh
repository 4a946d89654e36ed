#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine, as root.
# Idempotent: Debian packages are installed only when missing, and the cross-built
# dependencies (libxml2 and GoogleTest for mingw-w64) are built once into a cache
# outside the source tree. A second run takes seconds.
#
#   DEPS_CACHE   where the cross-built dependencies live (default /var/cache/tarvex-deps)
set -euo pipefail

DEPS_CACHE=${DEPS_CACHE:-/var/cache/tarvex-deps}
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
TOOLCHAIN="$HERE/../cmake/mingw-w64-x86_64.cmake"
JOBS=$(nproc)

PACKAGES=(cmake make g++ ninja-build
  g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine64 wine msitools wixl xvfb xauth imagemagick x11-utils
  libboost1.81-dev libxml2-dev googletest dpkg-dev clang-format nsis
  libxml2-utils xsltproc clang libclang-rt-14-dev)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

mkdir -p "$DEPS_CACHE"

# Boost.Regex is header-only; the cross compiler must not see /usr/include as a whole
# (it would pull in glibc headers), so it gets a folder that holds only the boost link.
mkdir -p "$DEPS_CACHE/boost-include"
ln -sfn /usr/include/boost "$DEPS_CACHE/boost-include/boost"

# setup reads its XML files with the tree and the reader only: the parts of libxml2 that it
# never calls (HTML, XPath, schemas, catalogs, output, DTD validation, the old SAX1 calls, ...)
# are left out, the rest is optimised for size and every function gets a section of its own,
# so that the linker drops what is unused. Less code in setup, utils and forms is less to load
# and less working set under Wine, where a mapped page counts as soon as a neighbour is read;
# a configuration file is small, so parsing it is no slower for it. Nothing here asks the
# parser for DTD validation, so leaving that code out changes no result. LIBXML_STATIC is
# defined for the library's own sources too: without it every libxml2 function is marked for
# export, and setup.exe and forms.dll (whose export table is its plug-in interface) would
# offer the whole library to whoever loads them.
build_libxml2() {
  local src="$DEPS_CACHE/src" prefix="$DEPS_CACHE/mingw"
  # The stamp names the feature set below: a cache built with another set is rebuilt.
  local stamp="$prefix/lib/libxml2-features-4"
  [ -f "$prefix/lib/libxml2.a" ] && [ -f "$stamp" ] && return 0
  echo "install-deps: cross-building libxml2 from Debian's source package"
  rm -rf "$src" && mkdir -p "$src/sources" "$src/lists/partial"
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$src/sources/src.sources"
  local apt=(-o Dir::Etc::sourcelist=/dev/null -o "Dir::Etc::sourceparts=$src/sources"
    -o "Dir::State::lists=$src/lists")
  apt-get "${apt[@]}" update -qq
  (cd "$src" && apt-get "${apt[@]}" source --download-only libxml2 >/dev/null 2>&1)
  dpkg-source -x "$src"/libxml2_*.dsc "$src/libxml2-src" >/dev/null 2>&1
  cmake -S "$src/libxml2-src" -B "$src/libxml2-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DLIBXML2_WITH_ICONV=OFF -DLIBXML2_WITH_LZMA=OFF -DLIBXML2_WITH_ZLIB=OFF \
    -DLIBXML2_WITH_PYTHON=OFF -DLIBXML2_WITH_TESTS=OFF -DLIBXML2_WITH_PROGRAMS=OFF \
    -DLIBXML2_WITH_HTTP=OFF -DLIBXML2_WITH_FTP=OFF \
    -DLIBXML2_WITH_C14N=OFF -DLIBXML2_WITH_CATALOG=OFF -DLIBXML2_WITH_DEBUG=OFF \
    -DLIBXML2_WITH_DOCB=OFF -DLIBXML2_WITH_HTML=OFF -DLIBXML2_WITH_LEGACY=OFF \
    -DLIBXML2_WITH_MODULES=OFF -DLIBXML2_WITH_OUTPUT=OFF -DLIBXML2_WITH_PATTERN=OFF \
    -DLIBXML2_WITH_REGEXPS=OFF -DLIBXML2_WITH_SCHEMAS=OFF -DLIBXML2_WITH_SCHEMATRON=OFF \
    -DLIBXML2_WITH_WRITER=OFF -DLIBXML2_WITH_XINCLUDE=OFF -DLIBXML2_WITH_XPATH=OFF \
    -DLIBXML2_WITH_XPTR=OFF -DLIBXML2_WITH_VALID=OFF -DLIBXML2_WITH_SAX1=OFF \
    "-DCMAKE_C_FLAGS=-DLIBXML_STATIC -ffunction-sections -fdata-sections" >/dev/null
  cmake --build "$src/libxml2-build" -j "$JOBS" >/dev/null
  cmake --install "$src/libxml2-build" >/dev/null
  touch "$stamp"
  rm -rf "$src"
}

build_googletest() {
  local prefix="$DEPS_CACHE/mingw" build="$DEPS_CACHE/gtest-build"
  [ -f "$prefix/lib/libgtest.a" ] && return 0
  echo "install-deps: cross-building GoogleTest from Debian's sources"
  rm -rf "$build"
  cmake -S /usr/src/googletest -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -Dgtest_disable_pthreads=OFF >/dev/null
  cmake --build "$build" -j "$JOBS" >/dev/null
  cmake --install "$build" >/dev/null
  rm -rf "$build"
}

build_libxml2
build_googletest
echo "install-deps: ready (cache $DEPS_CACHE)"
