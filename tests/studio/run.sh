#!/usr/bin/env bash
# The studio's version-file tool against live servers: nginx and the scripted server listen on
# port 80 of a private network namespace, and `veyra_version_file check localhost LAUNCHER` (the
# README's nginx block: 127.0.0.1) must end with the row's exit status and last line. The rows are the deployments the end-to-end
# scenarios show the program, and the studio's usual slips. With a Windows build, its tool runs a
# few rows again under Wine. Some rows check again with --json and hold the object's members to
# the row; tests/studio/pipeline.sh adds the tool in a pipeline (a full disk, a closed output) and
# write --out, for each build, and tests/studio/hosts.sh holds check and tools/release.sh to one
# table of host names.
# Usage: tests/studio/run.sh [NATIVE_BUILD_DIR] [WINDOWS_BUILD_DIR]
# Prints one PASS or FAIL line per row and ends with "N passed, N failed"; every row's output is
# kept in NATIVE_BUILD_DIR/studio-check.log.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/tools/lib/netns.sh"
source "$root/tools/lib/wine.sh"

# One row, run by the loop below in a process of its own so that a hang is bounded:
#   run.sh --one NATIVE_BUILD_DIR WORK_DIR native|windows ROW_INDEX
if [[ ${1:-} == --one ]]; then
    native=$2 WORK=$3 kind=$4 index=$5
else
    native=$(cd "${1:-$root/build/native}" && pwd)
    windows=${2:+$(cd "$2" && pwd)}
    enter_private_network "$0" "$native" "$windows"
fi

build=$native
source "$root/tests/e2e/lib.sh"
source "$root/tests/e2e/scenarios_version_file.sh"
LOG="$native/studio-check.log"
# The launcher of most rows holds "123456789": its CRC-32 is 3421780262, -873187034 as a signed
# number, CBF43926 in hexadecimal.
CRC=3421780262

# Server setups: each starts the row's server (or none). serve is the end-to-end scenarios'
# serve_version_file: nginx with the body $1 (printf format) and settings $2.
serve() { serve_version_file "$@" >/dev/null; }
# A launcher-sized file whose version file the tool itself writes.
serve_what_the_tool_writes() {
    head -c 3000000 /dev/urandom >"$SCENARIO_DIR/launcher"
    LAUNCHER="$SCENARIO_DIR/launcher"
    serve ''
    "${TOOL[@]}" write "$(tool_path "$LAUNCHER")" 2.0.0.2 >"$SCENARIO_DIR/www$VERSION_FILE_PATH" ||
        fail "write failed"
    CRC=$(crc_of "$LAUNCHER")
}
serve_nothing_at_the_path() {
    serve ''
    remove_version_file
}
# As a site that moved its files does: the missing file becomes a redirect.
serve_a_redirect() {
    serve '' 'error_page 404 =302 http://localhost/moved/veyralauncher.ini;'
    remove_version_file
}
serve_crc_12345() { serve 'text|12345\r\n'; }
serve_crc_after_two_bars() { serve "text||$CRC\r\n"; }
serve_a_leading_zero() { serve "2.0.0.2|0$CRC\r\n"; }
serve_the_number_before_the_bar() { serve "$CRC|2.0.0.2\r\n"; }
serve_a_signed_crc() { serve '2.0.0.2|-873187034\r\n'; }
serve_a_body_over_the_bound() {
    serve ''
    head -c 1048577 /dev/zero | tr '\0' x >"$SCENARIO_DIR/www$VERSION_FILE_PATH"
}
serve_no_server() { :; }
# A name only DNS could answer, in a network namespace where no name server is reachable.
serve_no_name_server() { CHECK_HOST=updates.example.com; }
# The nginx server block of the README's "Shipping an update", as a studio would copy it: nginx
# picks it for a request to 127.0.0.1, and it sends the version file uncached.
serve_the_readme_location() {
    local docroot block
    docroot=$(make_docroot "2.0.0.2|$CRC\r\n")
    block=$(python3 - "$root/README.md" "$docroot" <<'PY'
import re, sys
readme, docroot = open(sys.argv[1]).read(), sys.argv[2]
section = readme[readme.index("## Shipping an update"):]
block = re.search(r"```nginx\n(.*?)```", section, re.S).group(1)
block = block.replace("listen 80;", "listen 127.0.0.1:80 default_server;")
print(re.sub(r"root /srv/updates;", "root %s;" % docroot, block))
PY
) || fail "no nginx block in the README"
    start_nginx "$docroot" "$block" >/dev/null || fail "nginx did not take the README's block"
    CHECK_HOST=127.0.0.1
    python3 - "$VERSION_FILE_PATH" <<'PY' || fail "the README's location does not forbid caching"
import http.client, sys
connection = http.client.HTTPConnection("127.0.0.1", 80, timeout=5)
connection.request("GET", sys.argv[1] + "?v=10122026120000")
response = connection.getresponse()
sys.exit(0 if response.getheader("Cache-Control") == "no-store" else 1)
PY
}
# The scripted server on port 80; $1 is its case, $2 the body.
scripted() {
    coproc SCRIPTED { exec "$native/tests/studio/scripted_http_server" 80 "$1" "${2:-}"; }
    local ready
    read -r -t 10 ready <&"${SCRIPTED[0]}"
    [[ $ready == listening ]] || fail "the scripted server did not start"
    SCRIPTED_SERVER=$SCRIPTED_PID
}
serve_silence() { scripted silence; }
serve_a_close() { scripted close; }
serve_a_long_status_line() { scripted long_status_line; }
serve_two_chunks() { scripted chunked "2.0.0.2|$CRC"; }
serve_after_two_continues() { scripted continue "2.0.0.2|$CRC"; }

