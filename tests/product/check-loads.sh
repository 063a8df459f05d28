#!/usr/bin/env bash
# Checks from the outside that each exe loads on Windows 2000 SP4 and Windows XP SP2: every
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
    "$objdump" -p "$exe" | awk -v exe="$(basename "$exe")" -v lists="$lists" '
        # mawk has no strtonum.
        function hex(text,    i, value) {
            sub(/^0x/, "", text)
            for (i = 1; i <= length(text); i++) {
                value = value * 16 + index("0123456789abcdef", tolower(substr(text, i, 1))) - 1
            }
            return value
        }
        function fail(text) { print "FAIL: " exe ": " text; failures++ }
        # first["dll!function"]: the first Windows version that exports it, from a ReactOS
        # version mark ("0x600+") or, read last to override the lists, from newer.txt.
        BEGIN {
            listing = "ls " lists "/*.txt " lists "/newer.txt"
            while ((listing | getline file) > 0) {
                dll = substr(file, length(lists) + 2, length(file) - length(lists) - 5)
                while ((getline line < file) > 0) {
                    if (line ~ /^#/ || split(line, field, " ") == 0) {
                        continue
                    } else if (dll == "newer") {
                        first[field[1] "!" field[2]] = hex(field[3])
                    } else {
                        first[dll "!" field[1]] = field[2] ~ /\+$/ ? hex(substr(field[2], 1,
                                                                   length(field[2]) - 1)) : 0
                    }
                }
                close(file)
            }
        }
        /^The Import Tables/ { imports = 1; next }
        /^(The |PE File )/ { imports = 0 }
        imports && /DLL Name:/ { dll = tolower($3); sub(/\.dll$/, "", dll); next }
        imports && /^\t[0-9a-f]+\t/ {
            count++
            if (NF != 3 || $3 ~ /^</ || !((dll "!" $3) in first)) {
                fail(dll "!" $3 ": by ordinal or in no export list: cannot judge")
            } else if (first[dll "!" $3] > hex("0x500")) {
                fail(dll "!" $3 ": not exported by Windows 2000 SP4")
                if (first[dll "!" $3] > hex("0x501")) {
                    fail(dll "!" $3 ": not exported by Windows XP SP2")
                }
            }
        }
        $1 == "MajorSubsystemVersion" { major = $2 }
        $1 == "MinorSubsystemVersion" { minor = $2 }
        $1 == "DllCharacteristics" { tsaware = int(hex($2) / 32768) % 2 }
        END {
            if (count == 0) {
                fail("no imports found")
            }
            if (major > 5 || (major == 5 && minor > 0)) {
                fail("subsystem version " major "." minor ": Windows 2000 (5.0) refuses to load it")
            }
            if (!tsaware) {
                fail("not Terminal Server aware (link with --tsaware)")
            }
            if (!failures) {
                print "PASS: " exe ": " count " imports, subsystem " major "." minor ", tsaware"
            }
            exit failures > 0
        }' || failures=$((failures + 1))
done
[ "$failures" -eq 0 ] && echo "All checks passed"
exit "$failures"
