# Sourced: the environment of the project's own Wine prefix under build/.
#
# The program is 32-bit and is tested under 32-bit Wine. A host whose kernel runs 64-bit user
# code only (no IA-32 emulation) cannot start a 32-bit process at all, Wine's loader included:
# there the same sources are cross-built for 64-bit Windows (preset windows-x86_64) and tested
# under 64-bit Wine. TESTZ_WINE_BITS (32 by default, or 64) says which Wine a script uses;
# wine_bits_of_host tells which one the host can run.
TESTZ_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export TESTZ_WINE_BITS="${TESTZ_WINE_BITS:-32}"
if [ "$TESTZ_WINE_BITS" = 64 ]; then
  export WINEPREFIX="${TESTZ_WINEPREFIX:-$TESTZ_ROOT/build/wineprefix64}"
  export WINEARCH=win64
  export WINELOADER=/usr/lib/wine/wine64
  TESTZ_WINE=/usr/lib/wine/wine64
else
  export WINEPREFIX="${TESTZ_WINEPREFIX:-$TESTZ_ROOT/build/wineprefix}"
  export WINEARCH=win32
  unset WINELOADER
  TESTZ_WINE=wine
fi
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# 32 when this host can run 32-bit programs (Wine's 32-bit loader starts), otherwise 64.
wine_bits_of_host() {
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo 32
  else
    echo 64
  fi
}

# The build preset whose Windows programs this host's Wine runs.
windows_preset_of_host() {
  if [ "$(wine_bits_of_host)" = 32 ]; then
    echo windows-i686
  else
    echo windows-x86_64
  fi
}
