// The interpreter's part of a run: create it, load and call the script,
// report what the script left on top of the stack.
#ifndef LJRUN_RUNNER_H_
#define LJRUN_RUNNER_H_

#include <cstdio>

#include "run_state.h"

namespace ljrun {

// The report when memory runs out before the script could run; the library
// words its own memory errors the same way.
inline constexpr const char kNoMemory[] = "not enough memory";

// Creates the interpreter with all standard libraries and nothing else: no
// globals of ljrun's own, no arguments, no change to the search paths.
bool open_interpreter(RunState& st);

// Loads the script, bytecode from `path` or the text in st.buf, and calls it
// in protected mode with no arguments, keeping all of its results.  A load or
// call error leaves the library's message (no traceback) on the stack.
void docall(RunState& st, const char* path);

// Prints the text of the value on top of the stack, with no line end and up
// to its first NUL byte: a string, or a number in the library's own format.
// Any other value, or an empty stack, prints nothing.
void report(lua_State* L, std::FILE* out);

}  // namespace ljrun

#endif  // LJRUN_RUNNER_H_
