#!/usr/bin/env bash
# Runs a Windows test program on a throwaway prefix and an X server of its own: windows cannot
# be created without a display.
# usage: with-display.sh TEST_EXE WORK_DIR [ARGUMENT...]
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../../scripts/wine-session.sh"

program=$1
work=$2
shift 2
rm -rf "$work"
trap kr8_session_stop EXIT
kr8_session_start "$work" || exit 1
"$WINE" "$program" "$@"
