#!/bin/sh
# Sets up a Debian machine for ljrun, builds it, and runs it or its checks.
#
#   ./dev.sh run            build and run ljrun on examples/hello.lua
#   ./dev.sh test           build and run the whole test suite: the tests, the
#                           tests under valgrind, the Windows build under Wine,
#                           the tests under the sanitizers (with LuaJIT linked
#                           as a shared library), and a one-minute fuzzing run
#   ./dev.sh bench          build and time ljrun against the luajit command
#   ./dev.sh fuzz [SECONDS] fuzz the intakes for longer (default 600 s)
#   ./dev.sh deb            build the Debian package into build/
#   ./dev.sh windows        cross-compile build-windows/ljrun.exe, build lua51.dll
#                           from LuaJIT's source, and make the zip to download
#
# Debian packages that are missing are installed first (as root, or with sudo).
set -eu
cd "$(dirname "$0")"

# Installs the Debian packages among "$@" that are not installed yet.
need() {
  missing=""
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
  done
  [ -n "$missing" ] || return 0
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $missing
}

build_packages="cmake ninja-build g++ pkg-config libluajit-5.1-dev libgtest-dev"
check_packages="luajit lua-cjson valgrind clang libclang-rt-dev groff-base dpkg-dev file tmux wine64"
windows_packages="libluajit-5.1-dev g++-mingw-w64-x86-64-win32 cmake ninja-build gcc make dpkg-dev"

# Configures and builds the tree `dir` with the CMake options that follow.
build() {
  dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@"
  cmake --build "$dir"
}

fuzz() {
  build build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DLJRUN_FUZZ=ON -DLJRUN_SANITIZE=ON \
    -DLJRUN_TESTS=OFF
  mkdir -p build-fuzz/corpus
  ./build-fuzz/intake_fuzzer -max_total_time="$1" -timeout=10 -print_final_stats=1 \
    -artifact_prefix=build-fuzz/ build-fuzz/corpus fuzz/corpus
}

# Cross-builds build-windows/: ljrun.exe, lua51.dll from LuaJIT's source, and
# the zip that holds them.
windows() {
  build build-windows -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
  (cd build-windows && cpack -G ZIP > cpack.log) || { cat build-windows/cpack.log; exit 1; }
}

case "${1:-}" in
  run)
    need $build_packages
    build build
    ./build/ljrun examples/hello.lua && echo
    ;;
  test)
    need $build_packages $check_packages $windows_packages
    windows
    build build -DLJRUN_WINDOWS_BUILD="$PWD/build-windows"
    ctest --test-dir build --output-on-failure -j 2
    # The sanitizer build links LuaJIT as a shared library, so that the suite
    # runs in both of the ways LuaJIT can be linked.
    build build-asan -DLJRUN_SANITIZE=ON -DLJRUN_SHARED_LUAJIT=ON
    ctest --test-dir build-asan --output-on-failure -j 2
    fuzz 60
    ;;
  bench)
    need $build_packages luajit
    build build
    ./build/ljrun_bench
    ;;
  fuzz)
    need $build_packages clang libclang-rt-dev
    fuzz "${2:-600}"
    ;;
  deb)
    need $build_packages dpkg-dev file
    build build
    (cd build && cpack -G DEB)
    ;;
  windows)
    need $windows_packages
    windows
    ;;
  *)
    echo "usage: ./dev.sh run|test|bench|fuzz [SECONDS]|deb|windows" >&2
    exit 2
    ;;
esac
