# shellcheck shell=bash
# Sourced by the scripts that run the program where nobody sees it: a throwaway Wine prefix on
# an X server of its own, and the clean-up of both however the script ends.
source "$(dirname "${BASH_SOURCE[0]}")/wine-lib.sh"

# Starts a session in directory $1 with a new prefix at $2 (default: $1/prefix): sets
# WINEPREFIX, DISPLAY and WINE, starts Xvfb on a free display and a persistent wine server.
# Call kr8_session_stop on exit (trap).
kr8_session_start() {
    KR8_SESSION_DIR=$1
    mkdir -p "$KR8_SESSION_DIR"
    export WINEPREFIX=${2:-$KR8_SESSION_DIR/prefix}
    export WINEDEBUG=${WINEDEBUG:--all}
    WINE=$(kr8_wine_bin)
    kr8_make_prefix "$WINEPREFIX"

    # Xvfb picks a free display itself and writes its number once it accepts clients.
    local number_file="$KR8_SESSION_DIR/display-number"
    : >"$number_file"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
    KR8_XVFB_PID=$!
    local tries=0
    while [ ! -s "$number_file" ]; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ] || ! kill -0 "$KR8_XVFB_PID" 2>/dev/null; then
            echo "Xvfb did not start" >&2
            return 1
        fi
        sleep 0.1
    done
    DISPLAY=":$(head -n1 "$number_file")"
    export DISPLAY

    # Without a window manager nothing draws the windows' frames; in a Wine desktop window
    # Wine draws them itself, caption and icon included, as Windows would.
    "$WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null &&
        "$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f \
            >/dev/null || return 1
    # The setting counts from the prefix's next start: the reg runs above made the desktop.
    wineserver -k
    wineserver -w
    wineserver -p
}

# Starts the Windows program $1 (more arguments are passed on) in the background; its Linux
# process id goes to KR8_APP_PID.
kr8_session_launch() {
    "$WINE" "$@" >>"$KR8_SESSION_DIR/program.log" 2>&1 &
    KR8_APP_PID=$!
}

# True once the program started last has ended, waiting up to $1 seconds.
kr8_session_ended() {
    local deadline=$((SECONDS + $1))
    while kill -0 "$KR8_APP_PID" 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.2
    done
    wait "$KR8_APP_PID" 2>/dev/null
    return 0
}

# Saves the part of the screen that shows the window to $2, found with kr8auto.exe at $1.
kr8_session_screenshot() {
    local area
    area=$("$WINE" "$1" rect 2>/dev/null) || area=""
    if [ -n "$area" ]; then
        import -window root -crop "$area" +repage "$2"
    else
        import -window root "$2"
    fi
}

# Ends what the session started: its wine server with the prefix's processes, the prefix, and
# its X server.
kr8_session_stop() {
    if [ -n "${WINEPREFIX:-}" ]; then
        kr8_drop_prefix "$WINEPREFIX"
    fi
    if [ -n "${KR8_XVFB_PID:-}" ]; then
        kill "$KR8_XVFB_PID" 2>/dev/null
        wait "$KR8_XVFB_PID" 2>/dev/null
    fi
    return 0
}
