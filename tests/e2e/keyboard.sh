#!/usr/bin/env bash
# The keyboard as the window's user has it: where the focus starts, the Tab order, Space and
# Enter on the focused button, and the Exit button's access key.
# usage: keyboard.sh KR8FINDER_EXE KR8AUTO_EXE OUTPUT_DIR
set -uo pipefail
# shellcheck source=tests/e2e/scenario.sh
source "$(dirname "${BASH_SOURCE[0]}")/scenario.sh" "$@"
# The seeded findings enable every button, so all of them take part in the Tab order after a scan.

start_finder() {
    kr8_session_launch "$finder"
    auto wait >/dev/null || fail_now "the window did not come up (see $out/program.log)"
}

# Enter right after the start: Exit holds the focus, so the process ends.
start_finder
check_equal "focus at start" "$(auto focus)" 'E&xit'
auto key enter
if kr8_session_ended 15; then
    pass "Enter at start ended the process"
else
    fail "Enter at start left the process running"
fi

# Alt+X clicks Exit wherever the focus is.
start_finder
auto key tab
auto key alt-x
if kr8_session_ended 15; then
    pass "Alt+X ended the process"
else
    fail "Alt+X left the process running"
fi

# Tab walks the enabled controls in tab-index order and comes back round to Exit; the disabled
# buttons are left out.
start_finder
tab_order() {
    local stops=()
    for _ in $(seq "$1"); do
        auto key tab
        stops+=("$(auto focus)")
    done
    printf '%s\n' "${stops[@]}"
}
check_equal "Tab order before a scan" "$(tab_order 6)" "$(printf '%s\n' \
    'Click to Find KR8.BetterInternet' \
    'Edit' \
    'Restore Policy' \
    'SysListView32' \
    'Hosts Log' \
    'E&xit')"

# Space on the focused button clicks it.
auto key tab
auto key space
check_equal "Space on Find scans" "$(auto text1 | head -n1 | tr -d '\r')" 'Files Found---'
auto close
kr8_session_ended 15 || fail "the process is still running after the window closed"

# Enter on a focused button other than Exit clicks that button, and the buttons that the scan
# enables join the Tab order.
start_finder
auto key tab
auto key enter
check_equal "Enter on Find scans" "$(auto text1 | head -n1 | tr -d '\r')" 'Files Found---'
check_equal "Tab order after a scan" "$(tab_order 11)" "$(printf '%s\n' \
    'Make Log' \
    'Edit' \
    'Restore Policy' \
    'User Agent$' \
    'Guardian .reg' \
    'Open Regedit' \
    'SysListView32' \
    'Delete these files' \
    'Hosts Log' \
    'E&xit' \
    'Click to Find KR8.BetterInternet')"
auto close
kr8_session_ended 15 || fail "the process is still running after the window closed"

finish
