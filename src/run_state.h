// The state one run of ljrun shares between its steps.
#ifndef LJRUN_RUN_STATE_H_
#define LJRUN_RUN_STATE_H_

#include <cstdint>
#include <lua.hpp>
#include <memory>
#include <new>
#include <string>

namespace ljrun {

struct LuaClose {
  void operator()(lua_State* L) const { lua_close(L); }
};

struct RunState {
  // The interpreter, closed when reset or when the state goes away.
  std::unique_ptr<lua_State, LuaClose> L;
  // 1 when the script file is LuaJIT bytecode, which the library loads by path.
  int bin_mode = 0;
  // The script text, for a script that arrived as text.
  std::string buf;
  // The file intake reads a text file through this, one line or 511-byte
  // piece of a longer line at a time.
  char LineStr[512] = {};
};

// Makes room in st.buf for the `bytes` a file reports it holds, when memory
// allows: a hint, since the text may be shorter and grows as it must anyway.
inline void reserve_text(RunState& st, std::uint64_t bytes) {
  if (bytes > st.buf.max_size() - st.buf.size()) return;
  try {
    st.buf.reserve(st.buf.size() + static_cast<std::size_t>(bytes));
  } catch (const std::bad_alloc&) {
  }
}

}  // namespace ljrun

#endif  // LJRUN_RUN_STATE_H_
