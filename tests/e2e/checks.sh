# shellcheck shell=bash
# Sourced by the end-to-end scripts: one PASS or FAIL line a check, and the exit status.
KR8_FAILURES=0

pass() { echo "PASS: $1"; }
fail() {
    echo "FAIL: $1"
    KR8_FAILURES=$((KR8_FAILURES + 1))
}
# A failure that leaves nothing more worth checking.
fail_now() {
    fail "$1"
    exit 1
}

# check_equal NAME ACTUAL EXPECTED
check_equal() {
    if [ "$2" == "$3" ]; then
        pass "$1"
    else
        fail "$1"
        diff <(printf '%s\n' "$3") <(printf '%s\n' "$2") | sed 's/^/    /'
    fi
}

# check_files NAME EXPECTED_FILE ACTUAL_FILE: byte for byte, line ends included.
check_files() {
    if cmp -s "$2" "$3"; then
        pass "$1"
    else
        fail "$1 (expected $2, got $3)"
        diff <(cat -A "$2") <(cat -A "$3") | sed 's/^/    /'
    fi
}

# crlf_file FILE LINE...: the lines joined by CR LF, with none after the last.
crlf_file() {
    local file=$1
    shift
    local first=1 line
    : >"$file"
    for line in "$@"; do
        [ $first -eq 1 ] || printf '\r\n' >>"$file"
        printf '%s' "$line" >>"$file"
        first=0
    done
}

# expect_box NAME ANSWER TITLE TEXT: answers the program's next message box, through the
# script's auto function, and checks what the box said. A box that did not come, or came with
# another title, is left open and ends the script: every later step would meet it.
expect_box() {
    local said
    if ! said=$(auto box "$2" "$3" 2>&1); then
        fail_now "$1: $(printf '%s' "$said" | tr '\n' ' ')"
    fi
    check_equal "$1" "$said" "$(printf '%s\n%s' "$3" "$4")"
}

# wait_idle NAME: waits until the click's handler is done; a box nobody expected ends the script.
wait_idle() {
    local said
    if ! said=$(auto wait-idle 2>&1); then
        fail_now "$1: $said"
    fi
}

finish() {
    if [ "$KR8_FAILURES" -eq 0 ]; then
        echo "All checks passed"
        exit 0
    fi
    echo "$KR8_FAILURES check(s) failed"
    exit 1
}
