// A C module for the tests, built against LuaJIT's headers alone and linked
// with no Lua library: loaded by `require`, it finds the Lua API in the
// program that loads it, as Debian's Lua modules do.

#include <lua.hpp>

namespace {

int greet(lua_State* L) {
  lua_pushfstring(L, "hello, %s", luaL_checkstring(L, 1));
  return 1;
}

int add(lua_State* L) {
  lua_pushnumber(L, luaL_checknumber(L, 1) + luaL_checknumber(L, 2));
  return 1;
}

// Raises an error from C, which unwinds through this module's own frames.
int fail(lua_State* L) { return luaL_error(L, "module says %s", luaL_checkstring(L, 1)); }

const luaL_Reg kFunctions[] = {{"greet", greet}, {"add", add}, {"fail", fail}, {nullptr, nullptr}};

}  // namespace

extern "C" int luaopen_ljrun_test_module(lua_State* L) {
  luaL_register(L, "ljrun_test_module", kFunctions);
  return 1;
}
