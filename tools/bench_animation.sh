#!/usr/bin/env bash
# What the logo animation costs: runs the real VeyraLauncher.exe --update under Wine and Xvfb
# while its update check waits on a server that sends the version file at one byte per second
# (nginx, port 80 of a private network namespace), so the logo animates all along, and reads the
# CPU time of the Wine process that runs the program (utime + stime of /proc/<pid>/stat, all its
# threads) over SECONDS of animation. Prints that as a share of one core, next to the shares of
# the wineserver and of Xvfb, which carry the program's messages and drawing.
# Usage: tools/bench_animation.sh [BUILD_DIR] [SECONDS]
# (defaults: the shipped 32-bit build, build/win32, or build/win64 where 32-bit Wine cannot run;
# 10 s). The program's own share is the figure to keep low (target: under 2% of one core).
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/tools/lib/wine.sh"
source "$root/tools/lib/netns.sh"
build=$(cd "${1:-$(wine_product_build "$root")}" && pwd)
seconds=${2:-10}
enter_private_network "$0" "$build" "$seconds"

source "$root/tests/e2e/lib.sh"

fail() {
    echo "bench_animation: $*" >&2
    exit 1
}

SCENARIO_DIR=$(mktemp -d "$build/bench-animation.XXXXXX")
export WINEPREFIX="$SCENARIO_DIR/prefix"
cleanup() {
    "$VEYRA_WINESERVER" -k >/dev/null 2>&1
    stop_nginx
    stop_xvfb
    rm -rf "$SCENARIO_DIR"
}
trap cleanup EXIT

[[ -f $build/VeyraLauncher.exe ]] || fail "no $build/VeyraLauncher.exe (build its preset)"
wine_template_prefix || fail "making the Wine prefix failed"
wine_fresh_prefix "$VEYRA_WINE_TEMPLATE" "$WINEPREFIX"
start_xvfb
serve_slowly
GAME="$SCENARIO_DIR/game"
mkdir -p "$GAME"
cp "$build/VeyraLauncher.exe" "$GAME/"
printf 'new launcher' >"$GAME/temp.data"

# Busy clock ticks (user + system) of a process, all its threads.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null; }

cd "$GAME" || fail "no game folder"
"$VEYRA_WINE" VeyraLauncher.exe --update >/dev/null 2>&1 &
launched=$!
window=$(wait_for_window _VeyraLauncher 30) || fail "no splash window"
# Prints the process whose command line matches $1 and that runs in this benchmark's prefix.
process_in_prefix() {
    local pid
    for pid in $(pgrep -f "$1"); do
        if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
            echo "$pid"
            return 0
        fi
    done
    return 1
}
# The Wine process that runs the program, and the prefix's wineserver.
program=$(process_in_prefix 'VeyraLauncher\.exe') || fail "no process runs VeyraLauncher.exe"
wineserver=$(process_in_prefix 'wineserver') || fail "no wineserver"
sleep 1 # past the first show

hz=$(getconf CLK_TCK)
# The logo's animated square on screen: 29 x 28 at (68, 38) of the logo, at (60, 56) of the window.
eval "$(xdotool getwindowgeometry --shell "$window")"
square="$((X + 60 + 68)) $((Y + 56 + 38)) 29 28"
start_shot="$SCENARIO_DIR/start.png"
end_shot="$SCENARIO_DIR/end.png"
import -window root "$start_shot" 2>/dev/null
p0=$(cpu_ticks "$program")
w0=$(cpu_ticks "$wineserver")
x0=$(cpu_ticks "$XVFB_PID")
t0=$(date +%s.%N)
sleep "$seconds"
p1=$(cpu_ticks "$program")
w1=$(cpu_ticks "$wineserver")
x1=$(cpu_ticks "$XVFB_PID")
t1=$(date +%s.%N)
import -window root "$end_shot" 2>/dev/null

kill -0 "$program" 2>/dev/null || fail "the program ended during the measurement"
kill -0 "$launched" 2>/dev/null || fail "the program ended during the measurement"
[[ -n $p0 && -n $p1 ]] || fail "could not read the program's CPU time"
# The logo really moved during the measurement (and nothing else did).
moved=$(/usr/bin/python3 "$root/tests/e2e/compare_screenshots.py" "$start_shot" "$end_shot" $square)
[[ $moved != "inside=0 "* ]] || fail "the logo did not move during the measurement ($moved)"

/usr/bin/python3 - "$p0" "$p1" "$w0" "$w1" "$x0" "$x1" "$t0" "$t1" "$hz" "$moved" <<'PY'
import sys
p0, p1, w0, w1, x0, x1 = (int(v) if v else 0 for v in sys.argv[1:7])
t0, t1, hz = float(sys.argv[7]), float(sys.argv[8]), int(sys.argv[9])
wall = t1 - t0
def share(a, b):
    return 100.0 * (b - a) / hz / wall
print("logo animation over %.1f s (screen between start and end: %s)" % (wall, sys.argv[10]))
print("VeyraLauncher.exe: %.2f%% of one core (%.2f s CPU)" % (share(p0, p1), (p1 - p0) / hz))
print("wineserver:        %.2f%% of one core" % share(w0, w1))
print("Xvfb:              %.2f%% of one core" % share(x0, x1))
PY
