#!/bin/sh
# Checks an install with the prefix /usr, unpacked under ROOT (a DESTDIR staging
# root or an unpacked .deb): the library in the multiarch folder with its SONAME
# and links, the header, the manual page covering every option of --help, no
# run path on cpconv, both pkg-config names, a C program built with pkg-config,
# cpconv converting through the installed library, and the links of the documents.
#   check_system_install.sh ROOT MULTIARCH PYTHON
set -u
root=$1 multiarch=$2 python=$3
here=$(cd "$(dirname "$0")" && pwd)
lib=$root/usr/lib/$multiarch
status=0
fail() { echo "FAIL: $*" >&2; status=1; }

for file in "$lib/libLotanconvertCP.so.1.0.0" usr/include/LotanconvertCP.h usr/share/man/man1/cpconv.1.gz \
    "$lib/pkgconfig/lotanconvertcp.pc" "$lib/pkgconfig/LotanconvertCP.pc" \
    "$lib/cmake/LotanconvertCP/LotanconvertCPConfig.cmake" usr/share/doc/LotanconvertCP/examples/load_time.c; do
  case "$file" in /*) ;; *) file=$root/$file ;; esac
  [ -f "$file" ] || fail "no ${file#"$root"/}"
done
[ "$(readlink "$lib/libLotanconvertCP.so.1")" = libLotanconvertCP.so.1.0.0 ] || fail "libLotanconvertCP.so.1 is not a link to the library"
[ "$(readlink "$lib/libLotanconvertCP.so")" = libLotanconvertCP.so.1 ] || fail "libLotanconvertCP.so is not a link to libLotanconvertCP.so.1"
soname=$(readelf -d "$lib/libLotanconvertCP.so.1.0.0" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[ "$soname" = libLotanconvertCP.so.1 ] || fail "SONAME: '$soname'"
paths=$(readelf -d "$root/usr/bin/cpconv" | grep -E '\((RUNPATH|RPATH)\)')
[ -z "$paths" ] || fail "usr/bin/cpconv has a run path: $paths"

# The installed library, found the way a system's loader is told of a new folder.
export LD_LIBRARY_PATH="$lib"
got=$("$root/usr/bin/cpconv" -o "$root.out" 1251 65001 "$(printf '\317\360\350\342\345\362')" >/dev/null 2>&1 &&
      od -An -tx1 "$root.out" | tr -s ' \n' '  ' | sed 's/^ //; s/ $//')
rm -f "$root.out"
[ "$got" = "d0 9f d1 80 d0 b8 d0 b2 d0 b5 d1 82" ] || fail "cpconv from the install: '$got'"
if "$root/usr/bin/cpconv" --help | grep -q -- '--version'; then
  "$root/usr/bin/cpconv" --version | grep -q '1\.0\.0' || fail "cpconv --version does not name 1.0.0"
fi

# Every option that --help lists is in the manual page.
manual=$(gzip -dc "$root/usr/share/man/man1/cpconv.1.gz" | sed 's/\\-/-/g')
# Option lines begin with blanks and a dash; each spelling before the text counts.
options=$("$root/usr/bin/cpconv" --help | sed -n 's/^ \{2,\}\(-[^ ,]*\(, -[^ ]*\)\{0,1\}\).*/\1/p' |
          tr ',' '\n' | sed 's/=.*//; s/ //g')
[ -n "$options" ] || fail "no options found in cpconv --help"
for option in $options; do
  printf '%s\n' "$manual" | grep -q -- "$option" || fail "cpconv.1 does not describe $option"
done

for module in lotanconvertcp LotanconvertCP; do
  flags=$(PKG_CONFIG_PATH="$lib/pkgconfig" pkg-config --cflags --libs "$module") || { fail "pkg-config $module"; continue; }
  cc -Wall -Wextra -Werror -o "$root.load_time" "$root/usr/share/doc/LotanconvertCP/examples/load_time.c" $flags ||
    fail "load_time.c does not build with pkg-config $module"
  "$root.load_time" | grep -q '^CONVERT returned 1; 6 bytes: 8F E0 A8 A2 A5 E2$' || fail "load_time built with pkg-config $module"
  rm -f "$root.load_time"
done

"$python" "$here/markdown_links.py" "$root/usr/share/doc/LotanconvertCP" || fail "links of the installed documents"
exit $status
