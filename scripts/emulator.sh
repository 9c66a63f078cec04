# Sourced: 32-bit programs on a host whose kernel runs 64-bit code only, through Debian's
# user-mode emulator qemu-user-static from bookworm-backports, registered with binfmt_misc as the
# handler of 32-bit x86 executables. Bookworm's own qemu (7.2) cannot run 32-bit Wine (it treats
# MAP_FIXED_NOREPLACE as a hint, so Wine cannot reserve its shared user data page): 8 or later is
# needed. What this changes on a machine, and how to undo it, is in the README.
#
# decide_emulator says whether set-up touches the host at all; it changes nothing itself. Only a
# kernel that answers "Exec format error" to a 32-bit program gets the emulator, and only on Debian
# bookworm outside a container (a container's binfmt_misc is the host's).
# shellcheck shell=bash

# The host's files are read and written under this root; a test points it at a folder of its own.
EMULATOR_HOST_ROOT="${TESTZ_EMULATOR_HOST_ROOT:-}"
APT_SOURCES_LIST="$EMULATOR_HOST_ROOT/etc/apt/sources.list"
APT_SOURCES_DIR="$EMULATOR_HOST_ROOT/etc/apt/sources.list.d"
EMULATOR_SOURCES="$APT_SOURCES_DIR/testz-bookworm-backports.sources"
# Earlier versions pinned every other backports package to -1 in this file; it goes.
EMULATOR_OLD_PIN="$EMULATOR_HOST_ROOT/etc/apt/preferences.d/testz-bookworm-backports"
OS_RELEASE="$EMULATOR_HOST_ROOT/etc/os-release"
EMULATOR_PROC="$EMULATOR_HOST_ROOT/proc"
# Where the 32-bit probe is written: the checkout's build folder.
EMULATOR_PROBE_DIR="${TESTZ_EMULATOR_PROBE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}"

# The emulator and the two packages it depends on, all three from the backports suite.
EMULATOR_PACKAGES=(qemu-user-static qemu-user qemu-user-binfmt)
EMULATOR_LEAST_VERSION=1:8
EMULATOR=/usr/bin/qemu-i386-static
BINFMT="$EMULATOR_PROC/sys/fs/binfmt_misc"
BINFMT_ENTRY="$BINFMT/qemu-i386"
# 32-bit x86 ELF executables and shared objects, as qemu registers them.
BINFMT_MAGIC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
BINFMT_MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
# The kernel's own PID and user namespaces have these fixed inode numbers.
INITIAL_PID_NAMESPACE='pid:[4026531836]'
INITIAL_USER_NAMESPACE='user:[4026531837]'

emulator_as_root=()
if [ "$(id -u)" -ne 0 ]; then
  emulator_as_root=(sudo)
fi

# Starts a 93-byte static 32-bit x86 program that exits with status 0 through the 32-bit system
# call (no compiler or 32-bit package needed to make it) and prints what happened: "runs",
# "enoexec" (the kernel does not know the format: it runs no 32-bit code), or "failed: <why>" (a
# noexec mount, a security module, ...: that says nothing about the kernel).
probe_32bit() {
  local probe output status=0
  if ! mkdir -p "$EMULATOR_PROBE_DIR" 2>/dev/null ||
    ! probe="$(mktemp "$EMULATOR_PROBE_DIR/probe-i386.XXXXXX" 2>/dev/null)"; then
    echo "failed: it cannot be written"
    return
  fi
  {
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    # Header: executable, i386, entry 0x08048054, one program header at 52.
    printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
    printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'
    # One loadable segment: the whole file at 0x08048000, readable and executable.
    printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
    printf '\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
    # mov eax, 1 (exit); xor ebx, ebx; int 0x80
    printf '\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80'
  } >"$probe"
  chmod +x "$probe"
  # bash names the error that execve returned, in English under the C locale.
  output="$( (export LC_ALL=C && exec "$probe") 2>&1)" || status=$?
  rm -f "$probe"
  if [ "$status" -eq 0 ]; then
    echo runs
  elif [[ "$output" == *"Exec format error"* ]]; then
    echo enoexec
  elif [ -n "$output" ]; then
    output="$(head -1 <<<"$output")"
    echo "failed: ${output##*: }"
  else
    echo "failed: exit status $status"
  fi
}

# In a PID namespace (a container, privileged or not) or a user namespace (a rootless one) other
# than the kernel's own. Marker files such as /.dockerenv are not trusted: virtual machines booted
# from a container image carry them too.
in_container() {
  [ "$(readlink "$EMULATOR_PROC/self/ns/pid" 2>/dev/null)" != "$INITIAL_PID_NAMESPACE" ] ||
    [ "$(readlink "$EMULATOR_PROC/self/ns/user" 2>/dev/null)" != "$INITIAL_USER_NAMESPACE" ]
}