# Signed deployments: keys made and files signed by the native tool (the Windows build only
# verifies); the row's check gets CHECK_KEYS.
KEYGEN_TOOL=$native/veyra_version_file
make_key() { "$KEYGEN_TOOL" keygen "$SCENARIO_DIR/$1.pem" "$SCENARIO_DIR/$1.pub" >/dev/null || fail "keygen failed"; }
serve_signed_by() {
    make_key studio
    serve ''
    "$KEYGEN_TOOL" write "$LAUNCHER" 2.0.0.2 --key "$SCENARIO_DIR/$1.pem" \
        >"$SCENARIO_DIR/www$VERSION_FILE_PATH" || fail "write --key failed"
}
serve_signed_checked_with_the_key() {
    serve_signed_by studio
    CHECK_KEYS=(--key "$(tool_path "$SCENARIO_DIR/studio.pub")")
}
serve_signed_checked_without_keys() { serve_signed_by studio; }
serve_plain_checked_with_a_key() {
    make_key studio
    serve "2.0.0.2|$CRC\r\n"
    CHECK_KEYS=(--key "$(tool_path "$SCENARIO_DIR/studio.pub")")
}
serve_signed_by_another_key() {
    make_key other
    serve_signed_by other
    CHECK_KEYS=(--key "$(tool_path "$SCENARIO_DIR/studio.pub")")
}
# The launcher the check reads is forged to the signed file's CRC-32 (four appended bytes): the
# CRC check passes, the signature does not.
serve_signed_then_forge_the_launcher() {
    serve_signed_checked_with_the_key
    head -c 5000 /dev/urandom >"$SCENARIO_DIR/forged-base"
    python3 "$root/tests/e2e/sign_version_file.py" --forge-crc "$SCENARIO_DIR/forged-base" "$CRC" \
        "$LAUNCHER" || fail "the forgery failed"
}

