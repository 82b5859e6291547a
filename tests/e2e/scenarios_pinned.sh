# A build pinned to an update key (VEYRA_E2E_SET=pinned; VEYRA_E2E_EXE is that build's exe,
# VEYRA_E2E_SIGNING_KEY the pinned key's private half, VEYRA_E2E_OTHER_KEY another key): only a
# version file signed by the pinned key over this very "temp.data" installs. The signatures are
# made by the openssl command line (tests/e2e/sign_version_file.py), not by the program's code.

SIGN="$(dirname "${BASH_SOURCE[0]}")/sign_version_file.py"

# Serves the version file that sign_version_file.py writes with these arguments.
serve_signed() { serve_version_file "$(python3 "$SIGN" "$@" | sed 's/\r$/\\r\\n/')"; }

pinned_scenario_signed_update_installs() {
    prepare_update
    serve_signed "$VEYRA_E2E_SIGNING_KEY" "$GAME/temp.data" 2.0.0.2
    run_update_that_installs
}

# Each way a version file can fail the signature: the setup runs in the game folder after
# prepare_update; the program then shows the CRC mismatch's failure exactly (message, timed end,
# no log line), starts nothing and leaves the launcher byte for byte.
serve_plain() { serve_version_file "2.0.0.2|$(crc_of "$GAME/temp.data")\r\n"; }
serve_signed_by_another_key() { serve_signed "$VEYRA_E2E_OTHER_KEY" "$GAME/temp.data" 2.0.0.2; }
serve_signed_for_another_file() {
    head -c 1000 /dev/urandom >"$SCENARIO_DIR/another-file"
    serve_signed "$VEYRA_E2E_SIGNING_KEY" "$GAME/temp.data" 2.0.0.2 \
        --statement-file "$SCENARIO_DIR/another-file"
}
serve_signed_for_another_label() {
    serve_signed "$VEYRA_E2E_SIGNING_KEY" "$GAME/temp.data" 2.0.0.2 --statement-label 2.0.0.3
}
# The signed file's CRC-32 with other bytes: four appended bytes bring a forged file's CRC back to
# the published value, so the CRC check passes and only the signature can tell.
serve_signed_then_forge_to_its_crc() {
    serve_signed "$VEYRA_E2E_SIGNING_KEY" "$GAME/temp.data" 2.0.0.2
    local crc
    crc=$(crc_of "$GAME/temp.data")
    head -c 200000 /dev/urandom >"$SCENARIO_DIR/forged-base"
    python3 "$SIGN" --forge-crc "$SCENARIO_DIR/forged-base" "$crc" "$GAME/temp.data" ||
        fail "the forgery failed"
    [[ $(crc_of "$GAME/temp.data") == "$crc" ]] || fail "the forged file's CRC is not the signed one"
}

check_signature_refused() {
    prepare_update
    cd "$GAME" || fail "no game folder"
    "$1"
    launch_veyra '--update'
    wait_for_status 'Failed to check files, contact support!' 20
    expect_timed_end
    expect_log_lines
    expect_launcher_not_started
    cmp -s "$GAME/dunmorelauncher.exe" "$SCENARIO_DIR/old-launcher" || fail "the launcher changed"
    [[ -e $GAME/temp.data ]] || fail "temp.data was removed"
}

# One scenario per way, so that each runs (and is bounded) on its own.
pinned_scenario_refuses_plain() {
    check_signature_refused serve_plain
}
pinned_scenario_refuses_signed_by_another_key() {
    check_signature_refused serve_signed_by_another_key
}
pinned_scenario_refuses_signed_for_another_file() {
    check_signature_refused serve_signed_for_another_file
}
pinned_scenario_refuses_signed_for_another_label() {
    check_signature_refused serve_signed_for_another_label
}
pinned_scenario_refuses_signed_then_forge_to_its_crc() {
    check_signature_refused serve_signed_then_forge_to_its_crc
}
