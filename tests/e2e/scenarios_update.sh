# The update procedure end to end: nginx serves the version file on port 80 of the private
# namespace, the real VeyraLauncher.exe checks and applies "temp.data", and the fake game
# launcher records its start. Failures are read from the window's status line, the error log and
# the exit timing.

UPDATE_LOG_NAME=VeyraLauncher.err

# A game folder with an old launcher (the fake, tagged "old") and, in temp.data, a new one: the
# fake launcher padded to several megabytes, so the CRC and the swap handle a real-sized file.
prepare_update() {
    install_fake_launcher
    printf 'OLD-LAUNCHER' >>"$GAME/dunmorelauncher.exe"
    cp "$E2E_BIN/tests/fake_launcher.exe" "$GAME/temp.data"
    head -c 3000000 /dev/urandom >>"$GAME/temp.data"
    cp "$GAME/temp.data" "$SCENARIO_DIR/new-launcher"
    cp "$GAME/dunmorelauncher.exe" "$SCENARIO_DIR/old-launcher"
}

# The status line's text now (empty when there is no window).
status_text() { "$VEYRA_WINE" "$E2E_BIN/tests/read_status.exe" 2>/dev/null | tr -d '\r'; }

# Waits up to $2 seconds for the status line to read $1; sets SHOWN_AT (seconds, fractional).
wait_for_status() {
    local expected=$1 limit=$2
    local deadline=$((SECONDS + limit)) text=""
    while ((SECONDS < deadline)); do
        text=$(status_text)
        if [[ $text == "$expected" ]]; then
            SHOWN_AT=$(date +%s.%N)
            return 0
        fi
        kill -0 "$VEYRA_PID" 2>/dev/null || fail "ended before showing '$expected' (last: '$text')"
        sleep 0.1
    done
    fail "status '$text', expected '$expected'"
}

# After a failure display: the program ends by itself with code 0 about 3 s later.
expect_timed_end() {
    wait_for_exit 15
    local ended_at elapsed
    ended_at=$(date +%s.%N)
    elapsed=$(python3 -c "print(round($ended_at - $SHOWN_AT, 2))")
    ((EXIT_CODE == 0)) || fail "exit code $EXIT_CODE"
    python3 -c "import sys; sys.exit(0 if 2.4 <= $elapsed <= 4.0 else 1)" ||
        fail "ended $elapsed s after the failure was shown, expected about 3 s"
}

