# Sourced: 32-bit programs on a host whose kernel runs 64-bit code only, through Debian's
# user-mode emulator qemu-user-static from bookworm-backports, registered with binfmt_misc as the
# handler of 32-bit x86 executables. Bookworm's own qemu (7.2) cannot run 32-bit Wine (it treats
# MAP_FIXED_NOREPLACE as a hint, so Wine cannot reserve its shared user data page): 8 or later is
# needed. What this changes on a machine, and how to undo it, is in the README.

EMULATOR_SOURCES=/etc/apt/sources.list.d/testz-bookworm-backports.sources
EMULATOR_PIN=/etc/apt/preferences.d/testz-bookworm-backports
# The emulator and the two packages it depends on: nothing else comes from the backports suite.
EMULATOR_PACKAGES=(qemu-user-static qemu-user qemu-user-binfmt)
EMULATOR_LEAST_VERSION=1:8
EMULATOR=/usr/bin/qemu-i386-static
BINFMT=/proc/sys/fs/binfmt_misc
BINFMT_ENTRY="$BINFMT/qemu-i386"
# 32-bit x86 ELF executables and shared objects, as qemu registers them.
BINFMT_MAGIC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
BINFMT_MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

emulator_as_root=()
if [ "$(id -u)" -ne 0 ]; then
  emulator_as_root=(sudo)
fi

# True when the kernel starts a 32-bit x86 program itself: a 93-byte static one that exits with
# status 0 through the 32-bit system call (no compiler or 32-bit package needed to make it).
host_runs_32bit_natively() {
  local probe status=0
  mkdir -p build
  probe="$(mktemp build/probe-i386.XXXXXX)"
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$probe"
  # Header: executable, i386, entry 0x08048054, one program header at 52.
  printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >>"$probe"
  printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00' >>"$probe"
  # One loadable segment: the whole file at 0x08048000, readable and executable.
  printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' >>"$probe"
  printf '\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' >>"$probe"
  # mov eax, 1 (exit); xor ebx, ebx; int 0x80
  printf '\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >>"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  [ "$status" -eq 0 ]
}

emulator_registered() {
  [ -f "$BINFMT_ENTRY" ]
}

# The kernel hands 32-bit x86 programs to the emulator.
emulator_enabled() {
  grep -qx enabled "$BINFMT_ENTRY" 2>/dev/null
}

binfmt_mounted() {
  [ -f "$BINFMT/register" ]
}

# The emulator is wanted where it is registered already (it is kept current) or where the kernel
# cannot start a 32-bit program.
emulator_needed() {
  emulator_registered || ! host_runs_32bit_natively
}

# Adds the backports suite and its pin; true when either file was written.
add_backports_suite() {
  local changed=1
  local sources='Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg'
  local pin="# Only the user-mode emulator comes from bookworm-backports.
Package: ${EMULATOR_PACKAGES[*]}
Pin: release n=bookworm-backports
Pin-Priority: 500

Package: *
Pin: release n=bookworm-backports
Pin-Priority: -1"
  if [ "$(cat "$EMULATOR_SOURCES" 2>/dev/null)" != "$sources" ]; then
    echo "$sources" | "${emulator_as_root[@]}" tee "$EMULATOR_SOURCES" >/dev/null
    changed=0
  fi
  if [ "$(cat "$EMULATOR_PIN" 2>/dev/null)" != "$pin" ]; then
    echo "$pin" | "${emulator_as_root[@]}" tee "$EMULATOR_PIN" >/dev/null
    changed=0
  fi
  return "$changed"
}

emulator_installed() {
  local version
  version="$(dpkg-query -W -f='${Version}' qemu-user-static 2>/dev/null)" || return 1
  dpkg --compare-versions "$version" ge "$EMULATOR_LEAST_VERSION"
}

# Installs the emulator from backports unless a recent enough one is installed. An install or an
# upgrade leaves the registration stale (the kernel keeps the file it opened), so it is dropped.
install_emulator() {
  if emulator_installed; then
    return 0
  fi
  echo "Installing the user-mode emulator for 32-bit programs: ${EMULATOR_PACKAGES[*]} (bookworm-backports)"
  "${emulator_as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
    "${EMULATOR_PACKAGES[@]}" || return 1
  unregister_emulator
}

unregister_emulator() {
  if emulator_registered; then
    echo -1 | "${emulator_as_root[@]}" tee "$BINFMT_ENTRY" >/dev/null
  fi
}

# The registration in force is this emulator's, with the F flag (the kernel opens the emulator
# once, so it runs in any mount namespace and chroot).
emulator_registration_current() {
  emulator_enabled &&
    grep -qx "interpreter $EMULATOR" "$BINFMT_ENTRY" &&
    grep -q '^flags:.*F' "$BINFMT_ENTRY"
}

# Mounts binfmt_misc where it is not, and registers the emulator as the handler of 32-bit x86
# programs, replacing another one. Reports why, and fails, when the host refuses.
register_emulator() {
  if ! binfmt_mounted &&
    ! "${emulator_as_root[@]}" mount -t binfmt_misc binfmt_misc "$BINFMT" 2>/dev/null; then
    echo "setup: binfmt_misc cannot be mounted on $BINFMT: 32-bit programs cannot run here" >&2
    return 1
  fi
  if emulator_registration_current; then
    return 0
  fi
  unregister_emulator 2>/dev/null || true
  if ! printf '%s' ":qemu-i386:M::$BINFMT_MAGIC:$BINFMT_MASK:$EMULATOR:F" |
    "${emulator_as_root[@]}" tee "$BINFMT/register" >/dev/null 2>&1; then
    echo "setup: the emulator cannot be registered with binfmt_misc: 32-bit programs cannot run here" >&2
    return 1
  fi
  echo "Registered $EMULATOR as the handler of 32-bit x86 programs"
}
