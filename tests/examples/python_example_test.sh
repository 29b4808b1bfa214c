#!/bin/sh
# Runs examples/convert.py (ctypes) against the installed Linux library and
# compares its output with the trace and the UTF-8 result.
#   python_example_test.sh PYTHON CONVERT_PY LIBRARY
set -u
python=$1 script=$2 library=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/expected.sh"
status=0
{ trace_utf8; printf '\320\237\321\200\320\270\320\262\320\265\321\202\n'; } >"$work/expected"
export PYTHONIOENCODING=utf-8
check convert.py "$work/expected" "$python" "$script" "$library"
exit $status
