#!/usr/bin/env bash
# One whole road through the real program, on a seeded prefix and an X display of its own, driven
# and read from another process (kr8auto) through the window's standard messages. The handlers'
# decisions are the unit tests'; the roads check that the exe wires the real seams and system in.
# usage: road.sh find|backup|ntrights|offline|window KR8FINDER_EXE KR8AUTO_EXE OUTPUT_DIR
#        [win2k|winxp]
#        road.sh i686 I686_KR8FINDER_EXE X86_64_KR8AUTO_EXE OUTPUT_DIR X86_64_KR8FINDER_EXE
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-session.sh"
road=$1 finder=$2 autoexe=$3 out=$4
rm -rf "$out"
trap kr8_session_stop EXIT
kr8_session_start "$out" || exit 1
# The window test (tests/window) needs no more than the prefix and the display.
[ "$road" != window ] || { "$WINE" "$finder"; exit; }

source "$KR8_ROOT/tests/verdicts.sh"
fail() { verdict "$1" false; }
fail_now() { fail "$1" || exit 1; }
# check_files NAME EXPECTED_FILE ACTUAL_FILE: byte for byte, line ends included.
check_files() { verdict "$1" cmp "$2" "$3"; }
auto() { "$WINE" "$autoexe" "$@"; }
# A box would wait for someone forever, so an unattended run that does not end by itself fails.
unattended() { timeout 60 "$WINE" "$finder" "$@" >>"$out/program.log" 2>&1; }
start_finder() {
    kr8_session_launch "$finder"
    auto wait >/dev/null || fail_now "the window did not come up (see $out/program.log)"
}
close_finder() { auto close && verdict "the process ended with its window" kr8_session_ended 15; }
# click BUTTON: clicks without waiting for the handler, which may ask.
click() { auto click-async "$1" || fail_now "clicking $1"; }
# box ANSWER TITLE: answers the next box, which must have this title; another is left open and
# would meet every later step.
box() { auto box "$1" "$2" >/dev/null || fail_now "no box titled $2 to answer $1"; }
idle() { auto wait-idle >/dev/null || fail_now "a box nobody expected, after $1"; }
tab_order() { for _ in $(seq "$1"); do auto key tab && auto focus; done | tr -d '\r'; }

if [ -n "${5:-}" ] && [ "$road" != i686 ]; then
    declare -A numbers=([win2k]=5.0.2195 [winxp]=5.1.2600)
    "$WINE" reg add 'HKCU\Software\Wine' /v Version /d "$5" /f >/dev/null
    check "Wine imitates $5" "$("$WINE" cmd /c ver | grep -o '[0-9.]\+')" "${numbers[$5]}"
fi
system='C:\windows\system32'
sys_unix="$WINEPREFIX/drive_c/windows/system32"
temp=$("$WINE" cmd /c echo %TEMP% | tr -d '\r\n')
# seed [32|64]: the infection, in the given view of a 64-bit prefix.
seed() { bash "$KR8_ROOT/scripts/seed-infection.sh" "$WINEPREFIX" "$@" >>"$out/seed.log" 2>&1 ||
    fail_now "seeding the prefix (see $out/seed.log)"; }

