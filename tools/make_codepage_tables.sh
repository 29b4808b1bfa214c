#!/bin/sh
# Regenerates the code-page tables of the Linux layer and the list of code pages:
# builds the table program of the Windows layer as a 64-bit Windows program, runs
# it under Wine, writes GB18030's tables, which Wine lacks, from Python, and the
# list of code pages into docs/USAGE.md.
#   tools/make_codepage_tables.sh [WORK_DIR]     (default build/codepage-tables)
# Needs x86_64-w64-mingw32-g++-posix (or $WIN64_CXX), wine64 (or $WINE) and python3.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$root/build/codepage-tables}
cxx=${WIN64_CXX:-x86_64-w64-mingw32-g++-posix}
wine=${WINE:-}
if [ -z "$wine" ]; then
  for candidate in /usr/lib/wine/wine64 wine64 wine; do
    if command -v "$candidate" >/dev/null 2>&1; then wine=$candidate; break; fi
  done
fi
[ -n "$wine" ] || { echo "make_codepage_tables.sh: no wine64 found (set WINE)" >&2; exit 2; }
mkdir -p "$work"
"$cxx" -std=c++20 -O2 -Wall -Wextra -static -static-libgcc -static-libstdc++ \
  "$root/src/platform/win32/make_codepage_tables.cpp" -o "$work/make_codepage_tables.exe"
# The tables do not depend on the locale; the pinned one keeps runs alike.
WINEPREFIX="$work/wineprefix" WINEDEBUG=-all LANG=C.UTF-8 LC_ALL=C.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml=" \
  "$wine" "$work/make_codepage_tables.exe" "$work/codepage_tables.cpp" "$work/codepage_list.cpp"
python3 "$root/tools/make_gb18030_tables.py" "$work/codepage_gb18030_tables.cpp"
cp "$work/codepage_tables.cpp" "$work/codepage_gb18030_tables.cpp" "$root/src/platform/posix/"
cp "$work/codepage_list.cpp" "$root/src/platform/"
python3 "$root/tools/codepage_list_doc.py" "$root"
echo "code-page tables written to src/platform/posix, src/platform/codepage_list.cpp and docs/USAGE.md"
