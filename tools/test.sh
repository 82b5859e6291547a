#!/usr/bin/env bash
# Runs every test tier and ends with one line "N passed, N failed" over all of them:
#   1. native unit tests (GoogleTest), plain and under AddressSanitizer + UBSan, and the CRC-32
#      benchmark (figures only);
#   2. Windows unit tests under Wine (Xvfb) of the 32-bit and the 64-bit build, in two user
#      locales and on a prefix set to Windows 10;
#   3. end-to-end scenarios of the shipped 32-bit VeyraLauncher.exe under Wine, Xvfb and a private
#      network namespace, and a smoke set of the 64-bit one;
#   4. static checks of the shipped 32-bit exe (and of the 64-bit one), and code formatting;
#   5. the studio's version-file tool against live servers (nginx and the scripted server, in a
#      private network namespace), natively and its Windows build under Wine;
#   6. the studio's release build: signed with a throwaway certificate, verified, checked, and a
#      real update with the signed exe;
# and prints the logo animation's CPU cost under Wine (tools/bench_animation.sh, not counted).
# Installs what it needs first (apt-get, idempotent; asks for root through sudo).
set -uo pipefail

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

# Tier 1: native unit tests, plain and with sanitizers.
for preset in native native-asan; do
    if build_preset "$preset"; then
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

# Fuzz targets of the parsers, each for a short fixed time from its seed corpus.
fuzz_seconds=${VEYRA_FUZZ_SECONDS:-15}
if build_preset fuzz; then
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
fi

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

# Tier 4 (first, it is fast): static checks of each exe; the 32-bit one is the product.
static_check() {
    local bits=$1 machine=i386
    ((bits == 64)) && machine=amd64
    python3 tests/static/check_pe.py --expect-machine "$machine" --manifest app/VeyraLauncher.manifest \
        "build/win$bits/VeyraLauncher.exe" >"$results/static-win$bits.log"
    read -r p _ f _ < <(tail -n 1 "$results/static-win$bits.log")
    without_summary "$results/static-win$bits.log" | grep FAIL
    count "static:win$bits" "${p:-0}" "${f:-1}"
}

built=()
for bits in 32 64; do
    build_preset "win$bits" || continue
    built+=("$bits")
    static_check "$bits"
done
is_built() { [[ " ${built[*]} " == *" $1 "* ]]; }
# Includes run one way: the tree's folders, and the check itself on planted upward and sideways
# includes.
script_tier static:includes python3 tests/static/check_includes.py
script_tier static:includes-planted python3 tests/static/check_includes.py --self-test
# The import check refuses imports that are not KnownDLLs, also in a copy of the product with an import renamed.
is_built 32 && script_tier static:imports python3 tests/static/test_check_pe.py build/win32/VeyraLauncher.exe

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

# Tier 2 for one bitness: the Windows tests on a Windows 7 prefix (Wine's default), the error
# log's time stamp under two user locales (the tests are told which to expect), and the taskbar
# and version tests on a prefix set to Windows 10, which a program without a compatibility
# manifest sees as 6.2.
windows_tier() {
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
windows32_emulated_tier() {
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

# The pinned scenarios (tests/e2e/scenarios_pinned.sh) on the product's exe built with a key made
# here, with the product build's helpers; a second key signs what must be refused.
pinned_tier() {
    local bits=32 keys="$root/build/pinned/keys"
    wine_runs_32bit && is_built 32 || bits=64
    is_built "$bits" || return 0
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

# Runs the end-to-end scenarios matching a pattern on one build's exe, counted as a tier.
e2e_tier() { script_tier "$1" tests/e2e/run.sh "$2" "$3"; }

if ((${#built[@]})); then
    # Tier 2: Windows unit tests under Wine, in private prefixes, on a private X server.
    wine_template_prefix || echo "making the Wine prefix failed"
    start_xvfb
    for bits in "${built[@]}"; do
        if ((bits == 32)) && ! wine_runs_32bit; then
            windows32_emulated_tier
            continue
        fi
        windows_tier "$bits"
    done
    stop_xvfb

    # Tier 3: every end-to-end scenario on the shipped 32-bit exe, and a smoke set (one update,
    # one failure) on the 64-bit twin. Where 32-bit Wine cannot run, every scenario runs on the
    # 64-bit exe instead, and the line says so.
    product=$(wine_product_build "$root")
    if wine_runs_32bit && is_built 32; then
        e2e_tier e2e:win32 build/win32 .
        is_built 64 && e2e_tier e2e:win64 build/win64 '^scenario_update_(succeeds|fails_crc_differs)$'
    elif is_built 64; then
        echo "== e2e:win32    not run: $(wine32_missing_reason); every scenario runs on the 64-bit exe"
        e2e_tier e2e:win64 build/win64 .
    fi

    # A build pinned to a throwaway update key: only what that key signed over this very file
    # installs.
    pinned_tier

    # The studio's release build: signed with a throwaway certificate, checked, updating for real.
    script_tier release tests/release/run.sh

    # What the logo animation costs the program under Wine: a figure only, not counted.
    echo "== logo animation benchmark ($(basename "$product"))"
    if tools/bench_animation.sh "$product" >"$results/bench-animation.log" 2>&1; then
        grep -E '^(logo animation|VeyraLauncher.exe|wineserver|Xvfb)' "$results/bench-animation.log"
    else
        echo "   (no figure: $(tail -n 1 "$results/bench-animation.log"))"
    fi
fi

# The studio's version-file tool against live servers, natively and (its Windows build) under Wine.
if [[ -x build/native/veyra_version_file ]]; then
    studio_windows=()
    ((${#built[@]})) && studio_windows=("$(wine_product_build "$root")")
    script_tier studio tests/studio/run.sh build/native "${studio_windows[@]}"
fi

# The artwork has the structure the window relies on.
if /usr/bin/python3 tools/check_artwork.py >"$results/artwork.log" 2>&1; then
    count "artwork" 1 0
else
    cat "$results/artwork.log"
    count "artwork" 0 1
fi

# Formatting of the C++ sources.
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
if clang-format --dry-run --Werror "${sources[@]}" >"$results/format.log" 2>&1; then
    count "format" 1 0
else
    head -n 20 "$results/format.log"
    count "format" 0 1
fi

is_built 32 && echo "VeyraLauncher.exe: $(stat -c %s build/win32/VeyraLauncher.exe) bytes (win32)," \
    "$(stat -c %s build/win64/VeyraLauncher.exe 2>/dev/null || echo '?') bytes (win64)"
echo "wall time: $((SECONDS - started)) s"
echo "$total_passed passed, $total_failed failed"
((total_failed == 0))
