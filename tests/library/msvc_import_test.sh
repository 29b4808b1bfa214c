#!/bin/sh
# Checks the import library for Microsoft's linker (LotanconvertCP.lib): its
# members name the export as the .def does, and a small C host compiled for the
# MSVC ABI and linked with lld-link (no C runtime) imports exactly that name
# from LotanconvertCP.dll. Nothing is run.
#   msvc_import_test.sh LIB INCLUDE_DIR CLANG_TARGET SYMBOL IMPORT
#   (x86: i686-pc-windows-msvc _CONVERT@16 CONVERT@16)
set -u
lib=$1 include=$2 target=$3 symbol=$4 import=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*" >&2; status=1; }
tool() {
  for name in "$@"; do
    command -v "$name" && return 0
  done
  echo "none of $* is installed" >&2
  exit 1
}
readobj=$(tool llvm-readobj-14 llvm-readobj) || exit 1
lld_link=$(tool lld-link-14 lld-link) || exit 1
clang=$(tool clang-14 clang) || exit 1

members=$("$readobj" "$lib") || { echo "FAIL: cannot read $lib" >&2; exit 1; }
for line in "Format: COFF-import-file" "Symbol: __imp_$symbol" "Symbol: $symbol"; do
  printf '%s\n' "$members" | grep -qxF "$line" || fail "$lib has no '$line'"
done

cat >"$work/host.c" <<'HOST'
#include "LotanconvertCP.h"
int main(void) {
  char result[5];
  return CONVERT("\xC4\xE0", 1251, 866, result);
}
HOST
"$clang" --target="$target" -c -I"$include" -o "$work/host.obj" "$work/host.c" || { echo "FAIL: compiling the host" >&2; exit 1; }
"$lld_link" /nologo /nodefaultlib /entry:main /subsystem:console /out:"$work/host.exe" "$work/host.obj" "$lib" ||
  { echo "FAIL: lld-link cannot link the host with $lib" >&2; exit 1; }
imports=$("$readobj" --coff-imports "$work/host.exe")
printf '%s\n' "$imports" | grep -qx '  Name: LotanconvertCP.dll' || fail "the host imports no LotanconvertCP.dll: $imports"
printf '%s\n' "$imports" | grep -Eq "^  Symbol: $import \\([0-9]+\\)\$" || fail "the host does not import $import: $imports"
[ "$(printf '%s\n' "$imports" | grep -c '^  Symbol:')" = 1 ] || fail "the host imports more than one symbol: $imports"
exit $status