WHY_CHECK='status line: "Validation failed, please try again!"'
CASES=(
    # name                      | setup                          | exit | last line (a pattern)
    "published_by_the_tool      | serve_what_the_tool_writes     | 0 | OK: the program would install this file (CRC-32 \$CRC)"
    "server_answers_404         | serve_nothing_at_the_path      | 1 | why: the server answered 404: there is no version file at that path"
    "server_redirects           | serve_a_redirect               | 1 | why: the server answered 302: the program does not follow redirects"
    "crc_differs                | serve_crc_12345                | 1 | why: CRC differs: published 12345, file \$CRC"
    "two_bars_before_the_number | serve_crc_after_two_bars       | 1 | why: the body has more than one \"|\": the program takes everything after the first, \"|\$CRC\""
    "leading_zero               | serve_a_leading_zero           | 1 | why: the published CRC 0\$CRC has a leading zero: the program compares text, write \$CRC"
    "number_before_the_bar      | serve_the_number_before_the_bar | 1 | why: the CRC stands before the \"|\": the program reads only what follows the first \"|\", \"2.0.0.2\""
    "signed_crc                 | serve_a_signed_crc             | 1 | why: the published CRC -873187034 is signed: the program expects it unsigned, \$CRC"
    "body_over_the_bound        | serve_a_body_over_the_bound    | 1 | why: the answer is larger than the program takes: a body over 1048576 bytes or more than 100 head lines"
    "nothing_listening          | serve_no_server                | 1 | why: the connection to localhost port 80 failed (system error *)"
    "no_name_server             | serve_no_name_server           | 1 | why: the host name updates.example.com could not be resolved: no name server answered *"
    "silent_server              | serve_silence                  | 1 | why: the server sent nothing for 15 s"
    "closed_without_answer      | serve_a_close                  | 1 | why: the server closed the connection before its answer was complete"
    "long_status_line           | serve_a_long_status_line       | 1 | why: a status, header or chunk line of the answer is longer than 16384 bytes"
    "chunked_body               | serve_two_chunks               | 0 | OK: the program would install this file (CRC-32 \$CRC)"
    "after_two_100_continues    | serve_after_two_continues      | 0 | OK: the program would install this file (CRC-32 \$CRC)"
    "readme_nginx_location      | serve_the_readme_location      | 0 | OK: the program would install this file (CRC-32 \$CRC)"
    "signed_checked_with_key    | serve_signed_checked_with_the_key | 0 | OK: the program would install this file (CRC-32 \$CRC, signed by pinned key ????????????????)"
    "signed_checked_without_keys | serve_signed_checked_without_keys | 0 | OK: the program would install this file (CRC-32 \$CRC, signed by key ????????????????: not verified, give --key PUBLIC.pem)"
    "plain_checked_with_a_key   | serve_plain_checked_with_a_key | 1 | why: the version file carries no signature: a program pinned to key ???????????????? installs only signed files (write it with --key)"
    "signed_by_another_key      | serve_signed_by_another_key    | 1 | why: signed by key ????????????????, which is not among the pinned keys (????????????????)"
    "crc_forged_launcher        | serve_signed_then_forge_the_launcher | 1 | why: the signature by key ???????????????? does not cover this file and label \"2.0.0.2\": it was made for another file, another length or another label"
)
# Rows whose check runs again with --json: a Python condition on the object `j` (the launcher's
# CRC-32 is `crc`, the row's host `host`).
declare -A JSON_CHECKS=(
    [published_by_the_tool]='j["verdict"] == "install" and j["crc"] == crc and j["publishedCrc"] == str(crc) and j["reason"] is None and j["statusLine"] == "" and j["url"].startswith("http://" + host + "/update/qel_2.0.0.1/inc/veyralauncher.ini?v=") and j["address"] == "127.0.0.1" and j["bound"] is None'
    [server_redirects]='j["verdict"] == "refuse" and j["fetchError"] == "status" and j["httpStatus"] == 302 and "302" in j["reason"] and j["statusLine"] == "Validation failed, please try again!" and len(j["log"]) == 1 and j["publishedCrc"] is None and j["address"] == "127.0.0.1"'
    [crc_differs]='j["verdict"] == "refuse" and j["publishedCrc"] == "12345" and j["crc"] == crc and j["reason"] == "CRC differs: published 12345, file %d" % crc and j["fetchError"] is None'
    [silent_server]='j["verdict"] == "refuse" and j["fetchError"] == "timeout" and j["bound"] == "idle" and j["boundMilliseconds"] == 15000 and j["reason"] == "the server sent nothing for 15 s"'
)
# The rows the Windows build of the tool runs again under Wine.
WINDOWS_ROWS='^(published_by_the_tool|server_redirects|crc_differs|nothing_listening|no_name_server|signed_checked_with_key|crc_forged_launcher)$'

