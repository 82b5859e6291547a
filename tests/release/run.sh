#!/usr/bin/env bash
# Tests of the release build (tools/release.sh): argument refusals, a signed release (its
# signature, its sums, its static checks and version), an unsigned one, a pinned one signed with
# a .pfx, one signed through a SoftHSM token, one signed by a sign command and one whose command
# does not sign, and a real update under Wine with a signed exe. Each release is a clean build of
# 20-60 s: six releases, seven where the signed 32-bit exe cannot run under Wine here. The script
# cannot sign an exe it did not build, so each signing road costs a build.
# Usage: tests/release/run.sh
# Prints one PASS or FAIL line per check and ends with "N passed, N failed"; the exit status is
# non-zero when a check failed. The update runs the helpers of build/win32 or build/win64
# (cmake --preset win64 && cmake --build --preset win64), which must exist.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/tools/lib/wine.sh"

release=$root/tools/release.sh
release_seconds=${VEYRA_RELEASE_SECONDS:-900}
work=$(mktemp -d)
tsa_pid=''
trap '[[ -z $tsa_pid ]] || kill "$tsa_pid" 2>/dev/null; rm -rf "$work"' EXIT

passed=0
failed=0
pass() {
    echo "PASS $1"
    passed=$((passed + 1))
}
fail() {
    echo "FAIL $1: ${2//$'\n'/ | }"
    failed=$((failed + 1))
}
# expect NAME REASON COMMAND...: passes when the command succeeds, else fails with the reason.
expect() {
    local name=$1 reason=$2
    shift 2
    if "$@" >"$work/last.log" 2>&1; then pass "$name"; else fail "$name" "$reason: $(tail -n 3 "$work/last.log")"; fi
}
# expect_not NAME REASON COMMAND...: passes when the command fails.
expect_not() {
    local name=$1 reason=$2
    shift 2
    if "$@" >"$work/last.log" 2>&1; then fail "$name" "$reason"; else pass "$name"; fi
}

# A throwaway self-signed code-signing certificate: make_certificate DIR SUBJECT.
make_certificate() {
    mkdir -p "$1"
    openssl req -x509 -newkey rsa:2048 -nodes -keyout "$1/key.pem" -out "$1/cert.pem" -days 1 \
        -subj "$2" -addext extendedKeyUsage=codeSigning >"$1/openssl.log" 2>&1
}

# A code-signing certificate issued by a throwaway CA: make_issued_certificate DIR SUBJECT; the CA
# is DIR/ca.pem.
make_issued_certificate() {
    mkdir -p "$1"
    {
        openssl req -x509 -newkey rsa:2048 -nodes -keyout "$1/ca-key.pem" -out "$1/ca.pem" -days 1 \
            -subj "/CN=Veyra Test CA" &&
            openssl req -newkey rsa:2048 -nodes -keyout "$1/key.pem" -out "$1/request.pem" -subj "$2" &&
            printf 'basicConstraints=CA:FALSE\nkeyUsage=digitalSignature\nextendedKeyUsage=codeSigning\n' \
                >"$1/extensions" &&
            openssl x509 -req -in "$1/request.pem" -CA "$1/ca.pem" -CAkey "$1/ca-key.pem" -CAcreateserial \
                -days 1 -extfile "$1/extensions" -out "$1/cert.pem"
    } >"$1/openssl.log" 2>&1
}

# The file offset of the certificate table, from the PE header's security data directory.
certificate_table_offset() {
    python3 - "$1" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", data, 0x3C)[0]
magic = struct.unpack_from("<H", data, pe + 24)[0]
directories = pe + 24 + (96 if magic == 0x10B else 112)
print(struct.unpack_from("<I", data, directories + 8 * 4)[0])
PY
}

