#!/bin/sh
# Runs one Windows program under Wine with the test environment pinned: a private
# prefix (made once, under a lock, because ctest starts programs in parallel), no
# Wine debug output, and a UTF-8 locale, which decides Wine's default code pages.
set -eu
prefix=${WINEPREFIX:-}
case "${1:-}" in
  --prefix=*) prefix=${1#--prefix=}; shift ;;
esac
[ -n "$prefix" ] || { echo "wine-run.sh: no prefix given" >&2; exit 2; }
export WINEPREFIX="$prefix" WINEDEBUG=-all LANG=C.UTF-8 LC_ALL=C.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$(dirname "$prefix")"
if [ ! -f "$prefix/.ready" ]; then
  (
    flock 9
    if [ ! -f "$prefix/.ready" ]; then
      wineboot -i >/dev/null 2>&1 || true
      wineserver -w || true
      touch "$prefix/.ready"
    fi
  ) 9>"$prefix.lock"
fi
exec wine "$@"
