#!/usr/bin/env bash
# The keyboard as the window's user has it: where the focus starts, the Tab order before and
# after a scan, Enter on the focused button, and the Exit button's access key.
# usage: keyboard.sh KR8FINDER_EXE KR8AUTO_EXE OUTPUT_DIR
set -uo pipefail
# shellcheck source=tests/e2e/scenario.sh
source "$(dirname "${BASH_SOURCE[0]}")/scenario.sh" "$@"

tab_order() {
    local stops=()
    for _ in $(seq "$1"); do
        auto key tab
        stops+=("$(auto focus)")
    done
    printf '%s\n' "${stops[@]}"
}
# key_ends NAME KEY: the key ends the process.
key_ends() {
    auto key "$2"
    if kr8_session_ended 15; then pass "$1"; else fail "$1: the process is still running"; fi
}

# Enter on a focused button clicks it, and the buttons that the scan enables (the seeded
# findings enable every one) join the Tab order; Alt+X clicks Exit wherever the focus is.
start_finder
check_equal "focus at start" "$(auto focus)" 'E&xit'
auto key tab
auto key enter
check_equal "Enter on Find scans" "$(auto text1 | head -n1 | tr -d '\r')" 'Files Found---'
check_equal "Tab order after a scan" "$(tab_order 11)" "$(printf '%s\n' \
    'Make Log' 'Edit' 'Restore Policy' 'User Agent$' 'Guardian .reg' 'Open Regedit' \
    'SysListView32' 'Delete these files' 'Hosts Log' 'E&xit' 'Click to Find KR8.BetterInternet')"
key_ends "Alt+X ended the process" alt-x

# Before a scan the disabled buttons are left out; Enter on Exit ends the process.
start_finder
check_equal "Tab order before a scan" "$(tab_order 6)" "$(printf '%s\n' \
    'Click to Find KR8.BetterInternet' 'Edit' 'Restore Policy' 'SysListView32' 'Hosts Log' \
    'E&xit')"
key_ends "Enter on Exit ended the process" enter

finish
