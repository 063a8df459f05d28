#!/usr/bin/env bash
# Checks from the outside that each exe can load on Windows 2000 SP4 and Windows XP SP2: every
# function it imports is exported there (by the lists in exports/), its subsystem version asks
# for no newer Windows, and it is Terminal Server aware. Wine exports every function whatever
# Windows it imitates, so only this check sees a newer import.
# usage: check-loads.sh OBJDUMP EXE...
set -uo pipefail
lists="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/exports"
objdump=$1
shift

failures=0
for exe in "$@"; do
    if ! headers=$("$objdump" -p "$exe"); then
        echo "FAIL: $exe: not readable"
        failures=$((failures + 1))
        continue
    fi
    # mawk has no strtonum: hex() reads the lists' and the headers' hexadecimal numbers.
    awk -v exe="$(basename "$exe")" -v lists="$lists" '
        function hex(text,    i, value) {
            sub(/^0x/, "", text)
            value = 0
            for (i = 1; i <= length(text); i++) {
                value = value * 16 + index("0123456789abcdef", tolower(substr(text, i, 1))) - 1
            }
            return value
        }
        function fail(text) { print "FAIL: " exe ": " text; failures++ }
        BEGIN {
            system_name[1] = "Windows 2000 SP4"; system_version[1] = hex("0x500")
            system_name[2] = "Windows XP SP2";   system_version[2] = hex("0x501")
            listing = "ls " lists "/*.txt"
            while ((listing | getline file) > 0) {
                dll = file
                sub(/.*\//, "", dll)
                sub(/\.txt$/, "", dll)
                while ((getline line < file) > 0) {
                    if (line ~ /^#/ || split(line, field, " ") == 0) {
                        continue
                    }
                    if (dll == "newer") {
                        key = field[1] "!" field[2]
                        if (!(key in first)) { last[key] = 65535 }
                        first[key] = hex(field[3])
                        continue
                    }
                    # A version mark as the ReactOS export definitions write it: 0x600+ or 0x501-0x502.
                    key = dll "!" field[1]
                    first[key] = 0
                    last[key] = 65535
                    if (field[2] ~ /\+$/) {
                        first[key] = hex(substr(field[2], 1, length(field[2]) - 1))
                    } else if (split(field[2], range, "-") == 2) {
                        first[key] = hex(range[1])
                        last[key] = hex(range[2])
                    }
                }
                close(file)
            }
        }
        /^The Import Tables/ { imports = 1; next }
        /^(The |PE File )/ { imports = 0 }
        imports && /DLL Name:/ { dll = $3; next }
        imports && /^\t[0-9a-f]+\t/ {
            count++
            name = tolower(dll)
            sub(/\.dll$/, "", name)
            if (NF != 3 || $3 ~ /^</) {
                fail(dll " imported by ordinal: cannot judge")
                next
            }
            key = name "!" $3
            if (!(key in first)) {
                fail(dll "!" $3 ": in no export list (" lists "): cannot judge")
                next
            }
            for (s = 1; s <= 2; s++) {
                if (system_version[s] < first[key] || system_version[s] > last[key]) {
                    fail(dll "!" $3 ": not exported by " system_name[s])
                }
            }
        }
        $1 == "MajorSubsystemVersion" { major = $2 }
        $1 == "MinorSubsystemVersion" { minor = $2 }
        $1 == "DllCharacteristics" { characteristics = hex($2) }
        END {
            if (count == 0) {
                fail("no imports found")
            } else if (failures == 0) {
                print "PASS: " exe ": its " count " imports are all exported by Windows 2000 SP4 and XP SP2"
            }
            if (major > 5 || (major == 5 && minor > 0)) {
                fail("subsystem version " major "." minor ": Windows 2000 (5.0) refuses to load it")
            } else {
                print "PASS: " exe ": subsystem version " major "." minor
            }
            if (int(characteristics / 32768) % 2 == 1) {
                print "PASS: " exe ": Terminal Server aware"
            } else {
                fail("not Terminal Server aware (link with --tsaware)")
            }
            exit failures > 0
        }
    ' <<<"$headers" || failures=$((failures + 1))
done
[ "$failures" -eq 0 ] && echo "All checks passed"
exit "$failures"
