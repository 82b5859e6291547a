#!/usr/bin/env bash
# The version-file tool's check and tools/release.sh take the same update host names: each row of
# the table goes to release.sh's own host_problem (read from the script, so no build starts) and
# to `veyra_version_file check HOST` (with a launcher that does not exist, so that a name it takes
# ends at the launcher, before any network).
# Usage: tests/studio/hosts.sh TOOL
# Prints one PASS or FAIL line per row and exits non-zero when a row failed.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
tool=$1
definition=$(sed -n '/^host_problem() {$/,/^}$/p' "$root/tools/release.sh")
[[ -n $definition ]] || { echo "FAIL hosts: no host_problem function in tools/release.sh"; exit 1; }
eval "$definition"

long_label=$(printf 'a%.0s' {1..64})
long_name=$(printf 'abcdefghi.%.0s' {1..25})abcd.example
ROWS=(
    # host                          | taken
    "updates.example.com            | yes"
    "localhost                      | yes"
    "cdn-1.studio.example           | yes"
    "192.0.2.7                      | yes"
    "0.0.0.0                        | yes"
    "255.255.255.255                | yes"
    "123.example.com                | yes"
    "1.2.3                          | no"
    "999.1.1.1                      | no"
    "256.1.1.1                      | no"
    "01.2.3.4                       | no"
    "1.2.3.4.5                      | no"
    "1.2.3.4.                       | no"
    "123                            | no"
    "example.123                    | no"
    "updates.example.com.           | no"
    ".updates.example.com           | no"
    "updates..example.com           | no"
    "-updates.example.com           | no"
    "updates-.example.com           | no"
    "updates_1.example.com          | no"
    "http://updates.example.com     | no"
    "updates.example.com:8080       | no"
    "updates.example.com/launcher   | no"
    "user@updates.example.com       | no"
    "$long_label.example.com        | no"
    "$long_name                     | no"
    "updätes.example.com            | no"
)

failed=0
for row in "${ROWS[@]}"; do
    IFS='|' read -r host taken <<<"$row"
    host=${host%"${host##*[![:space:]]}"}
    taken=${taken//[[:space:]]/}
    release=yes
    [[ -z $(host_problem "$host") ]] || release=no
    "$tool" check "$host" /nonexistent/launcher.exe >/dev/null 2>"${TMPDIR:-/tmp}/hosts.$$"
    message=$(cat "${TMPDIR:-/tmp}/hosts.$$")
    checked=no
    [[ $message == *"cannot read the launcher file"* ]] && checked=yes
    if [[ $release == "$taken" && $checked == "$taken" ]]; then
        echo "PASS hosts:${host:0:40}"
    else
        echo "FAIL hosts:${host:0:40}: expected $taken, release.sh $release, check $checked ($message)"
        failed=$((failed + 1))
    fi
done
rm -f "${TMPDIR:-/tmp}/hosts.$$"
((failed == 0))
