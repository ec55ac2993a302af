#!/bin/sh
# cmake --install puts ljrun in bin/ and its manual page in share/man/man1/,
# and nothing else; the installed ljrun runs an example.
set -eu
src=$1
build=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

cmake --install "$build" --prefix "$root/usr" > /dev/null
files=$(cd "$root" && find . -type f | sort | tr '\n' ' ')
if [ "$files" != "./usr/bin/ljrun ./usr/share/man/man1/ljrun.1 " ]; then
  echo "installed: $files"
  exit 1
fi

sh "$src/tests/run_example.sh" "$root/usr/bin/ljrun" "$src"
