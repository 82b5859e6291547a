#!/usr/bin/env bash
# The test command. Ends with one line "N passed, N failed" over the tiers it ran.
#   tools/test.sh            every tier, in the order below
#   tools/test.sh TIER ...   the named tiers only, in the order given
#   tools/test.sh --list     the tier names, in the order a full run takes them
# The tiers of a full run, in order:
#    1. native     native unit tests (GoogleTest), plain and under AddressSanitizer + UBSan, and
#                  the CRC-32 benchmark (figures only);
#    2. fuzz       the parsers' libFuzzer targets, each for a short fixed time;
#    3. static     static checks of the shipped 32-bit exe and of the 64-bit one, the include
#                  direction (and the check itself on planted includes), and the import check;
#    4. windows    Windows unit tests under Wine (Xvfb) of the 32-bit and the 64-bit build, in two
#                  user locales and on a prefix set to Windows 10;
#    5. e2e        end-to-end scenarios of the shipped 32-bit VeyraLauncher.exe under Wine, Xvfb
#                  and a private network namespace, and a smoke set of the 64-bit one;
#    6. pinned     the end-to-end scenarios of the exe built pinned to a throwaway update key;
#    7. release    the studio's release build: signed with a throwaway certificate, verified,
#                  checked, and a real update with the signed exe;
#    8. animation  the logo animation's CPU cost under Wine (tools/bench_animation.sh, a figure,
#                  not counted);
#    9. studio     the studio's version-file tool against live servers (nginx and the scripted
#                  server, in a private network namespace), natively and its Windows build under
#                  Wine;
#   10. artwork    the artwork has the structure the window relies on;
#   11. format     formatting of the C++ sources.
# A tier first builds the presets it needs (the Wine tiers the Windows builds they run); within one
# run a preset is built once, and one that failed is counted once and not tried again.
# Installs what it needs first (apt-get, idempotent; asks for root through sudo).
set -uo pipefail

TIERS=(native fuzz static windows e2e pinned release animation studio artwork format)

if [[ ${1:-} == --list ]]; then
    printf '%s\n' "${TIERS[@]}"
    exit 0
fi
for tier in "$@"; do
    if [[ " ${TIERS[*]} " != *" $tier "* ]]; then
        echo "tools/test.sh: no tier named '$tier'; the tiers are: ${TIERS[*]}" >&2
        exit 2
    fi
