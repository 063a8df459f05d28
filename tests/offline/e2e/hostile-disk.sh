#!/usr/bin/env bash
# kr8finder-offline on disks its adversary wrote: links out of the disk, a hive that names
# another Windows folder, a name holding a backslash, control characters in names, a long answer,
# no room for a backup and a planted log link. A sentinel folder beside the disks,
# which the disks' links point into, must be unchanged by hash after every clean and restore;
# every run has a time limit, so a hang fails its check instead of the suite.
# usage: hostile-disk.sh KR8FINDER_OFFLINE KR8_HIVE OUTPUT_DIR
set -uo pipefail
offline=$1 hive_tool=$2 out=$3
rm -rf "$out"
mkdir -p "$out"
source "$(dirname "${BASH_SOURCE[0]}")/../../verdicts.sh"
hive() { "$hive_tool" "$@" || verdict "planting $*" false; }
# run ARGS...: the offline program with a time limit; exit code in $code (124 is a hang), output
# in $out/stdout and $out/stderr.
run() {
    timeout 30 "$offline" "$@" >"$out/stdout" 2>"$out/stderr" </dev/null
    code=$?
}
adware() { mkdir -p "$(dirname "$1")" && head -c 320872 < <(yes "${2:-disk}") >"$1"; }
# disk DIR SYSTEMROOT: a Windows folder DIR/WIN with a hive naming SYSTEMROOT.
disk() {
    mkdir -p "$1/WIN/system32/config" "$1/WIN/Temp"
    hive "$1/WIN/system32/config/software" new
    hive "$1/WIN/system32/config/software" sz 'Microsoft\Windows NT\CurrentVersion' SystemRoot "$2"
}
no_raw_controls() { ! LC_ALL=C grep -q $'[\x01-\x08\x0b-\x1f\x7f]' "$@"; }

sentinel="$out/sentinel"
adware "$sentinel/WIN/system32/victim.dll" host
echo "host secret" >"$sentinel/secret.txt"
fingerprint() {
    (cd "$sentinel" && find . -printf '%p %y %m %s %T@\n' | sort &&
        find . -type f -exec sha256sum {} + | sort)
}
pristine=$(fingerprint)
unchanged() { check "$1: the host beside the disk is unchanged" "$(fingerprint)" "$pristine"; }

# A hive whose SystemRoot is two folders deep once put the drive's root above the disk, onto
# the sentinel; links on the disk point at host files; names carry terminal controls.
a="$out/a"
disk "$a" 'C:\sentinel\WIN'
adware "$a/WIN/system32/qq.dll"
ln -s "$sentinel/WIN/system32/victim.dll" "$a/WIN/system32/linked.dll"
ln -s "$sentinel" "$a/WIN/system32/away"
notify='Microsoft\Windows NT\CurrentVersion\Winlogon\Notify'
hive "$a/WIN/system32/config/software" sz "$notify\\Guard"$'\e[1A' DllName $'\e[2J.dll'
run --clean --yes "$a/WIN" --log "$out/a.log"
check "a deep SystemRoot: the disk's own adware is cleaned (exit code)" "$code" 0
verdict "a deep SystemRoot: the disk's file is gone" absent "$a/WIN/system32/qq.dll"
verdict "a deep SystemRoot is named, and the folder given is used" grep -q 'SystemRoot' "$out/stderr"
verdict "controls in the hive reach the terminal as escapes only" no_raw_controls "$out/stdout"
verdict "the log keeps the hive's own characters" grep -qaF $'\e\0[\0\x32\0J' "$out/a.log"
victim=$(sha256sum <"$sentinel/WIN/system32/victim.dll")
verdict "no host file's bytes are copied into the backup" bash -c \
    'find "$1" -type f -exec sha256sum {} + >"$2" && ! grep -q "${3%% *}" "$2"' _ \
    "$a/WIN/KR8 Backup" "$out/hashes" "$victim"
unchanged "clean of a disk with a deep SystemRoot and links out"
backup=$(ls -d "$a/WIN/KR8 Backup/"*/)
run --restore "$backup" "$a/WIN"
check "restore on that disk (exit code)" "$code" 0
verdict "restore: the disk's files are back" [ -f "$a/WIN/system32/qq.dll" ]
unchanged "restore on a disk with links out"

# A Linux name holding a backslash, a control character or bytes that are no UTF-8 is no
# Windows name: reported, escaped, and never taken for the file its Windows spelling would name.
slash="$out/backslash"
disk "$slash" 'C:\WIN'
adware "$slash/WIN/system32/drivers\\good.dll"
mkdir -p "$slash/WIN/system32/drivers"
echo "a driver" >"$slash/WIN/system32/drivers/good.dll"
adware "$slash/WIN/system32/qq.dll"
adware "$slash/WIN/system32/"$'\e[2K\e]0;pwn\a\b.dll'
adware "$slash/WIN/system32/"$'\x9b\xff.dll'
run --clean --yes "$slash/WIN" --log "$out/backslash.log"
check "a name with a backslash: the scan is not whole (exit code)" "$code" 2
verdict "names with controls reach the terminal as escapes only" no_raw_controls "$out/stdout" \
    "$out/stderr"
verdict "a name with a backslash: the file its spelling names is kept" \
    present "$slash/WIN/system32/drivers/good.dll"
unchanged "clean of a disk with names Windows cannot hold"

# A long answer is one answer.
rel="$out/relative"
disk "$rel" 'C:\WIN'
adware "$rel/WIN/system32/qq.dll"
adware "$rel/WIN/system32/qr.dll"
printf '%s\nn\nn\n' "$(printf 'n%.0s' {1..63})y" |
    timeout 30 "$offline" --clean "$rel/WIN" --log "$out/rel-clean.log" >"$out/stdout" 2>&1
verdict "a long answer answers one question only" present "$rel/WIN/system32/qq.dll" "$rel/WIN/system32/qr.dll"

# A disk where no backup can be made (a file holds the backup folder's name): nothing is
# deleted that has no copy to go back to.
nob="$out/no-backup"
disk "$nob" 'C:\WIN'
adware "$nob/WIN/system32/qq.dll"
echo "planted" >"$nob/WIN/KR8 Backup"
run --clean --yes "$nob/WIN" --log "$out/no-backup.log"
verdict "no backup can be made: the file is left alone" present "$nob/WIN/system32/qq.dll"

# The default log: never through a link, never onto the disk scanned.
mkdir -p "$out/cwd"
ln -s "$sentinel/secret.txt" "$out/cwd/kr8.log"
(cd "$out/cwd" && timeout 30 "$offline" "$rel/WIN" >/dev/null 2>&1)
check "the default log: written (exit code)" "$?" 1
verdict "the default log replaces a planted link, not what it names" \
    bash -c '[ -f "$1" ] && [ ! -L "$1" ]' _ "$out/cwd/kr8.log"
(cd "$rel" && timeout 30 "$offline" WIN >/dev/null 2>"$out/stderr")
check "the default log on the disk scanned is refused (exit code)" "$?" 2
verdict "the default log on the disk scanned: nothing written there" [ ! -e "$rel/kr8.log" ]
unchanged "the default log"

if [ "$failures" -eq 0 ]; then echo "All checks passed"; else echo "$failures checks failed"; fi
[ "$failures" -eq 0 ]
