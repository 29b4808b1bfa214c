#!/bin/sh
# Configures and builds the source tree as a packager does, with no preset:
# plain cmake, the prefix /usr and no tests; installs it into a staging root
# with DESTDIR and checks the result with check_system_install.sh.
#   plain_build_test.sh SOURCE WORK MULTIARCH PYTHON
set -u
source=$1 work=$2/plain-build multiarch=$3 python=$4
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work" "$work.stage"
if ! cmake -S "$source" -B "$work" -DBUILD_TESTING=OFF -DCMAKE_INSTALL_PREFIX=/usr >"$work.log" 2>&1 ||
   ! cmake --build "$work" -j2 >>"$work.log" 2>&1 ||
   ! DESTDIR="$work.stage" cmake --install "$work" >>"$work.log" 2>&1; then
  cat "$work.log" >&2
  echo "FAIL: the tree does not configure, build and install without a preset" >&2
  exit 1
fi
sh "$here/check_system_install.sh" "$work.stage" "$multiarch" "$python"