# Another disk's Windows, as E:: its tree, a hive saved from keys of this prefix (in Wine's own
# format, the only one Wine loads) and the infection in both.
make_target() {
    disk="$out/disk" target='HKLM\Software\KR8Target'
    agent='Microsoft\Windows\CurrentVersion\Internet Settings\User Agent\Post Platform'
    tgt_add() { "$WINE" reg add "$target\\$1" /v "$2" /t "$3" /d "$4" /f >/dev/null ||
        fail_now "reg add $*"; }
    tgt_add 'Microsoft\Windows NT\CurrentVersion' SystemRoot REG_SZ 'C:\WINDOWS'
    tgt_add 'Microsoft\Windows NT\CurrentVersion\Winlogon\Notify\GuardTgt' Version REG_SZ 126.0
    tgt_add 'Microsoft\Windows NT\CurrentVersion\ProfileList\S-1-5-21-1' ProfileImagePath \
        REG_EXPAND_SZ '%SystemDrive%\Documents and Settings\ann'
    tgt_add 'Microsoft\Windows NT\CurrentVersion\ProfileList\S-1-5-21-2' ProfileImagePath \
        REG_EXPAND_SZ 'C:\Documents and Settings\bob'
    tgt_add "$agent" tgt126 REG_SZ KR8
    mkdir -p "$disk/WINDOWS/system32/config" "$disk/Documents and Settings/ann/Local Settings/Temp"
    # bob's temporary folder is a link into this prefix's own files, which Wine shows as a
    # reparse point: it is no folder of that disk's.
    mkdir -p "$disk/Documents and Settings/bob/Local Settings" "$WINEPREFIX/drive_c/hosttemp"
    echo host >"$WINEPREFIX/drive_c/hosttemp/upd126.exe"
    ln -s "$WINEPREFIX/drive_c/hosttemp" "$disk/Documents and Settings/bob/Local Settings/Temp"
    auto save-hive 'Software\KR8Target' 'C:\tgt-software' || fail_now "saving the target's hive"
    mv "$WINEPREFIX/drive_c/tgt-software" "$disk/WINDOWS/system32/config/software"
    "$WINE" reg delete "$target" /f >/dev/null
    head -c 320872 /dev/urandom >"$disk/WINDOWS/system32/qwxz.dll"
    cp "$disk/WINDOWS/system32/qwxz.dll" "$out/qwxz.before"
    echo harmless >"$disk/WINDOWS/system32/wincore.dll"
    echo harmless >"$disk/Documents and Settings/ann/Local Settings/Temp/upd126.exe"
    ln -s "$disk" "$WINEPREFIX/dosdevices/e:"
}
case $road in
i686)
    # The shipped 32-bit exe, in the 32-bit side of a 64-bit prefix where 32-bit code may run only
    # emulated, driven by the 64-bit kr8auto. Each 32-bit process then takes a minute to start,
    # so the window and the rights tool share one session.
    wine32=/usr/lib/wine/wine
    slow() { auto --timeout 400 "$@" >/dev/null; }
    seed 32
    timeout 600 "$wine32" "$finder" /scan /log 'C:\i686.log' >>"$out/program.log" 2>&1
    check "i686: unattended scan of the infection in the 32-bit view: exit code" "$?" 1
    # Only now does the 64-bit view hold the infection too.
    seed 64
    timeout 60 "$WINE" "$5" /scan /log 'C:\x86_64.log' >>"$out/program.log" 2>&1
    check "x86_64: the same scan: exit code" "$?" 1
    check_files "i686: the log is the x86_64 build's, byte for byte" \
        "$WINEPREFIX/drive_c/x86_64.log" "$WINEPREFIX/drive_c/i686.log"

    wow_unix="$WINEPREFIX/drive_c/windows/syswow64"
    cp "$wow_unix/qwxz1834.dll" "$wow_unix/wincore.dll" "$out/"
    WINE=$wine32 kr8_session_launch "$finder"
    slow wait || fail_now "i686: the window did not come up (see $out/program.log)"
    slow click Find || fail_now "clicking Find"
    # Another process cannot reach the emulated program's memory (qemu keeps it elsewhere than
    # Wine reads), so List1 is ticked from the keyboard and only its ticks are read back; its
    # entries are the report's first section, in the same order.
    for _ in $(seq 12); do
        [ "$(auto focus | tr -d '\r')" = SysListView32 ] && break
        auto key tab
    done
    auto key down && auto key space
    for _ in $(seq 100); do auto list | grep -q '^\[x\]' && break || sleep 0.3; done
    ticks=$(auto list | tr -d '\r' | cut -c1-3 | tr '\n' ' ')
    mapfile -t found < <(auto text1 | tr -d '\r' | sed -n '2,/^ $/p')
    check "i686: one of the two entries is ticked" "$(tr -dc x <<<"$ticks")" x
    gone=$([ "${ticks:0:3}" = '[x]' ] && echo "${found[0]##*\\}" || echo "${found[1]##*\\}")
    kept=$([ "$gone" = qwxz1834.dll ] && echo wincore.dll || echo qwxz1834.dll)
    click 'Delete these files'
    box yes 'Confirm Delete'
    slow wait-idle || fail_now "a box nobody expected, after Delete"
    verdict "i686: the ticked $gone is gone" [ ! -e "$wow_unix/$gone" ]
    check_files "i686: the unticked $kept is left alone" "$out/$kept" "$wow_unix/$kept"
    # Our own rights tool, written to the 32-bit system folder and run by the program: only its
    # success brings the offer of a restart, which is declined.
    click 'Restore Policy'
    box ok 'Administrator Policy'
    verdict "i686: NTrights.exe reported success" slow box cancel 'Administrator Policy'
    slow wait-idle || fail_now "a box nobody expected, after Restore Policy"
    verdict "i686: NTrights.exe is gone again" [ ! -e "$wow_unix/NTrights.exe" ]
    auto close && verdict "i686: the process ended with its window" kr8_session_ended 120

    backups=("$WINEPREFIX/drive_c/windows/KR8 Backup"/*)
    check "i686: one backup folder" "${#backups[@]}" 1
    timeout 600 "$wine32" "$finder" /restore "C:\\windows\\KR8 Backup\\${backups[0]##*/}" \
        >>"$out/program.log" 2>&1 &
    KR8_APP_PID=$!
    verdict "i686: /restore says what it put back" slow lone-box ok 'Restore from backup'
    verdict "i686: /restore ended" kr8_session_ended 120
    check_files "i686: /restore put $gone back byte for byte" "$out/$gone" "$wow_unix/$gone"

    # Another disk's Windows, loaded by the 32-bit program: the same log as the 64-bit one's.
    make_target
    hklm_before=$("$WINE" reg query HKLM)
    timeout 600 "$wine32" "$finder" /offline 'E:\WINDOWS' /scan /log 'C:\i686-offline.log' \
        >>"$out/program.log" 2>&1
    check "i686: /offline /scan of the target: exit code" "$?" 1
    timeout 60 "$WINE" "$5" /offline 'E:\WINDOWS' /scan /log 'C:\x86_64-offline.log' \
        >>"$out/program.log" 2>&1
    check_files "i686: its log is the x86_64 build's, byte for byte" \
        "$WINEPREFIX/drive_c/x86_64-offline.log" "$WINEPREFIX/drive_c/i686-offline.log"
    check "i686: HKLM holds no mount after it" "$("$WINE" reg query HKLM)" "$hklm_before"
    ;;
