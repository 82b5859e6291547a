#!/usr/bin/env bash
# The release build a studio ships: a clean build of VeyraLauncher.exe with the studio's update
# host and version fixed into it, signed with Authenticode when a key is given, checked, and
# written with its SHA-256 sum.
#
# Usage: tools/release.sh --host HOST [--version A.B.C.D] [SIGNING [--ca CA.pem] [--timestamp URL]]
#                         [--update-key PUB.pem ...] [--out DIR] [--bits 32|64]
# SIGNING is one of: --key KEY.pem --cert CERT.pem
#                    --pfx FILE.pfx (--pfx-password-env NAME | --pfx-password-file FILE)
#                    --pkcs11-module LIB.so --pkcs11-key URI (--pkcs11-cert URI | --cert CERT.pem)
#                        (--pkcs11-pin-env NAME | --pkcs11-pin-file FILE)
#                    --sign-command 'CMD {file}' [--cert CERT.pem]
#
#   --host HOST     the update server: a plain DNS name or a dotted IPv4 address (port 80)
#   --version V     four numbers 0..65535, default 1.0.0.0
#   --key, --cert   PEM private key and certificate (the certificate file may carry the chain
#                   after the signing certificate); both or neither. Without them the exe is
#                   not signed. The certificate's extended key usage must name code signing; a
#                   DER certificate is refused with the command that converts it to PEM.
#   --pfx FILE      a PKCS#12 file with the key and its certificate (and chain); its password
#                   from the environment variable NAME or the first line of FILE, never from
#                   the command line. Checked before the build: it opens, carries a certificate
#                   for code signing and the key that belongs to it.
#   --pkcs11-module LIB  a hardware token's PKCS#11 module (SoftHSM: libsofthsm2.so), through
#                   osslsigncode's PKCS#11 engine (Debian: libengine-pkcs11-openssl). The key is
#                   a pkcs11: URI; the certificate is on the token (--pkcs11-cert URI) or a PEM
#                   file (--cert); the PIN from an environment variable or a file. A trial
#                   signature before the build checks the PIN, the key and that they match.
#   --sign-command CMD  the studio's own signing client: {file} becomes the exe's path (quoted);
#                   the command signs that file in place. The signature is then verified as on
#                   every road; an exe that comes back unsigned is refused. --cert names the
#                   certificate it signs with, to check it before the build (optional).
#   --ca FILE       the CA certificates the signature is verified against. Default: the
#                   certificate itself when it is self-signed (a studio's test certificate),
#                   else the system bundle /etc/ssl/certs/ca-certificates.crt. A certificate
#                   that does not chain to it stops the script before it builds.
#   --timestamp URL an RFC 3161 time-stamping server, passed to osslsigncode (-ts) so the
#                   signature outlives the certificate. It must grant a trial time stamp before
#                   the build (exit 1 when it does not). Not with --sign-command.
#   --update-key PUB.pem  an ECDSA P-256 public key (PEM) the exe is pinned to: it then installs
#                   only version files signed by one of its keys (repeatable: pin the next key
#                   beside the current one to rotate). Without it the exe accepts any version file
#                   whose CRC matches.
#   --out DIR       where VeyraLauncher.exe, veyra_version_file.exe (the studio tool, built by
#                   the same preset) and SHA256SUMS go, default build/release/out
#   --bits 32|64    the shipped 32-bit program (default), or its 64-bit twin
#
# Exit status: 0 done, 2 bad arguments, 1 a build, signing, verification or check failure (one
# line that says why, and the log that keeps the tool's full output).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
program=$(basename "$0")

usage() {
    sed -n '6,12p' "${BASH_SOURCE[0]}" | sed 's/^# //'
}

refuse() {
    echo "$program: $*" >&2
    usage >&2
    exit 2
}

fail() {
    echo "$program: $*" >&2
    exit 1
}

