#!/usr/bin/env bash
# The offline program's road: the demo infection planted in a Wine prefix is scanned by the
# Windows program's /scan from inside, and by kr8finder-offline from outside, through a SOFTWARE
# hive that holds what the seed wrote into Wine's registry; the two logs must be the same bytes.
# Then the clean and the restore of that disk, the refusals, and hostile names on a disk of
# their own. That nothing beside a disk is touched is the hostile-disk road's.
# usage: road.sh KR8FINDER_OFFLINE KR8_HIVE OUTPUT_DIR
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../../scripts/wine-lib.sh"
offline=$1 hive_tool=$2 out=$3
rm -rf "$out"
mkdir -p "$out"
source "$KR8_ROOT/tests/verdicts.sh"
hive() { "$hive_tool" "$@" || verdict "planting $*" false; }
# scan FOLDER LOG: the offline scan, its exit code in $code and its messages in $out/stderr.
scan() { "$offline" "$1" --log "$2" >"$out/stdout" 2>"$out/stderr"; code=$?; }

finder="$KR8_ROOT/build/$(kr8_wine_arch)/kr8finder.exe"
[ -f "$finder" ] || { verdict "the Windows program is built ($finder)" false; exit 1; }
prefix="$out/prefix"
trap 'kr8_drop_prefix "$prefix"' EXIT
kr8_make_prefix "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all DISPLAY=
# The temporary folder where Windows 2000 and XP keep it, where a profile seen from outside shows
# it; Wine's own is the profile's "Temp". Programs started from now on take it.
for variable in TEMP TMP; do
    "$(kr8_wine_bin)" reg add 'HKCU\Environment' /v $variable /t REG_EXPAND_SZ \
        /d '%USERPROFILE%\Local Settings\Temp' /f >/dev/null
done
wineserver -k
wineserver -p
bash "$KR8_ROOT/scripts/seed-infection.sh" "$prefix" >"$out/seed.log" 2>&1 ||
    verdict "seeding the prefix" false
timeout 120 "$(kr8_wine_bin)" "$finder" /scan /log 'C:\windows-scan.log' >/dev/null 2>&1
check "the Windows program's /scan finds the demo infection" "$?" 1
wineserver -k
cp "$prefix/drive_c/windows-scan.log" "$out/windows.log"

# The hive the seed's registry writes would give, beside Wine's own ProfileList and SystemRoot.
software="$prefix/drive_c/windows/system32/config/software"
mkdir -p "$(dirname "$software")"
hive "$software" new
profile=$(grep -A4 -F '[Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21' \
    "$prefix/system.reg" | sed -n 's/^"ProfileImagePath"="\(.*\)"$/\1/p' | head -n1 |
    sed 's/\\\\/\\/g')
hive "$software" sz 'Microsoft\Windows NT\CurrentVersion' SystemRoot 'C:\windows'
hive "$software" expand 'Microsoft\Windows NT\CurrentVersion\ProfileList\S-1-5-21-0-0-0-1000' \
    ProfileImagePath "$profile"
notify='Microsoft\Windows NT\CurrentVersion\Winlogon\Notify'
hive "$software" sz "$notify\\crypt32chain" DllName crypt32.dll
hive "$software" dword "$notify\\winupd126" Version 126
# Wine keeps a key's values sorted by name, where Windows and a hive keep them as written.
hive "$software" dword "$notify\\GuardSvc" Asynchronous 0
hive "$software" sz "$notify\\GuardSvc" DllName qwxz1834.dll
hive "$software" dword "$notify\\GuardSvc" Impersonate 1
hive "$software" sz 'Microsoft\Windows\CurrentVersion\Internet Settings\User Agent\Post Platform' \
    msg126 KR8

scan "$prefix/drive_c/windows" "$out/offline.log"
check "the offline scan finds the same infection (exit code)" "$code" 1
verdict "the offline log is the Windows program's, byte for byte" \
    cmp "$out/windows.log" "$out/offline.log" || diff "$out/windows.log" "$out/offline.log"
verdict "the report is printed" grep -q 'Guardian Key--- is called: GuardSvc' "$out/stdout"

