#!/bin/sh
# Checks the identity of the built DLL from its headers (objdump -p): a PE32 DLL
# based at 0x10000000 with relocations, no TLS directory, no resources, one
# export CONVERT@16 at ordinal 1 under the name LotanconvertCP.dll, and imports
# from KERNEL32.dll and msvcrt.dll only.
#   check_image.sh OBJDUMP DLL
set -u
objdump=$1
dll=$2
headers=$("$objdump" -p "$dll") || { echo "cannot read $dll" >&2; exit 1; }
status=0
fail() { echo "FAIL: $*" >&2; status=1; }
expect() { printf '%s\n' "$headers" | grep -Eq "$1" || fail "$2"; }

expect 'file format pei-i386' "not a PE32 image for x86"
expect '^Characteristics .*' "no characteristics"
printf '%s\n' "$headers" | grep -A12 '^Characteristics' | grep -q 'DLL' || fail "not marked as a DLL"
expect '^ImageBase[[:space:]]+10000000$' "preferred base is not 0x10000000"
expect '^Entry 5 [0-9a-f]+ [0-9a-f]*[1-9a-f][0-9a-f]* Base Relocation Directory' "no base relocations"
expect '^Entry 9 0+ 0+ Thread Storage Directory' "has a TLS directory"
expect '^Entry 2 0+ 0+ Resource Directory' "has resources"
expect '^Name[[:space:]]+[0-9a-f]+ LotanconvertCP\.dll$' "export directory name is not LotanconvertCP.dll"
expect '^Ordinal Base[[:space:]]+1$' "ordinal base is not 1"

# The export address table and the name table, each one entry: ordinal 1 (index
# 0 from base 1) and the name CONVERT@16 pointing at it.
addresses=$(printf '%s\n' "$headers" | sed -n '/^Export Address Table -- Ordinal Base/,/^$/p' | grep '^[[:space:]]*\[')
[ "$(printf '%s\n' "$addresses" | grep -c .)" = 1 ] || fail "not exactly one exported address: $addresses"
printf '%s\n' "$addresses" | grep -Eq '^[[:space:]]*\[[[:space:]]*0\] \+base\[[[:space:]]*1\] [0-9a-f]+ Export RVA$' ||
  fail "the export is not at ordinal 1: $addresses"
names=$(printf '%s\n' "$headers" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed 1d | grep '^[[:space:]]*\[')
[ "$(printf '%s\n' "$names" | grep -c .)" = 1 ] || fail "not exactly one export name: $names"
printf '%s\n' "$names" | grep -Eq '^[[:space:]]*\[[[:space:]]*0\] CONVERT@16$' || fail "the export name is not CONVERT@16: $names"

imports=$(printf '%s\n' "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort | tr '\n' ' ')
[ "$imports" = "KERNEL32.dll msvcrt.dll " ] || fail "imports are '$imports'"

[ $status = 0 ] && echo "image identity as expected"
exit $status
