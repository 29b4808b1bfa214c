#!/bin/sh
# Builds tests/examples/consumer, a project that takes the source tree in with
# add_subdirectory and links the toolkit, with no preset and no flags, and runs it.
#   consumer_test.sh SOURCE WORK
set -u
source=$1 work=$2/consumer-subdirectory
rm -rf "$work"
if ! cmake -S "$source/tests/examples/consumer" -B "$work" -DLOTAN_SOURCE="$source" >"$work.log" 2>&1 ||
   ! cmake --build "$work" --target consumer -j2 >>"$work.log" 2>&1; then
  cat "$work.log" >&2
  echo "FAIL: the add_subdirectory consumer does not build" >&2
  exit 1
fi
got=$("$work/consumer") || { echo "FAIL: the consumer failed: $got" >&2; exit 1; }
expected='SplitText 3 c
CountOccurrences 3
PathFileName name.txt'
[ "$got" = "$expected" ] || { printf 'FAIL: the consumer printed\n%s\n' "$got" >&2; exit 1; }
