#include "runner.h"

#include <cstring>

namespace ljrun {

bool open_interpreter(RunState& st) {
  st.L.reset(luaL_newstate());
  if (!st.L) return false;
  luaL_openlibs(st.L.get());
  return true;
}

void docall(RunState& st, const char* path) {
  lua_State* L = st.L.get();
  int status = st.bin_mode ? luaL_loadfile(L, path) : luaL_loadstring(L, st.buf.c_str());
  if (status == 0) lua_pcall(L, 0, LUA_MULTRET, 0);
}

void report(lua_State* L, std::FILE* out) {
  if (lua_gettop(L) == 0) return;
  const char* text = lua_tolstring(L, -1, nullptr);
  if (text) std::fwrite(text, 1, std::strlen(text), out);
}

}  // namespace ljrun