ntrights)
    # Our rights tool, built beside the program, as the program runs it. Wine stores no right, so
    # only its answers are read: the group by its well-known identifier, any other account by its
    # name, and an unknown one refused.
    rights() {
        local said
        said=$("$WINE" "${finder%/*}/NTrights.exe" +r SeDebugPrivilege -u "$1" 2>&1 </dev/null)
        echo "$? $said" | tr -d '\r' | sed 's/": .*/"/' # less the system's own error text
    }
    check "NTrights: Administrators" "$(rights Administrators)" \
        '0 NTrights: granted SeDebugPrivilege to Administrators (S-1-5-32-544)'
    check "NTrights: Users, looked up by name" "$(rights Users)" \
        '0 NTrights: granted SeDebugPrivilege to Users (S-1-5-32-545)'
    check "NTrights: an unknown account" "$(rights NoSuchAccount)" \
        '2 NTrights: no account "NoSuchAccount"'
    ;;
find)
    # The unattended scan of a clean prefix, with the log where the quoted path put it, and with
    # a log it cannot write.
    mkdir -p "$WINEPREFIX/drive_c/scan logs"
    unattended -SCAN /Log 'C:\scan logs\clean pc.log'
    check "unattended scan of a clean prefix: exit code" "$?" 0
    check "... its log" "$(head -c 7 "$WINEPREFIX/drive_c/scan logs/clean pc.log")" 'Log for'
    unattended /scan /log 'C:\no such folder\kr8.log'
    check "unattended scan with an unwritable log: exit code" "$?" 2
    seed
    # Windows opens .log files with Notepad; a new Wine prefix has no program for them at all.
    "$WINE" reg add 'HKCR\.log' /ve /d txtfile /f >/dev/null || fail_now "associating .log files"

    # The keyboard alone: the focus starts on Exit, disabled buttons are left out of the Tab
    # order, Tab leaves the report, Enter clicks the focused button, and Alt+X ends the program.
    start_finder
    check "Tab order before a scan" "$(tab_order 7)" "$(printf '%s\n' \
        'Click to Find KR8.BetterInternet' Edit 'Restore Policy' SysListView32 'Hosts Log' \
        'E&xit' 'Click to Find KR8.BetterInternet')"
    auto key enter
    check "the report names what the registry and folders hold" "$(auto text1 | tr -d '\r' |
        grep -cxF -e "$temp\\upd126.exe" -e 'Guardian Key--- is called: GuardSvc' \
            -e 'msg126 KR8')" 3
    kr8_session_screenshot "$autoexe" "$out/kr8finder.png"
    # opened BUTTON EXE TITLE: the click starts EXE with a window titled TITLE, which we then end.
    opened() {
        click "$1"
        idle "$1"
        child=$(auto wait-child "$2" | tr -d '\r\n') || fail_now "$1: no $2 came up"
        check "$1 starts $2 on its target" "${child#* }" "$3"
        auto end-child "${child%% *}" || fail "ending $2"
    }
    opened 'Make Log' notepad.exe 'kr8.log - Notepad'
    opened 'Hosts Log' notepad.exe 'hosts - Notepad'
    opened 'Open Regedit' regedit.exe 'Registry Editor'
    auto key alt-x
    verdict "Alt+X ended the process" kr8_session_ended 15
    ;;
