# Shared Wine and Xvfb helpers for the tests and the demo (sourced, not run).
# Wine here runs 64-bit programs only; the prefixes live under the build folder.

VEYRA_WINE=${VEYRA_WINE:-/usr/lib/wine/wine64}
VEYRA_WINESERVER=${VEYRA_WINESERVER:-/usr/lib/wine/wineserver}
export WINEDEBUG=${WINEDEBUG:--all}

# Waits for the prefix's wineserver to end (registry edits reach the prefix's files only then),
# at most 60 s; a wineserver that does not end by then is stopped.
wine_settle() {
    timeout 60 "$VEYRA_WINESERVER" -w || "$VEYRA_WINESERVER" -k
}

# Activates a window, waiting at most 5 s for the system to do it.
activate_window() { timeout 5 xdotool windowactivate --sync "$1" >/dev/null 2>&1 || true; }

# Makes (once per Wine version) a prefix with real Tahoma and unmanaged windows, to be copied.
wine_template_prefix() {
    local template
    template=$(realpath -m "$1")
    local stamp
    stamp=$("$VEYRA_WINE" --version 2>/dev/null)
    if [[ -f "$template/.veyra-template" && "$(cat "$template/.veyra-template")" == "$stamp" ]]; then
        return 0
    fi
    rm -rf "$template"
    mkdir -p "$(dirname "$template")"
    (
        set -e
        export WINEPREFIX=$template WINEDLLOVERRIDES="mscoree,mshtml="
        unset DISPLAY
        "$VEYRA_WINE" wineboot -i >/dev/null 2>&1
        wine_settle
        cp /usr/share/wine/fonts/tahoma*.ttf "$template/drive_c/windows/Fonts/"
        # Without a window manager, closing a managed window stalls for about two seconds.
        "$VEYRA_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        wine_settle
    ) || return 1
    echo "$stamp" >"$template/.veyra-template"
}

# A private copy of the template: each scenario gets its own registry and wineserver.
wine_fresh_prefix() {
    local template=$1 prefix=$2
    rm -rf "$prefix"
    cp -a "$template" "$prefix"
}

# Sets a DWORD under HKLM in the current WINEPREFIX; deletes the value for "-".
wine_set_hklm_dword() {
    local key=$1 name=$2 value=$3
    if [[ $value == - ]]; then
        "$VEYRA_WINE" reg delete "HKLM\\$key" /v "$name" /f >/dev/null 2>&1 || true
    else
        "$VEYRA_WINE" reg add "HKLM\\$key" /v "$name" /t REG_DWORD /d "$value" /f >/dev/null 2>&1
    fi
    wine_settle
}

# Starts Xvfb on a free display and exports DISPLAY; XVFB_PID names the server. Extra arguments go
# to Xvfb (e.g. -wr for a white root window: xsetroot's colours do not show on Xvfb here).
start_xvfb() {
    local displayfile
    displayfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp "$@" 3>"$displayfile" >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do
        [[ -s "$displayfile" ]] && break
        sleep 0.05
    done
    export DISPLAY=":$(cat "$displayfile")"
    rm -f "$displayfile"
}

stop_xvfb() {
    [[ -n "${XVFB_PID:-}" ]] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=
}

# The Windows form of a Unix path outside any prefix drive (Wine's Z: drive).
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
