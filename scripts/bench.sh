#!/usr/bin/env bash
# Builds the Find scan's and the program wait's benchmarks for the Windows that Wine runs on this machine and runs it
# in a throwaway prefix, with an X display of its own so that the caption figures come from a
# real window. Prints the benchmark's table; leaves no prefix, wine server or Xvfb behind.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-lib.sh

bash scripts/install-deps.sh

arch=$(kr8_wine_arch)
if [ "$arch" = win32 ]; then
    toolchain=cmake/mingw-i686.cmake
else
    toolchain=cmake/mingw-x86_64.cmake
fi
# A build folder of its own: the test script may be building the presets' folders meanwhile.
build=build/bench-$arch
echo "== Building kr8_scan_bench ($arch)"
cmake -S . -B "$build" --toolchain "$toolchain" -DCMAKE_BUILD_TYPE=Release -DKR8_WINDOWS_BUILD=product >/dev/null
cmake --build "$build" --target kr8_scan_bench kr8_wait_bench -j "$(nproc)"

prefix=$(mktemp -d /tmp/kr8-bench-prefix.XXXXXX)
display_file=$(mktemp /tmp/kr8-bench-display.XXXXXX)
output=$(mktemp /tmp/kr8-bench-output.XXXXXX)
xvfb_pid=""
cleanup() {
    kr8_drop_prefix "$prefix"
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -f "$display_file" "$output"
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
run_bench kr8_scan_bench.exe
echo
run_bench kr8_wait_bench.exe