# The program resolves the host and sends it verbatim as the Host header, port 80: only names
# that need no encoding and carry nothing but the host pass.
host_problem() {
    local host=$1 label
    local LC_ALL=C
    [[ -n $host ]] || { echo "it is empty"; return; }
    [[ $host =~ ^[\ -~]*$ ]] || { echo "it holds characters that are not printable ASCII"; return; }
    [[ $host != *://* ]] || { echo "it carries a scheme; give the host name alone"; return; }
    [[ $host != *@* ]] || { echo "it carries user information (@)"; return; }
    [[ $host != *:* ]] || { echo "it carries a port or an IPv6 address; the program uses port 80"; return; }
    [[ $host != */* ]] || { echo "it carries a path (/)"; return; }
    [[ $host != *[[:space:]]* ]] || { echo "it holds spaces"; return; }
    ((${#host} <= 253)) || { echo "it is ${#host} characters long (at most 253)"; return; }
    # A dotted IPv4 address: four numbers 0..255 without leading zeros (which some resolvers
    # read as octal).
    if [[ $host =~ ^[0-9.]+$ ]]; then
        if ! [[ $host =~ ^(0|[1-9][0-9]{0,2})\.(0|[1-9][0-9]{0,2})\.(0|[1-9][0-9]{0,2})\.(0|[1-9][0-9]{0,2})$ ]] ||
            ((BASH_REMATCH[1] > 255 || BASH_REMATCH[2] > 255 || BASH_REMATCH[3] > 255 ||
                BASH_REMATCH[4] > 255)); then
            echo "it is neither a DNS name nor a dotted IPv4 address A.B.C.D (0..255 each)"
        fi
        return 0
    fi
    local IFS=.
    local labels
    read -r -a labels <<<"$host"
    [[ $host != *. && $host != .* && $host != *..* ]] || { echo "it has an empty label"; return; }
    for label in "${labels[@]}"; do
        ((${#label} <= 63)) || { echo "label '${label:0:20}...' is ${#label} characters long (at most 63)"; return; }
        [[ $label =~ ^[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?$ ]] ||
            { echo "label '$label' is not letters, digits and inner hyphens"; return; }
    done
    # Resolvers take a name ending in a number for an address.
    [[ ! ${labels[-1]} =~ ^[0-9]+$ ]] || echo "its last label is a number but it is no IPv4 address"
}

version_problem() {
    local version=$1 number
    [[ $version =~ ^(0|[1-9][0-9]{0,4})\.(0|[1-9][0-9]{0,4})\.(0|[1-9][0-9]{0,4})\.(0|[1-9][0-9]{0,4})$ ]] ||
        { echo "expected four numbers separated by dots (A.B.C.D), without leading zeros"; return; }
    for number in "${BASH_REMATCH[@]:1}"; do
        ((number <= 65535)) || { echo "$number is above 65535"; return; }
    done
}

# Why the (first) certificate in a PEM file cannot sign code, or nothing: Windows shows the
# publisher only for a certificate whose extended key usage names code signing.
code_signing_problem() {
    local text
    text=$(openssl x509 -in "$1" -noout -ext extendedKeyUsage,keyUsage 2>/dev/null) ||
        { echo "openssl cannot read its extensions"; return; }
    if ! grep -q 'X509v3 Extended Key Usage' <<<"$text"; then
        echo "it has no extended key usage (extendedKeyUsage codeSigning is needed)"
    elif ! grep -A1 'X509v3 Extended Key Usage' <<<"$text" | grep -q 'Code Signing'; then
        echo "its extended key usage is '$(grep -A1 'X509v3 Extended Key Usage' <<<"$text" |
            tail -n 1 | sed 's/^ *//')', without Code Signing"
    elif grep -q 'X509v3 Key Usage' <<<"$text" &&
        ! grep -A1 'X509v3 Key Usage' <<<"$text" | grep -q 'Digital Signature'; then
        echo "its key usage lacks Digital Signature"
    fi
}

# The one line of a tool's log that says why it failed: its first error line, else its last.
why() {
    local line
    line=$(grep -iE -m 1 'error|fail|mismatch|invalid|unable|cannot' "$1" 2>/dev/null) ||
        line=$(tail -n 1 "$1" 2>/dev/null)
    echo "${line:-no output}"
}

host='' version=1.0.0.0 key='' cert='' ca='' timestamp='' bits=32 out=
pfx='' pfx_password_env='' pfx_password_file=''
pkcs11_module='' pkcs11_key='' pkcs11_cert='' pkcs11_pin_env='' pkcs11_pin_file=''
sign_command=''
# Passwords and PINs reach the tools through files in this private folder, never the command line.
secrets=$(mktemp -d)
trap 'rm -rf "$secrets"' EXIT
update_keys=()
host_given=0
while (($#)); do
    option=$1
    case $option in
    -h | --help)
        awk 'NR > 1 && !/^#/ { exit } NR > 1' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
        exit 0
        ;;
    --host | --version | --key | --cert | --ca | --timestamp | --update-key | --out | --bits | \
        --pfx | --pfx-password-env | --pfx-password-file | --pkcs11-module | --pkcs11-key | \
        --pkcs11-cert | --pkcs11-pin-env | --pkcs11-pin-file | --sign-command)
        (($# >= 2)) || refuse "$option needs a value"
        # "--version --out DIR" would otherwise take "--out" for the version.
        [[ $2 != --* ]] || refuse "$option needs a value (it is followed by the option $2)"
        value=$2
        shift 2
        ;;
    *) refuse "unknown argument '$option'" ;;
    esac
    case $option in
    --host) host=$value host_given=1 ;;
    --version) version=$value ;;
    --key) key=$value ;;
    --cert) cert=$value ;;
    --ca) ca=$value ;;
    --timestamp) timestamp=$value ;;
    --update-key) update_keys+=("$value") ;;
    --out) out=$value ;;
    --bits) bits=$value ;;
    --pfx) pfx=$value ;;
    --pfx-password-env) pfx_password_env=$value ;;
    --pfx-password-file) pfx_password_file=$value ;;
    --pkcs11-module) pkcs11_module=$value ;;
    --pkcs11-key) pkcs11_key=$value ;;
    --pkcs11-cert) pkcs11_cert=$value ;;
    --pkcs11-pin-env) pkcs11_pin_env=$value ;;
    --pkcs11-pin-file) pkcs11_pin_file=$value ;;
    --sign-command) sign_command=$value ;;
    esac
