// ljrun: runs one Lua script with LuaJIT and prints the text of what it left
// on top of the stack, its last result or its error message.
//
//   ljrun SCRIPT   runs a file of Lua source text or LuaJIT bytecode
//   ljrun          runs the lines typed at the console, up to a line "END"
//
// A script that arrived as text is saved to tmp.lua afterwards.  The exit
// status is always 0, unless a signal ends the run.

#include <cstdio>
#include <new>
#include <optional>

#include "console_intake.h"
#include "copy_file.h"
#include "file_intake.h"
#include "interrupt.h"
#include "platform.h"
#include "runner.h"

namespace {

// Takes the script into `st`, from the file named on the command line or from
// the console.  Returns the message to print instead of running it, or nullptr.
const char* take_script(ljrun::RunState& st, int argc, char** argv) {
  try {
    if (argc < 2) {
      ljrun::take_console(st, stdin, stdout);
    } else if (!ljrun::take_file(st, argv[1])) {
      return "err file open";
    }
  } catch (const std::bad_alloc&) {
    return ljrun::kNoMemory;
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  ljrun::prepare_process();
  ljrun::RunState st;

  // Create the interpreter before any input is read.
  if (!ljrun::open_interpreter(st)) {
    std::fputs(ljrun::kNoMemory, stdout);
    return 0;
  }

  // Take the script.
  if (const char* failure = take_script(st, argc, argv)) {
    std::fputs(failure, stdout);
    return 0;
  }
  if (!lua_checkstack(st.L.get(), 0)) return 0;

  // Make the copy of a text script ready before it runs, so that a signal
  // that ends the run can still save it.
  std::optional<ljrun::Copy> copy;
  if (st.bin_mode == 0) copy.emplace(st.buf, ljrun::kCopyName);
  ljrun::Interrupts interrupts(st.L.get(), copy ? &*copy : nullptr);

  // Run it once in protected mode and report what it left on top of the stack.
  ljrun::docall(st, argc > 1 ? argv[1] : nullptr);
  interrupts.script_ended();
  ljrun::report(st.L.get(), stdout);
  st.L.reset();

  // Keep the copy.
  std::fflush(stdout);
  interrupts.save_copy();
  return 0;
}
