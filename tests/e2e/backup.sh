#!/usr/bin/env bash
# Delete with a locked file and a restart, and nothing lost: Delete removes a protected file at
# once and schedules a file another process keeps loaded for the restart; Guardian .reg and
# User Agent$ remove what the scan named; the restart puts the dummy file in the held file's
# place; "Restore from backup…" puts every file, attribute, key, value and type back byte for
# byte.
# usage: backup.sh KR8FINDER_EXE KR8AUTO_EXE OUTPUT_DIR
set -uo pipefail
# shellcheck source=tests/e2e/scenario.sh
source "$(dirname "${BASH_SOURCE[0]}")/scenario.sh" "$@"

system='C:\windows\system32'
system_unix="$WINEPREFIX/drive_c/windows/system32"
windows_unix="$WINEPREFIX/drive_c/windows"
backups_unix="$WINEPREFIX/drive_c/windows/KR8 Backup"
notify='HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Winlogon\Notify'
post_platform='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Internet Settings\User Agent\Post Platform'
reg_add() { "$WINE" reg add "$@" /f >/dev/null || fail_now "reg add $*"; }
# The key with everything under it, as the registry editor writes it: names, types and data.
reg_export() { "$WINE" reg export "$1" "C:\\$2" /y >/dev/null 2>&1 || fail_now "exporting $1"; }

# A file of the adware's size that is read-only, hidden and system, and one that a process keeps
# loaded, both of bytes no other file has; the long name of the second has a short name that
# differs from it. The seeded files go too.
protected="$system\\hidsys32.dll"
held="$system\\Look2Me Helper Library.dll"
head -c 320872 /dev/urandom >"$system_unix/hidsys32.dll"
head -c 320872 /dev/urandom >"$system_unix/Look2Me Helper Library.dll"
files=(hidsys32.dll 'Look2Me Helper Library.dll' qwxz1834.dll wincore.dll)
for name in "${files[@]}"; do
    cp "$system_unix/$name" "$out/$name.before"
done
check_equal "the protected file carries its three flags" "$(auto attrs "$protected" +rhs)" 'RHS'

# The guardian key with values of several types, one with a NUL inside, and a sub-key.
reg_add "$notify\\GuardSvc" /v Blob /t REG_BINARY /d 00ff10
reg_add "$notify\\GuardSvc" /v Paths /t REG_MULTI_SZ /d 'a\0b c'
reg_add "$notify\\GuardSvc" /v Expand /t REG_EXPAND_SZ /d '%SystemRoot%\x'
reg_add "$notify\\GuardSvc" /v Big /t REG_QWORD /d 0x1122334455667788
reg_add "$notify\\GuardSvc" /v Nothing /t REG_NONE /d ''
reg_add "$notify\\GuardSvc\\Sub key" /v 'say "hi"' /t REG_SZ /d 'back\slash'
reg_export "$notify\\GuardSvc" guard-before.reg
reg_export "$post_platform" agent-before.reg
hold_file hold-readable "$held"

start_finder
auto click Find || fail_now "clicking Find"
mapfile -t entries < <(auto list | sed 's/^\[.\] //')
check_equal "four files found" "${#entries[@]}" 4
auto click-async Delete || fail_now "clicking Delete"
expect_box "Delete offers to tick all" ok 'Select Error' \
    'You have not Selected any of the Detected Files, Put a Check beside any files you want Deleted, or Should I Select ALL Files'
for entry in "${entries[@]}"; do
    expect_box "Delete asks before $entry goes" yes 'Confirm Delete' "Delete the file $entry"
    if [ "$entry" == "$held" ]; then
        expect_box "the held file cannot go now" ok 'KR8Finder' \
            "Cannot Delete this One, I'll do it on Reboot"
        expect_box "the held file goes at the restart" ok 'KR8Finder' \
            'Changes will be made after you reboot'
    fi
done
# Declined: under Wine a restart would end every process of the prefix, this script's included.
expect_box "a restart is offered, and declined" cancel 'Reboot Notice' \
    'You need to reboot now to remove the last file'
wait_idle "Delete"
check_equal "List1 holds only the held file" "$(auto list)" "[ ] $held"
kr8_session_screenshot "$autoexe" "$out/kr8finder-after-delete.png" || fail "screenshot"
auto click-async 'Guardian .reg' || fail_now "clicking Guardian .reg"
expect_box "Guardian .reg asks" yes GuardSvc 'Delete the Registry key GuardSvc'
wait_idle "Guardian .reg"
auto click-async 'User Agent$' || fail_now "clicking User Agent\$"
expect_box "User Agent\$ asks" yes 'User Agent' 'Delete the User Agent String?'
wait_idle "User Agent\$"
close_finder

for name in hidsys32.dll qwxz1834.dll wincore.dll; do
    check_equal "$name is gone from disk" "$([ -e "$system_unix/$name" ] || echo gone)" gone
