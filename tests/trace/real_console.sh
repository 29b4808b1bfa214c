#!/bin/sh
# Runs the console test host under a pseudo-terminal, the only place where Wine
# gives a program a real console, and shows what the host found.
#   real_console.sh WINE-RUN PREFIX HOST.EXE REPORT
set -u
runner=$1 prefix=$2 host=$3 report=$4
if ! command -v script >/dev/null 2>&1; then
  echo "skipped: script(1) is missing, so no pseudo-terminal can be had"
  exit 77
fi
if ! script -qfec true /dev/null </dev/null >/dev/null 2>&1; then
  echo "skipped: no pseudo-terminal can be opened here"
  exit 77
fi
"$runner" --prefix="$prefix" --check "$host" || exit $?
rm -f "$report"
# The locale decides the console's code page and what the terminal shows.
LANG=C.UTF-8 LC_ALL=C.UTF-8 script -qfec "'$runner' --prefix='$prefix' '$host' '$report'" /dev/null \
  </dev/null >/dev/null 2>&1
status=$?
if [ -f "$report" ]; then
  cat "$report"
else
  echo "the host left no report (exit status $status)"
  [ "$status" -ne 0 ] || status=1
fi
exit "$status"
