#!/bin/bash
# Prepares (start) or shuts down (stop) the project's Wine prefix around a run of Windows programs.
#
# start [--window-manager] [--dpi N] [--stock]: creates the prefix once, makes Wine's own fonts
# available in it (with --stock not: its fonts stay as wineboot left them, as on a user's machine,
# and the links an earlier start made are taken out), turns off Wine's crash dialog (a crashing
# program would wait on it until its test times out), and starts the prefix's wineserver and one
# program with no terminal attached, so that Wine's background processes never hold the pipes of
# ctest; a server still running from an earlier run is ended first. Wine draws the window frames
# itself, as a virtual display has no window manager; with --window-manager the desktop's manager
# draws them.
# The screen has 96 pixels per inch, or N with --dpi N (a prefix of its own for that, through
# TESTZ_WINEPREFIX, so that the other tests keep theirs).
# stop: ends that prefix's wineserver and every program still running in it.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

usage() {
  echo "usage: $0 start [--window-manager] [--dpi N] [--stock] | stop" >&2
  exit 2
}

case "${1:-}" in
  start)
    mkdir -p "$(dirname "$WINEPREFIX")"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      echo "Creating the Wine prefix $WINEPREFIX"
      "$TESTZ_WINE" wineboot -i </dev/null >/dev/null 2>&1
      # The registry files are written when the prefix's wineserver exits.
      wineserver -w </dev/null >/dev/null 2>&1
    fi
    managed=N
    dpi=96
    stock=N
    shift
    while [ "$#" -gt 0 ]; do
      case "$1" in
        --window-manager) managed=Y ;;
        --stock) stock=Y ;;
        --dpi)
          [ "$#" -ge 2 ] || usage
          dpi="$2"
          shift
          ;;
        *) usage ;;
      esac
      shift
    done
    case "$dpi" in
      '' | *[!0-9]*) usage ;;
    esac
    # Wine's own fonts (the classic dialog faces and the caption-button symbols) are not always on
    # its search path; in the prefix's font folder they are found by name.
    fonts="$WINEPREFIX/drive_c/windows/Fonts"
    if [ -d /usr/share/wine/fonts ] && [ -d "$fonts" ]; then
      for font in /usr/share/wine/fonts/*; do
        if [ "$stock" = Y ]; then
          target="$fonts/$(basename "$font")"
          if [ -L "$target" ]; then rm -f "$target"; fi
        else
          ln -sf "$font" "$fonts/"
        fi
      done
    fi
    # A server left from an earlier run (and every program it still runs, a stray testz.exe among
    # them) goes first: the new one belongs to this run's display.
    wineserver -k </dev/null >/dev/null 2>&1 || true
    wineserver -w </dev/null >/dev/null 2>&1 || true
    wineserver -p </dev/null >/dev/null 2>&1
    "$TESTZ_WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      </dev/null >/dev/null 2>&1
    "$TESTZ_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d "$managed" /f \
      </dev/null >/dev/null 2>&1
    "$TESTZ_WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
      </dev/null >/dev/null 2>&1
    "$TESTZ_WINE" cmd /c exit </dev/null >/dev/null 2>&1
    ;;
  stop)
    wineserver -k </dev/null >/dev/null 2>&1 || true
    ;;
  *) usage ;;
esac
