#!/usr/bin/env bash
# Checks what the built exe is, from the outside: machine, subsystem, imports and resources.
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

dlls=$(grep -E '^[[:space:]]*DLL Name:' <<<"$headers" | awk '{print tolower($3)}' | sort -u)
allowed='^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|shlwapi|advapi32|msvcrt|ole32|oleaut32|uxtheme)\.dll$'
check "imports only DLLs that Windows ships ($(tr '\n' ' ' <<<"$dlls"))" \
    "! grep -Evq '$allowed' <<<\"\$dlls\""

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
