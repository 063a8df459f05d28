#!/usr/bin/env bash
# Seeds a harmless imitation of a KR8.BetterInternet infection into a Wine prefix: files of the
# adware's size and names, and its registry entries. Nothing here runs; the files hold text.
# usage: seed-infection.sh PREFIX [32|64]
# 32 or 64: the view of a 64-bit prefix that 32-bit or 64-bit programs see (system folder and
# registry); by default the prefix's own.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-lib.sh"

prefix=$(cd "${1:?usage: seed-infection.sh PREFIX}" && pwd)
export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all}
wine=$(kr8_wine_bin)

# A file of exactly $2 bytes of plain text.
harmless_file() {
    head -c "$2" < <(yes 'Harmless test data for KR8 Finder, not a program.') >"$1"
}

system="$prefix/drive_c/windows/system32"
view=()
if [ -n "${2:-}" ]; then
    view=("/reg:$2")
    [ "$2" = 64 ] || system="$prefix/drive_c/windows/syswow64"
fi
temp_windows=$("$wine" cmd /c echo %TEMP% | tr -d '\r\n')
temp=$("$wine" winepath -u "$temp_windows" | tr -d '\r\n')
mkdir -p "$temp"

# The adware's size under a random-looking name, and under one of its known names.
harmless_file "$system/qwxz1834.dll" 320872
harmless_file "$system/wincore.dll" 320872
# One byte either side of the size: these must not be found.
harmless_file "$system/kbdsim71.dll" 320871
harmless_file "$system/kbdsim73.dll" 320873
harmless_file "$temp/upd126.exe" 4096

notify='HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Winlogon\Notify'
reg_add() { "$wine" reg add "$@" "${view[@]}" /f >/dev/null; }
# A sub-key that only looks like the system's own, one that carries the adware's version, and
# the guardian key itself.
reg_add "$notify\\crypt32chain" /v DllName /t REG_SZ /d crypt32.dll
reg_add "$notify\\winupd126" /v Version /t REG_DWORD /d 126
reg_add "$notify\\GuardSvc" /v DllName /t REG_SZ /d qwxz1834.dll
reg_add "$notify\\GuardSvc" /v Asynchronous /t REG_DWORD /d 0
reg_add "$notify\\GuardSvc" /v Impersonate /t REG_DWORD /d 1
# The user-agent token, with data: the report joins name and data ("msg126 KR8"), and only the
# name itself deletes the value.
reg_add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Internet Settings\User Agent\Post Platform' \
    /v msg126 /t REG_SZ /d KR8

echo "Seeded $prefix (temporary folder $temp_windows)"
