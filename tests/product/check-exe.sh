#!/usr/bin/env bash
# Checks what the built exe is, from the outside: machine, subsystem, imports and manifest.
# What it imports from which DLL is judged by check-loads.sh.
# usage: check-exe.sh EXE OBJDUMP i386|x86-64
set -uo pipefail
headers=$("$2" -p "$1")
failures=0
# check NAME CONDITION: the condition reads the headers on its standard input.
check() {
    if eval "$2" <<<"$headers"; then echo "PASS: $1"; else echo "FAIL: $1" && failures=1; fi
}
check "is a $3 PE executable" "grep -q 'file format pei-$3'"
check "runs in the GUI subsystem, no console" "grep -Eq 'Subsystem[[:space:]]+00000002'"
# Names pass whole only through the wide calls; the ANSI ones would map them to the code page.
for fn in CreateWindowExW MessageBoxW SetWindowTextW RegOpenKeyExW RegEnumKeyExW RegEnumValueW \
          RegCreateKeyExW FindFirstFileW GetFileAttributesExW DeleteFileW MoveFileExW CreateFileW \
          GetVersionExW GetSystemDirectoryW GetTempPathW GetShortPathNameW CreateProcessW \
          Process32FirstW ShellExecuteW; do
    ansi=${fn%W}A
    [ "$fn" = Process32FirstW ] && ansi=Process32First  # Tool Help's ANSI names have no A
    check "calls $fn, not $ansi" "grep -Eq '\\s$fn\$' <<<\"\$headers\" && ! grep -Eq '\\s$ansi\$'"
done
check "carries a manifest asking for administrator rights" "grep -aq requireAdministrator '$1'"
exit "$failures"
