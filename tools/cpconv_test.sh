#!/bin/sh
# Command-line checks of cpconv: results on standard output and in a file, help,
# and exit status 2 with a one-line message for each kind of bad use.
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

# TEXT on the command line: the trace, then the result.
got=$(conv 1251 866 abc | hex)
[ "$got" = "$trace_abc 61 62 63" ] || fail "abc: $got"

# The same with standard output redirected to a file rather than a pipe.
conv 1251 866 abc >"$work/abc.out"
got=$(hex <"$work/abc.out")
[ "$got" = "$trace_abc 61 62 63" ] || fail "abc to a file: $got"

# Standard input, result to standard output after the trace.
got=$(printf '\304\340' | conv 1251 866 | hex)
case "$got" in
  *"73 74 72 4f 75 74 3d 84 a0 0d 0a 84 a0") ;;
  *) fail "stdin to stdout: $got" ;;
esac

# -o FILE: the file holds only the result; standard output only the trace.
got=$(printf '\304\340' | conv -o "$work/out.bin" 1251 65001 | hex)
case "$got" in
  *"6e 52 65 74 3d 20 34 0d 0a 73 74 72 4f 75 74 3d d0 94 d0 b0 0d 0a") ;;
  *) fail "-o trace: $got" ;;
esac
got=$(hex <"$work/out.bin")
[ "$got" = "d0 94 d0 b0" ] || fail "-o file: $got"

# Bytes are not translated on the way in or out.
got=$(printf 'a\r\nb\032c' | conv -o "$work/raw.bin" 1252 1252 >/dev/null; hex <"$work/raw.bin")
[ "$got" = "61 0d 0a 62 1a 63" ] || fail "binary streams: $got"

# A failed conversion gives an empty result and success.
conv -o "$work/empty.bin" 12345 866 abc >/dev/null; rc=$?
[ $rc = 0 ] && [ ! -s "$work/empty.bin" ] || fail "unknown code page: status $rc"

conv --help >"$work/help.txt"; rc=$?
[ $rc = 0 ] && grep -q '^usage: cpconv \[-o FILE\] FROM TO \[TEXT\]' "$work/help.txt" || fail "--help: status $rc"

# Bad use: status 2, one line on standard error, nothing on standard output.
expect_error() {
  pattern=$1
  shift
  conv "$@" >"$work/stdout" 2>"$work/stderr" <"$work/help.txt"
  rc=$?
  [ $rc = 2 ] || fail "$*: status $rc"
  [ "$(grep -c . "$work/stderr")" = 1 ] || fail "$*: stderr is not one line: $(cat "$work/stderr")"
  grep -q -- "$pattern" "$work/stderr" || fail "$*: message '$(cat "$work/stderr")' lacks '$pattern'"
  [ ! -s "$work/stdout" ] || fail "$*: wrote to stdout"
}
expect_error "not a code page number: 'abc'" abc 866 x
expect_error "not a code page number: '866x'" 1251 866x x
expect_error "not a code page number: '99999999999'" 99999999999 866 x
expect_error "unknown option '-x'" -x 1251 866 x
expect_error "expected FROM TO" 1251
expect_error "expected FROM TO" 1251 866 a b
expect_error "-o needs a file name" 1251 866 x -o
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
