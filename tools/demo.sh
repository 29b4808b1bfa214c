#!/bin/sh
# Converts the bundled Windows-1251 sample to code pages 866 and 65001 (UTF-8),
# first through the Windows DLL under Wine, then through the Linux library, and
# shows each trace and result with the bytes in hex beside the text. The Windows
# DLL is the 32-bit product where this host runs 32-bit programs, else the 64-bit
# one. Builds nothing: ./build.sh demo builds the presets it needs first.
#   LOTAN_WIN32_BUILD, LOTAN_WIN64_BUILD and LOTAN_NATIVE_BUILD name other build directories.
set -eu
cd "$(dirname "$0")/.."
win32=${LOTAN_WIN32_BUILD:-build/win32}
win64=${LOTAN_WIN64_BUILD:-build/win64}
native=${LOTAN_NATIVE_BUILD:-build/native}
case $win32 in /*) ;; *) win32=$PWD/$win32 ;; esac
case $win64 in /*) ;; *) win64=$PWD/$win64 ;; esac
sample=tools/sample-1251.txt
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# run TITLE TO COMMAND...: converts the sample, result to a file, trace on stdout.
run() {
  title=$1
  to=$2
  shift 2
  echo "== $title: 1251 -> $to =="
  if ! "$@" --trace -o "$work/result" 1251 "$to" <"$sample" >"$work/trace"; then
    echo "  cpconv failed" >&2
    return 1
  fi
  python3 tools/show_trace.py "$work/trace" "$work/result" 1251 "$to"
  echo
}

echo "Sample ($sample, Windows-1251):"
python3 - "$sample" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
print("  " + data.decode("cp1251"))
PY
echo

status=0
if refusal=$(cmake/wine-run.sh --prefix="$win32/wineprefix" --check --arch=x86); then
  windows=$win32 title="32-bit Windows DLL under Wine"
  echo "Windows: the 32-bit DLL of $win32, the product (this host runs 32-bit programs)."
else
  windows=$win64 title="64-bit Windows DLL under wine64"
  echo "Windows: the 64-bit DLL of $win64, because ${refusal#skipped: }."
fi
echo
cpconv_exe=$windows/tools/cpconv.exe
if [ -f "$cpconv_exe" ]; then
  for to in 866 65001; do
    run "$title" "$to" cmake/wine-run.sh --prefix="$windows/wineprefix" "$cpconv_exe" || status=1
  done
else
  echo "No Windows build in $windows (missing $cpconv_exe)." >&2
  status=1
fi

cpconv=$native/tools/cpconv
if [ -x "$cpconv" ]; then
  for to in 866 65001; do
    run "Linux library" "$to" "$cpconv" || status=1
  done
else
  echo "No Linux build in $native (missing $cpconv)." >&2
  status=1
fi
exit $status
