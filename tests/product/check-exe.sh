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

# Names pass whole only through the wide calls; the ANSI ones would map them to the code page.
for fn in CreateWindowExW MessageBoxW SetWindowTextW RegOpenKeyExW RegEnumKeyExW RegEnumValueW \
          RegCreateKeyExW FindFirstFileW GetFileAttributesExW DeleteFileW MoveFileExW CreateFileW \
          GetVersionExW GetSystemDirectoryW GetTempPathW GetShortPathNameW CreateProcessW \
          Process32FirstW ShellExecuteW; do
    ansi=${fn%W}A
    [ "$fn" = Process32FirstW ] && ansi=Process32First  # Tool Help's ANSI names have no A
    check "calls $fn, not $ansi" \
        "grep -Eq '[[:space:]]$fn\$' <<<\"\$headers\" && ! grep -Eq '[[:space:]]$ansi\$' <<<\"\$headers\""
done

check "carries an application manifest asking for administrator rights" \
    "grep -aq 'requireAdministrator' '$exe'"
check "carries version information" "grep -aq 'V.S._.V.E.R.S.I.O.N._.I.N.F.O' '$exe'"

echo "$((failures == 0 ? 1 : 0)) passed, $((failures == 0 ? 0 : 1)) failed"
[ "$failures" -eq 0 ]
