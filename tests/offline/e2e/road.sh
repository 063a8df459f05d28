#!/usr/bin/env bash
# The offline program's road: the demo infection planted in a Wine prefix is scanned by the
# Windows program's /scan from inside, and by kr8finder-offline from outside, through a SOFTWARE
# hive that holds what the seed wrote into Wine's registry; the two logs must be the same bytes.
# Then the refusals, and hostile names on a disk of their own.
# usage: road.sh KR8FINDER_OFFLINE KR8_HIVE OUTPUT_DIR
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../../scripts/wine-lib.sh"
offline=$1 hive_tool=$2 out=$3
rm -rf "$out"
mkdir -p "$out"
failures=0
verdict() {
    if "${@:2}"; then echo "PASS: $1" && return; fi
    echo "FAIL: $1"
    failures=$((failures + 1))
    return 1
}
check() { verdict "$1" [ "$2" == "$3" ] || diff <(echo "$3") <(echo "$2"); }
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
hive "$sw" sz 'Microsoft\Windows\CurrentVersion\Internet Settings\User Agent\Post Platform' \
    'msg126 ' 'ы'
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

if [ "$failures" -eq 0 ]; then echo "All checks passed"; else echo "$failures checks failed"; fi
[ "$failures" -eq 0 ]
