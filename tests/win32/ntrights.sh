#!/usr/bin/env bash
# Our rights tool as the program runs it: its exit code and what it says. Wine stores no right,
# so only the tool's own answers are checked here.
# usage: ntrights.sh NTRIGHTS_EXE
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-lib.sh"
tool=$1
failures=0

expect() {
    local code=$1 text=$2 output rc
    shift 2
    output=$("$KR8_ROOT/scripts/wine-run.sh" "$tool" "$@" 2>&1 </dev/null)
    rc=$?
    if [ "$rc" -eq "$code" ] && grep -q -- "$text" <<<"$output"; then
        echo "PASS: NTrights $* -> $rc"
    else
        echo "FAIL: NTrights $* -> $rc, expected $code and \"$text\"; it said: $output"
        failures=$((failures + 1))
    fi
}

# The group by its well-known identifier, any other account by its name; an unknown one fails.
expect 0 "granted SeDebugPrivilege to Administrators (S-1-5-32-544)" +r SeDebugPrivilege -u Administrators
expect 0 "granted SeDebugPrivilege to Users (S-1-5-32-545)" +r SeDebugPrivilege -u Users
expect 2 "no account \"NoSuchAccount\"" +r SeDebugPrivilege -u NoSuchAccount
[ "$failures" -eq 0 ] && echo "All checks passed"
exit "$failures"
