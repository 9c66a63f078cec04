#!/bin/bash
# The main job: builds testz.exe, its console companion testz.com and the simulator library, puts
# them side by side in build/demo and runs the program there on the simulator's default scenario.
# With a display the window opens for the user; without one (a server, CI) it runs on a virtual
# display, a short session is driven (an interface kind, START, the outcome), the log is printed
# and a screenshot is saved as build/demo/screenshot.png.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/setup.sh
source scripts/wine-env.sh
# The program as shipped, under 32-bit Wine (natively or through the emulator); a host where no
# 32-bit program runs gets the 64-bit build of the same sources.
use_windows_build tests
if [ -n "$TESTZ_BUILD_NOTE" ]; then
  echo "Showing the 64-bit build: $TESTZ_BUILD_NOTE."
fi
preset="$TESTZ_PRESET"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target testz testz_companion simulator demo_session

# The demo folder holds the program, its companion and the simulator as unit_kelm.DLL, and
# nothing else.
demo=build/demo
rm -rf "$demo"
mkdir -p "$demo"
cp "build/$preset/app/testz.exe" "build/$preset/app/companion/testz.com" "$demo/"
cp "build/$preset/simulator/unit_kelm.DLL" "$demo/"

# The simulator's built-in demo scenario, with no trace.
unset UNIT_KELM_SCENARIO UNIT_KELM_TRACE

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "Opening the window on $DISPLAY; close it to end."
  scripts/wine-prefix.sh start --window-manager
  trap 'scripts/wine-prefix.sh stop' EXIT
  (cd "$demo" && "$TESTZ_WINE" testz.exe)
  exit 0
fi

echo "No display: running the window on a virtual display and driving a short session."
source scripts/wine-session.sh
start_wine_session
status=0
# The session's console output comes with Windows line ends.
"$TESTZ_WINE" "build/$preset/tools/demo_session.exe" "$("$TESTZ_WINE" winepath -w "$demo")" \
  "$("$TESTZ_WINE" winepath -w "$demo/screenshot.bmp")" | tr -d '\r' || status=$?
if [ -f "$demo/screenshot.bmp" ]; then
  convert "$demo/screenshot.bmp" "$demo/screenshot.png"
  rm "$demo/screenshot.bmp"
  echo "Screenshot: $demo/screenshot.png"
fi
exit "$status"