# A copy of the exe with one byte inverted in the middle of its .text section.
flip_byte_in_code() {
    python3 - "$1" "$2" <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
pe = struct.unpack_from("<I", data, 0x3C)[0]
count, optional_size = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
for i in range(count):
    name, _, _, raw_size, raw_offset = struct.unpack_from("<8sIIII", data, pe + 24 + optional_size + 40 * i)
    if name.rstrip(b"\0") == b".text":
        data[raw_offset + raw_size // 2] ^= 0xFF
        open(sys.argv[2], "wb").write(data)
        sys.exit(0)
sys.exit("no .text section")
PY
}

for tool in openssl osslsigncode cmake python3 sha256sum; do
    command -v "$tool" >/dev/null || {
        fail prerequisites "$tool is missing (tools/install-deps.sh installs it)"
        echo "$passed passed, $failed failed"
        exit 1
    }
done
if ! make_certificate "$work/studio" "/CN=Veyra Test Studio" ||
    ! make_certificate "$work/other" "/CN=Another Studio"; then
    fail certificates "openssl could not make the test certificates: $(tail -n 3 "$work"/*/openssl.log)"
    echo "$passed passed, $failed failed"
    exit 1
fi
key=$work/studio/key.pem cert=$work/studio/cert.pem

# --- refusals: exit 2 with a message, before anything is built or written -----------------
# refusal NAME MESSAGE_FRAGMENT ARGUMENTS...
refusal() {
    local name=$1 fragment=$2 out=$work/refused-out status
    shift 2
    timeout 30 "$release" "$@" --out "$out" >"$work/refusal.out" 2>"$work/refusal.err"
    status=$?
    if ((status != 2)); then
        fail "refuses_$name" "exit status $status, expected 2: $(head -n 2 "$work/refusal.err")"
    elif ! grep -qF -- "$fragment" "$work/refusal.err"; then
        fail "refuses_$name" "message lacks '$fragment': $(head -n 2 "$work/refusal.err")"
    elif [[ -e $out ]]; then
        fail "refuses_$name" "the out folder was written"
    else
        pass "refuses_$name"
    fi
}
refusal host_with_scheme "scheme" --host http://x
refusal host_with_port "port" --host a:80
refusal empty_host "empty" --host ''
refusal host_with_path "path" --host updates.example.com/
refusal host_not_ascii "ASCII" --host "$(printf 'upd\xc3\xa4tes.example.com')"
refusal host_label_of_64 "at most 63" --host "$(printf 'a%.0s' {1..64}).example.com"
refusal key_without_cert "--key needs --cert" --host localhost --key "$key"
refusal key_of_another_certificate "does not belong" --host localhost --key "$key" --cert "$work/other/cert.pem"
refusal version_of_three_numbers "four numbers" --host localhost --version 1.2.3
refusal option_without_value "--version needs a value" --host localhost --version --bits 32
# A TLS server certificate (its own key, so only its purpose is wrong) and the studio's
# certificate in DER: both refused before the build, with the reason.
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/tls-key.pem" -out "$work/tls-cert.pem" -days 1 \
    -subj /CN=updates.example.com -addext extendedKeyUsage=serverAuth >/dev/null 2>&1
refusal tls_certificate "without Code Signing" --host localhost --key "$work/tls-key.pem" \
    --cert "$work/tls-cert.pem"
openssl x509 -in "$cert" -outform DER -out "$work/studio-cert.der"
refusal der_certificate "is a DER certificate; give it in PEM" --host localhost --key "$key" \
    --cert "$work/studio-cert.der"
refusal version_above_65535 "above 65535" --host localhost --version 1.2.3.70000
# The studio's key and certificate as a PKCS#12 file, encrypted the legacy way (RC2/3DES) that
# Windows' certificate export still writes; its password comes from the environment.
export VEYRA_TEST_PFX_PASSWORD='pfx pass: 1'
openssl pkcs12 -export -legacy -in "$cert" -inkey "$key" -out "$work/studio.pfx" \
    -passout env:VEYRA_TEST_PFX_PASSWORD >/dev/null 2>&1
printf 'not the password\n' >"$work/wrong-password"
refusal pfx_with_a_wrong_password "does not open with that password" --host localhost \
    --pfx "$work/studio.pfx" --pfx-password-file "$work/wrong-password"
refusal pfx_without_a_password "--pfx needs --pfx-password-env NAME or --pfx-password-file FILE" \
    --host localhost --pfx "$work/studio.pfx"
openssl pkcs12 -export -in "$work/tls-cert.pem" -inkey "$work/tls-key.pem" -out "$work/tls.pfx" \
    -passout env:VEYRA_TEST_PFX_PASSWORD >/dev/null 2>&1
refusal pfx_with_a_tls_certificate "without Code Signing" --host localhost --pfx "$work/tls.pfx" \
    --pfx-password-env VEYRA_TEST_PFX_PASSWORD
# An update key must be an ECDSA P-256 public key: the studio's RSA code-signing key is not one.
openssl pkey -in "$key" -pubout -out "$work/rsa-public.pem" 2>/dev/null
refusal update_key_not_p256 "not an ECDSA P-256 public key" --host localhost \
    --update-key "$work/rsa-public.pem"

# A certificate that does not chain to the given CA is a verification failure (exit 1), found
# before building.
timeout 30 "$release" --host localhost --key "$key" --cert "$cert" --ca "$work/other/cert.pem" \
    --out "$work/refused-out" >/dev/null 2>"$work/foreign-ca.err"
status=$?
if ((status == 1)) && grep -q 'does not verify against' "$work/foreign-ca.err" && [[ ! -e $work/refused-out ]]; then
    pass signing_stops_on_a_foreign_ca
else
    fail signing_stops_on_a_foreign_ca "exit status $status: $(tail -n 2 "$work/foreign-ca.err")"
fi

# A time-stamping server that does not answer (a loopback port nobody listens on) stops the
# release before it builds (exit 1), with the reason.
closed_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
timeout 60 "$release" --host localhost --key "$key" --cert "$cert" --timestamp "http://127.0.0.1:$closed_port/" \
    --out "$work/refused-out" >"$work/timestamp.out" 2>"$work/timestamp.err"
status=$?
if ((status == 1)) && grep -q 'does not answer' "$work/timestamp.err" && ! grep -q '^Building' "$work/timestamp.out" &&
    [[ ! -e $work/refused-out ]]; then
    pass timestamp_server_that_does_not_answer_stops_before_the_build
else
    fail timestamp_server_that_does_not_answer_stops_before_the_build "exit status $status: $(head -n 2 "$work/timestamp.err")"
fi

# A real RFC 3161 server on loopback: openssl ts -reply behind tests/release/tsa_server.py, with a
# throwaway TSA certificate (extended key usage timeStamping, critical).
mkdir -p "$work/tsa"
cat >"$work/tsa/tsa.cnf" <<EOF
[ tsa ]
default_tsa = tsa_config
[ tsa_config ]
dir = $work/tsa
serial = \$dir/serial
crypto_device = builtin
signer_cert = \$dir/cert.pem
certs = \$dir/cert.pem
signer_key = \$dir/key.pem
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha384, sha512
accuracy = secs:1
ordering = no
tsa_name = yes
ess_cert_id_chain = no
ess_cert_id_alg = sha256
EOF
echo 01 >"$work/tsa/serial"
timestamp_url=''
if openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/tsa/key.pem" -out "$work/tsa/cert.pem" -days 1 \
    -subj "/CN=Veyra Test TSA" -addext "extendedKeyUsage=critical,timeStamping" >"$work/tsa/openssl.log" 2>&1; then
    python3 "$root/tests/release/tsa_server.py" "$work/tsa/tsa.cnf" "$work/tsa/port" 2>"$work/tsa/server.log" &
    tsa_pid=$!
    for _ in $(seq 50); do
        [[ -s $work/tsa/port ]] && break
        sleep 0.1
    done
    [[ -s $work/tsa/port ]] && timestamp_url=http://127.0.0.1:$(cat "$work/tsa/port")/
fi
[[ -n $timestamp_url ]] || fail timestamp_server "the loopback time-stamping server did not start: $(tail -n 2 "$work/tsa/"*.log)"

# --- a signed 32-bit release, run from another folder with relative paths --------------------
signed_out=$work/signed
(cd "$work" && timeout "$release_seconds" "$release" --host localhost --version 2.3.4.5 \
    --key studio/key.pem --cert studio/cert.pem --ca studio/cert.pem --out signed) \
    >"$work/signed.log" 2>&1
status=$?
signed_exe=$signed_out/VeyraLauncher.exe
if ((status == 0)) && [[ -f $signed_exe ]] &&
    grep -q '^  signed:  yes.*Veyra Test Studio' "$work/signed.log" &&
    grep -q '^  version: 2.3.4.5$' "$work/signed.log"; then
    pass signed_release
    sed -n '/^Release of/,$p' "$work/signed.log" | sed 's/^/    /'
else
    fail signed_release "exit status $status: $(tail -n 8 "$work/signed.log")"
fi

if [[ -f $signed_exe ]]; then
    expect signature_verifies "osslsigncode verify against the signing certificate failed" \
        osslsigncode verify -CAfile "$cert" -in "$signed_exe"
    expect_not signature_refused_by_another_ca "verified against a certificate that did not sign it" \
        osslsigncode verify -CAfile "$work/other/cert.pem" -in "$signed_exe"
    if flip_byte_in_code "$signed_exe" "$work/flipped.exe" && ! cmp -s "$signed_exe" "$work/flipped.exe"; then
        expect_not signature_refuses_a_changed_byte "a copy with a byte of code inverted still verifies" \
            osslsigncode verify -CAfile "$cert" -in "$work/flipped.exe"
    else
        fail signature_refuses_a_changed_byte "could not make the changed copy"
    fi
    # shellcheck disable=SC2016 # $1 is the inner shell's argument
    expect sums_check "sha256sum -c failed in the out folder" \
        bash -c 'cd "$1" && sha256sum -c SHA256SUMS' _ "$signed_out"
    # The 32-bit studio tool ships beside it, listed in the sums. check_pe's launcher checks
    # (GUI subsystem, resources) are not the tool's: only its machine and hardening count.
    python3 "$root/tests/static/check_pe.py" --expect-machine i386 "$signed_out/veyra_version_file.exe" \
        >"$work/tool-check.log" 2>&1
    if [[ $(cut -d' ' -f3 "$signed_out/SHA256SUMS" | sort | tr '\n' ' ') == "VeyraLauncher.exe veyra_version_file.exe " ]] &&
        grep -qx 'PASS machine' "$work/tool-check.log" && grep -qx 'PASS dll-characteristics' "$work/tool-check.log"; then
        pass studio_tool_ships_in_the_sums
    else
        fail studio_tool_ships_in_the_sums "$(cat "$signed_out/SHA256SUMS"; grep -m 2 '^FAIL' "$work/tool-check.log")"
    fi
    expect static_checks_signed "check_pe failed on the signed exe" \
        python3 "$root/tests/static/check_pe.py" --expect-machine i386 --expect-signed \
        --expect-version 2.3.4.5 --manifest "$root/app/VeyraLauncher.manifest" "$signed_exe"
    # The version as the resource's strings carry it (UTF-16), read without check_pe; then
    # check_pe must see a different expected version as a failure.
    strings=$(python3 -c 'import sys; print(open(sys.argv[1], "rb").read().count("2.3.4.5".encode("utf-16-le")))' \
        "$signed_exe")
    if ((strings >= 2)); then pass version_strings_2.3.4.5; else fail version_strings_2.3.4.5 "found $strings times"; fi
    python3 "$root/tests/static/check_pe.py" --expect-machine i386 --expect-version 1.0.0.0 "$signed_exe" \
        >"$work/wrong-version.log" 2>&1
    if grep -q '^FAIL version-number: expected 1.0.0.0: FILEVERSION is 2.3.4.5' "$work/wrong-version.log"; then
        pass version_check_sees_another_version
    else
        fail version_check_sees_another_version "$(grep version-number "$work/wrong-version.log")"
    fi
    # A certificate table whose WIN_CERTIFICATE revision is wrong.
    offset=$(certificate_table_offset "$signed_exe")
    cp "$signed_exe" "$work/bad-revision.exe"
    printf '\x00\x01' | dd of="$work/bad-revision.exe" bs=1 seek=$((offset + 4)) conv=notrunc status=none
    python3 "$root/tests/static/check_pe.py" --expect-machine i386 --expect-signed "$work/bad-revision.exe" \
        >"$work/bad-revision.log" 2>&1
    if grep -q '^FAIL certificate-table: .*revision 0x0100' "$work/bad-revision.log"; then
        pass certificate_table_check_sees_a_bad_revision
    else
        fail certificate_table_check_sees_a_bad_revision "$(grep certificate-table "$work/bad-revision.log")"
    fi
fi

# --- an unsigned 32-bit release with the default version ---------------------------------------
unsigned_out=$work/unsigned
timeout "$release_seconds" "$release" --host updates.example.com --out "$unsigned_out" >"$work/unsigned.log" 2>&1
status=$?
unsigned_exe=$unsigned_out/VeyraLauncher.exe
if ((status == 0)) && [[ -f $unsigned_exe ]] && grep -q '^  signed:  no$' "$work/unsigned.log"; then
    pass unsigned_release
else
    fail unsigned_release "exit status $status: $(tail -n 8 "$work/unsigned.log")"
fi
if [[ -f $unsigned_exe ]]; then
    python3 "$root/tests/static/check_pe.py" --expect-machine i386 --expect-version 1.0.0.0 --expect-signed \
        "$unsigned_exe" >"$work/unsigned-check.log" 2>&1
    if grep -q '^FAIL certificate-table: no certificate table' "$work/unsigned-check.log" &&
        grep -q '^PASS version-number: 1.0.0.0' "$work/unsigned-check.log" &&
        [[ $(tail -n 1 "$work/unsigned-check.log") == *" 1 failed" ]]; then
        pass unsigned_has_no_certificate_table_and_the_default_version
    else
        fail unsigned_has_no_certificate_table_and_the_default_version \
            "$(grep -E '^FAIL|version-number|certificate-table' "$work/unsigned-check.log")"
    fi
fi

if [[ -f $unsigned_out/VeyraLauncher.exe ]]; then
    if grep -q '^  pinned:  no' "$work/unsigned.log"; then
        pass unsigned_release_is_not_pinned
    else
        fail unsigned_release_is_not_pinned "$(grep pinned "$work/unsigned.log")"
    fi
fi

# --- a release pinned to two update keys (the current one and the next), signed with the .pfx --
for name in current next; do
    openssl ecparam -name prime256v1 -genkey -noout -out "$work/update-$name.pem" 2>/dev/null
    openssl pkey -in "$work/update-$name.pem" -pubout -out "$work/update-$name-public.pem" 2>/dev/null
done
ids=$(cat "$work/update-current-public.pem" "$work/update-next-public.pem" |
    python3 "$root/tools/update_keys.py" --ids /dev/stdin)
pinned_out=$work/pinned
timeout "$release_seconds" "$release" --host updates.example.com \
    --update-key "$work/update-current-public.pem" --update-key "$work/update-next-public.pem" \
    --pfx "$work/studio.pfx" --pfx-password-env VEYRA_TEST_PFX_PASSWORD ${timestamp_url:+--timestamp "$timestamp_url"} \
    --out "$pinned_out" >"$work/pinned.log" 2>&1
status=$?
if ((status == 0)) && [[ $ids == ?*,?* ]] &&
    grep -qF "  pinned:  installs only version files signed by update key ${ids//,/, }" "$work/pinned.log"; then
    pass pinned_release_names_its_key_ids
else
    fail pinned_release_names_its_key_ids "exit status $status, ids '$ids': $(tail -n 8 "$work/pinned.log")"
fi
if [[ -f $pinned_out/VeyraLauncher.exe ]]; then
    if grep -q '^  signed:  yes.*Veyra Test Studio' "$work/pinned.log"; then
        pass pfx_release_says_signed
    else
        fail pfx_release_says_signed "$(grep signed: "$work/pinned.log")"
    fi
    expect pfx_signature_verifies "osslsigncode verify of the .pfx-signed exe against the certificate failed" \
        osslsigncode verify -CAfile "$cert" -in "$pinned_out/VeyraLauncher.exe"
    expect_not pfx_signature_refused_by_another_ca "the .pfx-signed exe verified against another certificate" \
        osslsigncode verify -CAfile "$work/other/cert.pem" -in "$pinned_out/VeyraLauncher.exe"
    # Countersigned by the loopback server: osslsigncode verifies the time stamp against its
    # certificate.
    if [[ -n $timestamp_url ]]; then
        osslsigncode verify -CAfile "$cert" -TSA-CAfile "$work/tsa/cert.pem" -in "$pinned_out/VeyraLauncher.exe" \
            >"$work/timestamp-verify.log" 2>&1
        if grep -qF "time-stamped by $timestamp_url" "$work/pinned.log" &&
            grep -q '^Timestamp Server Signature verification: ok' "$work/timestamp-verify.log" &&
            grep -q 'Timestamp time:' "$work/timestamp-verify.log"; then
            pass timestamp_countersigns_the_release
        else
            fail timestamp_countersigns_the_release "$(grep -iE 'timestamp|failed' "$work/timestamp-verify.log" | head -n 3)"
        fi
    fi
    if grep -qF "$VEYRA_TEST_PFX_PASSWORD" "$work/pinned.log"; then
        fail pfx_password_not_printed "the password appears in the release's output"
    else
        pass pfx_password_not_printed
    fi
    # The static check sees the keys an exe carries, and another expectation as a failure.
    expect static_checks_see_the_pinned_keys "check_pe did not find keys $ids" \
        python3 "$root/tests/static/check_pe.py" --expect-machine i386 --expect-update-keys "$ids" \
        --manifest "$root/app/VeyraLauncher.manifest" "$pinned_out/VeyraLauncher.exe"
    expect_not static_checks_see_a_pinned_exe_as_pinned "check_pe took a pinned exe for one without keys" \
        python3 "$root/tests/static/check_pe.py" --expect-machine i386 \
        --manifest "$root/app/VeyraLauncher.manifest" "$pinned_out/VeyraLauncher.exe"
fi

# --- a release signed through a PKCS#11 token: SoftHSM in a private folder ---------------------
module=$(compgen -G '/usr/lib/*/softhsm/libsofthsm2.so' | head -n 1)
if [[ -z $module ]] || ! command -v softhsm2-util >/dev/null || ! command -v pkcs11-tool >/dev/null; then
    fail pkcs11_release "softhsm2 and opensc are missing (tools/install-deps.sh installs them)"
else
    # The studio's key and certificate on a fresh token, in a folder of this run only.
    mkdir -p "$work/hsm/tokens"
    printf 'directories.tokendir = %s\nobjectstore.backend = file\n' "$work/hsm/tokens" >"$work/hsm/softhsm2.conf"
    export SOFTHSM2_CONF=$work/hsm/softhsm2.conf VEYRA_TEST_PIN=4321
    openssl pkcs8 -topk8 -nocrypt -in "$key" -out "$work/hsm/key.p8" 2>/dev/null
    if {
        softhsm2-util --init-token --free --label veyra-test --pin "$VEYRA_TEST_PIN" --so-pin 87654321 &&
            softhsm2-util --import "$work/hsm/key.p8" --token veyra-test --label studio --id 01 \
                --pin "$VEYRA_TEST_PIN" &&
            pkcs11-tool --module "$module" --token-label veyra-test --login --pin "$VEYRA_TEST_PIN" \
                --write-object "$cert" --type cert --id 01 --label studio
    } >"$work/hsm/setup.log" 2>&1; then
        token_key='pkcs11:token=veyra-test;object=studio;type=private'
        token_cert='pkcs11:token=veyra-test;object=studio;type=cert'
        printf '0000\n' >"$work/hsm/wrong-pin"
        refusal pkcs11_wrong_pin "the PIN does not open the token" --host localhost --pkcs11-module "$module" \
            --pkcs11-key "$token_key" --pkcs11-cert "$token_cert" --pkcs11-pin-file "$work/hsm/wrong-pin"
        refusal pkcs11_key_of_another_certificate "does not belong to the certificate" --host localhost \
            --pkcs11-module "$module" --pkcs11-key "$token_key" --cert "$work/other/cert.pem" \
            --pkcs11-pin-env VEYRA_TEST_PIN
        refusal pkcs11_missing_key "failed: Failed to load private key" --host localhost --pkcs11-module "$module" \
            --pkcs11-key 'pkcs11:token=veyra-test;object=nothing;type=private' --pkcs11-cert "$token_cert" \
            --pkcs11-pin-env VEYRA_TEST_PIN
        # The certificate comes from the token too.
        pkcs11_out=$work/pkcs11
        timeout "$release_seconds" "$release" --host localhost --pkcs11-module "$module" \
            --pkcs11-key "$token_key" --pkcs11-cert "$token_cert" --pkcs11-pin-env VEYRA_TEST_PIN \
            --out "$pkcs11_out" >"$work/pkcs11.log" 2>&1
        status=$?
        if ((status == 0)) && grep -q '^  signed:  yes.*Veyra Test Studio' "$work/pkcs11.log"; then
            pass pkcs11_release
        else
            fail pkcs11_release "exit status $status: $(tail -n 4 "$work/pkcs11.log")"
        fi
        if [[ -f $pkcs11_out/VeyraLauncher.exe ]]; then
            expect pkcs11_signature_verifies "osslsigncode verify of the token-signed exe failed" \
                osslsigncode verify -CAfile "$cert" -in "$pkcs11_out/VeyraLauncher.exe"
            expect_not pkcs11_signature_refused_by_another_ca "the token-signed exe verified against another certificate" \
                osslsigncode verify -CAfile "$work/other/cert.pem" -in "$pkcs11_out/VeyraLauncher.exe"
        fi
    else
        fail pkcs11_release "could not set up the SoftHSM token: $(tail -n 3 "$work/hsm/setup.log")"
    fi
fi

# --- the studio's own signing command: one that signs, one that does nothing -----------------
# A stand-in for a studio's signing client: signs the file it is given in place.
# shellcheck disable=SC2016 # $1 is the client's argument
printf '#!/bin/sh\nosslsigncode sign -certs "%s" -key "%s" -h sha256 -in "$1" -out "$1.signed" && mv -f "$1.signed" "$1"\n' \
    "$cert" "$key" >"$work/sign-client"
chmod +x "$work/sign-client"
command_out=$work/sign-command
timeout "$release_seconds" "$release" --host localhost --sign-command "$work/sign-client {file}" --ca "$cert" \
    --out "$command_out" >"$work/sign-command.log" 2>&1
status=$?
if ((status == 0)) && grep -q '^  signed:  yes.*Veyra Test Studio' "$work/sign-command.log" &&
    osslsigncode verify -CAfile "$cert" -in "$command_out/VeyraLauncher.exe" >/dev/null 2>&1 &&
    ! osslsigncode verify -CAfile "$work/other/cert.pem" -in "$command_out/VeyraLauncher.exe" >/dev/null 2>&1; then
    pass sign_command_release_verifies
else
    fail sign_command_release_verifies "exit status $status: $(tail -n 4 "$work/sign-command.log")"
fi
# Refused after the build: one line that says why, naming the log that keeps the command's output.
timeout "$release_seconds" "$release" --host localhost --sign-command "true {file}" --ca "$cert" \
    --out "$work/not-signed" >"$work/no-sign-command.out" 2>"$work/no-sign-command.err"
status=$?
log=$(sed -n 's/.*(full output: \(.*\))$/\1/p' "$work/no-sign-command.err")
if ((status == 1)) && [[ $(wc -l <"$work/no-sign-command.err") == 1 && -f $log ]] &&
    grep -q 'the sign command left the exe unsigned' "$work/no-sign-command.err" && [[ ! -e $work/not-signed ]]; then
    pass sign_command_that_does_not_sign_is_refused_in_one_line
else
    fail sign_command_that_does_not_sign_is_refused_in_one_line "exit status $status: $(tail -n 3 "$work/no-sign-command.err")"
fi

# --- a real update under Wine with a signed exe ---------------------------------------------
if wine_runs_32bit; then
    update_exe=$signed_exe helpers=$root/build/win32
else
    echo "NOTE the signed 32-bit exe cannot run here: $(wine32_missing_reason); the update runs a signed 64-bit release"
    # Signed with a CA-issued certificate (the file carries the CA after it) and verified against
    # that CA: the chain a studio's real certificate has.
    signed64_out=$work/signed64
    if make_issued_certificate "$work/issued" "/CN=Veyra Test Studio/O=Veyra"; then
        cat "$work/issued/ca.pem" >>"$work/issued/cert.pem"
        timeout "$release_seconds" "$release" --bits 64 --host localhost --version 2.3.4.5 \
            --key "$work/issued/key.pem" --cert "$work/issued/cert.pem" --ca "$work/issued/ca.pem" \
            --out "$signed64_out" >"$work/signed64.log" 2>&1
        status=$?
    else
        echo "openssl could not make the CA-issued certificate: $(tail -n 3 "$work/issued/openssl.log")" \
            >"$work/signed64.log"
        status=-1
    fi
    if ((status == 0)) && grep -q '^  signed:  yes.*O = Veyra' "$work/signed64.log" &&
        osslsigncode verify -CAfile "$work/issued/ca.pem" -in "$signed64_out/VeyraLauncher.exe" >/dev/null 2>&1; then
        pass signed_64bit_release_with_a_ca_issued_certificate
    else
        fail signed_64bit_release_with_a_ca_issued_certificate "exit status $status: $(tail -n 8 "$work/signed64.log")"
    fi
    update_exe=$signed64_out/VeyraLauncher.exe helpers=$root/build/win64
fi
missing=()
for helper in fake_launcher run_raw; do
    [[ -f $helpers/tests/$helper.exe ]] || missing+=("$helpers/tests/$helper.exe")
done
if [[ ! -f $update_exe ]]; then
    fail update_with_signed_exe "no signed exe to run"
elif ((${#missing[@]})); then
    fail update_with_signed_exe "missing test helpers ${missing[*]} (cmake --preset win64 && cmake --build --preset win64)"
else
    VEYRA_E2E_EXE=$update_exe timeout -k 10 600 "$root/tests/e2e/run.sh" "$helpers" '^scenario_update_succeeds$' \
        >"$work/update.log" 2>&1
    status=$?
    if ((status == 0)) && grep -qx 'PASS update_succeeds' "$work/update.log" &&
        [[ $(tail -n 1 "$work/update.log") == "1 passed, 0 failed" ]]; then
        pass update_with_signed_exe
    else
        fail update_with_signed_exe "exit status $status: $(tail -n 4 "$work/update.log")"
    fi
fi

echo "$passed passed, $failed failed"
((failed == 0))
