# Building blocks of the end-to-end scenarios (sourced by run.sh).
# Each scenario runs in a subshell with its own game folder ($GAME), its own Wine prefix and
# wineserver; `fail` prints the reason and ends it.

E2E_BIN=${E2E_BIN:-$build}
# The program under test: the build's own, unless VEYRA_E2E_EXE names another (a release's signed
# exe, with the build's helpers).
E2E_EXE=${VEYRA_E2E_EXE:-$E2E_BIN/VeyraLauncher.exe}

# Runs one scenario function in a fresh folder and prefix; stops its wineserver afterwards.
run_scenario() {
    local name=$1
    (
        set -uo pipefail
        SCENARIO_DIR="$E2E_WORK/$name"
        GAME="$SCENARIO_DIR/game"
        mkdir -p "$GAME"
        export WINEPREFIX="$SCENARIO_DIR/prefix"
        wine_fresh_prefix "$E2E_TEMPLATE" "$WINEPREFIX"
        cp "$E2E_EXE" "$GAME/VeyraLauncher.exe"
        trap 'stop_nginx; "$VEYRA_WINESERVER" -k >/dev/null 2>&1' EXIT
        "$name"
    )
}

# Ends the scenario (its subshell) at once with the reason.
fail() {
    echo "$*"
    exit 1
}

# Puts the fake game launcher beside the program as dunmorelauncher.exe.
install_fake_launcher() { cp "$E2E_BIN/tests/fake_launcher.exe" "$GAME/dunmorelauncher.exe"; }

# Starts VeyraLauncher.exe in the background with an exact command line (text after the
# program's quoted path), from the current directory. Sets VEYRA_PID.
launch_veyra() {
    local arguments=$1
    local program
    program=$(windows_path "$GAME/VeyraLauncher.exe")
    if [[ -n $arguments ]]; then
        export VEYRA_RAW_COMMAND_LINE="\"$program\" $arguments"
    else
        export VEYRA_RAW_COMMAND_LINE="\"$program\""
    fi
    "$VEYRA_WINE" "$E2E_BIN/tests/run_raw.exe" >/dev/null 2>&1 &
    VEYRA_PID=$!
}

# Waits up to $1 seconds for the program to end; sets EXIT_CODE. Fails on time-out.
wait_for_exit() {
    local limit=$1
    local deadline=$((SECONDS + limit))
    while kill -0 "$VEYRA_PID" 2>/dev/null; do
        if ((SECONDS >= deadline)); then
            kill "$VEYRA_PID" 2>/dev/null
            fail "did not end within $limit s"
        fi
        sleep 0.1
    done
    wait "$VEYRA_PID"
    EXIT_CODE=$?
}

