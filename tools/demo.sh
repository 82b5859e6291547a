#!/usr/bin/env bash
# Shows VeyraLauncher doing its job for real under Wine: builds the program, prepares a game
# folder with a stand-in game launcher, then
#   1. starts it without arguments (pass-through): the game launcher is started at once;
#   2. starts it with --update: the splash window appears.
# On your display when there is one (close the window with Alt+F4); otherwise on a private Xvfb
# screen, where a screenshot is saved and its path printed.
# Installs what it needs first (apt-get, idempotent; asks for root through sudo).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
"$root/tools/install-deps.sh"
source "$root/tools/lib/wine.sh"

echo "== building the program (win32 is the shipped product, win64 is what Wine runs here)"
for preset in win32 win64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" >/dev/null
done
echo "   build/win32/VeyraLauncher.exe: $(stat -c %s build/win32/VeyraLauncher.exe) bytes"

demo="$root/build/demo"
game="$demo/game"
rm -rf "$game"
mkdir -p "$game"
cp build/win64/VeyraLauncher.exe "$game/"
cp build/win64/tests/fake_launcher.exe "$game/dunmorelauncher.exe"
echo "== game folder: $game"

wine_template_prefix "$demo/wine-template"
wine_fresh_prefix "$demo/wine-template" "$demo/wine"
export WINEPREFIX="$demo/wine"
trap '"$VEYRA_WINESERVER" -k >/dev/null 2>&1 || true; stop_xvfb' EXIT

headless=0
if [[ -z "${DISPLAY:-}" ]]; then
    headless=1
    # A white screen, so the window's cut-out outline shows on the screenshot.
    start_xvfb -wr
    echo "== no display: using Xvfb on $DISPLAY"
fi

echo "== 1. pass-through: VeyraLauncher.exe (no arguments)"
(cd "$game" && "$VEYRA_WINE" VeyraLauncher.exe)
echo "   exit code $?"
for _ in $(seq 50); do [[ -s "$game/launcher-record.txt" ]] && break; sleep 0.1; done
echo "   the game launcher recorded:"
sed 's/^/     /' "$game/launcher-record.txt"

echo "== 2. update mode: VeyraLauncher.exe --update"
(cd "$game" && "$VEYRA_WINE" VeyraLauncher.exe --update) &
pid=$!
if ((headless)); then
    for _ in $(seq 100); do
        window=$(xdotool search --onlyvisible --name '^_VeyraLauncher$' 2>/dev/null | head -n 1) || true
        [[ -n ${window:-} ]] && break
        sleep 0.1
    done
    sleep 1
    shot="$demo/splash.png"
    import -window root "$shot"
    echo "   screenshot: $shot"
    activate_window "$window"
    xdotool key alt+F4
else
    echo "   the splash window is on your screen; close it with Alt+F4"
fi
wait "$pid" && code=0 || code=$?
echo "   exit code $code"
