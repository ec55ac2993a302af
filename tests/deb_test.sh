#!/bin/sh
# The Debian package depends on LuaJIT's runtime library package (not on the
# -dev one), and the ljrun it holds runs an example once unpacked.
set -eu
src=$1
build=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

(cd "$build" && cpack -G DEB -B "$out" > "$out/cpack.log") || { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
case "$depends" in
  *libluajit-5.1-dev*) echo "depends on the -dev package: $depends"; exit 1 ;;
  *libluajit-5.1-2*) ;;
  *) echo "does not depend on LuaJIT's runtime library: $depends"; exit 1 ;;
esac

dpkg -x "$deb" "$out/root"
test -f "$out/root/usr/share/man/man1/ljrun.1"
sh "$src/tests/run_example.sh" "$out/root/usr/bin/ljrun" "$src"
