#!/usr/bin/env bash
# The main job: installs what is needed, builds the deliverables, runs setup.exe silently
# under Wine on the bundled sample product and shows its log.
set -euo pipefail
# A step that fails says which one it was: most of them are quiet on success.
trap 'echo "run-sample: failed (exit code $?) at line $LINENO: $BASH_COMMAND" >&2' ERR
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$ROOT/scripts/install-deps.sh"
# The build's own output (ninja writes its errors there too) is shown only when it fails.
mkdir -p "$ROOT/build"
if ! "$ROOT/scripts/build.sh" windows >"$ROOT/build/run-sample-build.log" 2>&1; then
    tail -n 40 "$ROOT/build/run-sample-build.log" >&2
    echo "run-sample: the build failed; its output: $ROOT/build/run-sample-build.log" >&2
    exit 1
fi

RUN="$ROOT/build/windows/sample-run"
PRISTINE="$RUN/pristine"
PREFIX="$RUN/prefix"
export WINEDEBUG=-all
if [ ! -f "$PRISTINE/.ready" ]; then
    rm -rf "$PRISTINE"
    mkdir -p "$RUN"
    env -u DISPLAY WINEPREFIX="$PRISTINE" WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
    WINEPREFIX="$PRISTINE" wineserver -w
    touch "$PRISTINE/.ready"
fi
# Every run starts on a machine where nothing of the sample is installed yet.
WINEPREFIX="$PREFIX" wineserver -k 2>/dev/null || true
rm -rf "$PREFIX"
cp -a "$PRISTINE" "$PREFIX"
export WINEPREFIX="$PREFIX"

# The product folder as a release engineer ships it (assembled by the build): setup and
# its plug-ins beside the configuration files and the packages of the chain.
PRODUCT="$RUN/product"
rm -rf "$PRODUCT"
cp -r "$ROOT/build/windows/sample" "$PRODUCT"
rm -rf "$PRODUCT/wix"

TEMP_WIN=$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')
TEMP_UNIX=$(winepath -u "$TEMP_WIN" 2>/dev/null)

# setup's exit code is the result shown, not a failure of this script.
code=0
(cd "$PRODUCT" && env -u DISPLAY wine setup.exe -s 2>/dev/null) || code=$?
wineserver -w

echo
echo "setup.exe -s ended with exit code $code"
echo "Its log: $TEMP_UNIX/Bootstrapper.log (in Wine: $TEMP_WIN\\Bootstrapper.log)"
echo "------------------------------------------------------------"
cat "$TEMP_UNIX/Bootstrapper.log"
