#!/bin/bash
# What scripts/setup.sh does about the emulator on made-up hosts: the host's files in a folder of
# the test's own, apt-get, dpkg, mount and sudo replaced by stubs that record, and the kernel's
# answer to the 32-bit probe chosen by a stub chmod (STUB_PROBE: runs, enoexec or noexec).
# The checks are written in single quotes on purpose: check evaluates them after each run.
# shellcheck disable=SC2016
set -u
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
work="$(mktemp -d)" && trap 'rm -rf "$work"' EXIT
mkdir "$work/bin" && cd "$work/bin" || exit 1
printf '#!/bin/sh\necho "$(basename "$0") $*" >>"$STUB_LOG"\n' >apt-get && cp apt-get mount
printf '#!/bin/sh\nexec "$@"\n' >sudo
printf '#!/bin/sh\n[ "$1" = --print-foreign-architectures ] && echo i386 || exec %s "$@"\n' "$(command -v dpkg)" >dpkg
cat >dpkg-query <<'EOF'
#!/bin/sh
case "$*" in *Version*qemu-user-static) [ -n "${STUB_QEMU:-}" ] && printf %s "$STUB_QEMU" ;; *) printf 'install ok installed' ;; esac
EOF
cat >./chmod <<EOF
#!/bin/sh
case "\$STUB_PROBE" in runs) echo '#!/bin/sh' >"\$2" ;; enoexec) printf '\\0\\0' >"\$2" ;; noexec) exit 0 ;; esac
exec $(command -v chmod) "\$@"
EOF
/bin/chmod +x ./*
h="$work/host" sources="$work/host/etc/apt/sources.list.d/testz-bookworm-backports.sources"
pin="$h/etc/apt/preferences.d/testz-bookworm-backports" binfmt="$h/proc/sys/fs/binfmt_misc"
untouched='[ ! -s "$work/log" ] && [ ! -s "$binfmt/register" ] && [ -z "$(ls "${sources%/*}")" ]'
failed=0

# host ID CODENAME [PID-NAMESPACE]: a fresh host, outside a container unless a namespace is given.
host() {
  rm -rf "$h" "$work/log" && mkdir -p "${sources%/*}" "${pin%/*}" "$h/proc/self/ns" "$binfmt"
  printf 'ID=%s\nVERSION_CODENAME=%s\nPRETTY_NAME="%s %s"\n' "$1" "$2" "$1" "$2" >"$h/etc/os-release"
  ln -s "pid:[${3:-4026531836}]" "$h/proc/self/ns/pid" && ln -s 'user:[4026531837]' "$h/proc/self/ns/user"
  touch "$binfmt/register" "$work/log"
}
# setup VARIABLE=VALUE...: runs scripts/setup.sh on the host; out holds what it printed.
setup() {
  out="$(env TESTZ_EMULATOR_HOST_ROOT="$h" TESTZ_EMULATOR_PROBE_DIR="$work/probe" STUB_LOG="$work/log" \
    PATH="$work/bin:$PATH" "$@" "$repo/scripts/setup.sh" 2>&1)" || out+=" [setup.sh failed: $?]"
}
check() {
  if eval "$2" && [[ "$out" != *"setup.sh failed"* ]]; then echo "ok: $1"; else
    printf 'FAILED: %s\n%s\n' "$1" "$out" && failed=1; fi
}

host debian bookworm && touch "$pin" && setup STUB_PROBE=enoexec
check "Exec format error on bookworm: qemu from backports with -t, registered, the old pin gone" \
  'grep -qx "apt-get install -y -q -t bookworm-backports qemu-user-static qemu-user qemu-user-binfmt" "$work/log" &&
   [ -f "$sources" ] && [ ! -e "$pin" ] && grep -q "^:qemu-i386:M::.*:/usr/bin/qemu-i386-static:F$" "$binfmt/register"'
host debian bookworm 4026532301 && setup STUB_PROBE=enoexec
check "a container is refused and says how to ask" "$untouched"' && [[ $out == *TESTZ_EMULATOR_IN_CONTAINER=1* ]]'
setup STUB_PROBE=enoexec TESTZ_EMULATOR_IN_CONTAINER=1
check "a container that asks gets the emulator" 'grep -q "apt-get install .*qemu-user-static" "$work/log"'
for release in "debian trixie" "ubuntu noble"; do
  read -r id codename <<<"$release" && host "$id" "$codename" && setup STUB_PROBE=enoexec
  check "$release is refused, by name" "$untouched"' && [[ $out == *"this is $release"* ]]'
done
host debian bookworm && setup STUB_PROBE=noexec
check "a probe that cannot start changes nothing and says why" "$untouched"' && [[ $out == *"started (Permission denied)"* ]]'
host debian bookworm && setup STUB_PROBE=runs
check "a kernel that runs the probe gets nothing" "$untouched"' && [[ $out == *"no emulator is needed"* ]]'
host debian bookworm && printf 'enabled\ninterpreter /usr/bin/qemu-i386-static\nflags: F\n' >"$binfmt/qemu-i386"
setup STUB_PROBE=noexec STUB_QEMU=1:10.0.2
check "installed and registered: nothing changes" "$untouched"' && [[ $out == *"nothing to change"* ]]'

host debian bookworm && echo 'deb [signed-by=/k.gpg] http://m/debian bookworm-backports main' >"$h/etc/apt/sources.list"
setup STUB_PROBE=enoexec
check "the host's one-line backports entry is used" '[ ! -e "$sources" ] && grep -q "install .*-t bookworm-backports" "$work/log"'
host debian bookworm && echo stale >"$sources"
printf 'Types: deb\nURIs: http://m/debian\nSuites: bookworm\n  bookworm-backports\nComponents: main\n' >"${sources%/*}/m.sources"
setup STUB_PROBE=enoexec
check "the host's deb822 entry is used, and ours goes" '[ ! -e "$sources" ] && grep -q "install .*-t bookworm-backports" "$work/log"'
host debian bookworm && echo '# deb http://m/debian bookworm-backports main' >"$h/etc/apt/sources.list"
printf 'Types: deb\nURIs: http://m/debian\nSuites: bookworm-backports\nComponents: main\nEnabled: no\n' >"${sources%/*}/m.sources"
setup STUB_PROBE=enoexec
check "entries that are off are not used" '[ -f "$sources" ]'
exit "$failed"
