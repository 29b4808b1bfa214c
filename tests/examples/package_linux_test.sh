#!/bin/sh
# Checks the Linux packages of ./build.sh package: the tar.gz unpacked into an
# empty folder runs from there (cpconv finds the library through its run path;
# pkg-config finds the rest relative to itself) and its documents' links hold;
# the .deb has the fields a package manager needs and, unpacked with dpkg -x,
# is a correct /usr install (check_system_install.sh). Exit status 77 (skipped)
# when the packages have not been made.
#   package_linux_test.sh TGZ DEB MULTIARCH PYTHON
set -u
tgz=$1 deb=$2 multiarch=$3 python=$4
if [ ! -f "$tgz" ] || [ ! -f "$deb" ]; then
  echo "no packages at $tgz and $deb (made by ./build.sh package): skipped"
  exit 77
fi
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*" >&2; status=1; }

mkdir "$work/tgz"
tar -xzf "$tgz" -C "$work/tgz" || { echo "FAIL: cannot unpack $tgz" >&2; exit 1; }
top=$work/tgz/$(basename "$tgz" .tar.gz)
for file in bin/cpconv lib/libLotanconvertCP.so.1.0.0 lib/pkgconfig/lotanconvertcp.pc include/LotanconvertCP.h \
    share/man/man1/cpconv.1.gz share/doc/LotanconvertCP/README.md share/doc/LotanconvertCP/docs/USAGE.md; do
  [ -e "$top/$file" ] || fail "the tar.gz has no $file"
done
cd "$work"
got=$(env -u LD_LIBRARY_PATH "$top/bin/cpconv" -o result 1251 866 "$(printf '\317\360\350\342\345\362')" >/dev/null &&
      od -An -tx1 result | tr -s ' \n' '  ' | sed 's/^ //; s/ $//')
[ "$got" = "8f e0 a8 a2 a5 e2" ] || fail "cpconv from the unpacked tar.gz: '$got'"
flags=$(PKG_CONFIG_PATH="$top/lib/pkgconfig" pkg-config --cflags --libs lotanconvertcp | sed 's/ *$//') &&
  [ "$flags" = "-I$top/lib/pkgconfig/../../include -L$top/lib/pkgconfig/../../lib -lLotanconvertCP" ] ||
  fail "pkg-config in the unpacked tar.gz: '$flags'"
"$python" "$here/markdown_links.py" "$top/share/doc/LotanconvertCP" || fail "links of the tar.gz's documents"

fields=$(dpkg-deb -f "$deb" Package Version Architecture Section Depends) || { echo "FAIL: dpkg-deb cannot read $deb" >&2; exit 1; }
expect_field() { printf '%s\n' "$fields" | grep -Eq "^$1\$" || fail "the .deb has no '$1': $fields"; }
expect_field 'Package: lotanconvertcp'
expect_field 'Version: 1\.0\.0'
expect_field "Architecture: $(dpkg --print-architecture)"
expect_field 'Section: libs'
expect_field 'Depends: .*libc6 \(>= [0-9.]+\).*'
dpkg-deb -I "$deb" shlibs | grep -Eq '^libLotanconvertCP 1 lotanconvertcp \(>= 1\.0\.0\)$' ||
  fail "shlibs: $(dpkg-deb -I "$deb" shlibs)"
dpkg-deb -I "$deb" postinst | grep -q 'ldconfig' || fail "the .deb does not run ldconfig after installing"
mkdir "$work/deb"
dpkg -x "$deb" "$work/deb" || { echo "FAIL: dpkg -x $deb" >&2; exit 1; }
sh "$here/check_system_install.sh" "$work/deb" "$multiarch" "$python" || status=1
exit $status