done
selected=("$@")
((${#selected[@]})) || selected=("${TIERS[@]}")

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
started=$SECONDS

"$root/tools/install-deps.sh" || { echo "installing the tools failed"; echo "0 passed, 1 failed"; exit 1; }
source "$root/tools/lib/wine.sh"

results="$root/build/results"
rm -rf "$results"
mkdir -p "$results"
total_passed=0
total_failed=0

# Adds a tier's counts to the totals and prints them.
count() {
    local tier=$1 passed=$2 failed=$3
    total_passed=$((total_passed + passed))
    total_failed=$((total_failed + failed))
    printf '== %-12s %d passed, %d failed\n' "$tier" "$passed" "$failed"
}

# Counts a GoogleTest XML report; a missing or unreadable report is one failure. A skipped test
# is not a pass: it is left out and named.
count_gtest() {
    local tier=$1 report=$2
    local passed failed skipped
    read -r passed failed skipped < <(python3 - "$report" <<'PY'
import sys, xml.etree.ElementTree as ET
try:
    r = ET.parse(sys.argv[1]).getroot()
    t = int(r.get("tests")); f = int(r.get("failures")) + int(r.get("errors", 0))
    s = sum(int(suite.get("skipped", 0)) for suite in r.iter("testsuite"))
    print(t - f - s - int(r.get("disabled", 0)), f, s)
except Exception:
    print(0, 1, 0)
PY
)
    ((skipped > 0)) && echo "   $tier: $skipped skipped"
    count "$tier" "$passed" "$failed"
}

# A tier's own output without its closing count, so that only the grand total closes the run.
without_summary() { grep -v -E '^[0-9]+ passed, [0-9]+ failed$' "$1"; }

# Runs a test script that prints a PASS or FAIL line per check and ends "N passed, N failed",
# counted as a tier:  script_tier TIER COMMAND [ARGUMENT ...]
script_tier() {
    local tier=$1
    shift
    local log="$results/${tier//:/-}.log"
    "$@" >"$log" 2>&1
    without_summary "$log"
    read -r p _ f _ < <(tail -n 1 "$log")
    [[ $p =~ ^[0-9]+$ ]] || { p=0; f=1; }
    count "$tier" "$p" "$f"
}

build_preset() {
    local preset=$1
    echo "== building $preset"
    if ! { cmake --preset "$preset" >"$results/configure-$preset.log" 2>&1 &&
           cmake --build --preset "$preset" >"$results/build-$preset.log" 2>&1; }; then
        cat "$results/configure-$preset.log" "$results/build-$preset.log" 2>/dev/null | tail -n 40
        count "build:$preset" 0 1
        return 1
    fi
}

# Builds a preset the first time a tier asks for it; true when it built. Later tiers of the same
# run take the outcome as it is, so a failed build is counted once.
declare -A build_outcome=()
ensure_built() {
    local preset=$1
    if [[ -z ${build_outcome[$preset]:-} ]]; then
        build_outcome[$preset]=failed
        build_preset "$preset" && build_outcome[$preset]=built
    fi
    [[ ${build_outcome[$preset]} == built ]]
}
ensure_windows_builds() {
    ensure_built win32
    ensure_built win64
}
# The build whose exe the Wine tiers run: win32 where 32-bit Wine runs, else win64.
ensure_product_build() { ensure_built "$(basename "$(wine_product_build "$root")")"; }
is_built() { [[ ${build_outcome[win$1]:-} == built ]]; }
any_windows_build() { is_built 32 || is_built 64; }

tier_native() {
    local preset
    for preset in native native-asan; do
        if ensure_built "$preset"; then
            "build/$preset/tests/native/veyra_core_tests" --gtest_brief=1 \
                --gtest_output="xml:$results/$preset.xml" >"$results/$preset.log" 2>&1
            grep -E 'FAILED|Failure|ERROR' "$results/$preset.log" | head -n 40
            count_gtest "$preset" "$results/$preset.xml"
        fi
    done

    # CRC-32 throughput next to zlib's crc32(): figures only, a crash is the one failure it can add.
    if [[ -x build/native/bench/veyra_crc_benchmark ]]; then
        echo "== CRC-32 benchmark"
        if build/native/bench/veyra_crc_benchmark --benchmark_min_time=0.2 --benchmark_color=false \
            >"$results/crc-benchmark.log" 2>&1; then
            grep -E '^(carry-less|ratio)' "$results/crc-benchmark.log"
        else
            tail -n 20 "$results/crc-benchmark.log"
            count "crc-benchmark" 0 1
        fi
    fi
}

# Each parser's fuzz target for a short fixed time from its seed corpus.
tier_fuzz() {
    local fuzz_seconds=${VEYRA_FUZZ_SECONDS:-15} fuzzer name corpus
    ensure_built fuzz || return 0
    for fuzzer in build/fuzz/tests/fuzz/*_fuzzer; do
        name=$(basename "$fuzzer")
        corpus="$results/corpus-$name"
        mkdir -p "$corpus"
        if "$fuzzer" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 \
            "$corpus" "tests/fuzz/corpus/$name" >"$results/$name.log" 2>&1; then
            count "fuzz:$name" 1 0
        else
            tail -n 30 "$results/$name.log"
            count "fuzz:$name" 0 1
        fi
    done
}

# The static checks of one exe; the 32-bit one is the product.
static_check() {
    local bits=$1 machine=i386
    ((bits == 64)) && machine=amd64
    python3 tests/static/check_pe.py --expect-machine "$machine" --manifest app/VeyraLauncher.manifest \
        "build/win$bits/VeyraLauncher.exe" >"$results/static-win$bits.log"
    read -r p _ f _ < <(tail -n 1 "$results/static-win$bits.log")
    without_summary "$results/static-win$bits.log" | grep FAIL
    count "static:win$bits" "${p:-0}" "${f:-1}"
}

# First of the tiers that need the Windows builds (it is fast): it builds them.
tier_static() {
    local bits
    for bits in 32 64; do
        ensure_built "win$bits" && static_check "$bits"
    done
    # Includes run one way: the tree's folders, and the check itself on planted upward and
    # sideways includes.
    script_tier static:includes python3 tests/static/check_includes.py
    script_tier static:includes-planted python3 tests/static/check_includes.py --self-test
    # The import check refuses imports that are not KnownDLLs, also in a copy of the product with
    # an import renamed.
    is_built 32 && script_tier static:imports python3 tests/static/test_check_pe.py build/win32/VeyraLauncher.exe
}

# Runs one build's Windows test program under Wine in a prefix and counts its report as a tier:
#   wine_gtest TIER BUILD PREFIX GTEST_FILTER [VARIABLE=VALUE ...]
# The assignments are that run's environment. The LC_ variables are dropped, so that a LANG among
# them sets the user locale (Wine takes it from LANG unless an LC_ variable overrides it).
# The Wine command is gtest_wine's (default: the Wine in use).
wine_gtest() {
    local tier=$1 build=$2 prefix=$3 filter=$4
    shift 4
    local report="$results/${tier//:/-}.xml" log="$results/${tier//:/-}.log"
    local -a wine=("${gtest_wine[@]:-$VEYRA_WINE}")
    (
        cd "$build/tests" || exit 1
        for variable in $(compgen -e | grep '^LC_'); do unset "$variable"; done
        for assignment in "$@"; do export "${assignment?}"; done
        WINEPREFIX="$prefix" timeout 600 "${wine[@]}" veyra_win_tests.exe --gtest_brief=1 \
            --gtest_filter="$filter" --gtest_output="xml:$(windows_path "$report")" >"$log" 2>&1
    )
    WINEPREFIX="$prefix" "$VEYRA_WINESERVER" -k >/dev/null 2>&1
    grep -E 'FAILED|Failure' "$log" | head -n 40
    grep -a 'line \]' "$log"
    count_gtest "$tier" "$report"
}

# The Windows tests of one bitness on a Windows 7 prefix (Wine's default), the error log's time
# stamp under two user locales (the tests are told which to expect), and the taskbar and version
# tests on a prefix set to Windows 10, which a program without a compatibility manifest sees as
# 6.2.
windows_tests() {
    local bits=$1
    local build="$root/build/win$bits" prefixes="$root/build/win$bits/wine"
    wine_fresh_prefix "$VEYRA_WINE_TEMPLATE" "$prefixes/unit"
    wine_gtest "windows$bits" "$build" "$prefixes/unit" '-LogLocaleTest.*' VEYRA_EXPECT_WINVER=6.1
    for locale in pt_BR en_US; do
        wine_gtest "windows$bits:$locale" "$build" "$prefixes/unit" 'LogLocaleTest.*' \
            "LANG=$locale.UTF-8" "VEYRA_EXPECT_LOCALE=$locale"
    done
    wine_fresh_prefix "$VEYRA_WINE_TEMPLATE" "$prefixes/unit-win10"
    WINEPREFIX="$prefixes/unit-win10" "$VEYRA_WINE" reg add 'HKCU\Software\Wine' /v Version /d win10 \
        /f >/dev/null 2>&1
    WINEPREFIX="$prefixes/unit-win10" wine_settle
    wine_gtest "windows$bits:win10" "$build" "$prefixes/unit-win10" \
        'TaskbarListWinTest.*:WindowsVersionWinTest.*' VEYRA_EXPECT_WINVER=6.2
}

# Where 32-bit Wine cannot run natively: the 32-bit code paths of the processor's own work (the
# CRC's vector method from misaligned stacks, the readers, parsers and pixel work with 32-bit
# sizes) under emulated 32-bit Wine. Only the suites named SingleThread... run there: the ones
# that use windows, contending threads, processes or sockets crash Wine under the emulation and
# are left to the 64-bit run. A parameterised suite carries its instantiation's name first.
EMULATED_SUITES='SingleThread*:*/SingleThread*'
windows32_emulated_tests() {
    if ! wine32_emulation_available; then
        echo "== windows32    not run: $(wine32_missing_reason), and no qemu-i386 to emulate it"
        return
    fi
    echo "== windows32    $(wine32_missing_reason): its single-threaded suites run under qemu-i386"
    local prefix="$root/build/win32/wine/emulated"
    wine_fresh_prefix "$VEYRA_WINE_TEMPLATE" "$prefix"
    wine32_fill_syswow64 "$prefix"
    gtest_wine=("${VEYRA_WINE32_EMULATED[@]}")
    wine_gtest "windows32:qemu" "$root/build/win32" "$prefix" "$EMULATED_SUITES"
    gtest_wine=()
}

# The Windows unit tests under Wine, in private prefixes, on a private X server.
tier_windows() {
    local bits
    ensure_windows_builds
    any_windows_build || return 0
    wine_template_prefix || echo "making the Wine prefix failed"
    start_xvfb
    for bits in 32 64; do
        is_built "$bits" || continue
        if ((bits == 32)) && ! wine_runs_32bit; then
            windows32_emulated_tests
            continue
        fi
        windows_tests "$bits"
    done
    stop_xvfb
}

# Runs the end-to-end scenarios matching a pattern on one build's exe, counted as a tier.
e2e_tier() { script_tier "$1" tests/e2e/run.sh "$2" "$3"; }

# Every end-to-end scenario on the shipped 32-bit exe, and a smoke set (one update, one failure)
# on the 64-bit twin. Where 32-bit Wine cannot run, every scenario runs on the 64-bit exe
# instead, and the line says so.
tier_e2e() {
    ensure_windows_builds
    if wine_runs_32bit && is_built 32; then
        e2e_tier e2e:win32 build/win32 .
        is_built 64 && e2e_tier e2e:win64 build/win64 '^scenario_update_(succeeds|fails_crc_differs)$'
    elif is_built 64; then
        echo "== e2e:win32    not run: $(wine32_missing_reason); every scenario runs on the 64-bit exe"
        e2e_tier e2e:win64 build/win64 .
    fi
}

# A build pinned to a throwaway update key: only what that key signed over this very file
# installs. The pinned scenarios (tests/e2e/scenarios_pinned.sh) run on the product's exe built
# with a key made here, with the product build's helpers; a second key signs what must be
# refused.
tier_pinned() {
    local bits=64 keys="$root/build/pinned/keys" name
    wine_runs_32bit && ensure_built win32 && bits=32
    ((bits == 32)) || ensure_built win64 || return 0
    local build="$root/build/pinned/win$bits"
    mkdir -p "$keys"
    for name in studio other; do
        [[ -f $keys/$name.pem ]] ||
            openssl ecparam -name prime256v1 -genkey -noout -out "$keys/$name.pem" 2>/dev/null
    done
    openssl pkey -in "$keys/studio.pem" -pubout -out "$keys/studio-public.pem" 2>/dev/null
    echo "== building the pinned win$bits exe"
    if ! { cmake --preset "win$bits" -B "$build" -DVEYRA_UPDATE_KEYS="$keys/studio-public.pem" \
               >"$results/configure-pinned.log" 2>&1 &&
           cmake --build "$build" --target VeyraLauncher >"$results/build-pinned.log" 2>&1; }; then
        tail -n 40 "$results/configure-pinned.log" "$results/build-pinned.log"
        count "build:pinned" 0 1
        return 1
    fi
    VEYRA_E2E_SET=pinned VEYRA_E2E_EXE="$build/VeyraLauncher.exe" \
        VEYRA_E2E_SIGNING_KEY="$keys/studio.pem" VEYRA_E2E_OTHER_KEY="$keys/other.pem" \
        e2e_tier "e2e:pinned$bits" "build/win$bits" .
}

# The studio's release build: signed with a throwaway certificate, checked, updating for real
# with the product build's helpers.
tier_release() {
    ensure_product_build
    any_windows_build || return 0
    script_tier release tests/release/run.sh
}

# What the logo animation costs the program under Wine: a figure only, not counted.
tier_animation() {
    ensure_product_build
    any_windows_build || return 0
    local product
    product=$(wine_product_build "$root")
    echo "== logo animation benchmark ($(basename "$product"))"
    if tools/bench_animation.sh "$product" >"$results/bench-animation.log" 2>&1; then
        grep -E '^(logo animation|VeyraLauncher.exe|wineserver|Xvfb)' "$results/bench-animation.log"
    else
        echo "   (no figure: $(tail -n 1 "$results/bench-animation.log"))"
    fi
}

# The studio's version-file tool against live servers, natively and (its Windows build) under Wine.
tier_studio() {
    ensure_built native
    ensure_product_build
    [[ -x build/native/veyra_version_file ]] || return 0
    local studio_windows=()
    any_windows_build && studio_windows=("$(wine_product_build "$root")")
    script_tier studio tests/studio/run.sh build/native "${studio_windows[@]}"
}

# The artwork has the structure the window relies on.
tier_artwork() {
    if /usr/bin/python3 tools/check_artwork.py >"$results/artwork.log" 2>&1; then
        count "artwork" 1 0
    else
        cat "$results/artwork.log"
        count "artwork" 0 1
    fi
}

# Formatting of the C++ sources.
tier_format() {
    local sources
    mapfile -t sources < <(git ls-files '*.cpp' '*.h')
    if clang-format --dry-run --Werror "${sources[@]}" >"$results/format.log" 2>&1; then
        count "format" 1 0
    else
        head -n 20 "$results/format.log"
        count "format" 0 1
    fi
}

for tier in "${selected[@]}"; do
    "tier_$tier"
done

is_built 32 && echo "VeyraLauncher.exe: $(stat -c %s build/win32/VeyraLauncher.exe) bytes (win32)," \
    "$(stat -c %s build/win64/VeyraLauncher.exe 2>/dev/null || echo '?') bytes (win64)"
echo "wall time: $((SECONDS - started)) s"
echo "$total_passed passed, $total_failed failed"
((total_failed == 0))
