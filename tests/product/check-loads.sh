#!/usr/bin/env bash
# Checks from the outside that each exe loads on Windows 2000 SP4 and Windows XP SP2: every
# function it imports is exported there (by the lists in exports/), its subsystem version asks
# for no newer Windows, and it is Terminal Server aware. Wine exports every function whatever
# Windows it imitates, so only this check sees a newer import. The first exe, the program
# itself, must also be a 32-bit GUI program that passes names only through the wide calls and
# asks for administrator rights.
# usage: check-loads.sh OBJDUMP KR8FINDER_EXE OTHER_EXE...
set -uo pipefail
lists="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/exports"
objdump=$1
finder=$2
shift
failures=0
fail() {
    echo "FAIL: $1"
    failures=$((failures + 1))
}

# first[dll!function]: the first Windows version that exports it: 0, or the version mark that
# ReactOS gives it ("0x600+"), or what newer.txt says, read last to override both.
declare -A first
for list in "$lists"/*.txt "$lists/newer.txt"; do
    dll=$(basename "$list" .txt)
    while read -r name mark version _; do
        if [ "$dll" = newer ]; then
            first[$name!$mark]=$((version))
        else
            first[$dll!$name]=$((${mark%+} + 0))
        fi
    done < <(grep -v '^#' "$list")
done

for exe in "$@"; do
    headers=$("$objdump" -p "$exe") || fail "$exe: not readable"
    mapfile -t imports < <(awk '/^The Import Tables/ { on = 1; next } /^(The |PE File )/ { on = 0 }
        on && /DLL Name:/ { dll = tolower($3); sub(/\.dll$/, "", dll) }
        on && /^\t[0-9a-f]+\t/ { print dll "!" (NF == 3 ? $3 : "(by ordinal)") }' <<<"$headers")
    [ "${#imports[@]}" -gt 0 ] || fail "$exe: no imports found"
    for import in "${imports[@]}"; do
        mark=${first[$import]:-none}
        if [ "$mark" = none ]; then
            fail "$exe: $import: in no export list: cannot judge"
        elif ((mark > 0x500)); then
            fail "$exe: $import: not exported by Windows 2000 SP4"
            ((mark <= 0x501)) || fail "$exe: $import: not exported by Windows XP SP2"
        fi
        # The ANSI form of a call that has a wide one maps names to the code page (Tool Help's
        # ANSI names have no A); the C runtime's start-up passes none that the adware chose.
        startup='!(GetCommandLine|GetModuleHandle|GetStartupInfo|LoadLibrary)A$'
        if [ "$exe" = "$finder" ] && [ -n "${first[${import%A}W]:-}${first[${import}W]:-}" ] &&
            [[ ! $import =~ $startup ]]; then
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
