#!/bin/sh
# Checks that a Windows program built with the file layer takes its stream and
# directory-search functions from MSVCRT.DLL, the runtime library the whole
# process shares, and from no other library. On x64, mingw-w64's headers turn
# _findfirst and _findnext into the runtime's variants with 64-bit times
# (_findfirst64, _findnext64), which is what such a program imports there.
#   files_imports.sh OBJDUMP PROGRAM
set -u
objdump=$1 program=$2
imports=$("$objdump" -p "$program" | awk '/DLL Name:/ { dll = tolower($3) } dll != "" && NF >= 3 && $1 ~ /^[0-9a-f]+$/ { print dll, $NF }')
status=0
for name in fopen setvbuf fread fseek ftell fclose _findfirst _findnext _findclose; do
  from=$(printf '%s\n' "$imports" | awk -v n="$name" '$2 == n || $2 == n "64" { print $1 }' | sort -u)
  if [ "$from" != "msvcrt.dll" ]; then
    echo "$name is imported from '${from:-nowhere}', not msvcrt.dll"
    status=1
  fi
done
[ $status -eq 0 ] && echo "the stream and search functions all come from msvcrt.dll"
exit $status
