# Sourced by the scripts that run Windows programs under Wine.
# shellcheck shell=bash

KR8_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Which build runs under Wine here: the 32-bit product where this machine can run 32-bit Linux
# code (32-bit Wine needs it), else the same sources built for 64-bit Windows.
kr8_wine_arch() {
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then
        echo win32
    else
        echo win64
    fi
}

kr8_wine_bin() {
    if [ "$(kr8_wine_arch)" = win32 ]; then echo /usr/lib/wine/wine; else echo /usr/lib/wine/wine64; fi
}

# Makes a fresh prefix at $1, copied from a template that is booted once per machine and kept
# under build/.
kr8_make_prefix() {
    local target=$1 arch template lock
    arch=$(kr8_wine_arch)
    template="$KR8_ROOT/build/wine-template-$arch"
    mkdir -p "$KR8_ROOT/build"
    # Test runs started side by side must not boot the template twice.
    exec {lock}>"$KR8_ROOT/build/.wine-template.lock"
    flock "$lock"
    if [ ! -f "$template/.ready" ]; then
        rm -rf "$template"
        mkdir -p "$(dirname "$template")"
        local winearch=win64
        [ "$arch" = win32 ] && winearch=win32
        WINEPREFIX="$template" WINEARCH=$winearch WINEDEBUG=-all DISPLAY='' \
            "$(kr8_wine_bin)" wineboot -i >/dev/null 2>&1 || true
        WINEPREFIX="$template" wineserver -w
        touch "$template/.ready"
    fi
    flock -u "$lock"
    exec {lock}>&-
    rm -rf "$target"
    cp -a "$template" "$target"
}

# Starts a persistent wine server for prefix $WINEPREFIX, so each program starts fast, and lets
# Wine's background services start now: started by a test instead, they would inherit and hold
# the test runner's output pipe.
kr8_start_server() {
    wineserver -p
    "$(kr8_wine_bin)" cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# Ends the wine server of prefix $1 and removes the prefix.
kr8_drop_prefix() {
    WINEPREFIX="$1" wineserver -k 2>/dev/null || true
    rm -rf "$1"
}
