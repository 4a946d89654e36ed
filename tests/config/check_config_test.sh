#!/usr/bin/env bash
# scripts/check-config.sh against folders whose verdict is known: the sample (accepted,
# schemas clean even with --strict), a folder without a MAIN package (refused with 6), a
# folder whose config.xml breaks a schema rule that setup reads past (accepted, but --strict
# fails), and setup arguments that setup refuses (4).
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
CHECK="$ROOT/scripts/check-config.sh"
failures=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

expect() { # expected-status description command...
  local expected=$1 what=$2 out status
  shift 2
  out=$("$@" 2>&1)
  status=$?
  if [ "$status" -ne "$expected" ]; then
    echo "check_config_test: $what: exit $status, expected $expected" >&2
    echo "$out" >&2
    failures=$((failures + 1))
  fi
  printf '%s' "$out" >"$work/last"
}
said() { # text description
  grep -qF -- "$1" "$work/last" || { echo "check_config_test: $2: no '$1'" >&2; failures=$((failures + 1)); }
}

expect 0 "sample" "$CHECK" --strict "$ROOT/sample"
said "Setup would accept these files and start the chain." "sample"
said "Package   : 'Sample Product' (MAIN" "sample"
said "sample/config.xml validates" "sample"

expect 6 "no MAIN package" "$CHECK" "$ROOT/tests/config/refused/no-main"
said "NO MAIN PACKAGE DETECTED" "no MAIN package"
said "return 6 [RC_MainPackageNotDetected]" "no MAIN package"

cp "$ROOT/sample/standard.xml" "$ROOT/sample/settings.xml" "$work/"
sed 's/Feature="MAIN"/Feature="MAIN" Vitall="No"/' "$ROOT/sample/config.xml" >"$work/config.xml"
expect 0 "misspelled attribute" "$CHECK" "$work"
said "attribute 'Vitall': The attribute 'Vitall' is not allowed" "misspelled attribute"
said "the schemas point out mistakes" "misspelled attribute"
expect 1 "misspelled attribute, strict" "$CHECK" --strict "$work"

expect 4 "arguments" "$CHECK" "$ROOT/sample" x r
said "Invalid arguments(more then 1 action)" "arguments"

[ $failures -eq 0 ] && echo "check_config_test: every case passed"
exit $((failures > 0))
