#!/usr/bin/env bash
# Validates configuration files against the schemas of schemas/ with xmllint. The schema
# is chosen by the root element: Standard and External (standard.xsd), Config
# (config.xsd), Settings (settings.xsd), Forms (forms.xsd); files with another root are
# not configurations and are left alone.
#
#   scripts/validate-configs.sh FILE...        validate these files
#   scripts/validate-configs.sh --all          every configuration under sample/, bench/
#                                              and tests/, the config.xml the benchmark
#                                              writes, and the schemas' own cases:
#                                              tests/config/valid/ must validate,
#                                              tests/config/invalid/ must not.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
SCHEMAS="$ROOT/schemas"

schema_of() {
  case "$(xmllint --xpath 'name(/*)' "$1" 2>/dev/null)" in
    Standard | External) echo standard ;;
    Config) echo config ;;
    Settings) echo settings ;;
    Forms) echo forms ;;
    *) echo "" ;;
  esac
}

# Validates one file; prints xmllint's findings and returns its status. A file that is no
# well-formed XML fails too.
validate() {
  local file=$1 schema
  schema=$(schema_of "$file")
  if [ -z "$schema" ]; then
    if ! xmllint --noout "$file" 2>/dev/null; then
      xmllint --noout "$file" || true
      return 1
    fi
    echo "$file: not a configuration (root element '$(xmllint --xpath 'name(/*)' "$file")')"
    return 0
  fi
  xmllint --noout --schema "$SCHEMAS/$schema.xsd" "$file"
}

if [ "${1:-}" != "--all" ]; then
  status=0
  for file in "$@"; do validate "$file" || status=1; done
  exit $status
fi

status=0
checked=0
while IFS= read -r file; do
  [ -n "$(schema_of "$file")" ] || continue
  checked=$((checked + 1))
  if ! findings=$(validate "$file" 2>&1); then
    echo "$findings" >&2
    echo "validate-configs: $file does not validate" >&2
    status=1
  fi
done < <(find "$ROOT/sample" "$ROOT/bench" "$ROOT/tests" -name '*.xml' -not -path '*/config/invalid/*' | sort)

# The benchmark writes its config.xml with a function of its script: that function, with
# the guid helper it calls, writes one here too (a chain of 3), so that it is checked as
# well.
generated=$(mktemp -d)
trap 'rm -rf "$generated"' EXIT
if (eval "$(sed -n -e '/^guid() /p' -e '/^write_config() {/,/^}/p' "$ROOT/bench/run-benchmark.sh")" &&
  write_config 3) >"$generated/bench-config.xml" 2>/dev/null && [ -s "$generated/bench-config.xml" ]; then
  checked=$((checked + 1))
  if ! findings=$(validate "$generated/bench-config.xml" 2>&1); then
    echo "$findings" >&2
    echo "validate-configs: the config.xml the benchmark writes does not validate" >&2
    status=1
  fi
else
  echo "validate-configs: could not write the benchmark's config.xml with its own function" >&2
  status=1
fi

# Each faulty file names, in a comment "refused: TEXT", a part of the finding it must give,
# so that it is refused for its own fault and not for another one.
refused=0
for file in "$ROOT"/tests/config/invalid/*.xml; do
  refused=$((refused + 1))
  expected=$(sed -n 's/^<!-- refused: \(.*\) -->$/\1/p' "$file")
  if findings=$(validate "$file" 2>&1); then
    echo "validate-configs: $file validates, but it holds a fault the schemas must point out" >&2
    status=1
  elif [ -z "$expected" ] || ! grep -qF -- "$expected" <<<"$findings"; then
    echo "validate-configs: $file is refused, but not for its fault ($expected):" >&2
    echo "$findings" >&2
    status=1
  fi
done
echo "validate-configs: $checked configuration files checked, $refused faulty files refused"
[ $status -eq 0 ] && [ $checked -gt 0 ]
