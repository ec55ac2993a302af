// Taking the script from a file: LuaJIT bytecode or Lua source text.
#ifndef LJRUN_FILE_INTAKE_H_
#define LJRUN_FILE_INTAKE_H_

#include <cstdio>
#include <string_view>

#include "run_state.h"

namespace ljrun {

// True when the first bytes of a file mark it as LuaJIT bytecode: "LJ" as its
// second and third bytes.
bool has_bytecode_signature(std::string_view head);

// Appends a text file's script text to st.buf.  The file is taken a line, or
// a 511-byte piece of a longer line, at a time, and of each piece only what
// comes before its first NUL byte is kept.  A read error ends the text like
// the end of the file.
void read_text(RunState& st, std::FILE* f);

// Takes the script file at `path`: sets st.bin_mode for bytecode, which the
// library later loads by path, or collects source text into st.buf.  Returns
// false when the path can't be opened as a file.
bool take_file(RunState& st, const char* path);

}  // namespace ljrun

#endif  // LJRUN_FILE_INTAKE_H_
