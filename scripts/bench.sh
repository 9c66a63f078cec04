#!/bin/bash
# The benchmarks: builds them, runs them natively and under Wine on a virtual display, and prints
# one table of the program's figures beside those of baseline programs doing the same platform
# work in the same run. Under Wine it measures in two prefixes of its own, so that no setting
# leaks from one to the other: "stock", as wineboot makes it (Wine's default theme, none of Wine's
# fonts linked in), where a user runs the program, and "classic" (Wine's fonts linked in, the
# classic look), as the tests' prefix is. Takes 15 minutes or more; writes only under build/
# (build/bench/ holds the raw figures and the table). Arguments go to the Wine measurements:
# --rounds R, --halt-rounds R, --attempts N, --ports P,P,..., --catch-windows N,
# --parts core,halt,powercycle,stream,report,steps,startup,catch (bench/wine_bench.cpp).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
began=$SECONDS

scripts/setup.sh
source scripts/wine-env.sh
# The 32-bit program where it runs natively; where it runs only through the emulator (or not at
# all), the 64-bit build of the same sources: an emulated program is never timed.
use_windows_build timing
preset="$TESTZ_PRESET"
if [ -n "$TESTZ_BUILD_NOTE" ]; then
  echo "Timing the 64-bit build: $TESTZ_BUILD_NOTE." >&2
fi
cmake --preset linux >/dev/null
cmake --build --preset linux --target core_benchmark
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target wine_bench

out=build/bench
rm -rf "$out"
mkdir -p "$out"

# The machine is shared: the load it had is printed with the figures.
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
echo "Native micro-benchmarks" >&2
build/linux/bench/core_benchmark --benchmark_format=csv >"$out/native.csv" 2>"$out/native.log"

# measure SETTING ARGS...: the Wine measurements in the prefix that TESTZ_WINEPREFIX names.
measure() {
  local setting="$1"
  shift
  source scripts/wine-env.sh
  echo "Measurements under Wine, $setting prefix" >&2
  "$TESTZ_WINE" "build/$preset/bench/wine_bench.exe" --setting "$setting" "$@" | tr -d '\r' |
    tee "$out/wine-$setting.tsv" |
    awk -F'\t' '$1 == "section" { print "  measured: " $2 > "/dev/stderr" }'
}

bits="${TESTZ_WINE_BITS/32/}"
source scripts/wine-session.sh
export TESTZ_WINEPREFIX="$PWD/build/wineprefix${bits}-bench-stock"
start_wine_session --stock
measure stock "$@"
scripts/wine-prefix.sh stop
export TESTZ_WINEPREFIX="$PWD/build/wineprefix${bits}-bench-classic"
scripts/wine-prefix.sh start
measure classic "$@"

# The native figures: the per_attempt counter, in seconds, of each benchmark.
awk -F, '
  /^name,/ { for (i = 1; i <= NF; i++) if ($i == "\"per_attempt\"") column = i; next }
  column { gsub(/"/, "", $1); ns[$1] = $column * 1e9 }
  END {
    printf "section\tNative micro-benchmarks (x86-64, Google Benchmark, CPU time)\n"
    printf "row\tcore loop, no-op library and pass: ns per attempt\t%.2f\t\t\t\n", ns["IdleHaltLoop"]
    printf "row\tsimulator halt attempt alone: ns\t\t%.1f\t\t\n", ns["SimulatorHaltAttempt/untraced"]
    printf "row\tsimulator halt attempt with its trace: ns\t\t%.0f\t\t\n", ns["SimulatorHaltAttempt/traced"]
  }' "$out/native.csv" >"$out/native.tsv"

# The footprint: the program as the measurements ran it, stripped, beside the start-up baseline.
payload="build/$preset/bench/payload"
program_bytes=$(stat -c %s "$payload/testz.exe")
baseline_bytes=$(stat -c %s "$payload/baseline_startup.exe")
awk -v p="$program_bytes" -v b="$baseline_bytes" 'BEGIN {
  printf "section\tFootprint: stripped executables (baseline: the start-up baseline, no runtime)\n"
  printf "row\ttestz.exe, KiB\t%.1f\t%.1f\t%.2f\t\n", p / 1024, b / 1024, p / b
}' >"$out/footprint.tsv"

{
  echo
  echo "Benchmarks of testz.exe, $(date '+%Y-%m-%d %H:%M %Z')"
  echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $("$TESTZ_WINE" --version), $preset build"
  if [ -n "$TESTZ_BUILD_NOTE" ]; then
    echo "The $preset build was timed: $TESTZ_BUILD_NOTE."
  fi
  awk -F'\t' '
    BEGIN { printf "\n%-66s %11s %11s %7s  %s\n", "", "program", "baseline", "ratio", "goal" }
    $1 == "section" { printf "\n%s\n", $2 }
    $1 == "row" { printf "  %-64s %11s %11s %7s  %s\n", $2, $3, $4, $5, $6 }
    $1 == "text" { printf "  %s\n", $2 }
  ' "$out/native.tsv" "$out/wine-stock.tsv" "$out/wine-classic.tsv" "$out/footprint.tsv"
  echo
  echo "Samples: $out/wine-stock.tsv, $out/wine-classic.tsv and $out/native.csv; load before and"
  echo "after: $load_before / $(cut -d' ' -f1-3 /proc/loadavg). Took $((SECONDS - began)) s."
} | tee "$out/table.txt"
