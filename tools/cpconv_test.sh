#!/bin/sh
# Command-line checks of cpconv: results on standard output and in files, the
# trace only with --trace, names and the list, batches of large inputs, -o kept on
# failure, and exit statuses 1 and 2 with a one-line message each.
#   cpconv_test.sh CPCONV TOOLS_DIR [EMULATOR...]   (the emulator runs a Windows build under Wine)
set -u
cpconv=$1
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*" >&2; status=1; }
hex() { od -An -v -tx1 | tr -s ' \n' '  ' | sed 's/^ //; s/ $//'; }
# Runs cpconv (through the emulator, if any) with the given arguments.
EMULATOR="$*"
conv() { $EMULATOR "$cpconv" "$@"; }
# A host that cannot run this build's programs skips the whole check (status 77).
if [ -n "$EMULATOR" ]; then
  $EMULATOR --check "$cpconv" || exit $?
fi

trace_abc="6e 4c 65 6e 3d 20 33 0d 0a 73 74 72 44 73 74 3d 2c 2c 2c 2c 2c 2c 0d 0a 73 74 72 52 65 74 3d 2d 2d 2d 2d 2d 2d 0d 0a 6e 52 65 74 3d 20 33 0d 0a 73 74 72 52 65 74 3d 61 62 63 2d 2d 2d 0d 0a 6e 52 65 74 3d 20 33 0d 0a 73 74 72 4f 75 74 3d 61 62 63 0d 0a"

# TEXT on the command line: with --trace the trace, then the result.
got=$(conv --trace 1251 866 abc | hex)
[ "$got" = "$trace_abc 61 62 63" ] || fail "abc: $got"

# The same with standard output redirected to a file rather than a pipe.
conv --trace 1251 866 abc >"$work/abc.out"
got=$(hex <"$work/abc.out")
[ "$got" = "$trace_abc 61 62 63" ] || fail "abc to a file: $got"

# Standard input, result to standard output after the trace.
got=$(printf '\304\340' | conv --trace 1251 866 | hex)
case "$got" in
  *"73 74 72 4f 75 74 3d 84 a0 0d 0a 84 a0") ;;
  *) fail "stdin to stdout: $got" ;;
esac

# -o FILE: the file holds only the result; standard output only the trace.
got=$(printf '\304\340' | conv --trace -o "$work/out.bin" 1251 65001 | hex)
case "$got" in
  *"6e 52 65 74 3d 20 34 0d 0a 73 74 72 4f 75 74 3d d0 94 d0 b0 0d 0a") ;;
  *) fail "-o trace: $got" ;;
esac
got=$(hex <"$work/out.bin")
[ "$got" = "d0 94 d0 b0" ] || fail "-o file: $got"

# Bytes are not translated on the way in or out.
got=$(printf 'a\r\nb\032c' | conv -o "$work/raw.bin" 1252 1252 >/dev/null; hex <"$work/raw.bin")
[ "$got" = "61 0d 0a 62 1a 63" ] || fail "binary streams: $got"

# Without --trace standard output holds the result alone.
got=$(conv 1251 866 abc | hex)
[ "$got" = "61 62 63" ] || fail "no trace: $got"
got=$(printf 'a\nb\n' | conv -f cp1251 -t cp866 | hex)
[ "$got" = "61 0a 62 0a" ] || fail "-f cp1251 -t cp866: $got"

# Names, in any case, and numbers give the same bytes.
printf '\317\360\350\342\345\362\n' >"$work/privet.1251"
for pair in "1251 65001" "cp1251 utf-8" "Windows-1251 UTF8" "CP1251 65001"; do
  set -- $pair
  got=$(conv -f "$1" -t "$2" "$work/privet.1251" | hex)
  [ "$got" = "d0 9f d1 80 d0 b8 d0 b2 d0 b5 d1 82 0a" ] || fail "-f $1 -t $2: $got"
done
got=$(printf '\360\322\311\327\305\324' | conv --from-code=koi8-r --to-code ibm866 - | hex)
[ "$got" = "8f e0 a8 a2 a5 e2" ] || fail "long options, koi8-r to ibm866: $got"

# Euro signs need 3 bytes each in UTF-8, more than the library's 2 x n: nothing is lost.
printf '\210\210\210\210\n' >"$work/euro.1251"
printf '\210\210\210\210\n' >>"$work/euro.1251"
got=$(conv -f 1251 -t 65001 "$work/euro.1251" | hex)
[ "$got" = "e2 82 ac e2 82 ac e2 82 ac e2 82 ac 0a e2 82 ac e2 82 ac e2 82 ac e2 82 ac 0a" ] || fail "euro lines: $got"
# A TEXT argument reaches a Windows program in its ANSI code page, through
# Wine's reading of the Unix command line as UTF-8, where a lone 0x88 is no
# character: only the Linux build takes the byte as it is.
if [ -z "$EMULATOR" ]; then
  got=$(conv 1251 65001 "$(printf '\210')" | hex)
  [ "$got" = "e2 82 ac" ] || fail "one euro sign as TEXT: $got"
fi

# FILEs are concatenated, - is standard input, zero bytes pass; -o replaces FILE.
printf 'x\0y' | conv -f 1252 -t 1252 "$work/privet.1251" - "$work/privet.1251" -o "$work/cat.out"; rc=$?
got=$(hex <"$work/cat.out")
[ $rc = 0 ] && [ "$got" = "cf f0 e8 e2 e5 f2 0a 78 00 79 cf f0 e8 e2 e5 f2 0a" ] || fail "files and -: status $rc, $got"

