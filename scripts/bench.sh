#!/usr/bin/env bash
# Builds the benchmarks (the Find scan, the program wait, the backup before a delete) for the
# Windows that Wine runs on this machine and runs them in a throwaway prefix, with an X display
# of its own so that the caption figures come from a real window; then times the unattended scan
# against the window's Find on the demo infection. Prints the figures; leaves no prefix, wine
# server or Xvfb behind.
# usage: bench.sh [scan] [wait] [backup] [unattended]   (default: all four)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-lib.sh

parts=${*:-scan wait backup unattended}
wants() { [[ " $parts " == *" $1 "* ]]; }

bash scripts/install-deps.sh

arch=$(kr8_wine_arch)
if [ "$arch" = win32 ]; then
    toolchain=cmake/mingw-i686.cmake
else
    toolchain=cmake/mingw-x86_64.cmake
fi
# A build folder of its own: the test script may be building the presets' folders meanwhile.
build=build/bench-$arch
echo "== Building the benchmarks ($arch)"
cmake -S . -B "$build" --toolchain "$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DKR8_WINDOWS_BUILD=product >/dev/null
cmake --build "$build" --target kr8_scan_bench kr8_wait_bench kr8_backup_bench \
    kr8_unattended_bench kr8finder kr8auto -j "$(nproc)"

prefix=$(mktemp -d /tmp/kr8-bench-prefix.XXXXXX)
display_file=$(mktemp /tmp/kr8-bench-display.XXXXXX)
output=$(mktemp /tmp/kr8-bench-output.XXXXXX)
pairs=$(mktemp /tmp/kr8-bench-pairs.XXXXXX)
xvfb_pid=""
cleanup() {
    kr8_drop_prefix "$prefix"
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -f "$display_file" "$output" "$pairs"
}
trap cleanup EXIT

# -displayfd lets Xvfb take a free display itself, so no other X server can be hit.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$display_file" ] && break
    sleep 0.1
done
if [ ! -s "$display_file" ]; then
    echo "Xvfb did not start; the caption figures will be left out" >&2
    unset DISPLAY
else
    DISPLAY=":$(tr -d '[:space:]' <"$display_file")"
    export DISPLAY
fi

echo "== Preparing a throwaway prefix"
kr8_make_prefix "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all
# Wine's background services start now rather than during the first timed runs.
kr8_start_server

echo "== Running (DISPLAY=${DISPLAY:-none})"
# Through a file, not a pipe: the prefix's service processes inherit the output and would hold
# a pipe open long after the benchmark has ended.
run_bench() {
    "$(kr8_wine_bin)" "$build/$1" >"$output" 2>&1 &
    local bench_pid=$!
    tail -n +1 -f --pid="$bench_pid" "$output" | tr -d '\r'
    wait "$bench_pid"
}
if wants scan; then
    run_bench kr8_scan_bench.exe
    echo
fi
if wants wait; then
    run_bench kr8_wait_bench.exe
    echo
fi
if wants backup; then
    run_bench kr8_backup_bench.exe
    echo
fi
wants unattended || exit 0

# The unattended scan and the window's Find on the same seeded prefix: first as a script and a
# person meet them, timed from outside. A process start under Wine varies by more than the scan
# takes, so each is paired with a run that does all but the scan, right beside it: the program
# started with a command line that it refuses, and the automation helper reading the caption;
# the order within the pairs changes from run to run. Then both scans inside one process, where
# they come out apart.
echo "== Unattended scan against the window's Find, on the demo infection"
if [ -z "${DISPLAY:-}" ]; then
    echo "no display: the window's figures cannot be taken"
    exit 0
fi
bash scripts/seed-infection.sh "$prefix" >/dev/null
wine=$(kr8_wine_bin)
mkdir -p "$prefix/drive_c/bench logs"
finder="$build/kr8finder.exe"
auto="$build/kr8auto.exe"
# Microseconds the command takes; its exit code is no concern here.
us() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s%N)
    echo $(((end - start) / 1000))
}
unattended() { us "$wine" "$finder" /scan /log 'C:\bench logs\kr8.log'; }
refused() { us "$wine" "$finder" /scan /refused; }
find_click() { us "$wine" "$auto" click Find; }
caption() { us "$wine" "$auto" caption; }

shown_start=$(date +%s%N)
"$wine" "$finder" >/dev/null 2>&1 &
window_pid=$!
"$wine" "$auto" wait >/dev/null
shown_ms=$((($(date +%s%N) - shown_start) / 1000000))
"$wine" "$auto" click Find >/dev/null # the first Find pays for what later ones find cached

runs=21
: >"$pairs"
for run in $(seq "$runs"); do
    if [ $((run % 2)) -eq 0 ]; then
        a=$(unattended) b=$(refused) c=$(find_click) d=$(caption)
    else
        d=$(caption) c=$(find_click) b=$(refused) a=$(unattended)
    fi
    echo "$a $b $c $d" >>"$pairs"
done
"$wine" "$auto" close >/dev/null || true
wait "$window_pid" 2>/dev/null || true

# median_ms COLUMN [MINUS_COLUMN]: the median over the runs, in milliseconds.
median_ms() {
    awk -v a="$1" -v b="${2:-0}" '{ print $a - (b ? $b : 0) }' "$pairs" | sort -n |
        awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
                                  printf "%.1f", m / 1000 }'
}
printf '%s runs each, medians in ms\n' "$runs"
printf '  %-56s %8s\n' \
    "kr8finder /scan: the whole process" "$(median_ms 1)" \
    "kr8finder /scan with a refused argument: start and end" "$(median_ms 2)" \
    "  the unattended scan and its log (pairs' difference)" "$(median_ms 1 2)" \
    "kr8auto click Find on the open window" "$(median_ms 3)" \
    "kr8auto caption: the helper's own round trip" "$(median_ms 4)" \
    "  the window's Find (pairs' difference)" "$(median_ms 3 4)" \
    "the window: start until shown (once)" "$shown_ms"
run_bench kr8_unattended_bench.exe