# The error log beside the program holds exactly these lines (after the time stamps).
expect_log_lines() {
    local log="$GAME/$UPDATE_LOG_NAME"
    if (($# == 0)); then
        [[ ! -e $log ]] || fail "unexpected error log: $(cat "$log")"
        return 0
    fi
    [[ -f $log ]] || fail "no error log"
    local actual
    actual=$(python3 - "$log" <<'PY'
import re, sys
data = open(sys.argv[1], "rb").read()
assert data.endswith(b"\r\n"), data
for line in data[:-2].split(b"\r\n"):
    m = re.fullmatch(rb"\[\d\d.\d\d.\d\d\] \[[^\]]+\] (.*)", line)
    assert m, line
    print(m.group(1).decode("cp1252"))
PY
) || fail "malformed error log: $(od -c "$log" | head -n 5)"
    local expected
    expected=$(printf '%s\n' "$@")
    [[ $actual == "$expected" ]] || fail "error log lines: '$actual', expected '$expected'"
}

expect_launcher_not_started() {
    sleep 0.5
    [[ $(launcher_starts) == 0 ]] || fail "the game launcher was started"
}

# Runs the update from the game folder and expects it to install: exit code 0, temp.data moved
# onto the launcher byte for byte, the new launcher started once, nothing logged.
run_update_that_installs() {
    cd "$GAME" || fail "no game folder"
    launch_veyra '--update'
    wait_for_exit 30
    ((EXIT_CODE == 0)) || fail "exit code $EXIT_CODE"
    wait_for_launcher 10 || fail "the new game launcher was not started"
    cmp -s "$GAME/dunmorelauncher.exe" "$SCENARIO_DIR/new-launcher" ||
        fail "the launcher is not the update byte for byte"
    [[ ! -e $GAME/temp.data ]] || fail "temp.data is still there"
    [[ $(launcher_starts) == 1 ]] || fail "started $(launcher_starts) times"
    [[ ! -e $GAME/$UPDATE_LOG_NAME ]] || fail "an error log was written"
}

scenario_update_succeeds() {
    prepare_update
    local crc
    crc=$(crc_of "$GAME/temp.data")
    serve_version_file "2.0.0.2|$crc\r\n"
    local started=$SECONDS
    run_update_that_installs
    # The request carried a stamp of the current local time (Wine's clock is this machine's).
    local request stamp
    request=$(cut -d'|' -f1 "$NGINX_DIR/access.log")
    stamp=$(sed -n 's/.*?v=\([0-9]*\) HTTP.*/\1/p' <<<"$request")
    [[ $stamp =~ ^[0-9]{14}$ ]] || fail "request: $request"
    python3 - "$stamp" <<'PY' || fail "stamp $stamp is not the current time"
import datetime, sys
s = sys.argv[1]
t = datetime.datetime.strptime(s, "%d%m%Y%H%M%S")
sys.exit(0 if abs((datetime.datetime.now() - t).total_seconds()) < 60 else 1)
PY
    echo "the update took $((SECONDS - started)) s from start to exit" >>"$E2E_ARTIFACTS/update-timing.txt"
}

# The failures, one scenario each: a setup that breaks one thing, the status message shown, and
# the error log's line ("" for no log, "unchecked" where the log cannot be written). Each runs the
# same step (run_failure_case): the game folder's update is prepared, the setup runs (from the
# game folder, which it may leave), the program is started with --update, shows the message, ends
# by itself about 3 s later with code 0, leaves the log as the scenario says, starts no game
# launcher, leaves the old launcher byte for byte, and leaves temp.data where the setup left it.
CHECK_FAILED='Validation failed, please try again!'
CHECK_LOG='VeyraLauncher falha na verificação da aplicação!'
CRC_FAILED='Failed to check files, contact support!'
NOT_FOUND='Update not found!'

serve_correct_crc() { serve_version_file "x|$(crc_of "$GAME/temp.data")\r\n"; }
serve_no_version_file() {
    serve_version_file ''
    remove_version_file
}
serve_crc_12345() { serve_version_file 'text|12345\r\n'; }
serve_crc_after_two_bars() { serve_version_file "text||$(crc_of "$GAME/temp.data")\r\n"; }
serve_crc_then_remove_the_file() {
    serve_correct_crc
    rm "$GAME/temp.data"
}
# temp.data held open by another process that lets nobody read it.
serve_crc_then_lock_the_file() {
    serve_correct_crc
    hold_open "$GAME/temp.data" none
}
# Started from another directory: temp.data is looked up there, not beside the program.
serve_crc_then_go_elsewhere() {
    serve_correct_crc
    mkdir -p "$SCENARIO_DIR/elsewhere"
    cd "$SCENARIO_DIR/elsewhere" || fail "no folder"
}
# A folder stands where the error log goes: the failure is still shown and the program still ends.
serve_no_version_file_log_blocked() {
    serve_no_version_file
    mkdir "$GAME/$UPDATE_LOG_NAME"
}

# Runs one failure scenario: setup $1, status message $2, log line $3 (as described above).
run_failure_case() {
    local setup=$1 message=$2 log_line=$3
    prepare_update
    cd "$GAME" || fail "no game folder"
    "$setup"
    local had_update=0
    [[ -e $GAME/temp.data ]] && had_update=1
    launch_veyra '--update'
    wait_for_status "$message" 20
    expect_timed_end
    case $log_line in
        unchecked) ;;
        "") expect_log_lines ;;
        *) expect_log_lines "$log_line" ;;
    esac
    expect_launcher_not_started
    cmp -s "$GAME/dunmorelauncher.exe" "$SCENARIO_DIR/old-launcher" || fail "the launcher changed"
    if ((had_update)); then
        [[ -e $GAME/temp.data ]] || fail "temp.data was removed"
    fi
}

