#!/usr/bin/env bash
# Prints the non-blank lines of the product, the tests, the tools and the benchmarks, and the
# tests' share of the product.
set -euo pipefail
cd "$(dirname "$0")/.."

# The non-blank lines of the files whose NUL-separated names come in.
nonblank() {
    xargs -0 cat | grep -c -v '^[[:space:]]*$'
}
count() {
    find "$@" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.sh' -o -name 'CMakeLists.txt' \
        -o -name '*.rc' -o -name '*.cmake' \) -print0 | nonblank
}
# The product is its C++ code; the tests are everything under tests/.
product=$(find app scan remove repair sys -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | nonblank)
tests=$(count tests)
tools=$(count tools)
bench=$(count bench)
printf 'Non-blank lines: product %d, tests %d, tools %d, bench %d; tests/product %s\n' \
    "$product" "$tests" "$tools" "$bench" "$(awk -v t="$tests" -v p="$product" \
    'BEGIN { printf "%.2f", t / p }')"
