// Taking the script from lines typed at the console.
#ifndef LJRUN_CONSOLE_INTAKE_H_
#define LJRUN_CONSOLE_INTAKE_H_

#include <cstdio>
#include <string>

#include "run_state.h"

namespace ljrun {

// Reads one line of any length from `in` into `line`, without its line end:
// a line feed, or a carriage return and a line feed.  The line keeps only
// what comes before its first NUL byte.  Returns false, with `line` empty, at
// the end of input (or a read error) when no byte of a line was read.
bool read_line(std::FILE* in, std::string& line);

// Prompts on `out` and collects the lines from `in` into st.buf, each
// non-empty one followed by a line feed, up to a line that reads "END" (the
// first line is script text whatever it reads) or the end of input.  Then
// echoes the text with a line end, so that the prompt, the echo, the
// script's output and the report appear in that order.
void take_console(RunState& st, std::FILE* in, std::FILE* out);

}  // namespace ljrun

#endif  // LJRUN_CONSOLE_INTAKE_H_
