#!/bin/bash
# A long randomized soak by hand: testz.exe under Wine on random simulator scenarios.
#   scripts/soak.sh [SEED [RUNS]]           e.g. scripts/soak.sh 7 1000
#   scripts/soak.sh SEED 0 --launch L        replays launch L of that seed (printed on a failure)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

seed="${1:-$RANDOM}"
runs="${2:-500}"
shift $(($# < 2 ? $# : 2))

scripts/setup.sh
source scripts/wine-env.sh
# The program as shipped wherever 32-bit programs run; the 64-bit build (whose launches draw no
# faults) only where none does.
use_windows_build tests
preset="$TESTZ_PRESET"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target soak

source scripts/wine-session.sh
start_wine_session

echo "soak: seed ${seed}, ${runs} runs"
scripts/wine-run "build/$preset/tools/soak.exe" --seed "$seed" --runs "$runs" "$@"
