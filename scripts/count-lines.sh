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
# The product is its C++ code; the tests are the code under tests/, and then every file there,
# the import check's export lists included.
product=$(find app scan remove repair sys -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | nonblank)
tests=$(count tests)
tests_all=$(find tests -type f -print0 | nonblank)
tools=$(count tools)
bench=$(count bench)
ratio() { awk -v t="$1" -v p="$product" 'BEGIN { printf "%.2f", t / p }'; }
printf 'Non-blank lines: product %d, tests %d, tools %d, bench %d; tests/product %s\n' \
    "$product" "$tests" "$tools" "$bench" "$(ratio "$tests")"
printf 'Every file under tests/, data included: %d lines, %s of the product\n' "$tests_all" \
    "$(ratio "$tests_all")"
