#!/usr/bin/env bash
# Builds KR8 Finder and starts it under Wine on a throwaway prefix that holds a harmless
# imitation of the adware. With a display the window is yours to use; without one the script
# clicks Find itself, prints the report and saves a screenshot to build/kr8finder-demo.png.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/wine-lib.sh

bash scripts/install-deps.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target kr8finder
arch=$(kr8_wine_arch)
if [ "$arch" != win32 ]; then
    # This machine's Wine cannot run the 32-bit product: the same sources built for 64 bits.
    cmake --preset "$arch" >/dev/null
    cmake --build --preset "$arch" --target kr8finder
fi
cmake --build --preset "$arch" --target kr8auto
finder="build/$arch/kr8finder.exe"
auto_exe="build/$arch/kr8auto.exe"
prefix="$KR8_ROOT/build/demo-prefix"

if [ -n "${DISPLAY:-}" ]; then
    trap 'kr8_drop_prefix "$prefix"' EXIT
    kr8_make_prefix "$prefix"
    bash scripts/seed-infection.sh "$prefix"
    WINEPREFIX="$prefix" WINEDEBUG=-all "$(kr8_wine_bin)" "$finder"
    exit 0
fi

source scripts/wine-session.sh
trap kr8_session_stop EXIT
kr8_session_start build/demo "$prefix"
bash scripts/seed-infection.sh "$WINEPREFIX"
kr8_session_launch "$finder"
"$WINE" "$auto_exe" wait >/dev/null
"$WINE" "$auto_exe" click Find
echo "---- KR8 Finder's report ----"
"$WINE" "$auto_exe" text1 | tr -d '\r'
echo
echo "---- Files to delete (List1) ----"
"$WINE" "$auto_exe" list
kr8_session_screenshot "$auto_exe" build/kr8finder-demo.png
"$WINE" "$auto_exe" close
kr8_session_ended 15
echo "Screenshot: build/kr8finder-demo.png"