# One scenario each, so that each runs (and is bounded) on its own.
#                                                                     setup                             message         log line
scenario_update_fails_server_answers_404()         { run_failure_case serve_no_version_file             "$CHECK_FAILED" "$CHECK_LOG"; }
scenario_update_fails_crc_differs()                { run_failure_case serve_crc_12345                   "$CRC_FAILED"   ""; }
scenario_update_fails_two_bars_before_the_number() { run_failure_case serve_crc_after_two_bars          "$CRC_FAILED"   ""; }
scenario_update_fails_file_missing()               { run_failure_case serve_crc_then_remove_the_file    "$NOT_FOUND"    ""; }
scenario_update_fails_file_locked()                { run_failure_case serve_crc_then_lock_the_file      "$CHECK_FAILED" "$CHECK_LOG"; }
scenario_update_fails_from_another_directory()     { run_failure_case serve_crc_then_go_elsewhere       "$NOT_FOUND"    ""; }
scenario_update_fails_unwritable_log()             { run_failure_case serve_no_version_file_log_blocked "$CHECK_FAILED" unchecked; }

# A close request while the check runs (the server holds the answer back): exit 0 at once,
# nothing logged, nothing started.
scenario_update_closed_during_the_check() {
    prepare_update
    serve_version_file "x|$(crc_of "$GAME/temp.data")\r\n" 'limit_rate 1;'
    cd "$GAME" || fail "no game folder"
    launch_veyra '--update'
    local window
    window=$(wait_for_window _VeyraLauncher 20) || fail "no splash window"
    sleep 1.5
    close_with_alt_f4 "$window" 5
    expect_log_lines
    expect_launcher_not_started
    cmp -s "$GAME/dunmorelauncher.exe" "$SCENARIO_DIR/old-launcher" || fail "the launcher changed"
}

# A close request during the one-second pause after the swap: the new launcher is in place but
# not started.
scenario_update_closed_during_the_pause() {
    prepare_update
    serve_version_file "x|$(crc_of "$GAME/temp.data")\r\n"
    cd "$GAME" || fail "no game folder"
    launch_veyra '--update'
    local window
    window=$(wait_for_window _VeyraLauncher 20) || fail "no splash window"
    local deadline=$((SECONDS + 20))
    until cmp -s "$GAME/dunmorelauncher.exe" "$SCENARIO_DIR/new-launcher"; do
        ((SECONDS < deadline)) || fail "the swap did not happen"
        sleep 0.05
    done
    close_with_alt_f4 "$window" 5
    expect_launcher_not_started
    cmp -s "$GAME/dunmorelauncher.exe" "$SCENARIO_DIR/new-launcher" || fail "the new launcher is not in place"
}

# The old launcher is held open (as a running instance holds it): neither the move nor the copy
# can replace it, so the old one stays whole and is started, with no failure shown.
scenario_update_swap_blocked_keeps_the_old_launcher() {
    prepare_update
    serve_version_file "x|$(crc_of "$GAME/temp.data")\r\n"
    hold_open "$GAME/dunmorelauncher.exe" read
    cd "$GAME" || fail "no game folder"
    launch_veyra '--update'
    wait_for_exit 30
    ((EXIT_CODE == 0)) || fail "exit code $EXIT_CODE"
    cmp -s "$GAME/dunmorelauncher.exe" "$SCENARIO_DIR/old-launcher" ||
        fail "the old launcher was not kept whole"
    [[ -e $GAME/temp.data ]] || fail "temp.data is gone"
    [[ ! -e $GAME/dunmorelauncher.exe.new ]] || fail "a staging file was left"
    wait_for_launcher 10 || fail "the old launcher was not started"
    expect_log_lines
}

