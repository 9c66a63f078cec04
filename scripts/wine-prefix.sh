#!/bin/bash
# Prepares (start) or shuts down (stop) the project's Wine prefix around a run of Windows programs.
#
# start: creates the prefix once, turns off Wine's crash dialog (a crashing program would wait on
# it until its test times out), and starts the prefix's wineserver and one program with no
# terminal attached, so that Wine's background processes never hold the pipes of ctest.
# stop: ends that prefix's wineserver and every program still running in it.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

case "${1:-}" in
  start)
    mkdir -p "$(dirname "$WINEPREFIX")"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      echo "Creating the Wine prefix $WINEPREFIX"
      wineboot -i </dev/null >/dev/null 2>&1
      # The registry files are written when the prefix's wineserver exits.
      wineserver -w </dev/null >/dev/null 2>&1
    fi
    wineserver -p </dev/null >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      </dev/null >/dev/null 2>&1
    wine cmd /c exit </dev/null >/dev/null 2>&1
    ;;
  stop)
    wineserver -k </dev/null >/dev/null 2>&1 || true
    ;;
  *)
    echo "usage: $0 start|stop" >&2
    exit 2
    ;;
esac
