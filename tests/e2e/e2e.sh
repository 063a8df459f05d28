#!/usr/bin/env bash
# The program as a user meets it: started on a seeded prefix, read and clicked from another
# process through the window's standard messages, before and after a scan. First, on the prefix
# before it is seeded, the unattended scan as a script meets it.
# usage: e2e.sh KR8FINDER_EXE KR8AUTO_EXE OUTPUT_DIR
set -uo pipefail
KR8_SEED_LATER=1
# shellcheck source=tests/e2e/scenario.sh
source "$(dirname "${BASH_SOURCE[0]}")/scenario.sh" "$@"

system='C:\windows\system32'
temp=$("$WINE" cmd /c echo %TEMP% | tr -d '\r\n')

# Nothing to find: exit code 0, and the log where the quoted path put it.
mkdir -p "$WINEPREFIX/drive_c/scan logs"
unattended -SCAN /Log 'C:\scan logs\clean pc.log'
check_equal "unattended scan of a clean prefix: exit code" "$?" 0
check_equal "unattended scan of a clean prefix: its log" \
    "$(head -n 1 "$WINEPREFIX/drive_c/scan logs/clean pc.log" 2>&1 | tr -d '\r')" \
    'Log for KR8.BetterInternet File Finder (msg126)'
# A log that cannot be written: exit code 2.
unattended /scan /log 'C:\no such folder\kr8.log'
check_equal "unattended scan with an unwritable log: exit code" "$?" 2
kr8_seed
# A name outside any ANSI code page, which the window must show as it is.
unicode_dll=$(printf '\xE6\xBC\xA2\xCE\xB2f.dll')
head -c 320872 /dev/zero >"$WINEPREFIX/drive_c/windows/system32/$unicode_dll"

start_finder

# Before the first scan.
crlf_file "$out/opening.expected" \
    'This will locate the KR8.BetterInternet File names and Registry Key info.' \
    'If nothing is Displayed, then you are probably Clean' \
    '  ' \
    'Click Log Button if you need to post it in some Forum' \
    '  ' \
    '     ' \
    'Make sure you verify any files found before you delete them, errors are always possible!!'
auto text1 >"$out/opening.actual"
check_files "opening text" "$out/opening.expected" "$out/opening.actual"
check_equal "buttons at start, in tab order" "$(auto states)" "$(printf '%s\n' \
    'E&xit=enabled' \
    'Click to Find KR8.BetterInternet=enabled' \
    'Make Log=disabled' \
    'Restore Policy=enabled' \
    'User Agent$=disabled' \
    'Guardian .reg=disabled' \
    'Open Regedit=disabled' \
    'Delete these files=disabled' \
    'Hosts Log=enabled')"
auto click Find || fail_now "clicking Find"

# List1: the files of the adware's size, and neither of the near misses, unticked.
auto list >"$out/list.actual"
check_equal "List1 after Find (any order)" "$(sort "$out/list.actual")" "$(printf '%s\n' \
    "[ ] $system\\qwxz1834.dll" \
    "[ ] $system\\wincore.dll" \
    "[ ] $system\\$unicode_dll" | sort)"

# The report lists the size hits in List1's order; Wine enumerates registry keys and values by
# name, as reg.exe shows them.
mapfile -t hits < <(sed 's/^\[.\] //' "$out/list.actual")
crlf_file "$out/report.expected" \
    'Files Found---' \
    "${hits[@]}" \
    ' ' \
    'Additional Files---' \
    "$system\\wincore.dll" \
    "$temp\\upd126.exe" \
    ' ' \
    'Keys Under Notify---' \
    'crypt32chain' \
    'GuardSvc' \
    'winupd126' \
    '' \
    '' \
    'Guardian Key--- is called: GuardSvc' \
    'Asynchronous 000' \
    'DllName qwxz1834.dll' \
    'Impersonate 001' \
    '' \
    'User Agent String---' \
    'msg126 KR8'
auto text1 >"$out/report.actual"
check_files "report after Find" "$out/report.expected" "$out/report.actual"

kr8_session_screenshot "$autoexe" "$out/kr8finder.png" || fail "screenshot"

close_finder

finish
