#!/usr/bin/env bash
# The main job: installs what is needed, builds the deliverables, runs setup.exe silently
# under Wine on the bundled sample product and shows its log.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$ROOT/scripts/install-deps.sh"
"$ROOT/scripts/build.sh" windows >/dev/null

RUN="$ROOT/build/windows/sample-run"
PREFIX="$RUN/prefix"
export WINEPREFIX="$PREFIX" WINEDEBUG=-all
if [ ! -f "$PREFIX/.ready" ]; then
    rm -rf "$PREFIX"
    mkdir -p "$RUN"
    env -u DISPLAY WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
    wineserver -w
    touch "$PREFIX/.ready"
fi

# The product folder as a release engineer ships it: setup and its plug-ins beside the
# configuration files.
PRODUCT="$RUN/product"
rm -rf "$PRODUCT"
mkdir -p "$PRODUCT"
cp "$ROOT"/sample/*.xml "$PRODUCT/"
cp "$ROOT"/build/windows/bin/{setup.exe,utils.dll,forms.dll} "$PRODUCT/"

TEMP_WIN=$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')
TEMP_UNIX=$(winepath -u "$TEMP_WIN" 2>/dev/null)
rm -f "$TEMP_UNIX/Bootstrapper.log"

set +e
(cd "$PRODUCT" && env -u DISPLAY wine setup.exe -s 2>/dev/null)
code=$?
set -e
wineserver -w

echo
echo "setup.exe -s ended with exit code $code"
echo "Its log: $TEMP_UNIX/Bootstrapper.log (in Wine: $TEMP_WIN\\Bootstrapper.log)"
echo "------------------------------------------------------------"
cat "$TEMP_UNIX/Bootstrapper.log"
