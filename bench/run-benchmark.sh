#!/usr/bin/env bash
# The benchmark of setup.exe under Wine. It prints a small table; the targets are reported,
# never enforced: the script fails only when the bench itself is broken (a build, a run or
# a check of what was installed fails).
#
#   run-benchmark.sh [-n N[,N...]] [-r REPETITIONS] [-b BUILD_DIR]
#
#   -n  chain lengths (default 3,20)    -r  repetitions (default 5)
#   -b  the Windows build (default build/windows; configured and built when needed)
#
# What is measured, by the probe (bench/process_probe_win32.cpp) inside Wine from the creation
# of the measured process to its end, so that Wine's own start is not counted:
#  - chain: "setup.exe -q" over N tiny MSI packages against "cmd /c chain.cmd", a script of
#    the same N msiexec command lines run back to back; each side in its own fresh copy of
#    a pristine prefix;
#  - start-up: "setup.exe -q" over 64 packages that are all installed already (nothing runs,
#    so the whole run is what setup needs before it would start an installer) against
#    "cmd /c exit" in the same prefix; besides, the same two as "wine ..." timed from bash
#    in a prefix whose session is not running (Wine's own start included);
#  - peak working set of setup.exe during the longest chain against that of a cmd.exe that
#    only waits (for "process_probe sleep"), in the same prefix.
# Medians over the repetitions; every single figure goes to <build>/benchmark/results.txt.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BENCH_SRC="$ROOT/bench"
chains="3,20"
reps=5
build="$ROOT/build/windows"
# One more than the shared status block has slots for (63 besides the run's own slot 0):
# setup warns "No status found" for the last package, and detects and decides it like the
# others.
readonly STARTUP_PACKAGES=64

usage() {
    echo "usage: run-benchmark.sh [-n N[,N...]] [-r REPETITIONS] [-b BUILD_DIR]" >&2
    exit 2
}

while getopts "n:r:b:h" option; do
    case $option in
        n) chains=$OPTARG ;;
        r) reps=$OPTARG ;;
        b) build=$(realpath -m "$OPTARG") ;;
        *) usage ;;
    esac
done
[[ $reps =~ ^[1-9][0-9]*$ ]] || usage
[[ $chains =~ ^[1-9][0-9]*(,[1-9][0-9]*)*$ ]] || usage
IFS=, read -r -a chain_list <<<"$chains"

work="$build/benchmark"
probe="$work/tools/process_probe.exe"
results="$work/results.txt"
export WINEDEBUG=-all
unset DISPLAY

die() {
    echo "run-benchmark: $*" >&2
    exit 1
}

# ---------------------------------------------------------------- building

build_tools() {
    if [ ! -f "$build/build.ninja" ]; then
        cmake -S "$ROOT" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
            -DDEPS_CACHE="${DEPS_CACHE:-/var/cache/tarvex-deps}" >/dev/null
    fi
    cmake --build "$build" -j2 --target setup utils forms process_probe >/dev/null
}

make_pristine() {
    [ -f "$work/pristine/.ready" ] && return 0
    rm -rf "$work/pristine"
    # No display and no Mono or Gecko: nothing measured needs them.
    WINEPREFIX="$work/pristine" WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
    WINEPREFIX="$work/pristine" wineserver -w
    touch "$work/pristine/.ready"
}

# The GUIDs of package i (1..255): product, upgrade and component code.
guid() { printf '{BE4C000%d-7E57-4000-8000-0000000000%02X}' "$1" "$2"; }

# Builds the tiny packages 1..count with wixl (again only when their source changed).
build_packages() {
    local count=$1 i name
    mkdir -p "$work/packages"
    echo "Installed by a package of the setup benchmark." >"$work/packages/payload.txt"
    for i in $(seq "$count"); do
        name=$(printf 'BenchPackage%02d' "$i")
        if [ "$work/packages/$name.msi" -nt "$BENCH_SRC/wix/tiny.wxs" ]; then continue; fi
        (cd "$work/packages" && wixl -a x64 -o "$name.msi" -D "Name=Bench Package $i" \
            -D "ProductCode=$(guid 1 "$i")" -D "UpgradeCode=$(guid 2 "$i")" \
            -D "ComponentGuid=$(guid 3 "$i")" -D "Folder=$name" "$BENCH_SRC/wix/tiny.wxs")
    done
}

windows_path() { echo "Z:${1//\//\\}"; }

