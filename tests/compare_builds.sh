#!/bin/sh
# Runs one probe of the Linux build and the same probe of a Windows build under
# Wine, each writing its results to a file, and fails on the first difference.
# The Windows probe is the 32-bit build's where this host runs 32-bit programs,
# else the 64-bit build's. Exits 77 (skipped) when neither is there or Wine is not.
#   compare_builds.sh WHAT WINE_RUN PREFIX WORK_DIR NATIVE_PROBE WIN32_PROBE WIN64_PROBE [NATIVE_ARG WINDOWS_ARG]
# Each probe gets its optional argument first, then the output file.
set -u
what=$1 winerun=$2 prefix=$3 work=$4 native=$5 win32=$6 win64=$7
shift 7
windows=
for candidate in "$win32" "$win64"; do
  if [ ! -f "$candidate" ]; then
    echo "no Windows probe at $candidate"
  elif refusal=$("$winerun" --prefix="$prefix" --check "$candidate"); then
    windows=$candidate
    break
  else
    echo "not with $candidate: ${refusal#skipped: }"
  fi
done
if [ -z "$windows" ]; then
  echo "skipped: no Windows probe this host can run (build the win32 or win64 preset first)"
  exit 77
fi
if ! command -v wine >/dev/null 2>&1; then
  echo "skipped: wine is not installed"
  exit 77
fi
mkdir -p "$work" || exit 1
rm -f "$work/native.txt" "$work/windows.txt"
"$native" ${1:+"$1"} "$work/native.txt" || { echo "the Linux probe failed"; exit 1; }
"$winerun" --prefix="$prefix" "$windows" ${2:+"$2"} "$work/windows.txt" ||
  { echo "the Windows probe $windows failed under Wine"; exit 1; }
if cmp -s "$work/native.txt" "$work/windows.txt"; then
  echo "the builds agree on all $(wc -l <"$work/native.txt") $what ($windows)"
  exit 0
fi
echo "the builds differ (< Linux, > Windows under Wine: $windows; results in $work):"
diff "$work/native.txt" "$work/windows.txt" | head -40
exit 1