done

((host_given)) || refuse "--host is required"
problem=$(host_problem "$host")
[[ -z $problem ]] || refuse "--host '$host' refused: $problem"
problem=$(version_problem "$version")
[[ -z $problem ]] || refuse "--version '$version' refused: $problem"
[[ $bits == 32 || $bits == 64 ]] || refuse "--bits is 32 or 64, not '$bits'"
readable() {
    local file
    for file; do
        [[ -f $file && -r $file ]] || refuse "cannot read '$file'"
    done
}

# A secret from an environment variable or a file (one of the two), as a file for the tools.
# secret_file WHAT ENV_OPTION ENV_NAME FILE_OPTION FILE OUT
secret_file() {
    local what=$1 env_option=$2 name=$3 file_option=$4 file=$5 out=$6
    [[ -n $name || -n $file ]] || refuse "$what needs $env_option NAME or $file_option FILE"
    [[ -z $name || -z $file ]] || refuse "give $env_option or $file_option, not both"
    if [[ -n $name ]]; then
        [[ $name =~ ^[A-Za-z_][A-Za-z0-9_]*$ ]] || refuse "$env_option '$name' is no variable name"
        [[ -n ${!name+set} ]] || refuse "$env_option $name: the variable is not set"
        (umask 077 && printf '%s\n' "${!name}" >"$out")
    else
        readable "$file"
        (umask 077 && head -n 1 "$file" >"$out")
    fi
}