# config.xml of a chain of count packages, the last one the MAIN package; each is found
# installed by its upgrade code.
write_config() {
    local count=$1 i feature
    echo '<?xml version="1.0" encoding="utf-8"?>'
    echo '<Config>'
    echo '  <Version>2</Version>'
    echo '  <ProductInfo Name="Bench Chain" Version="1.0.0" Tag="BENCH"/>'
    echo '  <Contents>'
    for i in $(seq "$count"); do
        feature=""
        if [ "$i" -eq "$count" ]; then feature=' Feature="MAIN"'; fi
        printf '    <Package Tag="P%02d" Type="MSI" Name="Bench Package %d" FileName="BenchPackage%02d.msi"%s>\n' \
            "$i" "$i" "$i" "$feature"
        printf '      <Version Version="1.0.0" Detect="u%s"/>\n' "$(guid 2 "$i")"
        echo '    </Package>'
    done
    echo '  </Contents>'
    echo '</Config>'
}

# The plain script: the command lines setup.exe starts (msiexec from the system folder, the
# package by its full path), one after the other, stopping at the first failure as setup does.
write_chain_script() {
    local count=$1 folder=$2 i
    printf '@echo off\r\n'
    for i in $(seq "$count"); do
        printf 'C:\\windows\\system32\\msiexec.exe /i "%s\\BenchPackage%02d.msi" /qn\r\n' \
            "$(windows_path "$folder")" "$i"
        printf 'if errorlevel 1 exit /b 1\r\n'
    done
}

# A product folder as shipped: setup, its plug-ins, the XML files and count packages.
make_product() {
    local count=$1 folder=$2 i
    rm -rf "$folder"
    mkdir -p "$folder"
    cp "$build/bin/setup.exe" "$build/bin/utils.dll" "$build/bin/forms.dll" "$folder/"
    cp "$BENCH_SRC/standard.xml" "$folder/"
    echo '<?xml version="1.0" encoding="utf-8"?><Settings/>' >"$folder/settings.xml"
    write_config "$count" >"$folder/config.xml"
    write_chain_script "$count" "$folder" >"$folder/chain.cmd"
    for i in $(seq "$count"); do
        cp "$work/packages/$(printf 'BenchPackage%02d.msi' "$i")" "$folder/"
    done
}

# ---------------------------------------------------------------- running

# The prefixes that are measured live in memory when the machine has room for them: a fresh
# copy of a prefix on disk is still being written back while the first process runs in it,
# and that writing lands on whichever side happens to run first. The pristine prefix stays
# in the build folder.
choose_runs_folder() {
    local needed free
    needed=$(du -sk "$work/pristine" | cut -f1)
    free=$(df -Pk /dev/shm 2>/dev/null | awk 'NR==2 {print $4}')
    if [ -n "$free" ] && [ "$free" -gt $((needed * 3)) ]; then
        runs=$(mktemp -d /dev/shm/tarvex-bench.XXXXXX)
    else
        runs="$work/runs"
        mkdir -p "$runs"
    fi
    trap remove_runs_folder EXIT
}

