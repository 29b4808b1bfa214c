#!/bin/sh
# Makes one fixture tree, runs the FileExists probe of the Linux build and the
# probe of the Windows build under Wine over it, and fails on any difference.
# Exits 77 (skipped) when the Windows probe or Wine is not there.
#   files_parity.sh NATIVE_PROBE WIN32_PROBE_EXE WINE_RUN PREFIX
set -u
native=$1 win32=$2 winerun=$3 prefix=$4
if [ ! -f "$win32" ]; then
  echo "skipped: no Windows probe at $win32 (build the win32 preset first, or set LOTAN_WIN32_FILES_PROBE)"
  exit 77
fi
if ! command -v wine >/dev/null 2>&1; then
  echo "skipped: wine is not installed"
  exit 77
fi
work=$(mktemp -d /tmp/lotan-files-parity.XXXXXX) || exit 1
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
tree=$work/tree
mkdir -p "$tree/.hiddendir" "$tree/dir/sub" "$tree/onlydirs/a" "$tree/onlydirs/b" "$tree/set/e" "$tree/rodir" || exit 1
for f in plain.txt readonly.txt groupwrite.txt .hidden noext dir/inner.txt set/a.txt set/b.txt set/c.dat set/.d \
    rodir/inside.txt; do
  echo "$f" >"$tree/$f"
done
: >"$tree/empty.txt"
chmod 444 "$tree/readonly.txt"
chmod 464 "$tree/groupwrite.txt"
chmod 555 "$tree/rodir"
ln -s dir "$tree/link-to-dir"
ln -s plain.txt "$tree/link-to-file"
"$native" "$tree" "$work/native.txt" || { echo "the Linux probe failed"; exit 1; }
wintree="Z:$(printf '%s' "$tree" | tr / '\\')"
"$winerun" --prefix="$prefix" "$win32" "$wintree" "$work/win32.txt" || { echo "the Windows probe failed under Wine"; exit 1; }
if cmp -s "$work/native.txt" "$work/win32.txt"; then
  echo "the builds agree on all $(wc -l <"$work/native.txt") FileExists calls"
  exit 0
fi
echo "the builds differ (< Linux, > Windows under Wine):"
diff "$work/native.txt" "$work/win32.txt"
exit 1
