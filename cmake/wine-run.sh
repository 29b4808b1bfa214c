#!/bin/sh
# Runs one Windows program under Wine with the test environment pinned: a private
# prefix (made once, under a lock, because ctest starts programs in parallel), no
# Wine debug output, and a UTF-8 locale, which decides Wine's default code pages.
#   wine-run.sh --prefix=DIR PROGRAM [ARGS...]   run PROGRAM, exit with its status
#   wine-run.sh --prefix=DIR --check PROGRAM     only say whether this host can run it
#   wine-run.sh --prefix=DIR --check --arch=x86|x64
#   wine-run.sh --prefix=DIR --wait              wait until the prefix's Wine has ended
# The loader follows the program's PE header: the 64-bit one for x64 programs,
# Debian's `wine` (the 32-bit one) for x86. A 32-bit program on a host whose
# kernel refuses 32-bit code is not run: the reason is printed and the exit
# status is 77, which ctest reports as skipped. LOTAN_ASSUME_NO_IA32=1 makes any
# host behave so, for testing that path.
set -eu
prefix=${WINEPREFIX:-} mode=run arch=
while [ $# -gt 0 ]; do
  case "$1" in
    --prefix=*) prefix=${1#--prefix=} ;;
    --check) mode=check ;;
    --wait) mode=wait ;;
    --arch=*) arch=${1#--arch=} ;;
    *) break ;;
  esac
  shift
done
[ -n "$prefix" ] || { echo "wine-run.sh: no prefix given" >&2; exit 2; }
export WINEPREFIX="$prefix" WINEDEBUG=-all LANG=C.UTF-8 LC_ALL=C.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="

wine32=/usr/lib/wine/wine
wine64=/usr/lib/wine/wine64
# Debian's wineserver alternative may be the 32-bit server; the 64-bit one serves
# programs of both kinds and runs on every x86-64 host.
if [ -x /usr/lib/wine/wineserver64 ]; then server=/usr/lib/wine/wineserver64; else server=wineserver; fi
export WINESERVER="$server"

if [ "$mode" = wait ]; then
  "$server" -w 2>/dev/null || true
  exit 0
fi

# The machine field of the PE header: 014c is x86, 8664 is x64.
machine_of() {
  offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') || return 1
  [ -n "$offset" ] || return 1
  od -An -tx2 -j$((offset + 4)) -N2 "$1" 2>/dev/null | tr -d ' '
}
if [ -z "$arch" ]; then
  [ $# -gt 0 ] || { echo "wine-run.sh: no program given" >&2; exit 2; }
  case "$(machine_of "$1" || true)" in
    8664) arch=x64 ;;
    *) arch=x86 ;;
  esac
fi

# Why this host cannot run 32-bit x86 programs, or nothing when it can. The
# kernel's answer is kept beside the prefix, so it is asked once per build
# directory: a kernel booted without IA-32 emulation refuses to execute the
# 32-bit loader at all (ENOEXEC, "Exec format error"). Any other failure of a
# 32-bit program is the program's own and is reported as such.
ia32_refusal() {
  if [ "${LOTAN_ASSUME_NO_IA32:-}" = 1 ]; then
    echo "this host cannot execute 32-bit x86 programs: LOTAN_ASSUME_NO_IA32=1 says to assume so"
    return
  fi
  answer="$prefix.ia32"
  if [ ! -f "$answer" ]; then
    mkdir -p "$(dirname "$prefix")"
    if [ -x "$wine32" ] && ! "$wine32" --version >/dev/null 2>"$answer.err" &&
        grep -q 'Exec format error' "$answer.err"; then
      echo refused >"$answer"
    else
      echo runs >"$answer"
    fi
    rm -f "$answer.err"
  fi
  if [ "$(cat "$answer")" = refused ]; then
    echo "this host cannot execute 32-bit x86 programs: the kernel refuses them"
  fi
}

if [ "$arch" = x86 ]; then
  reason=$(ia32_refusal)
  if [ -n "$reason" ]; then
    echo "skipped: $reason"
    exit 77
  fi
  loader=wine
else
  loader=$wine64
  [ -x "$loader" ] || { echo "wine-run.sh: $loader is missing (Debian package wine64)" >&2; exit 2; }
fi
[ "$mode" = check ] && exit 0

mkdir -p "$(dirname "$prefix")"
if [ ! -f "$prefix/.ready" ]; then
  (
    flock 9
    if [ ! -f "$prefix/.ready" ]; then
      "$loader" wineboot -i >/dev/null 2>&1 || true
      "$server" -w || true
      touch "$prefix/.ready"
    fi
  ) 9>"$prefix.lock"
fi
exec "$loader" "$@"