backup)
    seed
    notify='HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Winlogon\Notify'
    agent='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Internet Settings\User Agent'
    agent+='\Post Platform'
    reg_add() { "$WINE" reg add "$notify\\GuardSvc$1" /v "$2" /t "$3" /d "$4" /f >/dev/null ||
        fail_now "reg add $*"; }
    # Names, types and data of the key and everything under it, as the registry editor has them.
    reg_export() { "$WINE" reg export "$1" "C:\\$2" /y >/dev/null 2>&1 || fail_now "exporting $1"; }
    reg_exports() {
        reg_export "$notify\\GuardSvc" "guard-$1.reg" && reg_export "$agent" "agent-$1.reg"
    }
    # A file of the adware's size that is read-only, hidden and system, and one that a process
    # keeps loaded, both of bytes no other file has; the seeded files go too but wincore.dll,
    # left unticked.
    protected="$system\\hidsys32.dll"
    held="$system\\Look2Me Helper Library.dll"
    files=(hidsys32.dll 'Look2Me Helper Library.dll' qwxz1834.dll wincore.dll)
    for name in "${files[@]:0:2}"; do head -c 320872 /dev/urandom >"$sys_unix/$name"; done
    for name in "${files[@]}"; do cp "$sys_unix/$name" "$out/$name.before"; done
    check "the protected file carries its three flags" "$(auto attrs "$protected" +rhs)" RHS
    # The guardian key with values of several types, one with a NUL inside, and a sub-key.
    reg_add '' Blob REG_BINARY 00ff10
    reg_add '' Paths REG_MULTI_SZ 'a\0b c'
    reg_add '' Expand REG_EXPAND_SZ '%SystemRoot%\x'
    reg_add '' Big REG_QWORD 0x1122334455667788
    reg_add '' Nothing REG_NONE ''
    reg_add '\Sub key' 'say "hi"' REG_SZ 'back\slash'
    reg_exports before
    auto hold-readable "$held" 300 >"$out/holder.log" 2>&1 &
    holder=$!
    for _ in $(seq 100); do grep -q held "$out/holder.log" && break || sleep 0.1; done

    start_finder
    auto click Find || fail_now "clicking Find"
    mapfile -t entries < <(auto list | tr -d '\r' | sed 's/^\[.\] //')
    for i in "${!entries[@]}"; do
        [ "${entries[$i]}" == "$system\\wincore.dll" ] || auto check "$i"
    done
    click 'Delete these files'
    for entry in "${entries[@]}"; do
        [ "$entry" == "$system\\wincore.dll" ] || box yes 'Confirm Delete'
        # The held file cannot go now: it goes at the restart.
        [ "$entry" != "$held" ] || { box ok KR8Finder && box ok KR8Finder; }
    done
    idle Delete
    for button in 'Guardian .reg:GuardSvc' 'User Agent$:User Agent'; do
        click "${button%%:*}" && box yes "${button#*:}" && idle "$button"
    done
    close_finder
    check "only the ticked files are gone" "$(ls "$sys_unix" | grep -c -e hidsys32 -e qwxz1834 \
        -e wincore)" 1
    check_files "the held file is whole until the restart" "$out/${files[1]}.before" \
        "$sys_unix/${files[1]}"
    "$WINE" reg query "$notify\\GuardSvc" >/dev/null 2>&1 && fail "GuardSvc is still there"
    "$WINE" reg query "$agent" /v msg126 >/dev/null 2>&1 && fail "msg126 is still there"

    # A real restart of the prefix carries out the pending rename; then everything comes back.
    auto release >/dev/null
    wait "$holder"
    "$WINE" wineboot -r >/dev/null 2>&1
    check "after the restart the held file holds the dummy bytes" "$(cat "$sys_unix/${files[1]}")" \
        "$(printf 'Look2Me trojan dummy file\r\nIt is safe to delete this file\r\n')"
    start_finder
    auto restore-menu || fail_now "choosing Restore from backup"
    box ok 'Restore from backup'  # the newest backup, selected
    box yes 'Restore from backup' # replaces the dummy file that is there now
    box ok 'Restore from backup'  # all is back
    idle "the restore"
    close_finder
    for name in "${files[@]}"; do
        check_files "$name is back byte for byte" "$out/$name.before" "$sys_unix/$name"
    done
    check "the files' marks are back" "$(auto attrs "$protected"; auto attrs "$held")" \
        "$(printf 'RHS\n---')"
    reg_exports after
    for k in guard agent; do
        check_files "$k: the keys, values and types are back" "$WINEPREFIX/drive_c/$k-before.reg" \
            "$WINEPREFIX/drive_c/$k-after.reg"
    done
    # Wine's own registry editor, a second reader, puts back the same from the .reg files.
    "$WINE" reg delete "$notify\\GuardSvc" /f >/dev/null 2>&1 || fail_now "deleting GuardSvc again"
    "$WINE" reg delete "$agent" /v msg126 /f >/dev/null 2>&1 || fail_now "deleting msg126 again"
    backups="$WINEPREFIX/drive_c/windows/KR8 Backup"
    for reg in "$backups"/20*/key*.reg "$backups"/20*/value*.reg; do
        "$WINE" regedit /s "$("$WINE" winepath -w "$reg" | tr -d '\r')" ||
            fail "regedit /s ${reg##*/}"
    done
    reg_exports regedit
    for k in guard agent; do
        check_files "$k: regedit reads our .reg file the same" "$WINEPREFIX/drive_c/$k-before.reg" \
            "$WINEPREFIX/drive_c/$k-regedit.reg"
    done
    ;;
