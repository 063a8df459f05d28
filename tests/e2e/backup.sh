#!/usr/bin/env bash
# Nothing lost: Delete, Guardian .reg and User Agent$ back up what they remove, and "Restore
# from backup…" on the system menu puts every file, attribute, key, value and type back byte for
# byte, after the restart has replaced the locked file.
# usage: backup.sh KR8FINDER_EXE KR8AUTO_EXE OUTPUT_DIR
set -uo pipefail
# shellcheck source=tests/e2e/scenario.sh
source "$(dirname "${BASH_SOURCE[0]}")/scenario.sh" "$@"

system='C:\windows\system32'
system_unix="$WINEPREFIX/drive_c/windows/system32"
backups_unix="$WINEPREFIX/drive_c/windows/KR8 Backup"
notify='HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Winlogon\Notify'
post_platform='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Internet Settings\User Agent\Post Platform'
reg_add() { "$WINE" reg add "$@" /f >/dev/null || fail_now "reg add $*"; }
# The key with everything under it, as the registry editor writes it: names, types and data.
reg_export() { "$WINE" reg export "$1" "C:\\$2" /y >/dev/null 2>&1 || fail_now "exporting $1"; }

# A file of the adware's size that is read-only, hidden and system, and one that a process keeps
# loaded, both of bytes no other file has; the seeded files go too.
protected="$system\\hidsys32.dll"
held="$system\\Look2Me Helper Library.dll"
head -c 320872 /dev/urandom >"$system_unix/hidsys32.dll"
head -c 320872 /dev/urandom >"$system_unix/Look2Me Helper Library.dll"
files=(hidsys32.dll 'Look2Me Helper Library.dll' qwxz1834.dll wincore.dll)
for name in "${files[@]}"; do
    cp "$system_unix/$name" "$out/$name.before"
done
auto attrs "$protected" +rhs >/dev/null || fail_now "marking $protected"

# The guardian key with values of several types, one with a NUL inside, and a sub-key.
reg_add "$notify\\GuardSvc" /v Blob /t REG_BINARY /d 00ff10
reg_add "$notify\\GuardSvc" /v Paths /t REG_MULTI_SZ /d 'a\0b c'
reg_add "$notify\\GuardSvc" /v Expand /t REG_EXPAND_SZ /d '%SystemRoot%\x'
reg_add "$notify\\GuardSvc" /v Big /t REG_QWORD /d 0x1122334455667788
reg_add "$notify\\GuardSvc" /v Nothing /t REG_NONE /d ''
reg_add "$notify\\GuardSvc\\Sub key" /v 'say "hi"' /t REG_SZ /d 'back\slash'
reg_export "$notify\\GuardSvc" guard-before.reg
reg_export "$post_platform" agent-before.reg
check_equal "the guardian's export holds the sub-key and every type" \
    "$(iconv -f UTF-16 -t UTF-8 "$WINEPREFIX/drive_c/guard-before.reg" | tr -d '\r' |
        grep -oE '^\[.*Sub key\]|=(hex\([027b]\)|hex|dword):' | sort | tr '\n' ' ')" \
    '=dword: =dword: =hex(0): =hex(2): =hex(7): =hex(b): =hex: [HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Winlogon\Notify\GuardSvc\Sub key] '

auto hold-readable "$held" 300 >"$out/holder.log" 2>&1 &
holder=$!
for _ in $(seq 100); do
    grep -q held "$out/holder.log" && break
    sleep 0.1
done
grep -q held "$out/holder.log" || fail_now "holding $held (see $out/holder.log)"

kr8_session_launch "$finder"
auto wait >/dev/null || fail_now "the window did not come up (see $out/program.log)"
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
expect_box "a restart is offered, and declined" cancel 'Reboot Notice' \
    'You need to reboot now to remove the last file'
wait_idle "Delete"
auto click-async 'Guardian .reg' || fail_now "clicking Guardian .reg"
expect_box "Guardian .reg asks" yes GuardSvc 'Delete the Registry key GuardSvc'
wait_idle "Guardian .reg"
auto click-async 'User Agent$' || fail_now "clicking User Agent\$"
expect_box "User Agent\$ asks" yes 'User Agent' 'Delete the User Agent String?'
wait_idle "User Agent\$"
auto close || fail "closing the window"
kr8_session_ended 15 || fail "the process is still running after the window closed"

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

# The restart puts the dummy in the held file's place; then everything comes back.
auto release >/dev/null
wait "$holder"
"$WINE" wineboot -r >/dev/null 2>&1
kr8_session_launch "$finder"
auto wait >/dev/null || fail_now "the window did not come up again"
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
auto close || fail "closing the window"
kr8_session_ended 15 || fail "the process is still running after the window closed"

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
