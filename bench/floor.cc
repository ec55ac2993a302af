// ljrun_floor: the least work a runner built like ljrun must do, for the
// benchmark to measure ljrun against.  It reads the whole script in one
// read, loads it as a string, runs it, prints the top value and writes the
// copy through a temporary file, with none of ljrun's care for odd input.
// Bytecode ("LJ" as its second and third bytes) is loaded from what was read,
// and no copy is made of it.
//
//   ljrun_floor FILE   the file mode
//   ljrun_floor        the console mode: standard input up to a last "END"
//                      line, echoed

#include <cstdio>
#include <cstring>
#include <lua.hpp>
#include <string>

int main(int argc, char** argv) {
  std::string text;
  std::FILE* in = argc > 1 ? std::fopen(argv[1], "rb") : stdin;
  if (!in) return 1;
  std::fseek(in, 0, SEEK_END);
  long size = std::ftell(in);
  std::rewind(in);
  text.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
  text.resize(std::fread(text.data(), 1, text.size(), in));
  if (argc < 2) {
    if (text.ends_with("END\n")) text.resize(text.size() - 4);
    std::puts("input string");
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::putchar('\n');
  }

  const bool bytecode = text.size() >= 3 && text[1] == 'L' && text[2] == 'J';
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  int status = bytecode ? luaL_loadbuffer(L, text.data(), text.size(), argv[1])
                        : luaL_loadstring(L, text.c_str());
  if (status == 0) lua_pcall(L, 0, LUA_MULTRET, 0);
  if (const char* s = lua_gettop(L) ? lua_tostring(L, -1) : nullptr) std::fputs(s, stdout);
  lua_close(L);
  if (bytecode) return 0;

  std::FILE* copy = std::fopen("tmp.lua.floor", "w");
  std::fwrite(text.data(), 1, text.size(), copy);
  std::fclose(copy);
  std::rename("tmp.lua.floor", "tmp.lua");
  return 0;
}
