#!/bin/bash
# The main job: builds the program and runs it beside the simulator library.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

if [ ! -f app/CMakeLists.txt ] || [ ! -f simulator/CMakeLists.txt ]; then
  echo "run.sh: the window program and the simulator library are not part of this checkout yet;" >&2
  echo "run.sh: only the portable core is built so far (scripts/test.sh tests it)." >&2
  exit 1
fi
