#!/bin/sh
# Cross-compiles ljrun.exe with mingw-w64 and checks what it imports: from
# lua51.dll exactly the functions listed in win/lua51.def, and otherwise only
# the Windows C runtime and KERNEL32, no POSIX layer and no C++ runtime DLL.
# (No Windows LuaJIT is at hand to run it.)
set -eu
src=$1
build=$2/windows

cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64-x86_64.cmake" > "$build.log" 2>&1 &&
  cmake --build "$build" >> "$build.log" 2>&1 || { cat "$build.log"; exit 1; }

imports=$(x86_64-w64-mingw32-objdump -p "$build/ljrun.exe")
dlls=$(printf '%s\n' "$imports" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort | tr '\n' ' ')
if [ "$dlls" != "KERNEL32.dll lua51.dll msvcrt.dll " ]; then
  echo "ljrun.exe imports from: $dlls"
  exit 1
fi

lua=$(printf '%s\n' "$imports" |
  awk '/DLL Name:/ { in_lua = ($3 == "lua51.dll"); next }
       in_lua && NF == 3 && $1 ~ /^[0-9a-f]+$/ { print $3 }
       in_lua && NF == 0 { in_lua = 0 }' | sort | tr '\n' ' ')
want=$(sed -n 's/^  \([A-Za-z_]*\)$/\1/p' "$src/win/lua51.def" | sort | tr '\n' ' ')
if [ "$lua" != "$want" ]; then
  echo "from lua51.dll ljrun.exe imports: $lua"
  echo "win/lua51.def lists:              $want"
  exit 1
fi
