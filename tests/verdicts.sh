# shellcheck shell=bash
# Sourced by the roads: each check prints one PASS or FAIL line, and $failures counts the FAILs.
failures=0
# verdict NAME COMMAND...: a PASS or FAIL line for the command's outcome, which it returns.
verdict() {
    if "${@:2}"; then echo "PASS: $1" && return; fi
    echo "FAIL: $1"
    failures=$((failures + 1))
    return 1
}
check() { verdict "$1" [ "$2" == "$3" ] || diff <(echo "$3") <(echo "$2"); }
# present/absent FILE...: whether every file is there, or none is.
present() { for f; do [ -e "$f" ] || return 1; done; }
absent() { for f; do [ ! -e "$f" ] || return 1; done; }
