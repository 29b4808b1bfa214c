#!/usr/bin/env bash
# Entry point for people and CI: installs what is missing, then builds and runs.
#   ./build.sh demo   convert a sample through the real DLL under Wine, then on Linux
#   ./build.sh test   configure, build and run every test of both builds
set -euo pipefail
cd "$(dirname "$0")"

# Debian packages the builds and tests need, by the command or file that shows
# each one is there.
declare -A NEEDED=(
  [cmake]=/usr/bin/cmake
  [g++]=/usr/bin/g++
  [googletest]=/usr/src/googletest/CMakeLists.txt
  [libgtest-dev]=/usr/include/gtest/gtest.h
  [libgmock-dev]=/usr/include/gmock/gmock.h
  [g++-mingw-w64-i686]=/usr/bin/i686-w64-mingw32-g++-posix
  [mingw-w64-i686-dev]=/usr/i686-w64-mingw32/include/windows.h
  [wine]=/usr/bin/wine
  [wine32:i386]=/usr/lib/wine/i386-windows/kernel32.dll
  [bsdutils]=/usr/bin/script
  [python3]=/usr/bin/python3
)

install_missing() {
  local missing=()
  for package in "${!NEEDED[@]}"; do
    [[ -e "${NEEDED[$package]}" ]] || missing+=("$package")
  done
  ((${#missing[@]} == 0)) && return 0
  if [[ $(id -u) -ne 0 ]]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Install them with:" >&2
    echo "  sudo dpkg --add-architecture i386 && sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  dpkg --add-architecture i386
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

configure_and_build() {
  local preset=$1
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
}

end_wine() {
  WINEPREFIX="$PWD/build/win32/wineprefix" wineserver -w 2>/dev/null || true
}

run_tests() {
  configure_and_build native
  ctest --preset native
  configure_and_build win32
  local status=0
  ctest --preset win32 || status=$?
  end_wine
  return $status
}

run_demo() {
  configure_and_build win32
  local dll=build/win32/src/library/LotanconvertCP.dll
  if [[ ! -f $dll ]]; then
    echo "The DLL is not built yet ($dll is missing): nothing to demonstrate." >&2
    exit 1
  fi
  exec tools/demo.sh
}

command=${1:-}
case "$command" in
  test) install_missing; run_tests ;;
  demo) install_missing; run_demo ;;
  *)
    echo "usage: $0 demo|test" >&2
    exit 2
    ;;
esac
