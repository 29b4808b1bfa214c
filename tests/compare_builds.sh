#!/bin/sh
# Runs one probe of the Linux build and the same probe of the Windows build under
# Wine, each writing its results to a file, and fails on the first difference.
# Exits 77 (skipped) when the Windows probe or Wine is not there.
#   compare_builds.sh WHAT WINE_RUN PREFIX WORK_DIR NATIVE_PROBE WIN32_PROBE [NATIVE_ARG WIN32_ARG]
# Each probe gets its optional argument first, then the output file.
set -u
what=$1 winerun=$2 prefix=$3 work=$4 native=$5 win32=$6
shift 6
if [ ! -f "$win32" ]; then
  echo "skipped: no Windows probe at $win32 (build the win32 preset first)"
  exit 77
fi
if ! command -v wine >/dev/null 2>&1; then
  echo "skipped: wine is not installed"
  exit 77
fi
mkdir -p "$work" || exit 1
rm -f "$work/native.txt" "$work/win32.txt"
"$native" ${1:+"$1"} "$work/native.txt" || { echo "the Linux probe failed"; exit 1; }
"$winerun" --prefix="$prefix" "$win32" ${2:+"$2"} "$work/win32.txt" || { echo "the Windows probe failed under Wine"; exit 1; }
if cmp -s "$work/native.txt" "$work/win32.txt"; then
  echo "the builds agree on all $(wc -l <"$work/native.txt") $what"
  exit 0
fi
echo "the builds differ (< Linux, > Windows under Wine; results in $work):"
diff "$work/native.txt" "$work/win32.txt" | head -40
exit 1
