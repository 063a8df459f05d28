#!/usr/bin/env bash
# Builds everything and runs every test: the logic natively with sanitizers, the product's
# build checks, and the Win32 layer, the whole window and the real exes under Wine in throwaway
# prefixes. Where 32-bit code runs only under emulation, the Wine tests run the 64-bit build and
# the shipped 32-bit exe runs its own roads.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-lib.sh

bash scripts/install-deps.sh

arch=$(kr8_wine_arch)
if [ "$arch" = win32 ]; then
    echo "== This machine runs 32-bit code: every Wine test runs the 32-bit product"
elif kr8_i386_emulated; then
    echo "== This machine runs 32-bit code only under qemu: the Wine tests run the 64-bit build," \
        "and the shipped 32-bit exe its own roads in the 32-bit side of a 64-bit prefix"
    # Booting that prefix takes minutes the first time; it overlaps the builds.
    kr8_boot_template >/dev/null 2>&1 &
else
    echo "== This machine runs no 32-bit code: the Wine tests run the 64-bit build," \
        "and nothing runs the shipped 32-bit exe"
fi

jobs=$(nproc)
passed=0
failed=0
# Runs ctest and adds its counts to the totals.
run_ctest() {
    local log
    log=$(mktemp)
    set +e
    ctest "$@" --output-on-failure 2>&1 | tee "$log"
    set -e
    local line total fails
    line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1 || true)
    rm -f "$log"
    if [ -z "$line" ]; then
        failed=$((failed + 1))
        return
    fi
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    fails=$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$line")
    passed=$((passed + total - fails))
    failed=$((failed + fails))
}

echo "== Native: logic and unit tests (AddressSanitizer, UBSan)"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
run_ctest --preset native

echo "== Windows 32-bit: the product, for Windows 2000 and later (win32-thread compilers)"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"
cmake --build --preset win32 --target release

if [ "$arch" = win32 ]; then
    echo "== Windows 32-bit: the GoogleTest executables (POSIX-thread compilers)"
    cmake --preset win32-tests >/dev/null
    cmake --build --preset win32-tests -j "$jobs"
    # The product's build holds its checks from the outside and the runs of the real exes.
    wine_builds=(build/win32 build/win32-tests)
else
    echo "== Windows 64-bit: the same sources, for the Wine tests"
    cmake --preset win64 >/dev/null
    cmake --build --preset win64 -j "$jobs"
    wine_builds=(build/win64)
    if kr8_i386_emulated; then
        # Beside the other tests: the emulated process keeps one processor busy.
        i686_log=build/e2e-i686.log
        (
            start=$SECONDS
            bash tests/e2e/road.sh i686 "$PWD/build/win32/kr8finder.exe" \
                "$PWD/build/win64/kr8auto.exe" "$PWD/build/e2e-i686" \
                "$PWD/build/win64/kr8finder.exe"
            echo "(the i686 roads took $((SECONDS - start)) s)"
        ) >"$i686_log" 2>&1 &
        i686_roads=$!
    fi
    run_ctest --test-dir build/win32 -L host
fi

for wine_build in "${wine_builds[@]}"; do
    echo "== Under Wine ($wine_build)"
    prefix=$(mktemp -d /tmp/kr8-test-prefix.XXXXXX)
    trap 'kr8_drop_prefix "$prefix"' EXIT
    kr8_make_prefix "$prefix"
    export WINEPREFIX=$prefix WINEDEBUG=-all
    kr8_start_server
    run_ctest --test-dir "$wine_build"
    kr8_drop_prefix "$prefix"
    trap - EXIT
done

# kr8finder-offline: its road compares its log with the Windows build's above.
echo "== Linux: kr8finder-offline, static, and its road"
cmake --preset offline >/dev/null
cmake --build --preset offline -j "$jobs"
run_ctest --preset offline

# A fixed seed and a fixed time: a run finds the same inputs on any machine of the same speed.
echo "== Linux: the hive fuzz target, 60 s (clang, libFuzzer, AddressSanitizer, UBSan)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
fuzz_run=build/fuzz/run
rm -rf "$fuzz_run"
# fuzz NAME TARGET CORPUS... [-- OPTIONS]: 60 s from a fixed seed; what it fails on is kept in
# $fuzz_run/NAME-found.
fuzz() {
    local name=$1 target=$2 log="$fuzz_run/$1.log"
    shift 2
    mkdir -p "$fuzz_run/$name-found"
    if "$target" "$@" -seed=1 -max_total_time=60 -rss_limit_mb=2048 \
        -artifact_prefix="$fuzz_run/$name-found/" -print_final_stats=1 >"$log" 2>&1; then
        echo "$(sed -n 's/^stat::number_of_executed_units: *//p' "$log") inputs, nothing found"
        passed=$((passed + 1))
    else
        tail -n 40 "$log"
        echo "FAIL: the $name fuzz target found an input it fails on (keep a hive's in" \
            "tests/fuzz/regressions):"
        ls "$fuzz_run/$name-found"
        failed=$((failed + 1))
    fi
}
mkdir -p "$fuzz_run/corpus"
build/fuzz/kr8_hive_seeds "$fuzz_run/corpus"
fuzz hive build/fuzz/kr8_hive_fuzz "$fuzz_run/corpus" tests/fuzz/regressions -timeout=1 \
    -max_len=65536

echo "== Linux: the image fuzz target, 60 s, from small FAT and NTFS images"
mkdir -p "$fuzz_run/images"
bash tests/fuzz/image-seeds.sh build/fuzz/kr8_hive_seeds "$fuzz_run/images"
LSAN_OPTIONS=suppressions=tests/fuzz/image-leaks.supp fuzz image build/fuzz/kr8_image_fuzz \
    "$fuzz_run/images" -timeout=5 -max_len=2097152

if [ -n "${i686_roads:-}" ]; then
    echo "== Under Wine, emulated: the shipped i686 exe"
    wait "$i686_roads" || true
    cat "$i686_log"
    if grep -q '^All checks passed' "$i686_log"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
    fi
fi

echo
bash scripts/count-lines.sh
echo "Total: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
