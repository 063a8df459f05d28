#!/usr/bin/env bash
# Checks what the built exe is, from the outside: machine, subsystem, imports and resources.
# What it imports from which DLL is judged by check-loads.sh.
set -uo pipefail
exe=$1
objdump=$2
machine=$3   # i386 or x86-64

failures=0
check() {
    if eval "$2"; then echo "PASS: $1"; else echo "FAIL: $1"; failures=$((failures + 1)); fi
}

headers=$("$objdump" -p "$exe")
check "is a $machine PE executable" "grep -q 'file format pei-$machine' <<<\"\$headers\""
check "runs in the GUI subsystem, no console" "grep -Eq 'Subsystem[[:space:]]+00000002' <<<\"\$headers\""

# The backup's registry export and import already read and write values through the wide calls.
for fn in CreateWindowExA MessageBoxA SetWindowTextA RegOpenKeyA RegEnumKeyA RegCreateKeyA \
          FindFirstFileA GetFileAttributesExA PathFileExistsA GetVersionExA GetSystemDirectoryA \
          GetTempPathA; do
    wide=${fn%A}W
    check "calls $fn, not $wide" \
        "grep -Eq '[[:space:]]$fn\$' <<<\"\$headers\" && ! grep -Eq '[[:space:]]$wide\$' <<<\"\$headers\""
done

check "carries an application manifest asking for administrator rights" \
    "grep -aq 'requireAdministrator' '$exe'"
check "carries version information" "grep -aq 'V.S._.V.E.R.S.I.O.N._.I.N.F.O' '$exe'"

echo "$((failures == 0 ? 1 : 0)) passed, $((failures == 0 ? 0 : 1)) failed"
[ "$failures" -eq 0 ]