# Another program tries to overwrite "temp.data" from the moment the check holds it: while the
# check holds it every try is refused, and the launcher ends up with the checked bytes or
# unchanged, never with the writer's. (Should the writer's own open collide with the check's, the
# check reads the file without the right to rename it and the fallback installs a checked copy;
# once the check's handle is closed the writer may write the file, which the copy's check then
# refuses.)
scenario_update_a_writer_after_the_check_is_refused() {
    prepare_update
    # A larger file keeps the check's hold long enough for the writer to see it.
    head -c 40000000 /dev/urandom >>"$GAME/temp.data"
    cp "$GAME/temp.data" "$SCENARIO_DIR/new-launcher"
    serve_version_file "x|$(crc_of "$GAME/temp.data")\r\n"
    cd "$GAME" || fail "no game folder"
    local record="$SCENARIO_DIR/writer.txt"
    "$VEYRA_WINE" "$E2E_BIN/tests/rewrite_file.exe" "$(windows_path "$GAME/temp.data")" 15 \
        "$(windows_path "$record")" >/dev/null 2>&1 &
    local writer=$!
    # The program starts once the writer polls (a first 32-bit program may take seconds to start).
    local deadline=$((SECONDS + 30))
    until grep -qx waiting "$record" 2>/dev/null; do
        ((SECONDS < deadline)) || fail "the writer did not start"
        sleep 0.1
    done
    launch_veyra '--update'
    wait_for_exit 30
    ((EXIT_CODE == 0)) || fail "exit code $EXIT_CODE"
    wait "$writer"
    local outcome=checked
    cmp -s "$GAME/dunmorelauncher.exe" "$SCENARIO_DIR/old-launcher" && outcome=unchanged
    echo "$(tr '\n' ' ' <"$record")launcher=$outcome" >>"$E2E_ARTIFACTS/writer-record.txt"
    grep -qx 'held=1' "$record" || fail "the writer never saw the check's hold: $(tr '\n' ' ' <"$record")"
    if grep -qx 'refused=0' "$record"; then fail "the writer was never refused"; fi
    if [[ $outcome == checked ]]; then
        cmp -s "$GAME/dunmorelauncher.exe" "$SCENARIO_DIR/new-launcher" ||
            fail "the launcher is neither the checked bytes nor the old launcher"
    fi
    wait_for_launcher 10 || fail "no launcher was started"
}

# Started from another directory whose "temp.data" (the file checked) is held open sharing
# reading only: it can be read and checked, not moved, so the fallback copies the program
# directory's "temp.data". That file takes the launcher's name only when it has the accepted
# CRC-32; a different one leaves the program directory's launcher byte for byte. A third argument
# names a step that runs on the game folder before the program starts.
check_fallback_with_program_directory_update() {
    local program_directory_update=$1 expected_launcher=$2 before=${3:-}
    prepare_update
    local elsewhere="$SCENARIO_DIR/elsewhere"
    mkdir -p "$elsewhere"
    mv "$GAME/temp.data" "$elsewhere/temp.data"
    cp "$program_directory_update" "$GAME/temp.data"
    serve_version_file "x|$(crc_of "$elsewhere/temp.data")\r\n"
    hold_open "$elsewhere/temp.data" read
    [[ -z $before ]] || "$before"
    cd "$elsewhere" || fail "no folder"
    launch_veyra '--update'
    wait_for_exit 30
    ((EXIT_CODE == 0)) || fail "exit code $EXIT_CODE"
    cmp -s "$GAME/dunmorelauncher.exe" "$expected_launcher" ||
        fail "the program directory's launcher is not $(basename "$expected_launcher")"
    [[ ! -e $GAME/dunmorelauncher.exe.new ]] || fail "a staging file was left"
    [[ -e $elsewhere/temp.data ]] || fail "the checked temp.data is gone"
}

scenario_update_fallback_refuses_an_unchecked_file() {
    local other="$SCENARIO_DIR/other-file"
    head -c 100000 /dev/urandom >"$other"
    check_fallback_with_program_directory_update "$other" "$SCENARIO_DIR/old-launcher"
}

scenario_update_fallback_copies_the_checked_bytes() {
    check_fallback_with_program_directory_update "$SCENARIO_DIR/new-launcher" \
        "$SCENARIO_DIR/new-launcher"
}

# Read-only files (Wine shows a file without write permission as read-only) on the fallback road:
# the program directory's "temp.data", whose copy takes its attribute, and a stale staging file.
make_fallback_files_read_only() {
    chmod a-w "$GAME/temp.data"
    printf 'stale' >"$GAME/dunmorelauncher.exe.new"
    chmod a-w "$GAME/dunmorelauncher.exe.new"
}

scenario_update_fallback_clears_read_only_files() {
    check_fallback_with_program_directory_update "$SCENARIO_DIR/new-launcher" \
        "$SCENARIO_DIR/new-launcher" make_fallback_files_read_only
}

# A build without keys never reads the text before the "|": a signed version file installs.
scenario_update_succeeds_from_a_signed_version_file() {
    prepare_update
    openssl ecparam -name prime256v1 -genkey -noout -out "$SCENARIO_DIR/key.pem" 2>/dev/null ||
        fail "no key"
    serve_version_file "$(python3 "$(dirname "${BASH_SOURCE[0]}")/sign_version_file.py" \
        "$SCENARIO_DIR/key.pem" "$GAME/temp.data" 2.0.0.2 | sed 's/\r$/\\r\\n/')"
    run_update_that_installs
}