# Waits up to $2 seconds for a visible window titled exactly $1; prints its X window id.
wait_for_window() {
    local title=$1 limit=$2
    local deadline=$((SECONDS + limit)) id
    while ((SECONDS < deadline)); do
        id=$(timeout 10 xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n 1)
        if [[ -n $id ]]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# Holds the file $1 open for 30 s in another process, as another program would: $2 is "none"
# (nobody else may open it) or "read" (others may only read it, as a running program's file).
# Returns once the hold has had time to take effect.
hold_open() {
    "$VEYRA_WINE" "$E2E_BIN/tests/hold_file.exe" "$(windows_path "$1")" "$2" 30 >/dev/null 2>&1 &
    sleep 1.5
}

# Number of times the fake launcher was started, and one field of its last record.
launcher_starts() {
    local count
    count=$(grep -c '^started$' "$GAME/launcher-record.txt" 2>/dev/null)
    echo "${count:-0}"
}
launcher_field() { grep "^$1=" "$GAME/launcher-record.txt" | tail -n 1 | cut -d= -f2-; }

# Waits up to $1 seconds for the fake launcher's record to appear.
wait_for_launcher() {
    local deadline=$((SECONDS + $1))
    until [[ -s "$GAME/launcher-record.txt" ]]; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}

# A close request as the user gives it (Alt+F4 on the window, activated first when named): the
# program must end within $2 seconds with exit code 0.
close_with_alt_f4() {
    local window=$1 limit=$2
    [[ -n $window ]] && activate_window "$window"
    xdotool key --clearmodifiers alt+F4
    wait_for_exit "$limit"
    ((EXIT_CODE == 0)) || fail "exit code $EXIT_CODE after the close request"
}

screenshot() { import -window root "$E2E_ARTIFACTS/$1.png" 2>/dev/null; }

# Starts nginx on 127.0.0.1:80 (the scenario's private network namespace) serving DOCROOT as
# static files, with a configuration of its own under $SCENARIO_DIR/nginx; extra http-level
# directives may follow as a second argument. The access log, $NGINX_DIR/access.log, has one line
# per request: request line, then the Host, Cache-Control, Accept, Accept-Encoding, User-Agent,
# Connection, Authorization and Pragma headers, separated by "|" ("-" for a missing one).
# Sets NGINX_PID and NGINX_DIR; run_scenario stops it when the scenario ends.
start_nginx() {
    local docroot=$1 extra=${2:-}
    NGINX_DIR="$SCENARIO_DIR/nginx"
    mkdir -p "$NGINX_DIR/temp"
    cat >"$NGINX_DIR/nginx.conf" <<CONF
daemon off;
master_process off;
pid $NGINX_DIR/nginx.pid;
error_log $NGINX_DIR/error.log info;
events { worker_connections 64; }
http {
    default_type application/octet-stream;
    log_format veyra '\$request|\$http_host|\$http_cache_control|\$http_accept|\$http_accept_encoding|\$http_user_agent|\$http_connection|\$http_authorization|\$http_pragma';
    access_log $NGINX_DIR/access.log veyra;
    client_body_temp_path $NGINX_DIR/temp/body;
    proxy_temp_path $NGINX_DIR/temp/proxy;
    fastcgi_temp_path $NGINX_DIR/temp/fastcgi;
    uwsgi_temp_path $NGINX_DIR/temp/uwsgi;
    scgi_temp_path $NGINX_DIR/temp/scgi;
    $extra
    server {
        listen 127.0.0.1:80;
        server_name localhost;
        root $docroot;
    }
}
CONF
    nginx -p "$NGINX_DIR" -e "$NGINX_DIR/error.log" -c "$NGINX_DIR/nginx.conf" \
        >>"$NGINX_DIR/stdout.log" 2>&1 &
    NGINX_PID=$!
    local deadline=$((SECONDS + 10))
    until (exec 3<>/dev/tcp/127.0.0.1/80) 2>/dev/null; do
        if ! kill -0 "$NGINX_PID" 2>/dev/null || ((SECONDS >= deadline)); then
            echo "nginx did not start: $(tail -n 5 "$NGINX_DIR/error.log" 2>/dev/null)"
            return 1
        fi
        sleep 0.05
    done
}

# Where the program asks for the version file (its default update host is "localhost").
VERSION_FILE_PATH=/update/qel_2.0.0.1/inc/veyralauncher.ini

# Puts the bytes of $1 (printf format) into the docroot as the version file; prints the docroot.
make_docroot() {
    local docroot="$SCENARIO_DIR/www"
    mkdir -p "$docroot${VERSION_FILE_PATH%/*}"
    printf "$1" >"$docroot$VERSION_FILE_PATH"
    echo "$docroot"
}

# Serves the version file with body $1 (printf format); $2 adds nginx settings.
serve_version_file() {
    local docroot
    docroot=$(make_docroot "$1")
    start_nginx "$docroot" "${2:-}" || fail "nginx did not start"
}

# The server has no version file: it answers 404.
remove_version_file() { rm "$SCENARIO_DIR/www$VERSION_FILE_PATH"; }

# The CRC-32 of a file in unsigned decimal.
crc_of() { python3 -c 'import sys, zlib; print(zlib.crc32(open(sys.argv[1], "rb").read()))' "$1"; }

# Starts an update server that answers the version-file request one byte a second, so the update
# check keeps running (and the splash window stays) for about half a minute.
serve_slowly() {
    local docroot="$SCENARIO_DIR/slow-www"
    mkdir -p "$docroot/update/qel_2.0.0.1/inc"
    printf 'slow|%040d\r\n' 0 >"$docroot/update/qel_2.0.0.1/inc/veyralauncher.ini"
    start_nginx "$docroot" 'limit_rate 1;' || fail "nginx did not start"
}

stop_nginx() {
    [[ -n "${NGINX_PID:-}" ]] || return 0
    kill "$NGINX_PID" 2>/dev/null && wait "$NGINX_PID" 2>/dev/null
    NGINX_PID=
}
