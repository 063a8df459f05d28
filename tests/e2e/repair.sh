#!/usr/bin/env bash
# The buttons besides Delete, for real: Make Log writes the report and opens it, as the unattended
# scan writes it; Hosts Log and Open Regedit start the system's programs; Guardian .reg and
# User Agent$ delete what the scan found and scan again.
# usage: repair.sh KR8FINDER_EXE KR8AUTO_EXE OUTPUT_DIR
set -uo pipefail
# shellcheck source=tests/e2e/scenario.sh
source "$(dirname "${BASH_SOURCE[0]}")/scenario.sh" "$@"

# Windows opens .log files with Notepad; a new Wine prefix has no program for them at all.
"$WINE" reg add 'HKCR\.log' /ve /d txtfile /f >/dev/null || fail_now "associating .log files"
temp=$("$WINE" cmd /c echo %TEMP% | tr -d '\r\n')
temp_unix=$("$WINE" winepath -u "$temp" | tr -d '\r\n')
notify='HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Winlogon\Notify'
post_platform='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Internet Settings\User Agent\Post Platform'

# The unattended scan of the same infection, before the window: exit code 1, and its log in the
# temporary folder, kept to set beside Make Log's.
unattended /scan
check_equal "unattended scan of the infection: exit code" "$?" 1
cp "$temp_unix/kr8.log" "$out/unattended.log" || fail "the unattended scan wrote no kr8.log"

kr8_session_launch "$finder"
auto wait >/dev/null || fail_now "the window did not come up (see $out/program.log)"
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

# The guardian as the report names it, and whether its button is enabled.
guardian_line() { auto text1 | tr -d '\r' | grep '^Guardian Key---'; }
guard_button() { auto states | grep '^Guardian \.reg='; }
key_exists() { "$WINE" reg query "$1" >/dev/null 2>&1; }
# check_key present|absent KEY LABEL
check_key() {
    local now=absent
    key_exists "$2" && now=present
    if [ "$now" = "$1" ]; then pass "$3"; else fail "$3 (the key is $now)"; fi
}
# Clicks Guardian .reg and answers its question about KEY with ANSWER.
guardian_delete() {
    auto click-async 'Guardian .reg' || fail_now "clicking Guardian .reg"
    expect_box "Guardian .reg asks before deleting $1" "$2" "$1" "Delete the Registry key $1"
    wait_idle "Guardian .reg on $1, answered $2"
}

# Guardian .reg, declined: the key stays.
guardian_delete GuardSvc no
check_key present "$notify\\GuardSvc" "declined, GuardSvc stays in the registry"
check_equal "declined, the report still names GuardSvc" "$(guardian_line)" \
    'Guardian Key--- is called: GuardSvc'

# Confirmed: the key goes, and the rescan names the sub-key that carries the adware's version.
guardian_delete GuardSvc yes
check_key absent "$notify\\GuardSvc" "GuardSvc is gone from the registry"
check_equal "the report now names the versioned key" "$(auto text1 | tr -d '\r' |
    sed -n '/^Guardian Key---/,/^$/p')" "$(printf '%s\n' \
    'Guardian Key--- is called: winupd126' \
    'Version 126' \
    '')"
check_equal "Guardian .reg stays enabled while a guardian is named" "$(guard_button)" \
    'Guardian .reg=enabled'

guardian_delete winupd126 yes
check_key absent "$notify\\winupd126" "winupd126 is gone from the registry"
check_key present "$notify\\crypt32chain" "the look-alike key that is no guardian stays"
check_equal "with no guardian left the report names none" "$(guardian_line)" \
    'Guardian Key--- is called: '
check_equal "with no guardian left Guardian .reg is disabled" "$(guard_button)" \
    'Guardian .reg=disabled'
lastkey=$("$WINE" reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Applets\Regedit' \
    /v LastKey | tr -d '\r' | sed -n 's/^ *LastKey *REG_SZ *//p')
check_equal "with no guardian left the registry editor opens at Notify" "$lastkey" \
    'My Computer\HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Winlogon\Notify'

# User Agent$: the value goes by its own name, not by the text that the report shows.
auto click-async 'User Agent$' || fail_now "clicking User Agent\$"
expect_box "User Agent\$ asks before deleting" yes 'User Agent' 'Delete the User Agent String?'
wait_idle "User Agent\$"
if "$WINE" reg query "$post_platform" /v msg126 >/dev/null 2>&1; then
    fail "the user-agent value msg126 is still in the registry"
else
    pass "the user-agent value msg126 is gone from the registry"
fi
printf 'User Agent String---\r\n' >"$out/report-end.expected"
auto text1 | tail -c "$(wc -c <"$out/report-end.expected")" >"$out/report-end.actual"
check_files "the report ends with an empty user-agent section" "$out/report-end.expected" \
    "$out/report-end.actual"
check_equal "with no user agent left User Agent\$ is disabled" \
    "$(auto states | grep '^User Agent\$=')" 'User Agent$=disabled'

auto close || fail "closing the window"
kr8_session_ended 15 || fail "the process is still running after the window closed"

finish
