#!/bin/sh
# Sets up a Debian machine for ljrun, builds it, and runs it or its tests.
#
#   ./dev.sh run    build and run ljrun on examples/hello.lua
#   ./dev.sh test   build and run the whole test suite
#   ./dev.sh bench  build and time ljrun against the luajit command
#
# Debian packages that are missing are installed first (as root, or with sudo).
set -eu
cd "$(dirname "$0")"

packages="cmake ninja-build g++ pkg-config libluajit-5.1-dev libgtest-dev luajit"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $missing
fi

cmake -S . -B build -G Ninja
cmake --build build

case "${1:-}" in
  run) ./build/ljrun examples/hello.lua && echo ;;
  test) ctest --test-dir build --output-on-failure -j 2 ;;
  bench) ./build/ljrun_bench ;;
  *) echo "usage: ./dev.sh run|test|bench" >&2; exit 2 ;;
esac
