#!/usr/bin/env bash
# The release build a studio ships: a clean build of VeyraLauncher.exe with the studio's update
# host and version fixed into it, signed with Authenticode when a key is given, checked, and
# written with its SHA-256 sum.
#
# Usage: tools/release.sh --host HOST [--version A.B.C.D] [--key KEY.pem --cert CERT.pem
#                         [--ca CA.pem] [--timestamp URL]] [--update-key PUB.pem ...]
#                         [--out DIR] [--bits 32|64]
#
#   --host HOST     the update server: a plain DNS name or a dotted IPv4 address (port 80)
#   --version V     four numbers 0..65535, default 1.0.0.0
#   --key, --cert   PEM private key and certificate (the certificate file may carry the chain
#                   after the signing certificate); both or neither. Without them the exe is
#                   not signed. The certificate's extended key usage must name code signing; a
#                   DER certificate is refused with the command that converts it to PEM.
#   --ca FILE       the CA certificates the signature is verified against. Default: the
#                   certificate itself when it is self-signed (a studio's test certificate),
#                   else the system bundle /etc/ssl/certs/ca-certificates.crt. A certificate
#                   that does not chain to it stops the script before it builds.
#   --timestamp URL an RFC 3161 time-stamping server, passed to osslsigncode (-ts) so the
#                   signature outlives the certificate
#   --update-key PUB.pem  an ECDSA P-256 public key (PEM) the exe is pinned to: it then installs
#                   only version files signed by one of its keys (repeatable: pin the next key
#                   beside the current one to rotate). Without it the exe accepts any version file
#                   whose CRC matches.
#   --out DIR       where VeyraLauncher.exe and SHA256SUMS go, default build/release/out
#   --bits 32|64    the shipped 32-bit program (default), or its 64-bit twin
#
# Exit status: 0 done, 2 bad arguments, 1 a build, signing, verification or check failure (one
# line that says why, and the log that keeps the tool's full output).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
program=$(basename "$0")

usage() {
    sed -n '6,8p' "${BASH_SOURCE[0]}" | sed 's/^# //'
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
update_keys=()
host_given=0
while (($#)); do
    option=$1
    case $option in
    -h | --help)
        awk 'NR > 1 && !/^#/ { exit } NR > 1' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
        exit 0
        ;;
    --host | --version | --key | --cert | --ca | --timestamp | --update-key | --out | --bits)
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
    esac
done

((host_given)) || refuse "--host is required"
problem=$(host_problem "$host")
[[ -z $problem ]] || refuse "--host '$host' refused: $problem"
problem=$(version_problem "$version")
[[ -z $problem ]] || refuse "--version '$version' refused: $problem"
[[ $bits == 32 || $bits == 64 ]] || refuse "--bits is 32 or 64, not '$bits'"
if [[ -n $key || -n $cert ]]; then
    [[ -n $key ]] || refuse "--cert needs --key"
    [[ -n $cert ]] || refuse "--key needs --cert"
    for file in "$key" "$cert" ${ca:+"$ca"}; do
        [[ -f $file && -r $file ]] || refuse "cannot read '$file'"
    done
    key=$(realpath "$key") cert=$(realpath "$cert")
    [[ -z $ca ]] || ca=$(realpath "$ca")
else
    [[ -z $ca ]] || refuse "--ca is for verifying a signature: it needs --key and --cert"
    [[ -z $timestamp ]] || refuse "--timestamp is for signing: it needs --key and --cert"
fi
for file in ${update_keys[@]+"${update_keys[@]}"}; do
    [[ -f $file && -r $file ]] || refuse "cannot read '$file'"
    python3 "$root/tools/update_keys.py" --ids "$file" >/dev/null 2>&1 ||
        refuse "--update-key $file: $(python3 "$root/tools/update_keys.py" --ids "$file" 2>&1)"
done
out=$(realpath -m "${out:-$root/build/release/out}")

signing=0
[[ -z $key ]] || signing=1
tools=(cmake ninja python3 sha256sum)
((signing)) && tools+=(osslsigncode openssl)
for tool in "${tools[@]}"; do
    command -v "$tool" >/dev/null || fail "$tool is missing (tools/install-deps.sh installs it)"
done

if ((signing)); then
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
    [[ -z $problem ]] || refuse "the certificate in $cert is not for code signing: $problem"
    subject=${subject#subject=}
    subject=${subject# }
    openssl pkey -in "$key" -noout -passin pass: 2>/dev/null ||
        refuse "$key is no readable PEM private key (an encrypted key is not supported)"
    # The key must belong to the certificate, or the signature could never verify.
    [[ "$(openssl x509 -in "$cert" -noout -pubkey)" == "$(openssl pkey -in "$key" -pubout)" ]] ||
        refuse "the key in $key does not belong to the certificate in $cert"
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
        fail "the certificate in $cert does not verify against $ca"
    fi
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
        cmake --build "$build" --target VeyraLauncher
} >"$log" 2>&1; then
    fail "the build failed: $(why "$log") (full output: $log)"
fi
exe=$build/VeyraLauncher.exe
[[ -f $exe ]] || fail "the build made no $exe"

if ((signing)); then
    echo "Signing with the certificate of $subject"
    signed=$build/VeyraLauncher.signed.exe
    rm -f "$signed"
    if ! osslsigncode sign -certs "$cert" -key "$key" -h sha256 -n VeyraLauncher \
        ${timestamp:+-ts "$timestamp"} -in "$exe" -out "$signed" >"$build/sign.log" 2>&1; then
        fail "signing failed: $(why "$build/sign.log") (full output: $build/sign.log)"
    fi
    # The signed exe takes the unsigned one's place: only the signed one can ship.
    mv -f "$signed" "$exe"
    if ! osslsigncode verify -CAfile "$ca" -in "$exe" >"$build/verify.log" 2>&1; then
        fail "the signature does not verify against $ca: $(why "$build/verify.log")" \
            "(full output: $build/verify.log)"
    fi
    echo "Signature verified against $ca"
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
(cd "$out" && sha256sum VeyraLauncher.exe >SHA256SUMS)
sum=$(cut -d' ' -f1 "$out/SHA256SUMS")

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
echo "  files:   $out/VeyraLauncher.exe, $out/SHA256SUMS"
