#!/usr/bin/env bash
# End-to-end scenarios of the real VeyraLauncher.exe (64-bit build) under Wine and Xvfb.
# Usage: tests/e2e/run.sh [WIN64_BUILD_DIR] [SCENARIO_NAME_PATTERN]
# Runs inside a private network namespace, so the local servers that scenarios start listen on
# port 80 of a loopback that nothing else on the machine shares. Prints one PASS or FAIL line per
# scenario and ends with "N passed, N failed".
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:-$root/build/win64}" && pwd)
pattern=${2:-.}

if [[ -z "${VEYRA_IN_NETNS:-}" ]]; then
    export VEYRA_IN_NETNS=1
    if ((EUID == 0)); then
        exec unshare --net -- "$0" "$build" "$pattern"
    else
        exec unshare --net --map-root-user -- "$0" "$build" "$pattern"
    fi
fi

ip link set lo up

source "$root/tools/lib/wine.sh"
source "$root/tests/e2e/lib.sh"

# A white root window: what lies beneath the splash window shows plainly on screenshots.
start_xvfb -wr
E2E_WORK=$(mktemp -d "$build/e2e.XXXXXX")
E2E_ARTIFACTS="$build/e2e-artifacts"
mkdir -p "$E2E_ARTIFACTS"
trap 'stop_xvfb; rm -rf "$E2E_WORK"' EXIT

E2E_TEMPLATE="$build/wine/template"
wine_template_prefix "$E2E_TEMPLATE"

for file in "$root"/tests/e2e/scenarios_*.sh; do
    source "$file"
done

passed=0
failed=0
for scenario in $(declare -F | awk '{print $3}' | grep '^scenario_' | grep -E -- "$pattern"); do
    if message=$(run_scenario "$scenario" 2>&1); then
        echo "PASS ${scenario#scenario_}"
        passed=$((passed + 1))
    else
        echo "FAIL ${scenario#scenario_}: ${message//$'\n'/ | }"
        failed=$((failed + 1))
    fi
done
echo "$passed passed, $failed failed"
((failed == 0))
