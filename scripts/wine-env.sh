# Sourced: which Windows build a script runs, under which Wine, in which of the project's prefixes.
#
# The program is 32-bit and is tested under 32-bit Wine: natively where the kernel runs 32-bit
# code, through the user-mode emulator where it does not (scripts/emulator.sh, set up by
# scripts/setup.sh). A host where neither works gets the same sources cross-built for 64-bit
# Windows (preset windows-x86_64) under 64-bit Wine. That 64-bit build is also what is timed on
# an emulated host: an emulated program is never timed.
#
# TESTZ_WINE_BITS (32 by default, or 64) says which Wine a script uses; use_windows_build sets it
# for a script's purpose, with TESTZ_PRESET. TESTZ_CPU_EMULATED is 1 for programs run through the
# emulator (the tests then know not to expect a real CPU's exception codes, for one).
TESTZ_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$TESTZ_ROOT/scripts/emulator.sh"

# Exports the Wine environment for TESTZ_WINE_BITS.
set_wine_environment() {
  export TESTZ_WINE_BITS="${TESTZ_WINE_BITS:-32}"
  if [ "$TESTZ_WINE_BITS" = 64 ]; then
    export WINEPREFIX="${TESTZ_WINEPREFIX:-$TESTZ_ROOT/build/wineprefix64}"
    export WINEARCH=win64
    export WINELOADER=/usr/lib/wine/wine64
    TESTZ_WINE=/usr/lib/wine/wine64
    unset TESTZ_CPU_EMULATED
  else
    export WINEPREFIX="${TESTZ_WINEPREFIX:-$TESTZ_ROOT/build/wineprefix}"
    export WINEARCH=win32
    unset WINELOADER
    TESTZ_WINE=wine
    if emulator_enabled; then
      export TESTZ_CPU_EMULATED=1
    else
      unset TESTZ_CPU_EMULATED
    fi
  fi
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
}
set_wine_environment

# How this host runs 32-bit Windows programs: "native", "emulated", or "none: <the reason>".
host_32bit_support() {
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    if emulator_enabled; then
      echo emulated
    else
      echo native
    fi
  elif [ ! -x /usr/lib/wine/wine ]; then
    echo "none: 32-bit Wine is not installed"
  else
    # Why, as set-up decided it (scripts/emulator.sh).
    decide_emulator
    if [ "$EMULATOR_PLAN" = refused ]; then
      echo "none: $EMULATOR_REASON"
    elif [ "$EMULATOR_PLAN" = native ]; then
      echo "none: the kernel runs 32-bit programs, but 32-bit Wine does not start"
    elif ! binfmt_mounted; then
      echo "none: the kernel runs no 32-bit code and binfmt_misc is not mounted, so the emulator cannot be registered"
    elif ! emulator_registered; then
      echo "none: the kernel runs no 32-bit code and the emulator is not registered (scripts/setup.sh says why)"
    else
      echo "none: 32-bit Wine does not start, even through the emulator"
    fi
  fi
}

# use_windows_build tests|timing: sets TESTZ_PRESET and TESTZ_WINE_BITS (and the Wine environment)
# for what the script does. tests: the program as shipped (windows-i686) wherever 32-bit programs
# run, natively or emulated. timing: the 32-bit build where it runs natively, otherwise the 64-bit
# build of the same sources. Either falls back to the 64-bit build where no 32-bit program runs;
# TESTZ_BUILD_NOTE then says why, for the script's output.
use_windows_build() {
  local support
  support="$(host_32bit_support)"
  TESTZ_BUILD_NOTE=""
  if [ "$support" = native ] || { [ "$1" = tests ] && [ "$support" = emulated ]; }; then
    TESTZ_PRESET=windows-i686
    TESTZ_WINE_BITS=32
  else
    TESTZ_PRESET=windows-x86_64
    TESTZ_WINE_BITS=64
    if [ "$support" = emulated ]; then
      TESTZ_BUILD_NOTE="the 32-bit program runs here only through the emulator, which is never timed: the figures are of the 64-bit build of the same sources"
    else
      TESTZ_BUILD_NOTE="${support#none: }: the 64-bit build of the same sources runs instead"
    fi
  fi
  export TESTZ_PRESET TESTZ_WINE_BITS TESTZ_BUILD_NOTE
  set_wine_environment
}
