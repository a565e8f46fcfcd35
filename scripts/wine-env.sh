# Sourced by the scripts that run Windows programs: a quiet Wine in the project's own prefix, one
# persistent wineserver for the whole run, and an X server for the tests that create windows.
# `wine_env_start` brings both up; `wine_env_stop` ends exactly what it started.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$root/build/wine-prefix}"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml="

wine_loader=$(command -v wine64 || true)
[ -n "$wine_loader" ] || wine_loader=/usr/lib/wine/wine64
# The 32-bit loader, installed beside it by wine32, runs 32-bit programs in the same prefix.
wine_loader32=$(dirname "$wine_loader")/wine
wine_server=$(command -v wineserver || true)
[ -n "$wine_server" ] || wine_server=$(dirname "$wine_loader")/wineserver64
[ -x "$wine_server" ] || wine_server=$(dirname "$wine_loader")/wineserver

xvfb_pid=""
own_server=""

wine_env_start() {
    mkdir -p "$WINEPREFIX"
    if [ -z "${DISPLAY:-}" ]; then
        local display_file
        display_file=$(mktemp)
        Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
        xvfb_pid=$!
        for _ in $(seq 100); do
            [ -s "$display_file" ] && break
            sleep 0.1
        done
        export DISPLAY=":$(head -n1 "$display_file")"
        rm -f "$display_file"
    fi
    # Its output must not hold the caller's pipes open for as long as it lives. A server that
    # already runs for this prefix (started by hand, say) is used and left alone.
    if "$wine_server" -p >/dev/null 2>&1; then
        own_server=1
    fi
    # The first start of a new prefix creates it; do it once, before any test is timed.
    "$wine_loader" cmd /c exit >/dev/null 2>&1 || true
}

wine_env_stop() {
    if [ -n "$own_server" ]; then
        "$wine_server" -k >/dev/null 2>&1 || true
        own_server=""
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=""
    fi
}