done
"$WINE" reg query "$notify\\GuardSvc" >/dev/null 2>&1 && fail "GuardSvc is still in the registry"
"$WINE" reg query "$notify\\crypt32chain" >/dev/null 2>&1 || fail "the look-alike key went too"
"$WINE" reg query "$post_platform" /v msg126 >/dev/null 2>&1 && fail "msg126 is still there"
printf 'Look2Me trojan dummy file\r\nIt is safe to delete this file\r\n' >"$out/dummy.expected"
check_files "the replacement is the program's 59-byte dummy file" "$out/dummy.expected" \
    "$windows_unix/dummy.dll"
held_short=$(auto short "$held" | tr -d '\r\n')
check_equal "the held file's short path differs from its long one" \
    "$([ "$held_short" != "$held" ] && echo differs)" differs
pending=$("$WINE" reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' \
    /v PendingFileRenameOperations | tr -d '\r' |
    sed -n 's/^ *PendingFileRenameOperations *REG_MULTI_SZ *//p')
check_equal "the restart will put the dummy file over the held file, by short paths" \
    "$pending" "\\??\\C:\\windows\\dummy.dll\\0!\\??\\$held_short"

# One folder for the session: read-only copies that cannot be loaded or run, and a manifest.
mapfile -t folders < <(ls "$backups_unix")
check_equal "one backup folder" "${#folders[@]}" 1
folder="$backups_unix/${folders[0]}"
check_equal "what the folder holds" "$(find "$folder" -mindepth 1 -printf '%f\n' | sort | tr '\n' ' ')" \
    'backup.txt file1.bak file2.bak file3.bak file4.bak key5.reg value6.reg '
check_equal "the stored copies are read-only" \
    "$(for c in file1.bak key5.reg; do auto attrs "C:\\windows\\KR8 Backup\\${folders[0]}\\$c"; done)" \
    "$(printf 'R--\r\nR--\r\n' | tr -d '\r')"
manifest=$(tr -d '\r' <"$folder/backup.txt" | sed 's/^\xEF\xBB\xBF//' | grep -v '^#' | cut -f1,2,5)
check_equal "backup.txt: kind, what happened and the original of each item" \
    "$(printf '%s\n' "$manifest" | sort)" "$(printf '%s\n' \
    "file	deleted	$protected" "file	deleted	$system\\qwxz1834.dll" \
    "file	deleted	$system\\wincore.dll" "file	replaced at restart	$held" \
    "key	deleted	HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify\\GuardSvc" \
    "value	deleted	HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\User Agent\\Post Platform" |
    sort)"
check_equal "the file lines carry size, attributes and SHA-256" \
    "$(tr -d '\r' <"$folder/backup.txt" | grep -F "	$protected	" | cut -f4,6,7)" \
    "$(sha256sum <"$out/hidsys32.dll.before" | cut -d' ' -f1)	320872	0x00000027 RHS"

# A real restart of the prefix carries out the pending rename; then everything comes back.
auto release >/dev/null
wait "$holder"
"$WINE" wineboot -r >/dev/null 2>&1
check_files "after the restart the held file holds the dummy bytes" "$out/dummy.expected" \
    "$system_unix/Look2Me Helper Library.dll"
check_equal "the restart moved the dummy file away" "$([ -e "$windows_unix/dummy.dll" ] || echo moved)" moved
start_finder
auto restore-menu || fail_now "choosing Restore from backup"
expect_box "the restore offers the backups" ok 'Restore from backup' \
    'Backups, newest first. Everything in the one you pick is put back.'
expect_box "the file that is there again is replaced only after a Yes" yes 'Restore from backup' \
    "$(printf 'A file is there now:\r\n%s\r\nReplace it with the copy from the backup?' "$held")"
said=$(auto box ok 'Restore from backup' 2>&1)
check_equal "the restore says that everything is back" "$(printf '%s\n' "$said" | sed -n 2p)" \
    "$(printf 'Everything in the backup was put back:\r')"
wait_idle "the restore"
check_equal "the rescan finds the files again" "$(auto list | wc -l)" 4
close_finder

for name in "${files[@]}"; do
    check_files "$name is back byte for byte" "$out/$name.before" "$system_unix/$name"
done
check_equal "the protected file's marks are back" "$(auto attrs "$protected")" 'RHS'
check_equal "the held file's marks are back" "$(auto attrs "$held")" '---'
reg_export "$notify\\GuardSvc" guard-after.reg
reg_export "$post_platform" agent-after.reg
check_files "the guardian key, its sub-key, values and types are back" \
    "$WINEPREFIX/drive_c/guard-before.reg" "$WINEPREFIX/drive_c/guard-after.reg"
check_files "the user-agent value is back" \
    "$WINEPREFIX/drive_c/agent-before.reg" "$WINEPREFIX/drive_c/agent-after.reg"

finish
