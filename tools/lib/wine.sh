# Shared Wine and Xvfb helpers for the tests and the demo (sourced, not run).
# With wine32 beside wine64 the prefixes are WoW64 ones (32- and 64-bit programs alike); they
# live under the build folder.

VEYRA_WINE32=${VEYRA_WINE32:-/usr/lib/wine/wine}
VEYRA_WINE64=${VEYRA_WINE64:-/usr/lib/wine/wine64}
VEYRA_WINESERVER=${VEYRA_WINESERVER:-/usr/lib/wine/wineserver}
# The 32-bit loader runs 64-bit programs too, when this machine runs 32-bit programs at all: a
# kernel started with its 32-bit emulation off refuses them ("Exec format error") even with
# wine32 installed. Then 64-bit Wine runs what it can.
# A machine that hands 32-bit programs to qemu through binfmt_misc runs them, but emulated: not
# the processor the product meets, and too racy for Wine's threads.
wine32_emulated_by_binfmt() { grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null; }
if [[ -z ${VEYRA_WINE:-} ]]; then
    if ! wine32_emulated_by_binfmt && "$VEYRA_WINE32" --version >/dev/null 2>&1; then
        VEYRA_WINE=$VEYRA_WINE32
    else
        VEYRA_WINE=$VEYRA_WINE64
    fi
fi
export WINEDEBUG=${WINEDEBUG:--all}
# The one prefix template that every tier, the benchmark and the demo copy.
VEYRA_WINE_TEMPLATE=${VEYRA_WINE_TEMPLATE:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build/wine/template}

# True when the Wine in use runs the shipped 32-bit program.
wine_runs_32bit() { [[ $VEYRA_WINE == "$VEYRA_WINE32" ]]; }

# Why the 32-bit program cannot run here, for the scripts that fall back to the 64-bit twin.
wine32_missing_reason() {
    if [[ ! -x $VEYRA_WINE32 ]]; then
        echo "wine32 is not installed"
    elif wine32_emulated_by_binfmt; then
        echo "32-bit programs are handed to qemu here (binfmt_misc), not run by the processor"
    else
        local said
        said=$("$VEYRA_WINE32" --version 2>&1 | tail -n 1)
        if [[ $said == *"Exec format error"* ]]; then
            echo "this machine's kernel does not run 32-bit programs (Exec format error)"
        else
            echo "32-bit Wine does not start: $said"
        fi
    fi
}

# The build folder whose VeyraLauncher.exe the Wine tiers run: the shipped 32-bit build where
# 32-bit Wine runs, else the 64-bit one. $1 is the project's root.
wine_product_build() {
    if wine_runs_32bit; then echo "$1/build/win32"; else echo "$1/build/win64"; fi
}

# Where the kernel refuses 32-bit programs, 32-bit Wine still runs under qemu's user-mode
# emulation of an i386 processor, the loader kept from re-executing itself (which would meet the
# refusal again). Slow, and Wine's threads race there: a test with contending threads, or one that
# starts processes, crashes it; single-threaded computation runs reliably.
VEYRA_QEMU_I386=${VEYRA_QEMU_I386:-/usr/bin/qemu-i386-static}
VEYRA_WINE32_EMULATED=(env WINELOADERNOEXEC=1 "$VEYRA_QEMU_I386" -cpu max "$VEYRA_WINE32")
wine32_emulation_available() { [[ -x $VEYRA_QEMU_I386 && -x $VEYRA_WINE32 ]]; }

# A prefix that 64-bit Wine made alone has an empty syswow64 (32-bit wineboot could not fill it):
# puts the 32-bit system libraries there, for emulated 32-bit Wine.
wine32_fill_syswow64() {
    cp /usr/lib/i386-linux-gnu/wine/i386-windows/*.dll /usr/lib/i386-linux-gnu/wine/i386-windows/*.exe \
        "$1/drive_c/windows/syswow64/"
}

# Waits for the prefix's wineserver to end (registry edits reach the prefix's files only then),
# at most 60 s; a wineserver that does not end by then is stopped.
wine_settle() {
    timeout 60 "$VEYRA_WINESERVER" -w || "$VEYRA_WINESERVER" -k
}

# Activates a window, waiting at most 5 s for the system to do it.
activate_window() { timeout 5 xdotool windowactivate --sync "$1" >/dev/null 2>&1 || true; }

# Makes (once per Wine version and kind) a prefix with real Tahoma and unmanaged windows, to be
# copied; $1 is where (default: the shared template).
wine_template_prefix() {
    local template
    template=$(realpath -m "${1:-$VEYRA_WINE_TEMPLATE}")
    local stamp
    # A prefix made before wine32 was installed is no WoW64 prefix: the stamp tells them apart.
    stamp="$("$VEYRA_WINE" --version 2>/dev/null) $([[ -x $VEYRA_WINE32 ]] && echo wow64)"
    if [[ -f "$template/.veyra-template" && "$(cat "$template/.veyra-template")" == "$stamp" ]]; then
        return 0
    fi
    rm -rf "$template"
    mkdir -p "$(dirname "$template")"
    (
        export WINEPREFIX=$template WINEDLLOVERRIDES="mscoree,mshtml="
        unset DISPLAY
        "$VEYRA_WINE" wineboot -i >/dev/null 2>&1 && wine_settle &&
            cp /usr/share/wine/fonts/tahoma*.ttf "$template/drive_c/windows/Fonts/" &&
            # Without a window manager, closing a managed window stalls for about two seconds.
            "$VEYRA_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
                >/dev/null 2>&1 &&
            wine_settle
    ) || return 1
    echo "$stamp" >"$template/.veyra-template"
}

# A private copy of the template: each scenario gets its own registry and wineserver.
wine_fresh_prefix() {
    local template=$1 prefix=$2
    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")"
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
