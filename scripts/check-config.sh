#!/usr/bin/env bash
# Tells a configuration author whether setup will accept the configuration files in DIR,
# without running setup and without touching the machine:
#  1. validates standard.xml, config.xml and settings.xml of DIR, the external
#     configuration files and the form files they name, against the schemas (xmllint);
#  2. reads them with setup's own configuration reader (the host program check_config,
#     built in build/host when it is missing) and prints what setup would say: the
#     "Invalid configuration ..." lines, the property listing, and the chain with what
#     each package's decision will be based on.
# Arguments after DIR are setup's command-line arguments (action, switches, properties).
#
# Exit status: 0 when setup would accept the files and start the chain, otherwise the return
# code setup would end with (4 invalid arguments, 5 invalid configuration, 6 no MAIN
# package). Schema findings are warnings: setup reads such files, but ignores or
# misreads what the schema points out. With --strict they make the check fail as well (1).
#
#   scripts/check-config.sh [--strict] DIR [setup arguments...]
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
HOST_BUILD=${HOST_BUILD:-$ROOT/build/host}
strict=0
if [ "${1:-}" = "--strict" ]; then strict=1; shift; fi
if [ $# -lt 1 ] || [ ! -d "$1" ]; then
  echo "usage: $0 [--strict] DIR [setup arguments...]" >&2
  exit 2
fi
dir=$1
shift

checker="$HOST_BUILD/tools/check_config"
if [ ! -x "$checker" ]; then
  echo "check-config: building check_config in $HOST_BUILD"
  { [ -f "$HOST_BUILD/build.ninja" ] ||
    cmake -S "$ROOT" -B "$HOST_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null; } &&
    cmake --build "$HOST_BUILD" -j2 --target check_config >/dev/null || exit 2
fi

# The files the configuration names: ExternalConfig files (and theirs) and XMLInclude form
# files, beside setup.
named_files() {
  local file=$1
  xmllint --xpath '//ExternalConfig/@FileName | //XMLInclude/@FileName' "$file" 2>/dev/null |
    sed -n 's/^ *FileName="\(.*\)"$/\1/p'
}

echo "== Schemas"
findings=0
queue=(standard.xml config.xml settings.xml)
seen=" "
while [ ${#queue[@]} -gt 0 ]; do
  name=${queue[0]}
  queue=("${queue[@]:1}")
  case "$seen" in *" $name "*) continue ;; esac
  seen="$seen$name "
  file="$dir/$name"
  if [ ! -f "$file" ]; then
    [ "$name" = settings.xml ] || { echo "$name: missing"; findings=1; }
    continue
  fi
  "$ROOT/scripts/validate-configs.sh" "$file" 2>&1 || findings=1
  while IFS= read -r named; do [ -n "$named" ] && queue+=("$named"); done < <(named_files "$file")
done

echo
echo "== What setup would say"
"$checker" "$dir" "$@"
code=$?
echo
if [ $code -ne 0 ]; then
  echo "check-config: setup would refuse these files (return code $code)"
  exit $code
fi
if [ $findings -ne 0 ]; then
  echo "check-config: setup would accept these files, but the schemas point out mistakes above"
  [ $strict -eq 1 ] && exit 1
  exit 0
fi
echo "check-config: setup would accept these files"