offline)
    # A decoy guardian in the prefix's own registry and a decoy rundll32.exe running in the
    # prefix.
    make_target
    "$WINE" reg add 'HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Winlogon\Notify\GuardDecoy' \
        /v Version /d 126 /f >/dev/null
    cp "$autoexe" "$out/rundll32.exe"
    "$WINE" "$out/rundll32.exe" hold-readable 'C:\windows\win.ini' 300 >"$out/decoy.log" 2>&1 &
    decoy=$!
    hklm() { "$WINE" reg query HKLM | tr -d '\r' | grep -v '^$'; }
    hklm >"$out/hklm-before.txt"
    pending() { "$WINE" reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' \
        /v PendingFileRenameOperations >/dev/null 2>&1; }

    unattended /offline 'E:\WINDOWS\' /scan /log 'C:\offline.log'
    check "/offline /scan of the target: exit code" "$?" 1
    log="$WINEPREFIX/drive_c/offline.log"
    check "... its log names the target's findings, as reached from here" "$(tr -d '\r' <"$log" |
        grep -cxF -e 'E:\WINDOWS\system32\qwxz.dll' -e 'E:\WINDOWS\system32\wincore.dll' \
            -e 'E:\Documents and Settings\ann\Local Settings\Temp\upd126.exe' \
            -e 'Guardian Key--- is called: GuardTgt' -e 'tgt126 KR8')" 5
    check "... and nothing of the prefix's own registry, nor through a link" \
        "$(grep -c -e GuardDecoy -e bob "$log")" 0
    check "HKLM holds no mount after the scan" "$(hklm)" "$(cat "$out/hklm-before.txt")"

    # Refusals, each with its words in the log and nothing loaded.
    mkdir -p "$out/f/empty" "$out/f/bad/system32/config" "$out/g"
    echo 'regf, but not a hive' >"$out/f/bad/system32/config/software"
    ln -s "$disk/WINDOWS" "$out/g/WINDOWS"
    ln -s "$out/f" "$WINEPREFIX/dosdevices/f:"
    ln -s "$out/g" "$WINEPREFIX/dosdevices/g:"
    for row in 'C:\windows|own folder' 'F:\empty|no Windows folder' \
        'F:\bad|could not be loaded' 'G:\WINDOWS|junction or link'; do
        unattended /offline "${row%%|*}" /scan /log 'C:\refused.log'
        check "refused, ${row%%|*}: exit code" "$?" 2
        check "... said: ${row#*|}" "$(grep -c "${row#*|}" "$WINEPREFIX/drive_c/refused.log")" 1
    done
    check "HKLM holds no mount after the refusals" "$(hklm)" "$(cat "$out/hklm-before.txt")"

    # A run that dies leaves its mount; the next run unloads it.
    title='KR8 Finder - the Windows in E:\WINDOWS'
    kr8_session_launch "$finder" /offline 'E:\WINDOWS'
    auto --title "$title" wait >/dev/null || fail_now "the window did not come up"
    check "the window's mount is there while it runs" "$(hklm | grep -c 'KR8Offline-')" 1
    kill -9 "$KR8_APP_PID"
    kr8_session_ended 15
    for _ in $(seq 50); do hklm | grep -q 'KR8Offline-' && break || sleep 0.1; done
    unattended /offline 'E:\WINDOWS' /scan /log 'C:\offline.log'
    check "a dead run's mount is unloaded by the next" "$(hklm)" "$(cat "$out/hklm-before.txt")"

    # The window: Delete, Guardian .reg and User Agent$ through the loaded key, checked by what
    # its own scan reads back (Wine never writes a loaded hive back to its file).
    kr8_session_launch "$finder" /offline 'E:\WINDOWS'
    auto --title "$title" click Find || fail_now "clicking Find"
    tauto() { auto --title "$title" "$@"; }
    check "Restore Policy and Open Regedit are off" "$({ tauto click 'Restore Policy';
        tauto click 'Open Regedit'; } 2>&1 | tr -d '\r')" "$(printf 'kr8auto: button "%s" is disabled\n' \
            'Restore Policy' 'Open Regedit')"
    tauto check 0 && tauto click-async 'Delete these files'
    tauto box yes 'Confirm Delete' >/dev/null || fail_now "no question about the file"
    tauto wait-idle >/dev/null || fail_now "a box after Delete"
    for button in 'Guardian .reg:GuardTgt' 'User Agent$:User Agent'; do
        tauto click-async "${button%%:*}" && tauto box yes "${button#*:}" >/dev/null &&
            tauto wait-idle >/dev/null || fail "${button%%:*}"
    done
    check "the rescan through the loaded key finds none of them" "$(tauto text1 | tr -d '\r' |
        grep -c -e qwxz.dll -e GuardTgt -e tgt126)" 0
    # Closed while a box is up: the mount still goes.
    tauto click-async 'Delete these files'
    sleep 2
    tauto close
    verdict "the process ended with its window" kr8_session_ended 15
    check "HKLM holds no mount after the window closed over a box" "$(hklm)" \
        "$(cat "$out/hklm-before.txt")"
    verdict "the decoy rundll32.exe still runs" kill -0 "$decoy"
    verdict "nothing was handed to a restart" eval '! pending'
    "$WINE" reg query 'HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Winlogon\Notify\GuardDecoy' \
        >/dev/null 2>&1 || fail "the prefix's own guardian decoy is gone"
    verdict "the file went" absent "$disk/WINDOWS/system32/qwxz.dll"
    backup=$(ls -d "$disk/WINDOWS/KR8 Backup"/20* | head -n 1)
    check "the backup on the target holds the file, the key and the value" \
        "$(cd "$backup" && ls | tr '\n' ' ')" "backup.txt file1.bak key2.reg value3.reg "

    # /restore into the target: the file is back byte for byte; the key and the value went back
    # through the loaded hive, as the restore's own checks say.
    timeout 60 "$WINE" "$finder" /offline 'E:\WINDOWS' /restore "$(
        "$WINE" winepath -w "$backup" | tr -d '\r')" >>"$out/program.log" 2>&1 &
    restorer=$!
    "$WINE" "$autoexe" lone-box ok 'Restore from backup' >/dev/null || fail "no restore outcome box"
    wait "$restorer"
    check "/offline /restore: exit code" "$?" 0
    check_files "the file is back" "$out/qwxz.before" "$disk/WINDOWS/system32/qwxz.dll"
    check "HKLM holds no mount after the restore" "$(hklm)" "$(cat "$out/hklm-before.txt")"
    cp "$out/hklm-before.txt" "$log" "$out/" 2>/dev/null
    kill "$decoy" 2>/dev/null
    ;;
esac
[ "$failures" -eq 0 ] && echo "All checks passed"
exit "$failures"