# One signing road: a PEM key and certificate, a PKCS#12 file, a PKCS#11 token, or the studio's
# own signing command. Without one the exe is not signed.
roads=()
[[ -z $key ]] || roads+=(--key)
[[ -z $pfx ]] || roads+=(--pfx)
[[ -z $pkcs11_module$pkcs11_key ]] || roads+=(--pkcs11-module)
[[ -z $sign_command ]] || roads+=(--sign-command)
((${#roads[@]} <= 1)) || refuse "${roads[*]}: give one way of signing"
road=${roads[0]:-}
if [[ -n $pfx_password_env$pfx_password_file && $road != --pfx ]]; then
    refuse "--pfx-password-env and --pfx-password-file go with --pfx"
fi
if [[ -n $pkcs11_cert$pkcs11_pin_env$pkcs11_pin_file && $road != --pkcs11-module ]]; then
    refuse "--pkcs11-cert, --pkcs11-pin-env and --pkcs11-pin-file go with --pkcs11-module"
fi
case $road in
--key)
    [[ -n $cert ]] || refuse "--key needs --cert"
    readable "$key" "$cert"
    key=$(realpath "$key") cert=$(realpath "$cert")
    ;;
--pfx)
    [[ -z $cert ]] || refuse "--pfx carries its certificate: --cert goes with --key or --pkcs11-module"
    readable "$pfx"
    pfx=$(realpath "$pfx")
    password_file=$secrets/password
    secret_file --pfx --pfx-password-env "$pfx_password_env" --pfx-password-file "$pfx_password_file" \
        "$password_file"
    ;;
--pkcs11-module)
    [[ -n $pkcs11_module ]] || refuse "--pkcs11-key needs --pkcs11-module"
    [[ -n $pkcs11_key ]] || refuse "--pkcs11-module needs --pkcs11-key URI"
    [[ $pkcs11_key == pkcs11:* ]] || refuse "--pkcs11-key '$pkcs11_key' is no pkcs11: URI"
    [[ -n $cert || -n $pkcs11_cert ]] || refuse "--pkcs11-key needs --pkcs11-cert URI or --cert PEM"
    [[ -z $cert || -z $pkcs11_cert ]] || refuse "give --pkcs11-cert or --cert, not both"
    [[ -z $pkcs11_cert || $pkcs11_cert == pkcs11:* ]] || refuse "--pkcs11-cert '$pkcs11_cert' is no pkcs11: URI"
    readable "$pkcs11_module" ${cert:+"$cert"}
    pkcs11_module=$(realpath "$pkcs11_module")
    [[ -z $cert ]] || cert=$(realpath "$cert")
    pin_file=$secrets/pin
    secret_file --pkcs11-module --pkcs11-pin-env "$pkcs11_pin_env" --pkcs11-pin-file "$pkcs11_pin_file" \
        "$pin_file"
    ;;
--sign-command)
    [[ $sign_command == *"{file}"* ]] || refuse "--sign-command needs {file} where the exe's path goes"
    [[ -z $timestamp ]] || refuse "--timestamp goes to osslsigncode: a sign command time-stamps on its own"
    # The certificate the command signs with is optional: its checks then run before the build.
    [[ -z $cert ]] || { readable "$cert" && cert=$(realpath "$cert"); }
    read -r -a words <<<"$sign_command"
    command -v "${words[0]}" >/dev/null || refuse "--sign-command: '${words[0]}' is not found"
    ;;
'')
    [[ -z $cert ]] || refuse "--cert needs --key"
    [[ -z $ca ]] || refuse "--ca is for verifying a signature: it needs a way of signing"
    [[ -z $timestamp ]] || refuse "--timestamp is for signing: it needs a way of signing"
    ;;
esac
[[ -z $ca ]] || { readable "$ca" && ca=$(realpath "$ca"); }
for file in ${update_keys[@]+"${update_keys[@]}"}; do
    [[ -f $file && -r $file ]] || refuse "cannot read '$file'"
    python3 "$root/tools/update_keys.py" --ids "$file" >/dev/null 2>&1 ||
        refuse "--update-key $file: $(python3 "$root/tools/update_keys.py" --ids "$file" 2>&1)"
done
out=$(realpath -m "${out:-$root/build/release/out}")

signing=0
[[ -z $road ]] || signing=1
tools=(cmake ninja python3 sha256sum)
((signing)) && tools+=(osslsigncode openssl)
for tool in "${tools[@]}"; do
    command -v "$tool" >/dev/null || fail "$tool is missing (tools/install-deps.sh installs it)"
done

# openssl pkcs12 ARGS...: reads the --pfx file with its password; OpenSSL 3 needs -legacy for
# the RC2 and 3DES encryption older tools (and Windows) still write.
pkcs12() {
    openssl pkcs12 -in "$pfx" -passin "file:$password_file" "$@" 2>/dev/null ||
        openssl pkcs12 -legacy -in "$pfx" -passin "file:$password_file" "$@" 2>/dev/null
}