# Once only: called at the end of the run and again on exit. Nothing is removed before the
# folder has been chosen.
remove_runs_folder() {
    local prefix
    [ -n "${runs:-}" ] || return 0
    for prefix in "$runs"/*/; do
        [ -d "$prefix" ] && WINEPREFIX="${prefix%/}" wineserver -k 2>/dev/null || true
    done
    rm -rf "$runs"
    runs=
}

fresh_prefix() {
    local source=$1 prefix=$2
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
    rm -rf "$prefix"
    cp -a "$source" "$prefix"
}

# A fresh copy of source whose session (server, services) has started and settled, so that
# its start is not measured with the first process.
open_prefix() {
    fresh_prefix "$1" "$2"
    probe_run "$2" cmd /c exit >/dev/null
}

# Ends the prefix's session so that its registry is on disk.
close_prefix() { WINEPREFIX="$1" wineserver -w; }

# Runs one command under the probe in a prefix; prints "<ms> <peak kB> <exit code>". Wine
# joins the words into the Windows command line, quoting those that hold blanks.
probe_run() {
    local prefix=$1 line
    shift
    line=$(WINEPREFIX="$prefix" wine "$probe" run "$@" 2>/dev/null | tr -d '\r' |
        grep '^elapsed_ms=') || die "the probe gave no figures for: $*"
    echo "$line" | sed -E 's/elapsed_ms=([0-9.]+) peak_working_set_kb=([0-9]+) exit_code=([0-9]+)/\1 \2 \3/'
}

# Dies unless packages 1..count are registered as installed in the prefix's registry.
check_installed() {
    local prefix=$1 count=$2 what=$3 i
    for i in $(seq "$count"); do
        grep -q "^\[Software\\\\\\\\TarvexBench\\\\\\\\$(printf 'BenchPackage%02d' "$i")\]" \
            "$prefix/system.reg" || die "$what: package $i was not installed"
    done
}

check_exit() {
    [ "$2" -eq 0 ] || die "$1 ended with exit code $2"
}

record() { echo "$*" >>"$results"; }

# One repetition of the chain of count packages: each side in a fresh prefix.
chain_side_setup() {
    local count=$1 folder=$2 prefix="$runs/prefix" figures ms kb cmd_kb code
    open_prefix "$work/pristine" "$prefix"
    figures=$(probe_run "$prefix" "$(windows_path "$folder")\\setup.exe" -q)
    read -r ms kb code <<<"$figures"
    check_exit "setup.exe -q (chain of $count)" "$code"
    record "chain $count setup_ms $ms"
    record "chain $count setup_peak_kb $kb"
    figures=$(probe_run "$prefix" cmd /c "$(windows_path "$probe")" sleep 500)
    read -r _ cmd_kb code <<<"$figures"
    record "chain $count cmd_wait_peak_kb $cmd_kb"
    close_prefix "$prefix"
    check_installed "$prefix" "$count" "setup.exe -q (chain of $count)"
}

chain_side_script() {
    local count=$1 folder=$2 prefix="$runs/prefix" figures ms code
    open_prefix "$work/pristine" "$prefix"
    figures=$(probe_run "$prefix" cmd /c "$(windows_path "$folder")\\chain.cmd")
    read -r ms _ code <<<"$figures"
    check_exit "the msiexec script (chain of $count)" "$code"
    record "chain $count script_ms $ms"
    close_prefix "$prefix"
    check_installed "$prefix" "$count" "the msiexec script (chain of $count)"
}

run_chain() {
    local count=$1 rep folder="$work/product-chain$1"
    make_product "$count" "$folder"
    for rep in $(seq "$reps"); do
        echo "  chain of $count, repetition $rep of $reps" >&2
        # The order alternates, so that a drift of the machine does not favour one side.
        if [ $((rep % 2)) -eq 1 ]; then
            chain_side_setup "$count" "$folder"
            chain_side_script "$count" "$folder"
        else
            chain_side_script "$count" "$folder"
            chain_side_setup "$count" "$folder"
        fi
    done
}

# A prefix in which all start-up packages are installed, made once per bench run.
make_installed_prefix() {
    local folder=$1 prefix="$runs/installed" figures code
    fresh_prefix "$work/pristine" "$prefix"
    figures=$(probe_run "$prefix" cmd /c "$(windows_path "$folder")\\chain.cmd")
    read -r _ _ code <<<"$figures"
    check_exit "installing the start-up packages" "$code"
    close_prefix "$prefix"
    check_installed "$prefix" "$STARTUP_PACKAGES" "installing the start-up packages"
}

# Inside Wine: "cmd /c exit" and "setup.exe -q", in alternating order.
startup_inside() {
    local prefix=$1 folder=$2 rep=$3 figures ms code side
    local sides=(cmd setup)
    if [ $((rep % 2)) -eq 0 ]; then sides=(setup cmd); fi
    for side in "${sides[@]}"; do
        if [ "$side" = cmd ]; then
            figures=$(probe_run "$prefix" cmd /c exit)
        else
            figures=$(probe_run "$prefix" "$(windows_path "$folder")\\setup.exe" -q)
        fi
        read -r ms _ code <<<"$figures"
        check_exit "$side (start-up)" "$code"
        record "startup ${side}_ms $ms"
    done
}

# Milliseconds that "wine <command>" takes from bash in a prefix whose session is not
# running: Wine starts the session (its server and services) for it and ends it after.
cold_wine_ms() {
    local prefix=$1 start end
    shift
    close_prefix "$prefix"
    start=$(date +%s%N)
    WINEPREFIX="$prefix" wine "$@" >/dev/null 2>&1 || die "wine $* failed"
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
}

startup_from_bash() {
    local prefix=$1 folder=$2
    record "startup cold_cmd_ms $(cold_wine_ms "$prefix" cmd /c exit)"
    record "startup cold_setup_ms $(cd "$folder" && cold_wine_ms "$prefix" setup.exe -q)"
}

run_startup() {
    local folder="$work/product-startup" prefix="$runs/prefix" rep
    make_product "$STARTUP_PACKAGES" "$folder"
    echo "  installing the $STARTUP_PACKAGES start-up packages" >&2
    make_installed_prefix "$folder"
    for rep in $(seq "$reps"); do
        echo "  start-up, repetition $rep of $reps" >&2
        open_prefix "$runs/installed" "$prefix"
        startup_inside "$prefix" "$folder" "$rep"
        startup_from_bash "$prefix" "$folder"
        close_prefix "$prefix"
        check_nothing_ran "$prefix" 2
    done
}

# The start-up runs must have skipped every package: the log names none as executed.
check_nothing_ran() {
    local log="$1/drive_c/ProgramData/TarvexInstaller/Bootstrapper.log" setup_runs=$2
    [ -f "$log" ] || die "start-up: setup.exe wrote no log"
    [ "$(grep -c 'Status    : SKIPPING' "$log")" -eq $((setup_runs * STARTUP_PACKAGES)) ] ||
        die "start-up: setup.exe did not skip all $STARTUP_PACKAGES packages (see $log)"
    ! grep -q 'Status    : EXECUTING' "$log" || die "start-up: setup.exe ran a package (see $log)"
}

# ---------------------------------------------------------------- report

largest_of() { printf '%s\n' "$@" | sort -n | tail -1; }

# The median of the numbers read, one per line; fails when there are none.
median_of_lines() {
    sort -n | awk '{v[NR]=$1} END {if (NR==0) exit 1; m=(NR%2)?v[(NR+1)/2]:(v[NR/2]+v[NR/2+1])/2; print m}'
}

figures_of() { grep "^$1 " "$results" | awk '{print $NF}'; }

# The median of the figures recorded under a key (the words before the figure).
median() { figures_of "$1" | median_of_lines; }

# The median of the ratios of the two sides' figures of the same repetition. The two sides
# of a repetition run one right after the other, so that a drift of the machine (its speed
# changes by a tenth and more from one minute to the next) weighs on both alike; a ratio of
# the two medians would compare figures taken minutes apart.
paired_ratio() {
    paste -d' ' <(figures_of "$1") <(figures_of "$2") | awk 'NF == 2 && $2 > 0 {print $1 / $2}' |
        median_of_lines
}

row() {
    local label=$1 mine=$2 reference=$3 unit=$4 scale=$5 target=$6 ratio=$7
    awk -v l="$label" -v a="$mine" -v b="$reference" -v u="$unit" -v s="$scale" -v t="$target" \
        -v r="$ratio" 'BEGIN {if (r == "" || a == "" || b == "") {printf "%-40s no figures\n", l; exit}
                printf "%-40s %8.3f %-3s %8.3f %-3s %6.2f  <= %.2f  %s\n",
                l, a/s, u, b/s, u, r, t, (r<=t)?"met":"MISSED"}'
}

# A row of the table: the medians of both sides and the median of their paired ratios.
paired_row() {
    local label=$1 mine_key=$2 reference_key=$3 unit=$4 scale=$5 target=$6
    row "$label" "$(median "$mine_key")" "$(median "$reference_key")" "$unit" "$scale" "$target" \
        "$(paired_ratio "$mine_key" "$reference_key")"
}

report() {
    local count longest
    longest=$(largest_of 0 "${chain_list[@]}")
    echo
    echo "setup.exe benchmark: medians of $reps repetition(s); load average at the start: $load_at_start"
    printf '%-40s %12s %12s %6s  %-7s\n' "measure" "setup.exe" "reference" "ratio" "target"
    for count in "${chain_list[@]}"; do
        paired_row "chain of $count, vs the msiexec script" "chain $count setup_ms" \
            "chain $count script_ms" s 1000 1.10
    done
    paired_row "start-up ($STARTUP_PACKAGES installed), vs cmd /c exit" "startup setup_ms" \
        "startup cmd_ms" s 1000 1.10
    paired_row "  the same, wine from bash, cold session" "startup cold_setup_ms" \
        "startup cold_cmd_ms" s 1000 1.10
    paired_row "peak working set, chain of $longest" "chain $longest setup_peak_kb" \
        "chain $longest cmd_wait_peak_kb" MiB 1024 2.00
    echo "Times are taken inside Wine by the probe, except the row \"wine from bash\". A ratio is the"
    echo "median of the ratios of the two sides' figures of each repetition. Reference:"
    echo "the msiexec script, cmd /c exit, and a cmd.exe that only waits. Every figure: $results"
    if awk -v l="${load_at_start%% *}" 'BEGIN {exit !(l > 0.5)}'; then
        echo "The machine was busy when the bench started: the figures are noisy."
    fi
}

main() {
    local count largest
    load_at_start=$(cut -d' ' -f1-3 /proc/loadavg)
    echo "Building what the benchmark needs in $build" >&2
    build_tools
    mkdir -p "$work"
    make_pristine
    largest=$(largest_of "$STARTUP_PACKAGES" "${chain_list[@]}")
    [ "$largest" -le 255 ] || die "at most 255 packages"
    build_packages "$largest"
    choose_runs_folder
    : >"$results"
    for count in "${chain_list[@]}"; do run_chain "$count"; done
    run_startup
    remove_runs_folder
    report
}

main
