#!/usr/bin/env bash
# Shows VeyraLauncher doing its job for real under Wine: a game folder with an old game launcher
# (a small program that shows its version in a window) and "temp.data" holding the new one; the
# studio's side, where the version-file tool writes the version file and checks it live once
# nginx, on port 80 of a private network namespace, serves it; and VeyraLauncher run with
# --update. It prints what happened at the end.
#   tools/demo.sh          a real update (2.0.0.1 -> 2.0.0.2)
#   tools/demo.sh --fail   the version file names a wrong CRC: the failure display is shown
# On your display when there is one; otherwise on a private Xvfb screen, where screenshots are
# saved and their paths printed. Installs what it needs first (apt-get, idempotent; asks for
# root through sudo).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mode=${1:-update}
demo="$root/build/demo"

source "$root/tools/lib/netns.sh"
if ! in_private_network; then
    cd "$root"
    "$root/tools/install-deps.sh"
    echo "== building the program (win32 is the shipped product)"
    for preset in win32 win64; do
        cmake --preset "$preset" >/dev/null
        cmake --build --preset "$preset" >/dev/null
    done
    echo "== building the studio's version-file tool (native)"
    cmake --preset native >/dev/null
    cmake --build --preset native --target veyra_version_file >/dev/null
    echo "   build/win32/VeyraLauncher.exe: $(stat -c %s build/win32/VeyraLauncher.exe) bytes"
    source "$root/tools/lib/wine.sh"
    wine_runs_32bit || echo "   the 64-bit twin runs instead: $(wine32_missing_reason)"
fi
# The update server listens on port 80 of a loopback that only this demo sees.
enter_private_network "$0" "$mode"

source "$root/tools/lib/wine.sh"
SCENARIO_DIR="$demo"
build=$(wine_product_build "$root")
source "$root/tests/e2e/lib.sh"

game="$demo/game"
rm -rf "$demo/game" "$demo/www" "$demo/nginx" "$demo"/*.png
mkdir -p "$game"
cp "$build/VeyraLauncher.exe" "$game/"
cp "$build/tests/demo_launcher_2.0.0.1.exe" "$game/dunmorelauncher.exe"
cp "$build/tests/demo_launcher_2.0.0.2.exe" "$game/temp.data"
echo "== game folder: $game (dunmorelauncher.exe is version 2.0.0.1, temp.data is 2.0.0.2)"

# The studio's side: the tool writes the version file for the new launcher.
tool="$root/build/native/veyra_version_file"
version_path=/update/qel_2.0.0.1/inc/veyralauncher.ini
mkdir -p "$demo/www${version_path%/*}"
echo "== publishing: veyra_version_file write temp.data 2.0.0.2 --out www$version_path"
"$tool" write "$game/temp.data" 2.0.0.2 --out "$demo/www$version_path" || exit 1
crc=$(cut -d'|' -f2 "$demo/www$version_path" | tr -d '\r\n')
published=$crc
if [[ $mode == --fail ]]; then
    published=$((crc ^ 1))
    printf '2.0.0.2|%s\r\n' "$published" >"$demo/www$version_path"
    echo "   (--fail: then overwritten with a wrong CRC, $published)"
fi

wine_template_prefix
wine_fresh_prefix "$VEYRA_WINE_TEMPLATE" "$demo/wine"
export WINEPREFIX="$demo/wine"
trap '"$VEYRA_WINESERVER" -k >/dev/null 2>&1 || true; stop_nginx; stop_xvfb' EXIT

start_nginx "$demo/www"
echo "== update server: nginx on 127.0.0.1:80 serving $version_path: 2.0.0.2|$published"
echo "== checking it live: veyra_version_file check localhost temp.data"
"$tool" check localhost "$game/temp.data" | sed 's/^/   /' || true

headless=0
if [[ -z "${DISPLAY:-}" ]]; then
    headless=1
    start_xvfb -wr
    echo "== no display: using Xvfb on $DISPLAY"
fi
shot() {
    ((headless)) || return 0
    import -window root "$demo/$1.png" && echo "   screenshot: $demo/$1.png"
}

echo "== VeyraLauncher.exe --update ($(basename "$build"))"
old_bytes=$(sha256sum <"$game/dunmorelauncher.exe")
(cd "$game" && "$VEYRA_WINE" VeyraLauncher.exe --update) &
pid=$!
sleep 1.2
shot splash
if [[ $mode == --fail ]]; then
    sleep 1
    shot failure
fi
wait "$pid" && code=0 || code=$?
echo "   VeyraLauncher ended with exit code $code"
sleep 1.5
shot after

echo "== what happened"
# The first request is the tool's check, the second the program's.
mapfile -t requests < <(cut -d'|' -f1 "$NGINX_DIR/access.log" 2>/dev/null)
echo "   requests seen by the server: ${#requests[@]}, the studio's check and the program's"
echo "   the program's: ${requests[1]:-none}"
echo "   CRC-32 of temp.data: $crc; published: $published"
if [[ $(sha256sum <"$game/dunmorelauncher.exe") != "$old_bytes" ]]; then
    echo "   swap: dunmorelauncher.exe is now version 2.0.0.2; temp.data $( [[ -e $game/temp.data ]] && echo 'is still there' || echo 'is gone')"
else
    echo "   swap: none, dunmorelauncher.exe is still version 2.0.0.1"
fi
if window=$(timeout 5 xdotool search --onlyvisible --name '^Dunmore Launcher' 2>/dev/null | head -n 1) &&
    [[ -n $window ]]; then
    echo "   started: $(xdotool getwindowname "$window")"
else
    echo "   started: no game launcher"
fi
[[ -f $game/VeyraLauncher.err ]] && echo "   error log: $(iconv -f cp1252 -t utf-8 "$game/VeyraLauncher.err")"
exit 0
