#!/bin/bash
# Runs one fuzz target for a number of seconds: scripts/fuzz.sh output_log_fuzz|scenario_fuzz [seconds]
# The corpus grows under build/fuzz/corpus/, seeded from fuzz/corpus/.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

target="${1:?usage: scripts/fuzz.sh output_log_fuzz|scenario_fuzz [seconds]}"
seconds="${2:-600}"
name="${target%_fuzz}"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "$target" >/dev/null
mkdir -p "build/fuzz/corpus/${name}"
exec "build/fuzz/fuzz/${target}" -max_total_time="$seconds" -print_final_stats=1 \
  "build/fuzz/corpus/${name}" "fuzz/corpus/${name}"
