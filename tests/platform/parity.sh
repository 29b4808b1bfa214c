#!/bin/sh
# Runs the code-page dump of the Linux build and the dump of the Windows build
# under Wine, and fails on the first difference. Exits 77 (skipped) when the
# Windows dump or Wine is not there.
#   parity.sh NATIVE_DUMP WIN32_DUMP_EXE WINE_RUN PREFIX WORK_DIR
set -u
native=$1 win32=$2 winerun=$3 prefix=$4 work=$5
if [ ! -f "$win32" ]; then
  echo "skipped: no Windows dump at $win32 (build the win32 preset first, or set LOTAN_WIN32_CODEPAGE_DUMP)"
  exit 77
fi
if ! command -v wine >/dev/null 2>&1; then
  echo "skipped: wine is not installed"
  exit 77
fi
mkdir -p "$work" || exit 1
rm -f "$work/native.txt" "$work/win32.txt"
"$native" "$work/native.txt" || { echo "the Linux dump failed"; exit 1; }
"$winerun" --prefix="$prefix" "$win32" "$work/win32.txt" || { echo "the Windows dump failed under Wine"; exit 1; }
if cmp -s "$work/native.txt" "$work/win32.txt"; then
  echo "the builds agree on all $(wc -l <"$work/native.txt") calls"
  exit 0
fi
echo "the builds differ (< Linux, > Windows under Wine; dumps in $work):"
diff "$work/native.txt" "$work/win32.txt" | head -40
exit 1
