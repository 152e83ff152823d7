# A fresh 64-bit Wine prefix on a private Xvfb display, for the Windows stage and the Windows
# benchmark; sourced. wine_start FOLDER makes FOLDER/prefix and exports DISPLAY, WINEPREFIX and
# the rest; wine_stop ends the prefix's wineserver, every Wine process it serves, and the display.
wine_xvfb_pid=""

wine_start() {
    local folder=$1
    # A display of our own for every Wine process (one wineserver needs one DISPLAY throughout);
    # Xvfb picks a free number and writes it once it accepts connections.
    Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$folder/display" \
        2>"$folder/xvfb.log" &
    wine_xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$folder/display" ] && break
        kill -0 "$wine_xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    if [ ! -s "$folder/display" ]; then
        echo "Xvfb did not start:" >&2
        cat "$folder/xvfb.log" >&2
        return 1
    fi
    export DISPLAY=":$(cat "$folder/display")"

    export WINEPREFIX=$folder/prefix WINEARCH=win64 WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    echo "== a fresh Wine prefix (display $DISPLAY)"
    # One wineserver throughout: left alone it exits whenever no Wine process runs, and the next
    # call starts another, which costs time and forgets the registry keys' access lists (kept in
    # memory only).
    mkdir -p "$WINEPREFIX"
    timeout 20 wineserver -p
    timeout 180 wine wineboot -i >/dev/null 2>&1
    # No window manager runs on this display: Wine manages its windows itself, instead of
    # waiting two seconds for a window manager each time a window is hidden.
    timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
}

wine_stop() {
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        timeout 20 wineserver -k 2>/dev/null || true
        timeout 20 wineserver -w 2>/dev/null || true
    fi
    if [ -n "$wine_xvfb_pid" ]; then
        kill "$wine_xvfb_pid" 2>/dev/null || true
        wait "$wine_xvfb_pid" 2>/dev/null || true
        wine_xvfb_pid=""
    fi
}

# A Linux path as Wine sees it through drive Z:.
winpath() { printf 'Z:%s' "${1//\//\\}"; }
