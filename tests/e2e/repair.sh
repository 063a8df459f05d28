#!/usr/bin/env bash
# The buttons that hand over to the system, for real: Make Log writes the report and opens it,
# as the unattended scan writes it; Hosts Log and Open Regedit start the system's programs.
# usage: repair.sh KR8FINDER_EXE KR8AUTO_EXE OUTPUT_DIR
set -uo pipefail
# shellcheck source=tests/e2e/scenario.sh
source "$(dirname "${BASH_SOURCE[0]}")/scenario.sh" "$@"

# Windows opens .log files with Notepad; a new Wine prefix has no program for them at all.
"$WINE" reg add 'HKCR\.log' /ve /d txtfile /f >/dev/null || fail_now "associating .log files"
temp=$("$WINE" cmd /c echo %TEMP% | tr -d '\r\n')
temp_unix=$("$WINE" winepath -u "$temp" | tr -d '\r\n')

# The unattended scan of the same infection, before the window: exit code 1, and its log in the
# temporary folder, kept to set beside Make Log's.
unattended /scan
check_equal "unattended scan of the infection: exit code" "$?" 1
cp "$temp_unix/kr8.log" "$out/unattended.log" || fail "the unattended scan wrote no kr8.log"

start_finder
auto click Find || fail_now "clicking Find"

# opened_by_click NAME BUTTON EXE TITLE: the click starts EXE with a window titled TITLE, which
# is then ended: it is ours to end, and nobody would close it.
opened_by_click() {
    auto click-async "$2" || fail_now "clicking $2"
    wait_idle "$1"
    local child pid title
    if child=$(auto wait-child "$3"); then
        child=$(printf '%s' "$child" | tr -d '\r\n')
        pid=${child%% *}
        title=${child#* }
        check_equal "$1" "$title" "$4"
        auto end-child "$pid" || fail "ending $3 ($pid)"
    else
        fail "$1: no $3 came up"
    fi
}

# Make Log: the report as shown, under a header, and the log opened for the user.
auto text1 >"$out/report.txt"
{
    printf 'Log for KR8.BetterInternet File Finder (msg126)\r\n\r\n'
    cat "$out/report.txt"
    printf '\r\n'
} >"$out/log.expected"
opened_by_click "Make Log opens the log in Notepad" 'Make Log' notepad.exe 'kr8.log - Notepad'
check_files "the log is the header and the report, byte for byte" "$out/log.expected" \
    "$temp_unix/kr8.log"
check_files "the unattended scan's log is Make Log's, byte for byte" "$temp_unix/kr8.log" \
    "$out/unattended.log"

opened_by_click "Hosts Log opens the hosts file in Notepad" 'Hosts Log' notepad.exe \
    'hosts - Notepad'
opened_by_click "Open Regedit starts the registry editor" 'Open Regedit' regedit.exe \
    'Registry Editor'

close_finder

finish
