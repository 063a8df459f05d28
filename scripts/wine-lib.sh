# Sourced by the scripts that run Windows programs under Wine.
# shellcheck shell=bash

KR8_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# True where 32-bit Linux code runs only through qemu: a handler registered for it takes every
# 32-bit program before the kernel's own loader would, so there 32-bit Wine starts, but each of
# its processes costs about a minute of processor time.
kr8_i386_emulated() {
    [ "$(head -n 1 /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null)" = enabled ]
}

# Which build runs the Wine tests here: the 32-bit product where this machine runs 32-bit Linux
# code itself (32-bit Wine needs it), else the same sources built for 64-bit Windows.
kr8_wine_arch() {
    if ! kr8_i386_emulated && /usr/lib/wine/wine --version >/dev/null 2>&1; then
        echo win32
    else
        echo win64
    fi
}

kr8_wine_bin() {
    if [ "$(kr8_wine_arch)" = win32 ]; then echo /usr/lib/wine/wine; else echo /usr/lib/wine/wine64; fi
}

# The template prefix's folder. Under emulation the 64-bit prefix is booted with its 32-bit
# side, where the 32-bit product runs (only our own process is then emulated). That boot takes
# minutes, so templates are kept per machine and Wine version, outside any one checkout: a fresh
# clone reuses them, and a new Wine gets a new one.
kr8_template_cache() {
    echo "${KR8_TEMPLATE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/kr8finder}"
}

kr8_template_dir() {
    local name version
    name=$(kr8_wine_arch)
    if [ "$name" = win64 ] && kr8_i386_emulated; then name=wow64; fi
    version=$(/usr/lib/wine/wine64 --version 2>/dev/null | tr -c 'A-Za-z0-9.\n-' _)
    echo "$(kr8_template_cache)/wine-template-$name-${version:-unknown}"
}

# Boots the template once per machine, kernel set-up and Wine version; the first boot of a
# 64-bit prefix with its 32-bit side takes minutes under emulation, so the test script starts
# it early.
kr8_boot_template() {
    local arch template lock
    arch=$(kr8_wine_arch)
    template=$(kr8_template_dir)
    mkdir -p "$(kr8_template_cache)"
    # Test runs started side by side must not boot the template twice.
    exec {lock}>"$(kr8_template_cache)/.wine-template.lock"
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
}

# Makes a fresh prefix at $1, copied from the template.
kr8_make_prefix() {
    kr8_boot_template
    rm -rf "$1"
    cp -a "$(kr8_template_dir)" "$1"
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
