#!/bin/bash
# Runs every test: the portable core natively and with sanitizers, and the Windows build under Wine.
# The Windows tests run on the 32-bit build under 32-bit Wine; a host that cannot run 32-bit
# programs runs them on the 64-bit test build under 64-bit Wine instead (scripts/wine-env.sh),
# and the summary says so.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/setup.sh
source scripts/wine-env.sh
windows_preset="$(windows_preset_of_host)"

# The 32-bit build is always built: it is the program.
built=(linux linux-asan windows-i686)
[ "$windows_preset" = windows-i686 ] || built+=("$windows_preset")
for preset in "${built[@]}" fuzz; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

if [ "$windows_preset" = windows-x86_64 ]; then
  export TESTZ_WINE_BITS=64
  source scripts/wine-env.sh
fi
source scripts/wine-session.sh
start_wine_session

# The last line of `log` that matches `pattern`, or a note that none does (a run that aborted
# before its summary): never a failure of its own, so the other runs and the summary still come.
last_match() {
  local pattern="$1" log="$2" line
  line="$(grep -E "$pattern" "$log" | tail -1 || true)"
  echo "${line:-no summary line (aborted?), see $log}"
}

summary=()
failed=0
for preset in linux linux-asan "$windows_preset"; do
  log="build/ctest-${preset}.log"
  if ! ctest --preset "$preset" 2>&1 | tee "$log"; then
    failed=1
  fi
  summary+=("${preset}: $(last_match 'tests passed|No tests were found' "$log")")
done
if [ "$windows_preset" = windows-x86_64 ]; then
  summary+=("windows-i686: built, not run: this host cannot run 32-bit programs; the Windows tests ran on the 64-bit test build")
  # The header of the program as shipped is read all the same: objdump runs on this host.
  if cmake -DOBJDUMP=i686-w64-mingw32-objdump -DPROGRAM=build/windows-i686/app/testz.exe \
    -P packaging/program_header_check.cmake; then
    summary+=("windows-i686: the program's header checked (ProgramHeaderAsksForWindows6AndTheSafetyFlags)")
  else
    summary+=("windows-i686: the program's header: FAILED")
    failed=1
  fi
fi

# The fuzz targets, briefly (scripts/fuzz.sh runs them for as long as asked).
for target in output_log_fuzz scenario_fuzz; do
  if scripts/fuzz.sh "$target" 20 >"build/fuzz-${target}.log" 2>&1; then
    summary+=("${target}: $(last_match '^Done [0-9]+ runs' "build/fuzz-${target}.log")")
  else
    tail -30 "build/fuzz-${target}.log"
    summary+=("${target}: FAILED (build/fuzz-${target}.log)")
    failed=1
  fi
done

echo
echo "Summary"
printf '  %s\n' "${summary[@]}"
exit "$failed"
