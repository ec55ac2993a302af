#!/bin/sh
# Cross-builds lua51.dll for 64-bit Windows from the source of the LuaJIT
# whose headers the build uses: Debian's source package luajit, at the
# version of the installed libluajit-5.1-dev, with Debian's patches.
#
#   win/build-lua51.sh DIR    leaves DIR/src/src/lua51.dll and DIR/src/COPYRIGHT
#
# apt reads a deb-src list of this build's own under DIR, so the machine's apt
# configuration is not changed; apt checks the archive's signature and the
# files' checksums.
set -eu
dir=$1
rm -rf "$dir"
mkdir -p "$dir/apt/lists/partial" "$dir/apt/parts" "$dir/apt/cache/archives/partial" "$dir/get"

version=$(dpkg-query -W -f='${source:Version}' libluajit-5.1-dev)
. /etc/os-release
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
cat > "$dir/apt/sources.list" <<LIST
deb-src [signed-by=$keyring] http://deb.debian.org/debian $VERSION_CODENAME main
deb-src [signed-by=$keyring] http://deb.debian.org/debian $VERSION_CODENAME-updates main
deb-src [signed-by=$keyring] http://deb.debian.org/debian-security $VERSION_CODENAME-security main
LIST
set -- -o Dir::Etc::SourceList="$dir/apt/sources.list" -o Dir::Etc::SourceParts="$dir/apt/parts" \
  -o Dir::State::Lists="$dir/apt/lists" -o Dir::Cache="$dir/apt/cache" -q
apt-get "$@" update
(cd "$dir/get" && apt-get "$@" source --download-only "luajit=$version")
dpkg-source -x "$dir/get"/luajit_*.dsc "$dir/src"

make -C "$dir/src" -j2 amalg HOST_CC=gcc CROSS=x86_64-w64-mingw32- CC=gcc-win32 \
  TARGET_SYS=Windows
