# Expected standard output of the examples (line ends as LF): the library's
# seven trace lines for "Привет" in Windows-1251, then the example's own line.
# Sourced by the example tests; each function writes the bytes to stdout.
trace_866() {
  printf 'nLen= 6\nstrDst=,,,,,,,,,,,,\nstrRet=------------\nnRet= 6\n'
  printf 'strRet=\217\340\250\242\245\342------\nnRet= 6\nstrOut=\217\340\250\242\245\342\n'
}
trace_utf8() {
  printf 'nLen= 6\nstrDst=,,,,,,,,,,,,\nstrRet=------------\nnRet= 6\n'
  printf 'strRet=\320\237\321\200\320\270\320\262\320\265\321\202\nnRet= 12\n'
  printf 'strOut=\320\237\321\200\320\270\320\262\320\265\321\202\n'
}

# check NAME EXPECTED_FILE COMMAND...: runs COMMAND and compares its standard
# output, carriage returns removed, with the file; sets status=1 on a difference.
check() {
  name=$1 expected=$2
  shift 2
  if ! "$@" >"$work/$name.raw"; then
    echo "FAIL: $name exited with an error" >&2
    status=1
    return
  fi
  tr -d '\r' <"$work/$name.raw" >"$work/$name.out"
  if ! cmp -s "$expected" "$work/$name.out"; then
    echo "FAIL: $name; expected:" >&2
    od -c "$expected" >&2
    echo "got:" >&2
    od -c "$work/$name.out" >&2
    status=1
  fi
}
