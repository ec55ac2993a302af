#!/bin/sh
# The manual page renders with no warning from groff.
set -eu
src=$1
warnings=$(groff -man -Tutf8 -ww -z "$src/doc/ljrun.1" 2>&1)
if [ -n "$warnings" ]; then
  echo "$warnings"
  exit 1
fi
