#!/bin/sh
# cpconv against iconv(1) on 100 MB of Windows-1251 text to UTF-8, file to file:
# the best wall-clock time of 3 runs each, cpconv's peak memory (/usr/bin/time),
# and whether cpconv converts the result back to the original bytes. Writes the
# lines "name value" that bench/report.py reads.
#   cpconv_bench.sh CPCONV OUTPUT_FILE
set -eu
cpconv=$1
out=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$work/in.1251" <<'PY'
import sys
line = "Съешь же ещё этих мягких французских булок, да выпей чаю. Ёж — €5\n".encode("cp1251")
with open(sys.argv[1], "wb") as f:
    f.write(line * (100_000_000 // len(line)))
PY
# best NAME COMMAND...: the least of 3 wall-clock times, in nanoseconds.
best() {
  name=$1
  shift
  least=
  for run in 1 2 3; do
    start=$(date +%s%N)
    "$@"
    took=$(($(date +%s%N) - start))
    if [ -z "$least" ] || [ "$took" -lt "$least" ]; then least=$took; fi
  done
  echo "$name $least"
}
{
  best cpconv_100mb "$cpconv" -f cp1251 -t utf-8 "$work/in.1251" -o "$work/out.cpconv"
  best iconv_100mb iconv -f CP1251 -t UTF-8 "$work/in.1251" -o "$work/out.iconv"
  /usr/bin/time -f 'cpconv_peak_kb %M' -o "$work/time" "$cpconv" -f cp1251 -t utf-8 "$work/in.1251" -o "$work/out.cpconv"
  cat "$work/time"
  "$cpconv" -f utf-8 -t cp1251 "$work/out.cpconv" -o "$work/back.1251"
  if cmp -s "$work/in.1251" "$work/back.1251" && cmp -s "$work/out.cpconv" "$work/out.iconv"; then
    echo "cpconv_round_trip 1"
  else
    echo "cpconv_round_trip 0"
  fi
} >"$out"