if [[ $road == --pfx ]]; then
    pkcs12 -noout ||
        refuse "$pfx does not open with that password (or is no PKCS#12 file)"
    # The signing certificate first, then the chain it carries: the checks below read it like
    # a PEM certificate file.
    cert=$secrets/pfx-cert.pem cert_name=$pfx
    { pkcs12 -nokeys -clcerts && pkcs12 -nokeys -cacerts; } | sed '/^-----BEGIN/,/^-----END/!d' >"$cert"
    grep -q -- '-----BEGIN CERTIFICATE-----' "$cert" || refuse "$pfx carries no certificate"
    [[ $(grep -c -- '-----BEGIN CERTIFICATE-----' <(pkcs12 -nokeys -clcerts)) == 1 ]] ||
        refuse "$pfx carries more than one certificate with a key"
    pfx_public_key=$(pkcs12 -nocerts -nodes | openssl pkey -pubout 2>/dev/null) ||
        refuse "$pfx carries no private key"
    [[ "$(openssl x509 -in "$cert" -noout -pubkey)" == "$pfx_public_key" ]] ||
        refuse "the key in $pfx does not belong to its certificate"
fi

# The options that make osslsigncode sign through the token.
pkcs11_sign_with() {
    sign_with=(-pkcs11module "$pkcs11_module" -key "$pkcs11_key" -readpass "$pin_file")
    if [[ -n $pkcs11_cert ]]; then
        sign_with+=(-pkcs11cert "$pkcs11_cert")
    else
        sign_with+=(-certs "$cert")
    fi
}

# A trial signature of a two-line script through the token, before the build: it proves the
# module loads, the PIN opens the token, the key is there and belongs to the certificate (which
# osslsigncode checks), and yields the token's certificate for the checks below.
if [[ $road == --pkcs11-module ]]; then
    pkcs11_sign_with
    printf 'Write-Output "trial"\r\n' >"$secrets/trial.ps1"
    if ! osslsigncode sign "${sign_with[@]}" -h sha256 -in "$secrets/trial.ps1" \
        -out "$secrets/trial-signed.ps1" >"$secrets/trial.log" 2>&1; then
        if grep -q 'key values mismatch' "$secrets/trial.log"; then
            refuse "the key $pkcs11_key does not belong to the certificate ${pkcs11_cert:-in $cert}"
        fi
        grep -q 'Login failed' "$secrets/trial.log" && refuse "the PIN does not open the token of $pkcs11_key"
        refuse "a trial signature through $pkcs11_module failed: $(why "$secrets/trial.log")"
    fi
    if [[ -n $pkcs11_cert ]]; then
        cert=$secrets/token-cert.pem cert_name=$pkcs11_cert
        if ! osslsigncode extract-signature -pem -in "$secrets/trial-signed.ps1" -out "$secrets/trial.p7" \
            >/dev/null 2>&1; then
            refuse "cannot read the certificate $pkcs11_cert from the trial signature"
        fi
        openssl pkcs7 -in "$secrets/trial.p7" -print_certs 2>/dev/null | sed '/^-----BEGIN/,/^-----END/!d' >"$cert"
    fi
fi

