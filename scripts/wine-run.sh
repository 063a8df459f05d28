#!/usr/bin/env bash
# Runs a Windows program under Wine. The test driver hands in a throwaway WINEPREFIX for the
# whole run; started on its own, this makes one for this program alone and removes it after.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-lib.sh"
export WINEDEBUG=${WINEDEBUG:--all}
wine=$(kr8_wine_bin)

if [ -n "${WINEPREFIX:-}" ]; then
    exec "$wine" "$@"
fi
WINEPREFIX=$(mktemp -d /tmp/kr8-prefix.XXXXXX)
export WINEPREFIX
kr8_make_prefix "$WINEPREFIX"
kr8_start_server
"$wine" "$@"
rc=$?
kr8_drop_prefix "$WINEPREFIX"
exit $rc
