# The version file from a real web server: nginx on 127.0.0.1:80 of the private network
# namespace serves it as a static file, and the fetch (FetchVersionFile, through the
# fetch_version_file.exe helper, with the default update host "localhost") sees it exactly.

EXPECTED_REQUEST_HEADERS='localhost|no-cache|text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8|identity|Mozilla/5.0 (Windows NT 6.1; WOW64; rv:12.0) Gecko/20100101 Firefox/12.0|-|-|-'

# Runs the helper with a stamp; sets FETCH_CODE, writes the body to $SCENARIO_DIR/body.
fetch_version_file() {
    timeout 60 "$VEYRA_WINE" "$E2E_BIN/tests/fetch_version_file.exe" "$1" \
        "$(windows_path "$SCENARIO_DIR/body")" 2>"$SCENARIO_DIR/fetch.err"
    FETCH_CODE=$?
}

# The access log holds exactly one request: a GET of the path with ?v= and the stamp, HTTP/1.1,
# with the client's headers and no others that the log records.
check_one_request() {
    local stamp=$1
    local log="$NGINX_DIR/access.log"
    local lines
    lines=$(wc -l <"$log")
    ((lines == 1)) || fail "$lines requests in nginx's log: $(cat "$log")"
    local expected="GET $VERSION_FILE_PATH?v=$stamp HTTP/1.1|$EXPECTED_REQUEST_HEADERS"
    [[ $(cat "$log") == "$expected" ]] || fail "request seen: $(cat "$log") | expected: $expected"
    [[ $stamp =~ ^[0-9]{14}$ ]] || fail "the stamp is not 14 digits: $stamp"
}

scenario_version_file_from_nginx() {
    local docroot
    docroot=$(make_docroot '2.0.0.2|3735928559\r\n')
    start_nginx "$docroot" || fail "nginx did not start"
    fetch_version_file 20240229235959
    ((FETCH_CODE == 0)) || fail "fetch ended with $FETCH_CODE: $(cat "$SCENARIO_DIR/fetch.err")"
    cmp -s "$SCENARIO_DIR/body" "$docroot$VERSION_FILE_PATH" ||
        fail "body differs: $(od -c "$SCENARIO_DIR/body" | head -n 3)"
    check_one_request 20240229235959
}

# A text type with charset=utf-8: the body's UTF-8 goes through the Windows conversion and comes
# back as the same characters (without the charset, "é" would read as two characters).
scenario_version_file_utf8_text_from_nginx() {
    local docroot
    docroot=$(make_docroot '\xef\xbb\xbfvers\xc3\xa3o|42\n')
    start_nginx "$docroot" 'types { text/plain ini; } charset utf-8;' || fail "nginx did not start"
    fetch_version_file 19991231235959
    ((FETCH_CODE == 0)) || fail "fetch ended with $FETCH_CODE: $(cat "$SCENARIO_DIR/fetch.err")"
    cmp -s "$SCENARIO_DIR/body" "$docroot$VERSION_FILE_PATH" ||
        fail "body differs: $(od -c "$SCENARIO_DIR/body" | head -n 3)"
    check_one_request 19991231235959
}

# No version file on the server: a status failure (404), after exactly one request.
scenario_version_file_missing_on_nginx() {
    local docroot="$SCENARIO_DIR/www"
    mkdir -p "$docroot"
    start_nginx "$docroot" || fail "nginx did not start"
    fetch_version_file 20240102030405
    ((FETCH_CODE == 1)) || fail "fetch ended with $FETCH_CODE, expected 1"
    # Standard error comes through Wine's text mode, with CR LF.
    [[ $(tr -d '\r' <"$SCENARIO_DIR/fetch.err") == 'HttpError: status 404' ]] ||
        fail "unexpected failure: $(cat "$SCENARIO_DIR/fetch.err")"
    check_one_request 20240102030405
}
