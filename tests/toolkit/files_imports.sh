#!/bin/sh
# Checks that a Windows program built with the file layer takes its stream and
# directory-search functions from MSVCRT.DLL, the runtime library the whole
# process shares, and from no other library.
#   files_imports.sh OBJDUMP PROGRAM
set -u
objdump=$1 program=$2
imports=$("$objdump" -p "$program" | awk '/DLL Name:/ { dll = tolower($3) } dll != "" && NF >= 3 && $1 ~ /^[0-9a-f]+$/ { print dll, $NF }')
status=0
for name in fopen setvbuf fread fseek ftell fclose _findfirst _findnext _findclose; do
  from=$(printf '%s\n' "$imports" | awk -v n="$name" '$2 == n { print $1 }' | sort -u)
  if [ "$from" != "msvcrt.dll" ]; then
    echo "$name is imported from '${from:-nowhere}', not msvcrt.dll"
    status=1
  fi
done
[ $status -eq 0 ] && echo "the stream and search functions all come from msvcrt.dll"
exit $status