# Trims the blanks around a table cell.
trim() {
    local text=$1
    text=${text#"${text%%[![:space:]]*}"}
    echo "${text%"${text##*[![:space:]]}"}"
}

# Runs a table row with a tool command (the native tool, or the Windows one under Wine).
run_row() {
    local row=$1
    shift
    local name setup status pattern
    IFS='|' read -r name setup status pattern <<<"$row"
    name=$(trim "$name")
    setup=$(trim "$setup")
    status=$(trim "$status")
    # The pattern is the rest of the row: it may hold "|" itself.
    pattern=$(trim "${row#*|*|*|}")
    TOOL=("$@")
    (
        SCENARIO_DIR="$WORK/$kind-$name"
        mkdir -p "$SCENARIO_DIR"
        LAUNCHER="$SCENARIO_DIR/launcher"
        printf 123456789 >"$LAUNCHER"
        SCRIPTED_SERVER=
        CHECK_HOST=localhost
        CHECK_KEYS=()
        trap 'stop_nginx; [[ -n $SCRIPTED_SERVER ]] && kill "$SCRIPTED_SERVER" 2>/dev/null; wait' EXIT
        "$setup"
        local output code tool
        "$@" check "$CHECK_HOST" "$(tool_path "$LAUNCHER")" ${CHECK_KEYS[@]+"${CHECK_KEYS[@]}"} \
            >"$SCENARIO_DIR/output" 2>&1 &
        tool=$!
        # Each line goes out when it is known: the request's line is in a file (as under tee)
        # while the tool still waits for the silent server.
        if [[ $name == silent_server ]]; then
            sleep 3
            kill -0 "$tool" 2>/dev/null || fail "the tool ended before the server's silence did"
            [[ $(head -n 1 "$SCENARIO_DIR/output") == "GET http://"* ]] ||
                fail "no GET line while the fetch runs: $(head -n 1 "$SCENARIO_DIR/output")"
        fi
        wait "$tool"
        code=$?
        output=$(cat "$SCENARIO_DIR/output")
        { echo "== $name ($*)"; echo "$output"; } >>"$LOG"
        local expected last
        expected=${pattern//\$CRC/$CRC}
        last=$(tail -n 1 <<<"$output" | tr -d '\r')
        ((code == status)) || fail "exit status $code, expected $status: $last"
        # shellcheck disable=SC2053 # the expected line is a pattern
        [[ $last == $expected ]] || fail "last line: $last | expected: $expected"
        [[ $(head -n 1 <<<"$output") == "GET http://$CHECK_HOST$VERSION_FILE_PATH?v="* ]] ||
            fail "first line: $(head -n 1 <<<"$output")"
        # nginx saw exactly the program's request, once: the stamp of the first line, the
        # program's headers, and no second request after a redirect.
        if [[ -n ${NGINX_DIR:-} && $CHECK_HOST == localhost ]]; then
            local deadline=$((SECONDS + 3))
            until [[ -s $NGINX_DIR/access.log ]] || ((SECONDS >= deadline)); do sleep 0.05; done
            check_one_request "$(head -n 1 <<<"$output" | sed 's/.*?v=//')"
        fi
        if [[ -n ${JSON_CHECKS[$name]:-} ]]; then
            # The scripted server answers its first connection only: a new one for this run.
            if [[ -n $SCRIPTED_SERVER ]]; then
                kill "$SCRIPTED_SERVER" 2>/dev/null
                wait "$SCRIPTED_SERVER" 2>/dev/null
                "$setup"
            fi
            local json
            json=$("$@" check "$CHECK_HOST" "$(tool_path "$LAUNCHER")" ${CHECK_KEYS[@]+"${CHECK_KEYS[@]}"} --json)
            code=$?
            echo "$json" >>"$LOG"
            ((code == status)) || fail "--json: exit status $code, expected $status"
            python3 -c 'import json, sys
j = json.loads(sys.stdin.read())
crc, host = int(sys.argv[2]), sys.argv[3]
sys.exit(0 if eval(sys.argv[1]) else 1)' "${JSON_CHECKS[$name]}" "$CRC" "$CHECK_HOST" <<<"$json" ||
                fail "--json: $json"
        fi
    )
}

if [[ ${1:-} == --one ]]; then
    if [[ $kind == windows ]]; then
        export WINEPREFIX="$WORK/prefix"
        tool_path() { windows_path "$1"; }
        run_row "${CASES[$index]}" "$VEYRA_WINE" "$WORK/veyra_version_file.exe"
    else
        tool_path() { echo "$1"; }
        run_row "${CASES[$index]}" "$native/veyra_version_file"
    fi
    exit
fi

WORK=$(mktemp -d "$native/studio-check.XXXXXX")
: >"$LOG"
trap '[[ -n ${WINEPREFIX:-} ]] && "$VEYRA_WINESERVER" -k >/dev/null 2>&1; rm -rf "$WORK"' EXIT
passed=0
failed=0
# Runs row $2 with the tool of kind $1 and prints its PASS or FAIL line.
run_bounded() {
    local kind=$1 index=$2 name message
    name=$(trim "${CASES[$index]%%|*}")
    message=$(timeout -k 5 90 "$0" --one "$native" "$WORK" "$kind" "$index" 2>&1)
    if (($? == 0)); then
        echo "PASS $kind:$name"
        passed=$((passed + 1))
    else
        echo "FAIL $kind:$name: $(tail -n 3 <<<"$message")"
        failed=$((failed + 1))
    fi
}

for index in "${!CASES[@]}"; do
    run_bounded native "$index"
done

# A script of rows of its own (tests/studio/SCRIPT ARGUMENTS...), counted with the others.
run_script() {
    local script=$1 line
    shift
    while IFS= read -r line; do
        echo "$line"
        if [[ $line == PASS* ]]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
    done < <(timeout -k 5 120 "$root/tests/studio/$script" "$@" 2>&1 | grep -E '^(PASS|FAIL)' ||
        echo "FAIL $script printed no row")
}
# The tool in a pipeline and with --out.
run_pipeline() { run_script pipeline.sh "$@"; }
run_pipeline "$WORK/pipeline-native" "$native/veyra_version_file"
# check and tools/release.sh take the same host names.
run_script hosts.sh "$native/veyra_version_file"

if [[ -n $windows ]]; then
    export WINEPREFIX="$WORK/prefix"
    wine_template_prefix
    wine_fresh_prefix "$VEYRA_WINE_TEMPLATE" "$WINEPREFIX"
    cp "$windows/veyra_version_file.exe" "$WORK/"
    for index in "${!CASES[@]}"; do
        [[ $(trim "${CASES[$index]%%|*}") =~ $WINDOWS_ROWS ]] && run_bounded windows "$index"
    done
    export TOOL_PATH_STYLE=windows
    run_pipeline "$WORK/pipeline-windows" "$VEYRA_WINE" "$WORK/veyra_version_file.exe"
fi
echo "$passed passed, $failed failed"
((failed == 0))