# A field of os-release, unquoted.
os_release_field() {
  local value
  value="$(sed -n "s/^$1=//p" "$OS_RELEASE" 2>/dev/null)" || true
  value="${value//\"/}"
  echo "${value//\'/}"
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

# Sets EMULATOR_PLAN to what set-up does about the emulator, and EMULATOR_REASON to why when it
# refuses; changes nothing. The plans: "current" (installed and registered: nothing to change),
# "native" (the kernel runs 32-bit programs), "set-up" (install what is missing, register), and
# "refused". A registration of ours is kept current; without one, only the kernel's "Exec format
# error" for the probe means that the kernel runs no 32-bit code.
# shellcheck disable=SC2034 # the plan and the reason are read by the scripts that source this
decide_emulator() {
  local probe release
  EMULATOR_PLAN=refused
  EMULATOR_REASON=""
  if emulator_registration_current && emulator_installed; then
    EMULATOR_PLAN=current
    return
  fi
  if ! emulator_registered; then
    probe="$(probe_32bit)"
    case "$probe" in
      runs)
        EMULATOR_PLAN=native
        return
        ;;
      failed:*)
        EMULATOR_REASON="the 32-bit probe could not be started (${probe#failed: }) in $EMULATOR_PROBE_DIR, so whether the kernel runs 32-bit programs is not known"
        return
        ;;
    esac
  fi
  if in_container && [ "${TESTZ_EMULATOR_IN_CONTAINER:-}" != 1 ]; then
    EMULATOR_REASON="this is a container (a PID or user namespace of its own), whose binfmt_misc is the host's: the emulator is registered from a container only with TESTZ_EMULATOR_IN_CONTAINER=1"
    return
  fi
  if [ "$(os_release_field ID)" != debian ] || [ "$(os_release_field VERSION_CODENAME)" != bookworm ]; then
    release="$(os_release_field PRETTY_NAME)"
    EMULATOR_REASON="the emulator comes from bookworm-backports, so it is set up on Debian 12 (bookworm) only, and this is ${release:-a release that $OS_RELEASE does not name}"
    return
  fi
  EMULATOR_PLAN=set-up
}

# True when the file, in the one-line format, has an enabled "deb" entry for bookworm-backports
# with the main component (whatever the mirror and the options in brackets).
one_line_backports_entry() {
  awk '{ sub(/#.*/, "") }
    $1 == "deb" {
      line = $0
      sub(/^[ \t]*deb[ \t]+/, "", line)
      sub(/^\[[^]]*\][ \t]*/, "", line)
      n = split(line, field, /[ \t]+/)
      if (field[2] == "bookworm-backports")
        for (i = 3; i <= n; i++)
          if (field[i] == "main") found = 1
    }
    END { exit !found }' "$1"
}

# The same for a file in the deb822 format: a stanza of Types deb, Suites bookworm-backports and
# Components main that is not Enabled: no.
deb822_backports_entry() {
  awk 'function end_stanza() {
      if (value["types"] ~ / deb / && value["suites"] ~ / bookworm-backports / &&
          value["components"] ~ / main / && tolower(value["enabled"]) !~ / (no|false|off) /)
        found = 1
      split("", value)
      name = ""
    }
    { gsub(/\t/, " ") }
    /^#/ { next }
    /^ *$/ { end_stanza(); next }
    /^ / { if (name != "") value[name] = value[name] $0 " "; next }
    {
      name = tolower(substr($0, 1, index($0, ":") - 1))
      value[name] = " " substr($0, index($0, ":") + 1) " "
    }
    END { end_stanza(); exit !found }' "$1"
}

# The apt source, other than ours, that has bookworm-backports already: sources.list or a file of
# sources.list.d (only .list and .sources files are read by apt).
other_backports_source() {
  local file
  for file in "$APT_SOURCES_LIST" "$APT_SOURCES_DIR"/*.list; do
    if [ -f "$file" ] && one_line_backports_entry "$file"; then
      echo "$file"
      return 0
    fi
  done
  for file in "$APT_SOURCES_DIR"/*.sources; do
    if [ "$file" != "$EMULATOR_SOURCES" ] && [ -f "$file" ] && deb822_backports_entry "$file"; then
      echo "$file"
      return 0
    fi
  done
  return 1
}

# Makes bookworm-backports one of apt's sources: the host's own entry where it has one (ours then
# goes: two entries of one suite with different Signed-By make apt fail for every source),
# otherwise a sources file of ours. True when apt's sources changed (apt-get update is due).
use_backports_suite() {
  local other
  local sources='Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg'
  if other="$(other_backports_source)"; then
    echo "bookworm-backports: the entry in $other is used"
    if [ -e "$EMULATOR_SOURCES" ]; then
      "${emulator_as_root[@]}" rm -f "$EMULATOR_SOURCES"
      echo "Removed $EMULATOR_SOURCES, which repeated that entry"
      return 0
    fi
    return 1
  fi
  if [ "$(cat "$EMULATOR_SOURCES" 2>/dev/null)" != "$sources" ]; then
    echo "$sources" | "${emulator_as_root[@]}" tee "$EMULATOR_SOURCES" >/dev/null
    echo "Added bookworm-backports to apt's sources: $EMULATOR_SOURCES"
    return 0
  fi
  return 1
}

# Removes the pin file of earlier versions, which held back every other backports package.
remove_old_backports_pin() {
  if [ -e "$EMULATOR_OLD_PIN" ]; then
    "${emulator_as_root[@]}" rm -f "$EMULATOR_OLD_PIN"
    echo "Removed $EMULATOR_OLD_PIN (an earlier pin of every bookworm-backports package)"
  fi
}

emulator_installed() {
  local version
  version="$(dpkg-query -W -f='${Version}' qemu-user-static 2>/dev/null)" || return 1
  dpkg --compare-versions "$version" ge "$EMULATOR_LEAST_VERSION"
}

# Installs the emulator from backports unless a recent enough one is installed: -t takes these
# packages (and whatever of their dependencies the suite has) from it for this command only, and
# apt's preferences stay as they are. An install or an upgrade leaves the registration stale (the
# kernel keeps the file it opened), so it is dropped.
install_emulator() {
  if emulator_installed; then
    return 0
  fi
  echo "Installing the user-mode emulator for 32-bit programs: ${EMULATOR_PACKAGES[*]} (bookworm-backports)"
  "${emulator_as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
    -t bookworm-backports "${EMULATOR_PACKAGES[@]}" || return 1
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
