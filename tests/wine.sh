#!/bin/sh
# Starts or stops the Wine that the tests run the Windows build under: a
# prefix of the build's own, made once, and one wineserver kept running for
# the length of the run, so that a case costs tens of milliseconds rather
# than seconds.
#
#   tests/wine.sh start|stop PREFIX
set -eu
export WINEPREFIX="$2" WINEDEBUG=-all
server=/usr/lib/wine/wineserver64

case "$1" in
  start)
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      mkdir -p "$(dirname "$WINEPREFIX")"
      /usr/lib/wine/wine64 wineboot --init > "$WINEPREFIX.log" 2>&1 ||
        { cat "$WINEPREFIX.log"; exit 1; }
    fi
    "$server" -k 2> /dev/null || true
    # The output of the server, and of the services that the first program
    # starts, is not the test's: CTest, or a test that reads a program's
    # output, would wait for them to close it.
    "$server" -p < /dev/null > /dev/null 2>&1
    /usr/lib/wine/wine64 cmd.exe /c exit < /dev/null > /dev/null 2>&1
    ;;
  stop)
    "$server" -k 2> /dev/null || true
    ;;
esac
