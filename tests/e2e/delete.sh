#!/usr/bin/env bash
# The Delete button on real files: a protected file goes at once; a file that another process
# holds open is replaced at the next restart, and the restart the program then asks for is
# declined. Under Wine a restart would end every process of the prefix, this script's included.
# usage: delete.sh KR8FINDER_EXE KR8AUTO_EXE OUTPUT_DIR
set -uo pipefail
# shellcheck source=tests/e2e/scenario.sh
source "$(dirname "${BASH_SOURCE[0]}")/scenario.sh" "$@"

system='C:\windows\system32'
system_unix="$WINEPREFIX/drive_c/windows/system32"
windows_unix="$WINEPREFIX/drive_c/windows"

# Two more files of the adware's size: one read-only, hidden and system, as the adware leaves
# its files, and one that a running process keeps open, as the adware keeps its DLL loaded. The
# long name of the second has a short name that differs from it.
protected="$system\\hidsys32.dll"
held="$system\\Look2Me Helper Library.dll"
head -c 320872 /dev/zero >"$system_unix/hidsys32.dll"
head -c 320872 /dev/zero >"$system_unix/Look2Me Helper Library.dll"
check_equal "the protected file carries its three flags" "$(auto attrs "$protected" +rhs)" 'RHS'

auto hold "$held" 300 >"$out/holder.log" 2>&1 &
holder=$!
for _ in $(seq 100); do
    grep -q held "$out/holder.log" && break
    kill -0 "$holder" 2>/dev/null || break
    sleep 0.1
done
grep -q held "$out/holder.log" || fail_now "holding $held (see $out/holder.log)"

kr8_session_launch "$finder"
auto wait >/dev/null || fail_now "the window did not come up (see $out/program.log)"
auto click Find || fail_now "clicking Find"
check_equal "List1 after Find (any order)" "$(auto list | sort)" "$(printf '%s\n' \
    "[ ] $held" \
    "[ ] $protected" \
    "[ ] $system\\qwxz1834.dll" \
    "[ ] $system\\wincore.dll")"

# The entry's place in List1, from 0.
index_of() {
    auto list | sed 's/^\[.\] //' | grep -nxF -- "$1" | cut -d: -f1 | awk '{ print $1 - 1 }'
}

# Delete one ticked file: it goes, and the scan that follows no longer finds it.
index=$(index_of "$protected")
[ -n "$index" ] || fail_now "no List1 entry for $protected"
auto check "$index"
auto click-async Delete || fail_now "clicking Delete"
expect_box "Delete asks before the protected file goes" yes 'Confirm Delete' \
    "Delete the file $protected"
wait_idle "Delete of the protected file"
if [ -e "$system_unix/hidsys32.dll" ]; then
    fail "the protected file is still on disk"
else
    pass "the protected file is gone from disk"
fi
auto text1 >"$out/report-after-delete.txt"
if grep -qiF 'hidsys32.dll' "$out/report-after-delete.txt"; then
    fail "the report after Delete still lists the protected file"
else
    pass "the report after Delete no longer lists the protected file"
fi
check_equal "List1 after Delete: the others, unticked (any order)" "$(auto list | sort)" \
    "$(printf '%s\n' "[ ] $held" "[ ] $system\\qwxz1834.dll" "[ ] $system\\wincore.dll")"
kr8_session_screenshot "$autoexe" "$out/kr8finder-after-delete.png" || fail "screenshot"

# Delete with nothing ticked offers to tick everything; the files go one by one in List1's
# order, and the held one is scheduled for replacement instead.
mapfile -t entries < <(auto list | sed 's/^\[.\] //')
auto click-async Delete || fail_now "clicking Delete"
expect_box "Delete with nothing ticked offers to tick all" ok 'Select Error' \
    'You have not Selected any of the Detected Files, Put a Check beside any files you want Deleted, or Should I Select ALL Files'
for entry in "${entries[@]}"; do
    expect_box "Delete asks before $entry goes" yes 'Confirm Delete' "Delete the file $entry"
    if [ "$entry" == "$held" ]; then
        # Held sharing nothing, it cannot even be read for a backup: removed only after a Yes.
        expect_box "no backup of the held file can be made" yes 'No Backup' \
            "$(printf 'No backup could be made of the file %s\r\nDelete it without a backup?' "$held")"
        expect_box "the held file cannot go now" ok 'KR8Finder' \
            "Cannot Delete this One, I'll do it on Reboot"
        expect_box "the held file goes at the restart" ok 'KR8Finder' \
            'Changes will be made after you reboot'
    fi
done
# Declined: a restart would end the prefix's processes.
expect_box "with one file left the program asks for a restart" cancel 'Reboot Notice' \
    'You need to reboot now to remove the last file'
wait_idle "Delete of every file"
check_equal "List1 holds only the held file" "$(auto list)" "[ ] $held"
for name in qwxz1834.dll wincore.dll; do
    if [ -e "$system_unix/$name" ]; then
        fail "$name is still on disk"
    else
        pass "$name is gone from disk"
    fi
done

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

# The window stays usable after the restart was declined.
check_equal "caption after Delete" "$(auto caption)" 'KR8 Finder'
auto close || fail "closing the window"
kr8_session_ended 15 || fail "the process is still running after the window closed"

auto release || fail "releasing the held file"
wait "$holder"
# What a restart does to the pending operations: the held file now holds the dummy bytes.
"$WINE" wineboot -r >/dev/null 2>&1
check_files "after the restart the held file holds the dummy bytes" "$out/dummy.expected" \
    "$system_unix/Look2Me Helper Library.dll"
if [ -e "$windows_unix/dummy.dll" ]; then
    fail "the dummy file is still in the Windows folder after the restart"
else
    pass "the restart moved the dummy file away"
fi

finish
