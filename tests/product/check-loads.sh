#!/usr/bin/env bash
# Checks from the outside that each exe loads on Windows 2000 SP4 and Windows XP SP2: it imports
# only from DLLs that Windows 2000 has, nothing that newer.txt says 2000 or XP lacks, its
# subsystem version asks for no newer Windows, and it is Terminal Server aware. Wine exports
# every function whatever Windows it imitates, so only this check sees a newer import. The
# product's own calls are held to Windows 2000 by _WIN32_WINNT=0x0500, under which the headers
# declare nothing newer; newer.txt is for what the static runtime brings in. The first exe, the
# program itself, must also be a 32-bit GUI program that passes names only through the wide
# calls and asks for administrator rights.
# usage: check-loads.sh OBJDUMP IMPORT_LIBRARY_DIR KR8FINDER_EXE OTHER_EXE...
set -uo pipefail
newer_list="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/newer.txt"
objdump=$1 libs=$2 finder=$3
shift 2
failures=0
fail() {
    echo "FAIL: $1"
    failures=$((failures + 1))
}

# Each shipped with Windows 2000; add a DLL here only once its first version is looked up.
windows2000_dlls=" advapi32 comctl32 gdi32 kernel32 msvcrt psapi shell32 user32 "
# newer[dll!function]: the first Windows version that exports it, for what 2000 SP4 lacks.
declare -A newer
while read -r dll name version _; do
    newer[$dll!$name]=$((version))
done < <(grep -v '^#' "$newer_list")
# Whether the DLL exports the name, by MinGW-w64's import library for it.
declare -A exports
exports() {
    [ -n "${exports[$1]+set}" ] || exports[$1]=$("$objdump" -t "$libs/lib$1.a" 2>/dev/null |
        sed -n 's/.* __imp__\{0,1\}\([^@]*\).*/\1/p')
    grep -qxF "$2" <<<"${exports[$1]}"
}
# The ANSI form of a call that has a wide one maps names to the code page (Tool Help's ANSI
# names have no A); the C runtime's start-up passes none that the adware chose.
startup='^kernel32!(GetCommandLine|GetModuleHandle|GetStartupInfo|LoadLibrary)A$'

for exe in "$@"; do
    headers=$("$objdump" -p "$exe") || fail "$exe: not readable"
    mapfile -t imports < <(awk '/^The Import Tables/ { on = 1; next } /^(The |PE File )/ { on = 0 }
        on && /DLL Name:/ { dll = tolower($3); sub(/\.dll$/, "", dll) }
        on && /^\t[0-9a-f]+\t/ { print dll "!" (NF == 3 ? $3 : "(by ordinal)") }' <<<"$headers")
    [ "${#imports[@]}" -gt 0 ] || fail "$exe: no imports found"
    for dll in $(printf '%s\n' "${imports[@]%%!*}" | sort -u); do
        [[ $windows2000_dlls == *" $dll "* ]] || fail "$exe: $dll.dll: not in Windows 2000"
    done
    for import in "${imports[@]}"; do
        dll=${import%%!*} name=${import#*!}
        mark=${newer[$import]:-0}
        if ((mark > 0x500)); then
            fail "$exe: $import: not exported by Windows 2000 SP4"
            ((mark <= 0x501)) || fail "$exe: $import: not exported by Windows XP SP2"
        fi
        wide=${name}W
        [[ $name != *A ]] || wide=${name%A}W
        if [ "$exe" = "$finder" ] && [[ ! $import =~ $startup ]] && exports "$dll" "$wide"; then
            fail "$exe: $import: the ANSI call, not the wide one"
        fi
    done
    subsystem=$(awk '/^M(aj|in)orSubsystemVersion/ { printf "%s%s", dot, $2; dot = "." }' \
        <<<"$headers")
    [[ $subsystem =~ ^([0-4]\.[0-9]+|5\.0)$ ]] ||
        fail "$exe: subsystem version $subsystem: Windows 2000 (5.0) refuses to load it"
    tsaware=$(( 0x$(awk '$1 == "DllCharacteristics" { print $2 }' <<<"$headers") & 0x8000 ))
    [ "$tsaware" -ne 0 ] || fail "$exe: not Terminal Server aware (link with --tsaware)"
    if [ "$exe" = "$finder" ]; then
        grep -q 'file format pei-i386' <<<"$headers" || fail "$exe: not a 32-bit PE executable"
        grep -Eq 'Subsystem[[:space:]]+00000002' <<<"$headers" || fail "$exe: not a GUI program"
        grep -aq requireAdministrator "$exe" || fail "$exe: its manifest asks for no administrator"
    fi
done
[ "$failures" -eq 0 ] && echo "All checks passed: ${*##*/}"
exit "$failures"