# Clean: no answer is a No, and changes nothing; then every Yes removes exactly the adware's
# files, the guardian key with its values and the user-agent value, as two other readers of
# hives see it, after a backup of each and of the whole hive; the restore puts the hive back.
windows="$prefix/drive_c/windows"
cp "$software" "$out/software.before"
reglookup "$software" | sort >"$out/before.csv"
"$offline" --clean "$windows" --log "$out/clean.log" </dev/null >"$out/clean-no.out" 2>&1
check "clean, nothing answered (exit code)" "$?" 0
verdict "clean, nothing answered: the hive is as it was" cmp "$out/software.before" "$software"
verdict "clean, nothing answered: no backup" [ ! -e "$windows/KR8 Backup" ]
"$offline" --clean --yes "$windows" --log "$out/clean.log" >"$out/clean-yes.out" 2>&1
check "clean (exit code)" "$?" 0
reglookup "$software" | sort >"$out/after.csv"
gone=$(diff "$out/before.csv" "$out/after.csv" | grep '^[<>]' | cut -d, -f1 | tr '\n' '|')
check "clean: exactly the guardian key and the user-agent value are gone (reglookup)" "$gone" \
    "< /Microsoft/Windows NT/CurrentVersion/Winlogon/Notify/GuardSvc|< /Microsoft/Windows NT/CurrentVersion/Winlogon/Notify/GuardSvc/Asynchronous|< /Microsoft/Windows NT/CurrentVersion/Winlogon/Notify/GuardSvc/DllName|< /Microsoft/Windows NT/CurrentVersion/Winlogon/Notify/GuardSvc/Impersonate|< /Microsoft/Windows/CurrentVersion/Internet Settings/User Agent/Post Platform/msg126|"
backup=$(ls -d "$windows/KR8 Backup/"*)
verdict "clean: the whole hive kept in the backup folder" cmp "$out/software.before" \
    "$backup/software.hive"
check "clean: backup.txt names the four removals" "$(grep -c $'^[a-z]*\tdeleted\t' "$backup/backup.txt")" 4
verdict "clean: the adware's files are gone" \
    absent "$windows/system32/qwxz1834.dll" "$windows/system32/wincore.dll"
verdict "clean: the others are kept" present "$windows/system32/kbdsim71.dll"
"$offline" --restore "$backup" "$windows" >"$out/restore.out" 2>&1
check "restore (exit code)" "$?" 0
check "restore: the hive reads as before (reglookup)" "$(reglookup "$software" | sort)" \
    "$(cat "$out/before.csv")"
check "restore: the files are back whole" "$(stat -c %s "$windows/system32/wincore.dll")" 320872

# Refusals: exit 2, a message, no log.
mkdir -p "$out/pending/WINDOWS/system32/config" "$out/nothing"
hive "$out/pending/WINDOWS/system32/config/software" new
printf '\x02' | dd of="$out/pending/WINDOWS/system32/config/software" bs=1 seek=8 conv=notrunc \
    status=none
for refused in "nothing:no Windows folder" "pending/WINDOWS:changes that Windows has not"; do
    scan "$out/${refused%%:*}" "$out/refused.log"
    check "refused: ${refused%%:*} (exit code)" "$code" 2
    verdict "refused: ${refused%%:*} (message)" grep -q "${refused#*:}" "$out/stderr"
    verdict "refused: ${refused%%:*} (no log)" [ ! -e "$out/refused.log" ]
done
scan "$prefix/drive_c/windows" "$out/no/such/folder/kr8.log"
check "a log that cannot be written (exit code)" "$code" 2

# Hostile names on a case-sensitive disk: another spelling of every folder, names in other
# scripts, trailing blanks, a look-alike of a fixed name.
disk="$out/hostile"
mkdir -p "$disk/Windows/System32/CONFIG" "$disk/Documents and Settings/ann/Local Settings/Temp"
head -c 320872 /dev/zero >"$disk/Windows/System32/漢 .dll"
head -c 1 /dev/zero >"$disk/Windows/System32/wincоre.dll"  # a Cyrillic o
head -c 1 /dev/zero >"$disk/Documents and Settings/ann/Local Settings/Temp/UPD126.EXE"
sw="$disk/Windows/System32/CONFIG/SOFTWARE"
hive "$sw" new
hive "$sw" sz 'Microsoft\Windows NT\CurrentVersion' SystemRoot 'C:\WINDOWS'
hive "$sw" expand 'Microsoft\Windows NT\CurrentVersion\ProfileList\S-1-5-21-1' ProfileImagePath \
    '%SystemDrive%\Documents and Settings\ann'
hive "$sw" sz "$notify\\Guardé " DllName 'ü.dll'
for entry in 'msg126:kept' 'msg126 :ы'; do
    hive "$sw" sz 'Microsoft\Windows\CurrentVersion\Internet Settings\User Agent\Post Platform' \
        "${entry%%:*}" "${entry#*:}"
