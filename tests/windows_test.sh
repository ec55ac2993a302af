#!/bin/sh
# The Windows build in $2 (build-windows): ljrun.exe imports from lua51.dll
# exactly the functions in win/lua51.def, and otherwise only the Windows C
# runtime and KERNEL32 (no POSIX layer, no C++ runtime DLL), and carries the
# manifest that makes UTF-8 its code page; lua51.dll needs only the same two.
# The zip, unpacked into an empty folder, runs its example there under Wine
# ($3, with the prefix and server that tests/wine.sh started).
set -eu
src=$1
win=$2
wine=$3
objdump=x86_64-w64-mingw32-objdump

dlls() {
  $objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort | tr '\n' ' '
}
if [ "$(dlls "$win/ljrun.exe")" != "KERNEL32.dll lua51.dll msvcrt.dll " ]; then
  echo "ljrun.exe imports from: $(dlls "$win/ljrun.exe")"
  exit 1
fi
if [ "$(dlls "$win/lua51.dll")" != "KERNEL32.dll msvcrt.dll " ]; then
  echo "lua51.dll imports from: $(dlls "$win/lua51.dll")"
  exit 1
fi

lua=$($objdump -p "$win/ljrun.exe" |
  awk '/DLL Name:/ { in_lua = ($3 == "lua51.dll"); next }
       in_lua && NF == 3 && $1 ~ /^[0-9a-f]+$/ { print $3 }
       in_lua && NF == 0 { in_lua = 0 }' | sort | tr '\n' ' ')
want=$(sed -n 's/^  \([A-Za-z_]*\)$/\1/p' "$src/win/lua51.def" | sort | tr '\n' ' ')
if [ "$lua" != "$want" ]; then
  echo "from lua51.dll ljrun.exe imports: $lua"
  echo "win/lua51.def lists:              $want"
  exit 1
fi

if ! grep -q '<activeCodePage[^>]*>UTF-8</activeCodePage>' "$win/ljrun.exe"; then
  echo "ljrun.exe has no manifest that makes UTF-8 its code page"
  exit 1
fi

# The bundle, as a user gets it.
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
zip=$(ls "$win"/ljrun-*-win64.zip)
(cd "$dir" && cmake -E tar xf "$zip")
bundle=$(ls -d "$dir"/ljrun-*-win64)
files=$(cd "$bundle" && ls | tr '\n' ' ')
if [ "$files" != "COPYRIGHT README.txt hello.lua ljrun.exe lua51.dll " ]; then
  echo "the zip holds: $files"
  exit 1
fi
if ! grep -q "$(printf 'ljrun runs one Lua script.*\r$')" "$bundle/README.txt"; then
  echo "README.txt has no CR LF line ends"
  exit 1
fi
(cd "$bundle" && WINEDEBUG=-all "$wine" ljrun.exe hello.lua > "$dir/out" 2>&1 < /dev/null)
printf 'HELLO FROM LUA\r\nljrun reports 3 words' > "$dir/want"
if ! cmp -s "$dir/out" "$dir/want"; then
  echo "ljrun.exe from the zip printed:"
  od -c "$dir/out"
  exit 1
fi
if [ "$(cat "$bundle/tmp.lua")" != "$(sed 's/$/\r/' "$src/examples/hello.lua")" ]; then
  echo "tmp.lua is not the example with CR LF line ends"
  exit 1
fi
