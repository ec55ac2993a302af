#!/bin/sh
# The Debian package depends on what ljrun links as shared libraries: the C
# library, and LuaJIT's runtime library (never the -dev package) when LuaJIT
# is linked as one ($3 is "shared" or "static").  The ljrun it holds runs an
# example once unpacked.
set -eu
src=$1
build=$2
luajit_link=$3
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

(cd "$build" && cpack -G DEB -B "$out" > "$out/cpack.log") || { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
packages=$(printf '%s\n' "$depends" | tr ',' '\n' | sed 's/ *([^)]*)//g; s/^ *//' | sort | tr '\n' ' ')
case "$luajit_link" in
  static) want="libc6 " ;;
  shared) want="libc6 libluajit-5.1-2 | libluajit2-5.1-2 " ;;
esac
if [ "$packages" != "$want" ]; then
  echo "Depends: $depends"
  echo "want the packages: $want"
  exit 1
fi

dpkg -x "$deb" "$out/root"
test -f "$out/root/usr/share/man/man1/ljrun.1"
sh "$src/tests/run_example.sh" "$out/root/usr/bin/ljrun" "$src"
