#!/bin/sh
# Builds examples/ as a separate project against the installed package (prefix
# WORK/prefix) through find_package, then runs the load-time and the run-time
# C example and the host that silences the trace, and compares their output with
# the expected bytes.
#   examples_test.sh WORK EXAMPLES TOOLCHAIN|- [EMULATOR...]
set -u
work=$1 examples=$2 toolchain=$3
shift 3
here=$(dirname "$0")
. "$here/expected.sh"
status=0
rm -rf "$work/consumer"
if [ "$toolchain" = - ]; then
  configure() {
    cmake -S "$examples" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$work/prefix" -DCMAKE_C_FLAGS=-Werror
  }
else
  # The cross toolchain confines find_package to its own root; the package
  # folder is named directly. Programs are linked statically, as the product's are.
  configure() {
    cmake -S "$examples" -B "$work/consumer" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DLotanconvertCP_DIR="$work/prefix/lib/cmake/LotanconvertCP" \
      -DCMAKE_EXE_LINKER_FLAGS=-static -DCMAKE_C_FLAGS=-Werror
  }
fi
if ! configure >"$work/configure.log" 2>&1 || ! cmake --build "$work/consumer" >"$work/build.log" 2>&1; then
  cat "$work/configure.log" "$work/build.log" >&2
  echo "FAIL: the examples do not build against the installed package" >&2
  exit 1
fi
# Windows finds the DLL beside the program, where the project copies it; on
# Linux the run-time host is told the installed library's path.
if [ -f "$work/consumer/load_time.exe" ]; then
  exe=.exe library=
else
  exe= library=$work/prefix/lib/libLotanconvertCP.so
fi

# A host that cannot run this build's programs skips the rest (status 77).
if [ $# -gt 0 ]; then
  "$@" --check "$work/consumer/load_time$exe" || exit $?
fi

{ trace_866; printf 'CONVERT returned 1; 6 bytes: 8F E0 A8 A2 A5 E2\n'; } >"$work/load_time.expected"
{ trace_utf8; printf 'UTF-8, 12 bytes: D0 9F D1 80 D0 B8 D0 B2 D0 B5 D1 82\n'; } >"$work/run_time.expected"
check load_time "$work/load_time.expected" "$@" "$work/consumer/load_time$exe"
check run_time "$work/run_time.expected" "$@" "$work/consumer/run_time$exe" $library
printf 'silent, 6 bytes: 8F E0 A8 A2 A5 E2\n' >"$work/quiet.expected"
check quiet "$work/quiet.expected" "$@" "$work/consumer/quiet$exe"

# The pkg-config file of the Linux package, for builds without CMake.
if [ -z "$exe" ]; then
  if command -v pkg-config >/dev/null; then
    flags=$(PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig" pkg-config --cflags --libs LotanconvertCP) &&
      cc -Wall -Wextra -Werror -o "$work/consumer/load_time_pc" "$examples/load_time.c" $flags ||
      { echo "FAIL: load_time.c does not build with the pkg-config file" >&2; status=1; }
    check load_time_pc "$work/load_time.expected" env LD_LIBRARY_PATH="$work/prefix/lib" "$work/consumer/load_time_pc"
  else
    echo "pkg-config is not installed: LotanconvertCP.pc not checked"
  fi
fi

# The run-time host reports a library it cannot load, with its own exit status.
if "$@" "$work/consumer/run_time$exe" "$work/consumer/no-such-library" >/dev/null 2>"$work/missing.err"; then
  echo "FAIL: run_time succeeded without a library" >&2
  status=1
elif ! grep -q 'cannot load' "$work/missing.err"; then
  echo "FAIL: run_time without a library: $(cat "$work/missing.err")" >&2
  status=1
fi
exit $status
