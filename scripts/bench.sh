#!/usr/bin/env bash
# Builds the Win32 benchmarks (Find against a bare directory walk, the backup's cost) for the
# Windows that Wine runs on this machine and runs them in a throwaway prefix, with an X display
# of its own so that Find draws a real window. Prints the figures; leaves no prefix, wine server
# or Xvfb behind. Then the offline program's benchmark (build/offline/kr8_offline_bench): its scan
# of a mounted folder, of hives, and of NTFS and FAT32 disk images against mounting with ntfs-3g.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-lib.sh

bash scripts/install-deps.sh

arch=$(kr8_wine_arch)
toolchain=cmake/mingw-x86_64.cmake
[ "$arch" != win32 ] || toolchain=cmake/mingw-i686.cmake
# A build folder of its own: the test script may be building the presets' folders meanwhile.
build=build/bench-$arch
echo "== Building the benchmarks ($arch)"
cmake -S . -B "$build" --toolchain "$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DKR8_WINDOWS_BUILD=product >/dev/null
cmake --build "$build" --target kr8_win32_bench -j "$(nproc)"

prefix=$(mktemp -d /tmp/kr8-bench-prefix.XXXXXX)
display_file=$(mktemp /tmp/kr8-bench-display.XXXXXX)
output=$(mktemp /tmp/kr8-bench-output.XXXXXX)
xvfb_pid=""
cleanup() {
    kr8_drop_prefix "$prefix"
    [ -z "$xvfb_pid" ] || { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; } || true
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
[ -s "$display_file" ] || echo "Xvfb did not start; Find cannot be timed" >&2
export DISPLAY=":$(tr -d '[:space:]' <"$display_file")"

echo "== Preparing a throwaway prefix"
kr8_make_prefix "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all
# Wine's background services start now rather than during the first timed runs.
kr8_start_server

echo "== Running"
# Through a file, not a pipe: the prefix's service processes inherit the output and would hold
# a pipe open long after the benchmark has ended.
"$(kr8_wine_bin)" "$build/kr8_win32_bench.exe" >"$output" 2>&1 &
bench_pid=$!
tail -n +1 -f --pid="$bench_pid" "$output" | tr -d '\r'
wait "$bench_pid"

echo "== The offline program's benchmark"
cmake --preset offline >/dev/null
cmake --build --preset offline --target kr8_offline_bench -j "$(nproc)" >/dev/null
build/offline/kr8_offline_bench
