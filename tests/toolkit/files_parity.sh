#!/bin/sh
# Makes one fixture tree and runs the FileExists probe of both builds over it
# through compare_builds.sh.
#   files_parity.sh NATIVE_PROBE WIN32_PROBE_EXE WIN64_PROBE_EXE WINE_RUN PREFIX
set -u
native=$1 win32=$2 win64=$3 winerun=$4 prefix=$5
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
wintree="Z:$(printf '%s' "$tree" | tr / '\\')"
sh "$(dirname "$0")/../compare_builds.sh" "FileExists calls" "$winerun" "$prefix" "$work/results" \
  "$native" "$win32" "$win64" "$tree" "$wintree"
