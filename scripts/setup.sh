#!/bin/bash
# Installs what the build, the tests and the demo need from Debian's packages, only what is
# missing; on a Debian 12 host whose kernel runs no 32-bit code it also makes 32-bit programs run
# through the user-mode emulator (scripts/emulator.sh), unless it is a container.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

packages=(cmake ninja-build g++ libgtest-dev libbenchmark-dev nlohmann-json3-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64
  wine wine32:i386 wine64 xvfb xauth
  imagemagick x11-utils clang libclang-rt-14-dev lld)

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi

missing() {
  local package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      echo "$package"
    fi
  done
}

source scripts/emulator.sh
remove_old_backports_pin
decide_emulator
case "$EMULATOR_PLAN" in
  current) echo "The emulator is installed and registered for 32-bit x86 programs already: nothing to change" ;;
  native) echo "The kernel runs 32-bit programs itself: no emulator is needed" ;;
  refused)
    echo "setup: the emulator is not set up, and nothing of it is changed on this host: $EMULATOR_REASON." \
      "Where 32-bit Wine does not start, the Windows tests use the 64-bit build." >&2
    ;;
esac

# Wine's 32-bit half comes from the i386 architecture, the emulator from bookworm-backports.
updated=N
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${as_root[@]}" dpkg --add-architecture i386
  updated=Y
fi
if [ "$EMULATOR_PLAN" = set-up ] && use_backports_suite; then
  updated=Y
fi

mapfile -t absent < <(missing "${packages[@]}")
if [ "$EMULATOR_PLAN" = set-up ] && ! emulator_installed; then
  updated=Y
fi
if [ "$updated" = Y ] || [ "${#absent[@]}" -gt 0 ]; then
  "${as_root[@]}" apt-get update -q
fi

# The emulator first: the 32-bit packages run 32-bit programs as they are installed.
# A host that refuses it runs the Windows tests on the 64-bit build (scripts/wine-env.sh).
if [ "$EMULATOR_PLAN" = set-up ]; then
  if ! install_emulator || ! register_emulator; then
    echo "setup: 32-bit programs cannot run on this host; the Windows tests use the 64-bit build" >&2
  fi
fi

if [ "${#absent[@]}" -gt 0 ]; then
  echo "Installing: ${absent[*]}"
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${absent[@]}"
fi