if [[ -n $cert ]]; then
    # osslsigncode and the chain check read PEM (openssl alone would take DER silently): a DER
    # file is refused with the command that converts it.
    if ! grep -q -- '-----BEGIN CERTIFICATE-----' "$cert"; then
        openssl x509 -inform DER -in "$cert" -noout 2>/dev/null &&
            refuse "$cert is a DER certificate; give it in PEM:" \
                "openssl x509 -inform DER -in $cert -out ${cert%.*}.pem"
        refuse "$cert holds no PEM certificate"
    fi
    subject=$(openssl x509 -in "$cert" -noout -subject -nameopt oneline 2>/dev/null) ||
        refuse "$cert holds no PEM certificate"
    problem=$(code_signing_problem "$cert")
    [[ -z $problem ]] || refuse "the certificate in ${cert_name:-$cert} is not for code signing: $problem"
    subject=${subject#subject=}
    subject=${subject# }
fi
if [[ $road == --key ]]; then
    openssl pkey -in "$key" -noout -passin pass: 2>/dev/null ||
        refuse "$key is no readable PEM private key (an encrypted key is not supported)"
    # The key must belong to the certificate, or the signature could never verify.
    [[ "$(openssl x509 -in "$cert" -noout -pubkey)" == "$(openssl pkey -in "$key" -pubout)" ]] ||
        refuse "the key in $key does not belong to the certificate in $cert"
fi
if [[ -n $cert ]]; then
    if [[ -z $ca ]]; then
        # A self-signed certificate verifies against itself: the studio's own test certificate.
        # Any other must chain to a CA this machine trusts.
        if [[ "$(openssl x509 -in "$cert" -noout -subject | sed 's/^subject=//')" == \
            "$(openssl x509 -in "$cert" -noout -issuer | sed 's/^issuer=//')" ]]; then
            ca=$cert
        else
            ca=/etc/ssl/certs/ca-certificates.crt
        fi
    fi
    [[ -r $ca ]] || refuse "cannot read the CA certificates in $ca"
    # A certificate that does not chain to the CA fails here, before a minute of building; the
    # signature itself is verified after signing. The certificate file may carry the chain.
    if ! chain=$(openssl verify -CAfile "$ca" -untrusted "$cert" -purpose any "$cert" 2>&1); then
        echo "$chain" | grep -i error | head -n 3 >&2
        fail "the certificate in ${cert_name:-$cert} does not verify against $ca"
    fi
elif ((signing)); then
    # The sign command's certificate is only known afterwards: it must chain to a CA this
    # machine trusts, or to --ca.
    ca=${ca:-/etc/ssl/certs/ca-certificates.crt}
    [[ -r $ca ]] || refuse "cannot read the CA certificates in $ca"
fi

# The time-stamping server must grant a time stamp now, not after a minute of building: a
# trial request for the hash of a few bytes.
if [[ -n $timestamp ]]; then
    [[ $timestamp =~ ^https?://[^[:space:]]+$ ]] || refuse "--timestamp '$timestamp' is no http:// or https:// URL"
    printf 'trial\n' >"$secrets/trial.txt"
    openssl ts -query -data "$secrets/trial.txt" -sha256 -cert -out "$secrets/trial.tsq" 2>/dev/null ||
        fail "openssl cannot make a time-stamp request"
    if ! answer=$(python3 - "$timestamp" "$secrets/trial.tsq" "$secrets/trial.tsr" 2>&1 <<'PY'
import sys, urllib.request
url, query, reply = sys.argv[1:]
request = urllib.request.Request(url, data=open(query, "rb").read(),
                                 headers={"Content-Type": "application/timestamp-query"})
try:
    with urllib.request.urlopen(request, timeout=20) as response:
        open(reply, "wb").write(response.read())
except Exception as error:  # any failure is the one line the studio sees
    sys.exit(f"{type(error).__name__}: {error}")
PY
    ); then
        fail "the time-stamping server $timestamp does not answer: ${answer##*$'\n'}"
    fi
    status=$(openssl ts -reply -in "$secrets/trial.tsr" -text 2>/dev/null | sed -n 's/^Status: *//p' | head -n 1)
    [[ $status == Granted* ]] ||
        fail "the time-stamping server $timestamp grants no time stamp: ${status:-its answer is no RFC 3161 reply}"
fi

case $bits in
32) preset=win32 machine=i386 ;;
64) preset=win64 machine=amd64 ;;
esac
build=$root/build/release/$preset
rm -rf "$build"
mkdir -p "$build"
log=$build/build.log
# The pinned keys in one file, their ids for the checks and the summary.
key_ids=""
keys_file=""
if ((${#update_keys[@]})); then
    keys_file=$build/update-keys.pem
    cat "${update_keys[@]}" >"$keys_file"
    key_ids=$(python3 "$root/tools/update_keys.py" --ids "$keys_file")
fi
echo "Building the $bits-bit VeyraLauncher.exe for $host, version $version (log: $log)"
if ! {
    cmake -S "$root" --preset "$preset" -B "$build" -DVEYRA_WINDOWS_TESTS=OFF \
        -DVEYRA_UPDATE_HOST="$host" -DVEYRA_PRODUCT_VERSION="$version" \
        -DVEYRA_UPDATE_KEYS="$keys_file" &&
        cmake --build "$build" --target VeyraLauncher veyra_version_file
} >"$log" 2>&1; then
    fail "the build failed: $(why "$log") (full output: $log)"
fi
exe=$build/VeyraLauncher.exe
[[ -f $exe ]] || fail "the build made no $exe"
tool=$build/veyra_version_file.exe
[[ -f $tool ]] || fail "the build made no $tool"

if ((signing)); then
    signed=$build/VeyraLauncher.signed.exe
    rm -f "$signed"
    if [[ $road == --sign-command ]]; then
        # Only the program's name: the rest of a studio's command line may carry its credentials.
        echo "Signing with the sign command ${words[0]}"
        cp -f "$exe" "$signed"
        command=${sign_command//\{file\}/$(printf '%q' "$signed")}
        if ! bash -c "$command" >"$build/sign.log" 2>&1; then
            fail "the sign command failed: $(why "$build/sign.log") (full output: $build/sign.log)"
        fi
        # The command signs in place: an exe that comes back as it went in is not signed.
        if ! python3 "$root/tests/static/check_pe.py" --expect-signed "$signed" >"$build/signed-check.log" 2>&1; then
            fail "the sign command left the exe unsigned: $(grep -m 1 '^FAIL' "$build/signed-check.log")" \
                "(full output: $build/sign.log)"
        fi
    else
        echo "Signing with the certificate of $subject"
        case $road in
        --key) sign_with=(-certs "$cert" -key "$key") ;;
        --pfx) sign_with=(-pkcs12 "$pfx" -readpass "$password_file") ;;
        --pkcs11-module) pkcs11_sign_with ;;
        esac
        if ! osslsigncode sign "${sign_with[@]}" -h sha256 -n VeyraLauncher \
            ${timestamp:+-ts "$timestamp"} -in "$exe" -out "$signed" >"$build/sign.log" 2>&1; then
            fail "signing failed: $(why "$build/sign.log") (full output: $build/sign.log)"
        fi
    fi
    # The signed exe takes the unsigned one's place: only the signed one can ship.
    mv -f "$signed" "$exe"
    if ! osslsigncode verify -CAfile "$ca" -in "$exe" >"$build/verify.log" 2>&1; then
        fail "the signature does not verify against $ca: $(why "$build/verify.log")" \
            "(full output: $build/verify.log)"
    fi
    echo "Signature verified against $ca"
    if [[ -z $cert ]]; then
        subject=$(sed -n 's/^[[:space:]]*Subject: *//p' "$build/verify.log" | head -n 1)
        subject=${subject:-the certificate that signed it}
    fi
fi

checks=(--expect-machine "$machine" --manifest "$root/app/VeyraLauncher.manifest" --expect-version "$version")
((signing)) && checks+=(--expect-signed)
checks+=(--expect-update-keys "$key_ids")
if ! python3 "$root/tests/static/check_pe.py" "${checks[@]}" "$exe" >"$build/check_pe.log" 2>&1; then
    fail "the static checks of $exe failed: $(grep -m 1 '^FAIL' "$build/check_pe.log" ||
        tail -n 1 "$build/check_pe.log") (full output: $build/check_pe.log)"
fi
echo "Static checks: $(tail -n 1 "$build/check_pe.log")"

mkdir -p "$out"
cp -f "$exe" "$out/VeyraLauncher.exe"
# The studio tool beside it, for studios that write their version files on Windows.
cp -f "$tool" "$out/veyra_version_file.exe"
(cd "$out" && sha256sum VeyraLauncher.exe veyra_version_file.exe >SHA256SUMS)
sum=$(sha256sum "$out/VeyraLauncher.exe" | cut -d' ' -f1)

echo
echo "Release of VeyraLauncher.exe"
echo "  host:    $host"
echo "  version: $version"
echo "  bits:    $bits"
if ((signing)); then
    echo "  signed:  yes, Authenticode SHA-256, by $subject${timestamp:+, time-stamped by $timestamp}"
else
    echo "  signed:  no"
fi
if [[ -n $key_ids ]]; then
    echo "  pinned:  installs only version files signed by update key ${key_ids//,/, }"
else
    echo "  pinned:  no (installs any version file whose CRC-32 matches)"
fi
echo "  SHA-256: $sum"
echo "  size:    $(stat -c %s "$out/VeyraLauncher.exe") bytes"
echo "  files:   $out/VeyraLauncher.exe, $out/veyra_version_file.exe (the studio tool), $out/SHA256SUMS"
