#!/usr/bin/env bash
# Builds the fuzz build (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) in
# build/fuzz and runs every fuzz target for a fixed number of inputs, starting from seeds
# taken from the sample's and the benchmark's configuration files and from
# tests/fuzz/seeds. An input that crashes, takes more than a second or makes a sanitizer
# report ends the target's run; it is left in build/fuzz/findings/<target>/ and the script
# fails. The corpus each target grows is kept in build/fuzz/corpus/<target>/.
#
# --timeout sets the seconds an input may take (default 1).
#
#   scripts/fuzz.sh [--runs N] [--timeout S] [--jobs N] [--build-dir DIR] [--no-build] [target...]
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
RUNS=100000
TIMEOUT=1
JOBS=2
BUILD="$ROOT/build/fuzz"
BUILD_IT=1
TARGETS=()
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) RUNS=$2; shift 2 ;;
    --timeout) TIMEOUT=$2; shift 2 ;;
    --jobs) JOBS=$2; shift 2 ;;
    --build-dir) BUILD=$2; shift 2 ;;
    --no-build) BUILD_IT=0; shift ;;
    -*) echo "fuzz: unknown option $1" >&2; exit 2 ;;
    *) TARGETS+=("$1"); shift ;;
  esac
done
[ ${#TARGETS[@]} -gt 0 ] ||
  TARGETS=(fuzz_expression fuzz_config fuzz_command_line fuzz_plugin_call fuzz_checksum_list)

if [ $BUILD_IT -eq 1 ]; then
  # -O1 with line tables only: quick to compile, fast enough to run, and stack traces that
  # name the lines.
  CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=None \
    "-DCMAKE_C_FLAGS=-O1 -gline-tables-only" "-DCMAKE_CXX_FLAGS=-O1 -gline-tables-only" \
    -DTARVEX_FUZZ=ON >/dev/null
  cmake --build "$BUILD" -j "$JOBS" --target "${TARGETS[@]}"
fi

# The attribute values of one name in the configuration files, one per file.
attribute_seeds() {
  local name=$1 out=$2 n=0 file value
  for file in "$ROOT"/sample/*.xml "$ROOT"/bench/*.xml; do
    while IFS= read -r value; do
      n=$((n + 1))
      printf '%s' "$value" | sed 's/&quot;/"/g; s/&amp;/\&/g; s/&lt;/</g; s/&gt;/>/g' >"$out/$name-$n"
    done < <(grep -o "$name=\"[^\"]*\"" "$file" | sed "s/^$name=\"//; s/\"\$//")
  done
}

# The configuration files of the sample and of the benchmark as single inputs.
config_seeds() {
  local out=$1
  { cat "$ROOT/sample/standard.xml"; printf '\n@@@@\n'; cat "$ROOT/sample/config.xml"
    printf '\n@@@@\n'; cat "$ROOT/sample/settings.xml"; } >"$out/sample"
  { cat "$ROOT/bench/standard.xml"; printf '\n@@@@\n'; cat "$ROOT/sample/config.xml"; } \
    >"$out/bench-standard"
}

make_seeds() {
  local target=$1 out="$BUILD/seeds/$1"
  rm -rf "$out" && mkdir -p "$out"
  cp "$ROOT/tests/fuzz/seeds/$target"/* "$out"/ 2>/dev/null || true
  case "$target" in
    fuzz_expression) attribute_seeds Condition "$out"; attribute_seeds Expr "$out" ;;
    fuzz_plugin_call) attribute_seeds DllCall "$out" ;;
    fuzz_config) config_seeds "$out" ;;
  esac
}

status=0
for target in "${TARGETS[@]}"; do
  make_seeds "$target"
  corpus="$BUILD/corpus/$target" findings="$BUILD/findings/$target"
  mkdir -p "$corpus" "$findings"
  log="$BUILD/$target.log"
  start=$(date +%s)
  if "$BUILD/tests/fuzz/$target" -runs="$RUNS" -timeout="$TIMEOUT" -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "$BUILD/seeds/$target" \
    >"$log" 2>&1; then
    executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz: $target: ${executed:-?} inputs in $(($(date +%s) - start)) s, no finding"
  else
    echo "fuzz: $target FAILED (log $log, inputs in $findings):" >&2
    grep -E 'ERROR|SUMMARY|runtime error|Test unit written' "$log" | head -n 20 >&2 || tail -n 30 "$log" >&2
    status=1
  fi
done
exit $status
