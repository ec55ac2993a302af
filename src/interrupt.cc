#include "interrupt.h"

namespace ljrun {

namespace {

// Runs at the script's next call, return or instruction; removes itself, so
// that a script that catches the error goes on.  The hook has no frame of its
// own, so level 0 is where the script was.
void raise_interrupted(lua_State* L, lua_Debug*) {
  lua_sethook(L, nullptr, 0, 0);
  luaL_where(L, 0);
  lua_pushliteral(L, "interrupted!");
  lua_concat(L, 2);
  lua_error(L);
}

}  // namespace

void stop_script(lua_State* L) {
  lua_sethook(L, raise_interrupted, LUA_MASKCALL | LUA_MASKRET | LUA_MASKCOUNT, 1);
}

}  // namespace ljrun
