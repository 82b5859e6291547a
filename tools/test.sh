#!/usr/bin/env bash
# Runs every test tier and ends with one line "N passed, N failed" over all of them:
#   1. native unit tests (GoogleTest), plain and under AddressSanitizer + UBSan, and the CRC-32
#      benchmark (figures only);
#   2. Windows unit tests under wine64 (Xvfb), and the Windows-version tests again on a prefix
#      set to Windows 10;
#   3. end-to-end scenarios of the real VeyraLauncher.exe under Wine, Xvfb and a private
#      network namespace;
#   4. static checks of the shipped 32-bit exe (and of the 64-bit one), and code formatting;
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

# Tier 4 (first, it is fast): static checks of the product.
win32_ok=0
if build_preset win32; then
    win32_ok=1
    python3 tests/static/check_pe.py --manifest app/VeyraLauncher.manifest \
        build/win32/VeyraLauncher.exe >"$results/static-win32.log"
    without_summary "$results/static-win32.log"
    read -r p _ f _ < <(tail -n 1 "$results/static-win32.log")
    count "static:win32" "${p:-0}" "${f:-1}"
fi

if build_preset win64; then
    python3 tests/static/check_pe.py --expect-machine amd64 --manifest app/VeyraLauncher.manifest \
        build/win64/VeyraLauncher.exe >"$results/static-win64.log"
    read -r p _ f _ < <(tail -n 1 "$results/static-win64.log")
    without_summary "$results/static-win64.log" | grep FAIL
    count "static:win64" "${p:-0}" "${f:-1}"

    # Tier 2: Windows unit tests under Wine, in a private prefix, on a private X server.
    wine_template_prefix "$root/build/win64/wine/template" || echo "making the Wine prefix failed"
    wine_fresh_prefix "$root/build/win64/wine/template" "$root/build/win64/wine/unit"
    start_xvfb
    # Wine reports Windows 6.1 unless told otherwise; the version tests check what is reported.
    (cd build/win64/tests &&
        WINEPREFIX="$root/build/win64/wine/unit" VEYRA_EXPECT_WINVER=6.1 timeout 600 \
            "$VEYRA_WINE" veyra_win_tests.exe --gtest_filter='-LogLocaleTest.*' \
            --gtest_brief=1 --gtest_output="xml:$(windows_path "$results/windows.xml")" \
            >"$results/windows.log" 2>&1)
    WINEPREFIX="$root/build/win64/wine/unit" "$VEYRA_WINESERVER" -k >/dev/null 2>&1
    grep -E 'FAILED|Failure' "$results/windows.log" | head -n 40
    count_gtest "windows" "$results/windows.xml"

    # The error log's time stamp under two user locales, which Wine takes from LANG (the LC_
    # variables would override it). The tests are told which locale to expect.
    for locale in pt_BR en_US; do
        (cd build/win64/tests &&
            for variable in $(compgen -e | grep '^LC_'); do unset "$variable"; done &&
            LANG=$locale.UTF-8 VEYRA_EXPECT_LOCALE=$locale WINEPREFIX="$root/build/win64/wine/unit" \
                timeout 300 "$VEYRA_WINE" veyra_win_tests.exe --gtest_filter='LogLocaleTest.*' \
                --gtest_output="xml:$(windows_path "$results/windows-$locale.xml")" \
                >"$results/windows-$locale.log" 2>&1)
        WINEPREFIX="$root/build/win64/wine/unit" "$VEYRA_WINESERVER" -k >/dev/null 2>&1
        grep -E 'FAILED|Failure' "$results/windows-$locale.log" | head -n 20
        grep -a 'line \]' "$results/windows-$locale.log"
        count_gtest "windows:$locale" "$results/windows-$locale.xml"
    done
    # The taskbar and version tests again on a prefix set to Windows 10, which a program without
    # a compatibility manifest sees as 6.2.
    win10="$root/build/win64/wine/unit-win10"
    wine_fresh_prefix "$root/build/win64/wine/template" "$win10"
    WINEPREFIX="$win10" "$VEYRA_WINE" reg add 'HKCU\Software\Wine' /v Version /d win10 /f \
        >/dev/null 2>&1
    WINEPREFIX="$win10" wine_settle
    (cd build/win64/tests &&
        WINEPREFIX="$win10" VEYRA_EXPECT_WINVER=6.2 timeout 600 "$VEYRA_WINE" veyra_win_tests.exe \
            --gtest_brief=1 --gtest_filter='TaskbarListWinTest.*:WindowsVersionWinTest.*' \
            --gtest_output="xml:$(windows_path "$results/windows-win10.xml")" \
            >"$results/windows-win10.log" 2>&1)
    WINEPREFIX="$win10" "$VEYRA_WINESERVER" -k >/dev/null 2>&1
    stop_xvfb
    grep -E 'FAILED|Failure' "$results/windows-win10.log" | head -n 40
    count_gtest "windows:win10" "$results/windows-win10.xml"

    # Tier 3: end-to-end scenarios.
    tests/e2e/run.sh build/win64 >"$results/e2e.log" 2>&1
    without_summary "$results/e2e.log"
    read -r p _ f _ < <(tail -n 1 "$results/e2e.log")
    [[ $p =~ ^[0-9]+$ ]] || { p=0; f=1; }
    count "e2e" "$p" "$f"

    # What the logo animation costs the program under Wine: a figure only, not counted.
    echo "== logo animation benchmark"
    if tools/bench_animation.sh build/win64 >"$results/bench-animation.log" 2>&1; then
        grep -E '^(logo animation|VeyraLauncher.exe|wineserver|Xvfb)' "$results/bench-animation.log"
    else
        echo "   (no figure: $(tail -n 1 "$results/bench-animation.log"))"
    fi
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

((win32_ok)) && echo "VeyraLauncher.exe: $(stat -c %s build/win32/VeyraLauncher.exe) bytes (win32)," \
    "$(stat -c %s build/win64/VeyraLauncher.exe 2>/dev/null || echo '?') bytes (win64)"
echo "wall time: $((SECONDS - started)) s"
echo "$total_passed passed, $total_failed failed"
((total_failed == 0))
