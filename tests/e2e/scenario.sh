# The start that every end-to-end scenario shares: the checks, a session of its own (throwaway
# prefix, X server, wine server) stopped when the script exits, the automation helper, the
# unattended scan, and a prefix seeded with the simulated infection.
# usage, from a scenario script: source scenario.sh KR8FINDER_EXE KR8AUTO_EXE OUTPUT_DIR [VERSION]
# VERSION (win2k, winxp, win10) is the Windows version Wine imitates for the program; Wine's own
# when left out.
# shellcheck shell=bash
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../../scripts/wine-session.sh"
source "$here/checks.sh"

# shellcheck disable=SC2034  # read by the scenario scripts
finder=$1
autoexe=$2
out=$3
rm -rf "$out"
mkdir -p "$out"
trap kr8_session_stop EXIT
kr8_session_start "$out" || exit 1
auto() { "$WINE" "$autoexe" "$@"; }
# The program's unattended scan, with its arguments; answers its exit code. A box would wait for
# someone forever, so a run that does not end by itself fails.
unattended() { timeout 60 "$WINE" "$finder" "$@" >>"$out/program.log" 2>&1; }

if [ -n "${4:-}" ]; then
    "$WINE" reg add 'HKCU\Software\Wine' /v Version /d "$4" /f >/dev/null ||
        fail_now "setting Wine's Windows version to $4"
    declare -A kr8_version_numbers=([win2k]=5.0.2195 [winxp]=5.1.2600 [win10]=10.0.18362)
    check_equal "Wine imitates $4" "$("$WINE" cmd /c ver | tr -d '\r' | grep -o '[0-9.]\+')" \
        "${kr8_version_numbers[$4]}"
fi

# A scenario that has steps for the clean prefix sets KR8_SEED_LATER before sourcing this, and
# seeds the prefix itself after them.
kr8_seed() {
    bash "$KR8_ROOT/scripts/seed-infection.sh" "$WINEPREFIX" >"$out/seed.log" 2>&1 ||
        fail_now "seeding the prefix (see $out/seed.log)"
}
[ -n "${KR8_SEED_LATER:-}" ] || kr8_seed

# The window of a new run of the program, after its load step.
start_finder() {
    kr8_session_launch "$finder"
    auto wait >/dev/null || fail_now "the window did not come up (see $out/program.log)"
}
# Closes the window as its close box would; the process must end with it.
close_finder() {
    auto close || fail "closing the window"
    if kr8_session_ended 15; then
        pass "the process ended after the window closed"
    else
        fail "the process is still running after the window closed"
    fi
}
# hold_file hold|hold-readable PATH: another process keeps the file open until `auto release`.
hold_file() {
    auto "$1" "$2" 300 >"$out/holder.log" 2>&1 &
    holder=$!
    for _ in $(seq 100); do
        grep -q held "$out/holder.log" && return
        sleep 0.1
    done
    fail_now "holding $2 (see $out/holder.log)"
}
