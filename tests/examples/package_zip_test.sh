#!/bin/sh
# Unpacks the Windows archive of ./build.sh package into an empty folder, checks
# that it holds what a user needs, with a README of its own and no link to a file
# it lacks, and converts the Windows-1251 sample to UTF-8 with the cpconv.exe
# inside it under Wine. Exit status 77 (skipped) when the archive has not been
# made, or when this host cannot run the program (after the contents are checked).
#   package_zip_test.sh ZIP WINEPREFIX PYTHON
set -u
zip=$1 prefix=$2 python=$3
if [ ! -f "$zip" ]; then
  echo "no archive at $zip (made by ./build.sh package): skipped"
  exit 77
fi
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*" >&2; status=1; }

mkdir "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$zip") || { echo "FAIL: cannot unpack $zip" >&2; exit 1; }
top=$work/unpacked/$(basename "$zip" .zip)
for file in bin/LotanconvertCP.dll bin/cpconv.exe lib/libLotanconvertCP.dll.a lib/LotanconvertCP.lib \
    lib/LotanconvertCP.def include/LotanconvertCP.h lib/cmake/LotanconvertCP/LotanconvertCPConfig.cmake \
    README.md LICENSE docs/USAGE.md examples/CMakeLists.txt examples/load_time.c examples/run_time_win32.c \
    examples/quiet_win32.c examples/convert.py; do
  [ -f "$top/$file" ] || fail "the archive has no $file"
done
# The README is the one for Windows users, naming the DLL's bitness and the
# archive of the other one; the source tree's build instructions stay out.
case "$top" in
  *-win64) bits=64 other=win32 import="x86_64-pc-windows-msvc CONVERT CONVERT" ;;
  *) bits=32 other=win64 import="i686-pc-windows-msvc _CONVERT@16 CONVERT@16" ;;
esac
grep -q "^# LotanconvertCP .* for Windows ($bits-bit)\$" "$top/README.md" || fail "README.md is not the Windows README"
grep -q "LotanconvertCP-[0-9.]*-$other\.zip" "$top/README.md" || fail "README.md does not name the $other archive"
! grep -q 'build\.sh' "$top/README.md" || fail "README.md speaks of build.sh"
grep -q '@[A-Z_]*@' "$top/README.md" && fail "README.md has unfilled fields: $(grep -o '@[A-Z_]*@' "$top/README.md")"
"$python" "$here/markdown_links.py" "$top" || fail "links of the archive's documents"
# shellcheck disable=SC2086 # $import is three words
sh "$here/../library/msvc_import_test.sh" "$top/lib/LotanconvertCP.lib" "$top/include" $import ||
  fail "lib/LotanconvertCP.lib does not link a host with lld-link"
# Nothing the program needs may come from outside the folder: run it from elsewhere.
cd "$work"
# A host that cannot run the program skips the rest, unless the contents failed.
"$root/cmake/wine-run.sh" --prefix="$prefix" --check "$top/bin/cpconv.exe" || {
  check=$?
  [ $status -eq 0 ] || exit $status
  exit $check
}
if ! "$root/cmake/wine-run.sh" --prefix="$prefix" "$top/bin/cpconv.exe" --trace -o result 1251 65001 \
    <"$root/tools/sample-1251.txt" >trace; then
  fail "cpconv.exe from the archive failed"
fi
got=$(od -An -v -tx1 result 2>/dev/null | tr -s ' \n' '  ' | sed 's/^ //; s/ $//')
# "Съешь же ещё этих мягких французских булок, да выпей чаю. Ёж — €5" in UTF-8
expected="d0 a1 d1 8a d0 b5 d1 88 d1 8c 20 d0 b6 d0 b5 20 d0 b5 d1 89 d1 91 20 d1 8d d1 82 d0 b8 d1 85 20 d0 bc d1 8f d0 b3 d0 ba d0 b8 d1 85 20 d1 84 d1 80 d0 b0 d0 bd d1 86 d1 83 d0 b7 d1 81 d0 ba d0 b8 d1 85 20 d0 b1 d1 83 d0 bb d0 be d0 ba 2c 20 d0 b4 d0 b0 20 d0 b2 d1 8b d0 bf d0 b5 d0 b9 20 d1 87 d0 b0 d1 8e 2e 20 d0 81 d0 b6 20 e2 80 94 20 e2 82 ac 35"
[ "$got" = "$expected" ] || fail "result: $got"
grep -q '^nRet= 117' trace || fail "trace: $(cat trace)"
exit $status