# An unknown code page: status 1, one message, and the -o file untouched.
for cp in "-f 9999 -t utf-8" "-f 1251 -t 12345" "-f nosuchname -t 866"; do
  printf 'keep' >"$work/kept"
  conv $cp -o "$work/kept" "$work/privet.1251" >"$work/stdout" 2>"$work/stderr"; rc=$?
  [ $rc = 1 ] || fail "$cp: status $rc"
  [ "$(cat "$work/kept")" = keep ] || fail "$cp: -o file changed"
  [ "$(grep -c . "$work/stderr")" = 1 ] && grep -q "^cpconv: unknown code page" "$work/stderr" ||
    fail "$cp: message $(cat "$work/stderr")"
  [ -z "$(ls "$work" | grep cpconv-)" ] || fail "$cp: temporary file left"
done
conv -o "$work/empty.bin" 12345 866 abc >/dev/null 2>&1; rc=$?
[ $rc = 1 ] && [ ! -e "$work/empty.bin" ] || fail "positional unknown code page: status $rc"

# -l: each code page with its names and a description.
conv -l >"$work/list"; rc=$?
[ $rc = 0 ] && grep -q '^ *1251  windows-1251, cp1251  *Cyrillic (Windows)' "$work/list" &&
  grep -q '^ *65001  utf-8' "$work/list" || fail "-l: status $rc, $(head -3 "$work/list")"

# 20 MB in batches of 1 MiB at most: every line the same, so the result is known.
# Long lines with euro signs make batches that need the room retry, too.
python3 - "$work/big.1251" <<'PY'
import sys
line = "Съешь же ещё этих мягких французских булок € ".encode("cp1251") * 40 + b"\n"
with open(sys.argv[1], "wb") as f:
    f.write(line * (20_000_000 // len(line)))
    f.write(b"\x88" * 3_000_000 + b"\n")
PY
conv -f cp1251 -t utf-8 "$work/big.1251" -o "$work/big.utf8"; rc=$?
python3 - "$work/big.1251" "$work/big.utf8" <<'PY' || fail "20 MB: status $rc"
import sys
source, result = (open(p, "rb").read() for p in sys.argv[1:])
sys.exit(0 if result == source.decode("cp1251").encode("utf-8") else 1)
PY
# The trace shows the batches: one call each, none over 1 MiB but the calls with
# room added (up to twice as long).
conv --trace -f cp1251 -t utf-8 "$work/big.1251" -o "$work/big.utf8" | tr -d '\r' | sed -n 's/^nLen= //p' >"$work/lengths"
batches=$(awk '$1 <= 1048576' "$work/lengths" | wc -l)
longest=$(sort -n "$work/lengths" | tail -1)
[ "$batches" -ge 20 ] && [ "$longest" -le 2097152 ] || fail "20 MB batches: $batches calls, longest $longest"

conv --help >"$work/help.txt"; rc=$?
[ $rc = 0 ] && grep -q '^       cpconv \[--trace\] \[-o FILE\] FROM TO \[TEXT\]' "$work/help.txt" || fail "--help: status $rc"

# Bad use: status 2, one line on standard error, nothing on standard output.
expect_error() {
  pattern=$1
  shift
  conv "$@" >"$work/stdout" 2>"$work/stderr" <"$work/help.txt"
  rc=$?
  [ $rc = "${expected_status:-2}" ] || fail "$*: status $rc"
  [ "$(grep -c . "$work/stderr")" = 1 ] || fail "$*: stderr is not one line: $(cat "$work/stderr")"
  grep -q -- "$pattern" "$work/stderr" || fail "$*: message '$(cat "$work/stderr")' lacks '$pattern'"
  [ ! -s "$work/stdout" ] || fail "$*: wrote to stdout"
}
expected_status=1
expect_error "unknown code page 'abc'" abc 866 x
expect_error "unknown code page '866x'" 1251 866x x
expect_error "unknown code page '99999999999'" 99999999999 866 x
expected_status=2
expect_error "-f and -t go together" -f 1251 x
expect_error "-t needs a value" -f 1251 -t
expect_error "cannot read '$work/none'" -f 1251 -t 866 "$work/none"
expect_error "unknown option '-x'" -x 1251 866 x
expect_error "expected FROM TO" 1251
expect_error "expected FROM TO" 1251 866 a b
expect_error "-o needs a value" 1251 866 x -o
expect_error "cannot write" -o "$work/no/such/dir/out" 1251 866 x

# Standard input that cannot be read.
conv 1251 866 >"$work/stdout" 2>"$work/stderr" <&-
rc=$?
[ $rc = 2 ] && grep -q "cannot read standard input" "$work/stderr" || fail "closed stdin: status $rc, $(cat "$work/stderr")"

# A library that cannot be loaded: the program alone in a directory, run from
# there (Windows also looks in the current directory).
mkdir "$work/alone"
cp "$cpconv" "$work/alone/"
cpconv="$work/alone/$(basename "$cpconv")"
cd "$work/alone" || exit 1
expect_error "cannot load" 1251 866 x

[ $status = 0 ] && echo "cpconv behaves as expected"
exit $status
