#!/usr/bin/env bash
# End-to-end scenarios of the real VeyraLauncher.exe under Wine and Xvfb.
# Usage: tests/e2e/run.sh [BUILD_DIR] [SCENARIO_NAME_PATTERN]
# BUILD_DIR defaults to the shipped 32-bit build (build/win32), or build/win64 where 32-bit Wine
# cannot run; its helper programs (BUILD_DIR/tests) run beside it. VEYRA_E2E_EXE=/path/to/exe
# makes the scenarios run that VeyraLauncher.exe instead of BUILD_DIR's (the helpers still come
# from BUILD_DIR, so the exe's bitness must be one its Wine runs).
# VEYRA_E2E_SET=pinned runs the scenarios of a build pinned to update keys (pinned_scenario_*, in
# tests/e2e/scenarios_pinned.sh) instead of the others.
# Runs inside a private network namespace, so the local servers that scenarios start listen on
# port 80 of a loopback that nothing else on the machine shares. Prints one PASS or FAIL line per
# scenario and ends with "N passed, N failed".
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# A single scenario, run by the loop below in a process of its own so that a hang is bounded.
if [[ ${1:-} == --one ]]; then
    build=$2
    source "$root/tools/lib/wine.sh"
    source "$root/tests/e2e/lib.sh"
    for file in "$root"/tests/e2e/scenarios_*.sh; do
        source "$file"
    done
    run_scenario "$3"
    exit
fi

source "$root/tools/lib/wine.sh"
source "$root/tools/lib/netns.sh"
build=$(cd "${1:-$(wine_product_build "$root")}" && pwd)
if [[ -n ${VEYRA_E2E_EXE:-} ]]; then
    [[ -f $VEYRA_E2E_EXE ]] || { echo "VEYRA_E2E_EXE: no file $VEYRA_E2E_EXE" >&2; exit 1; }
    # The scenarios run from other folders: the path must not depend on this one.
    VEYRA_E2E_EXE=$(realpath "$VEYRA_E2E_EXE")
    export VEYRA_E2E_EXE
fi
pattern=${2:-.}
scenario_seconds=${VEYRA_E2E_SCENARIO_SECONDS:-240}
enter_private_network "$0" "$build" "$pattern"

source "$root/tests/e2e/lib.sh"

# A white root window: what lies beneath the splash window shows plainly on screenshots.
start_xvfb -wr
export E2E_WORK E2E_ARTIFACTS E2E_TEMPLATE
E2E_WORK=$(mktemp -d "$build/e2e.XXXXXX")
E2E_ARTIFACTS="$build/e2e-artifacts"
mkdir -p "$E2E_ARTIFACTS"
trap 'stop_xvfb; rm -rf "$E2E_WORK"' EXIT

E2E_TEMPLATE=$VEYRA_WINE_TEMPLATE
wine_template_prefix "$E2E_TEMPLATE"

# Ends what a scenario that ran out of time left behind: its Wine processes and its web server.
clean_up_after() {
    local dir="$E2E_WORK/$1"
    WINEPREFIX="$dir/prefix" "$VEYRA_WINESERVER" -k >/dev/null 2>&1
    [[ -f $dir/nginx/nginx.pid ]] && kill "$(cat "$dir/nginx/nginx.pid")" 2>/dev/null
    return 0
}

for file in "$root"/tests/e2e/scenarios_*.sh; do
    source "$file"
done

passed=0
failed=0
prefix=scenario_
[[ ${VEYRA_E2E_SET:-} == pinned ]] && prefix=pinned_scenario_
for scenario in $(declare -F | awk '{print $3}' | grep "^$prefix" | grep -E -- "$pattern"); do
    message=$(timeout -k 10 "$scenario_seconds" "$0" --one "$build" "$scenario" 2>&1)
    status=$?
    if ((status == 0)); then
        echo "PASS ${scenario#"$prefix"}"
        passed=$((passed + 1))
    else
        ((status == 124 || status == 137)) && message="ran out of its $scenario_seconds s. $message"
        clean_up_after "$scenario"
        echo "FAIL ${scenario#"$prefix"}: ${message//$'\n'/ | }"
        failed=$((failed + 1))
    fi
done
echo "$passed passed, $failed failed"
((failed == 0))
