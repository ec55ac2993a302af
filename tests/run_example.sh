#!/bin/sh
# Runs the ljrun at $1 on examples/hello.lua of the sources at $2, in a
# scratch directory, and checks what it prints.
set -eu
ljrun=$1
src=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
got=$(cd "$dir" && "$ljrun" "$src/examples/hello.lua")
want="HELLO FROM LUA
ljrun reports 3 words"
if [ "$got" != "$want" ]; then
  echo "$ljrun printed: $got"
  exit 1
fi
