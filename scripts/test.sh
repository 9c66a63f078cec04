#!/bin/bash
# Runs every test: the portable core natively and with sanitizers, and the program as shipped
# (windows-i686) under 32-bit Wine, natively or through the emulator. Only a host where no 32-bit
# program can run tests the 64-bit build instead, and the summary says that the program as shipped
# was not run, and why.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/setup.sh
source scripts/wine-env.sh
use_windows_build tests

# The 32-bit build is always built: it is the program. The 64-bit build must compile too.
for preset in linux linux-asan windows-i686 windows-x86_64 fuzz; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

source scripts/wine-session.sh
start_wine_session

# The last line of `log` that matches `pattern`, or a note that none does (a run that aborted
# before its summary): never a failure of its own, so the other runs and the summary still come.
last_match() {
  local pattern="$1" log="$2" line
  line="$(grep -E "$pattern" "$log" | tail -1 || true)"
  echo "${line:-no summary line (aborted?), see $log}"
}

# The tests that ctest skipped, from its JUnit report, one per line: "<name> (<the reason the
# test gave when it skipped>)".
skipped_tests() {
  [ -f "$1" ] || return 0
  awk '
    { sub(/\r$/, "") }
    /<testcase / {
      match($0, /name="[^"]*"/); name = substr($0, RSTART + 6, RLENGTH - 7)
      skipped = 0; reason = ""; reason_next = 0
    }
    /<skipped/ { skipped = 1 }
    reason_next { if ($0 !~ /^\[  SKIPPED \]/) reason = $0; reason_next = 0 }
    /: Skipped$/ { reason_next = 1 }
    /<\/testcase>/ && skipped { print name " (" (reason == "" ? "no reason given" : reason) ")" }
  ' "$1" | sed -e 's/&lt;/</g; s/&gt;/>/g; s/&quot;/"/g; s/&apos;/'"'"'/g; s/&amp;/\&/g'
}

summary=()
failed=0
for preset in linux linux-asan "$TESTZ_PRESET"; do
  log="build/ctest-${preset}.log"
  junit="build/ctest-${preset}.xml"
  rm -f "$junit"
  if ! ctest --preset "$preset" --output-junit "$PWD/$junit" 2>&1 | tee "$log"; then
    failed=1
  fi
  summary+=("${preset}: $(last_match 'tests passed|No tests were found' "$log")")
  not_run="skipped"
  if [ "$preset" = windows-i686 ] && [ "$(host_32bit_support)" = emulated ]; then
    not_run="not run under the emulator"
  fi
  while IFS= read -r test; do
    summary+=("${preset}: ${not_run}: ${test}")
  done < <(skipped_tests "$junit")
done
if [ "$TESTZ_PRESET" = windows-i686 ]; then
  summary+=("windows-i686: the program as shipped ran under 32-bit Wine, $(host_32bit_support)")
else
  summary+=("windows-i686: NOT RUN: $TESTZ_BUILD_NOTE")
  # The header of the program as shipped is read all the same: objdump runs on this host.
  if cmake -DOBJDUMP=i686-w64-mingw32-objdump -DPROGRAM=build/windows-i686/app/testz.exe \
    -P packaging/program_header_check.cmake; then
    summary+=("windows-i686: only the program's header was checked (ProgramHeaderAsksForWindows6AndTheSafetyFlags)")
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
