// What an interrupt (Ctrl-C) and a request to terminate do to a run.  Each
// system has its own file: interrupt-posix.cc, interrupt-win32.cc.
#ifndef LJRUN_INTERRUPT_H_
#define LJRUN_INTERRUPT_H_

#include <lua.hpp>

#include "copy_file.h"

namespace ljrun {

// While an Interrupts lives, from before the script is called until its copy
// is written:
//
// - the first interrupt (SIGINT; Ctrl-C or Ctrl-Break at a Windows console)
//   while the script runs stops it with the error "interrupted!", as the
//   luajit command does, and the run goes on to report it;
// - a second interrupt, an interrupt after the script has ended, or a request
//   to terminate (SIGTERM, SIGHUP; closing the console window) saves the copy,
//   when there is one, and ends the process by that signal.
//
// A signal the process was started with ignored stays ignored.  Before and
// after, every signal has the action the process started with.
//
// Only one Interrupts may exist at a time.
class Interrupts {
 public:
  // `copy` is null for a script that arrived as bytecode, which is not kept.
  Interrupts(lua_State* L, Copy* copy);
  // Restores the actions the process started with; a signal held off by
  // save_copy() takes effect now.
  ~Interrupts();
  Interrupts(const Interrupts&) = delete;
  Interrupts& operator=(const Interrupts&) = delete;

  // The script has ended: from now on an interrupt ends the program.
  void script_ended();

  // Saves the copy, if there is one, unless a signal has saved it already.
  // Interrupts and requests to terminate are held off from here until this
  // object goes away, so that the copy is written once and whole.
  void save_copy();
};

// Asks the script running in L to stop, from a signal handler: the next time
// the interpreter runs a hook, the script raises "interrupted!".  Compiled
// code runs no hooks, so a loop LuaJIT has compiled may not stop.
void stop_script(lua_State* L);

}  // namespace ljrun

#endif  // LJRUN_INTERRUPT_H_
