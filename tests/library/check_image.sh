#!/bin/sh
# Checks the identity of the built DLL from its headers (objdump -p): a DLL with
# relocations, no TLS directory and no resources, its export directory named
# LotanconvertCP.dll, and imports from KERNEL32.dll and msvcrt.dll only.
#   pe32      the product: PE32 for x86 based at 0x10000000, one export,
#             CONVERT@16 at ordinal 1
#   pe32plus  the 64-bit sibling: PE32+ for x64 based at 0x180000000, the same
#             function as CONVERT@16 at ordinal 1 and as CONVERT at ordinal 2
#   check_image.sh OBJDUMP DLL pe32|pe32plus
set -u
objdump=$1 dll=$2 kind=$3
headers=$("$objdump" -p "$dll") || { echo "cannot read $dll" >&2; exit 1; }
status=0
fail() { echo "FAIL: $*" >&2; status=1; }
expect() { printf '%s\n' "$headers" | grep -Eq "$1" || fail "$2"; }

case "$kind" in
  pe32)
    expect 'file format pei-i386' "not a PE32 image for x86"
    expect '^Magic[[:space:]]+010b' "the optional header is not PE32"
    expect '^ImageBase[[:space:]]+10000000$' "preferred base is not 0x10000000"
    expected_names="CONVERT@16" ;;
  pe32plus)
    expect 'file format pei-x86-64' "not a PE32+ image for x64"
    expect '^Magic[[:space:]]+020b' "the optional header is not PE32+"
    expect '^ImageBase[[:space:]]+0+180000000$' "preferred base is not 0x180000000"
    expected_names="CONVERT CONVERT@16" ;;
  *) echo "unknown image kind $kind" >&2; exit 2 ;;
esac
printf '%s\n' "$headers" | grep -A12 '^Characteristics' | grep -q 'DLL' || fail "not marked as a DLL"
expect '^Entry 5 [0-9a-f]+ [0-9a-f]*[1-9a-f][0-9a-f]* Base Relocation Directory' "no base relocations"
expect '^Entry 9 0+ 0+ Thread Storage Directory' "has a TLS directory"
expect '^Entry 2 0+ 0+ Resource Directory' "has resources"
expect '^Name[[:space:]]+[0-9a-f]+ LotanconvertCP\.dll$' "export directory name is not LotanconvertCP.dll"
expect '^Ordinal Base[[:space:]]+1$' "ordinal base is not 1"

# The export address table: one function, at ordinal 1 (index 0 from base 1);
# on x64 ordinal 2 holds the same address.
addresses=$(printf '%s\n' "$headers" | sed -n '/^Export Address Table -- Ordinal Base/,/^$/p' | grep '^[[:space:]]*\[')
first=$(printf '%s\n' "$addresses" | sed -n 's/^[[:space:]]*\[[[:space:]]*0\] +base\[[[:space:]]*1\] \([0-9a-f]*\) Export RVA$/\1/p')
[ -n "$first" ] || fail "the export is not at ordinal 1: $addresses"
if [ "$kind" = pe32 ]; then
  [ "$(printf '%s\n' "$addresses" | grep -c .)" = 1 ] || fail "not exactly one exported address: $addresses"
else
  [ "$(printf '%s\n' "$addresses" | grep -c .)" = 2 ] || fail "not exactly two ordinals: $addresses"
  printf '%s\n' "$addresses" | grep -Eq "^[[:space:]]*\[[[:space:]]*1\] \+base\[[[:space:]]*2\] $first Export RVA$" ||
    fail "ordinal 2 is not the function of ordinal 1: $addresses"
fi

# The name table, sorted as the loader's binary search needs it.
names=$(printf '%s\n' "$headers" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed 1d |
  sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\] \(.*\)$/\1/p' | tr '\n' ' ' | sed 's/ $//')
[ "$names" = "$expected_names" ] || fail "the export names are '$names', not '$expected_names'"

imports=$(printf '%s\n' "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort | tr '\n' ' ')
[ "$imports" = "KERNEL32.dll msvcrt.dll " ] || fail "imports are '$imports'"

[ $status = 0 ] && echo "image identity ($kind) as expected"
exit $status