done
scan "$disk/Windows" "$out/hostile.log"
check "hostile names: found (exit code)" "$code" 1
expected=$'Log for KR8.BetterInternet File Finder (msg126)\r\n\r\nFiles Found---\r\n'
expected+=$'C:\\WINDOWS\\system32\\漢 .dll\r\n \r\nAdditional Files---\r\n'
expected+=$'C:\\Documents and Settings\\ann\\Local Settings\\Temp\\upd126.exe\r\n \r\n'
expected+=$'Keys Under Notify---\r\nGuardé \r\n\r\n\r\nGuardian Key--- is called: Guardé \r\n'
expected+=$'DllName ü.dll\r\n\r\nUser Agent String---\r\nmsg126  ы\r\n'
{ printf '\xff\xfe' && printf '%s' "$expected" | iconv -f UTF-8 -t UTF-16LE; } >"$out/hostile.expected"
verdict "hostile names: each as the disk and hive hold it, in a UTF-16 log" \
    cmp "$out/hostile.expected" "$out/hostile.log"
# A rescue system keeps its C library's charset modules elsewhere, or has none: hidden here.
gconv=/usr/lib/x86_64-linux-gnu/gconv
if [ -d "$gconv" ] && unshare -m true 2>/dev/null; then
    unshare -m bash -c 'mount --bind "$1" "$2" && "$3" "$4" --log "$5"' _ "$out/nothing" "$gconv" \
        "$offline" "$disk/Windows" "$out/no-charsets.log" >/dev/null 2>&1
    verdict "hostile names: the same without the C library's charset modules" \
        cmp "$out/hostile.log" "$out/no-charsets.log"
fi

# The clean of hostile names takes exactly the one named, not the look-alike beside it.
reglookup "$sw" | sort >"$out/hostile-before.csv"
# A disk mounted read-only (a hibernated Windows) is refused before anything is changed.
if unshare -m true 2>/dev/null; then
    unshare -m bash -c 'mount --bind "$1" "$1" && mount -o remount,bind,ro "$1" && "$2" --clean --yes "$1/Windows"' \
        _ "$disk" "$offline" >"$out/readonly.out" 2>&1
    check "refused: a read-only disk (exit code)" "$?" 2
    verdict "refused: a read-only disk (message)" grep -q 'mounted read-only' "$out/readonly.out"
fi
"$offline" --clean --yes "$disk/Windows" --log "$out/hostile-clean.log" >"$out/hostile-clean.out" 2>&1
check "hostile names: clean (exit code)" "$?" 0
gone=$(diff "$out/hostile-before.csv" <(reglookup "$sw" | sort) | grep '^[<>]' | cut -d, -f1 |
    tr '\n' '|')
check "hostile names: exactly the guardian and the last user-agent entry are gone" "$gone" \
    "< /Microsoft/Windows NT/CurrentVersion/Winlogon/Notify/Guard%E9 |< /Microsoft/Windows NT/CurrentVersion/Winlogon/Notify/Guard%E9 /DllName|< /Microsoft/Windows/CurrentVersion/Internet Settings/User Agent/Post Platform/msg126 |"
# A value name with a NUL, beside the user-agent entry: hivex would write it back cut short.
for entry in 'NUL#here:x' 'msg126 :y'; do
    hive "$sw" sz 'Microsoft\Windows\CurrentVersion\Internet Settings\User Agent\Post Platform' \
        "${entry%%:*}" "${entry#*:}"
done
perl -pi -e 's/NUL#here/NUL\x00here/' "$sw"
cp "$sw" "$out/nul.hive"
"$offline" --clean --yes "$disk/Windows" --log "$out/nul.log" >"$out/nul.out" 2>&1
check "refused: a kept value name with a NUL (exit code)" "$?" 2
verdict "refused: a kept value name with a NUL (hive unchanged)" cmp "$out/nul.hive" "$sw"
verdict "refused: a kept value name with a NUL (message)" grep -q 'name with a NUL' "$out/nul.out"
verdict "hostile names: the file in another script is gone" absent "$disk/Windows/System32/漢 .dll"
verdict "hostile names: its look-alike is kept" present "$disk/Windows/System32/wincоre.dll"

if [ "$failures" -eq 0 ]; then echo "All checks passed"; else echo "$failures checks failed"; fi
[ "$failures" -eq 0 ]
