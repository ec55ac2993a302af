#include <windows.h>

#include "interrupt.h"

namespace ljrun {

namespace {

// The run that the console's event handler acts on, as lua.c's globalL.  The
// handler runs in a thread of its own, so the run is guarded by a lock, and
// it lives as long as the process: a handler may still be waiting for the
// lock when the run is over.
struct Run {
  Run() { InitializeCriticalSection(&lock); }
  CRITICAL_SECTION lock;
  lua_State* L = nullptr;
  Copy* copy = nullptr;
  bool script_running = false;
  bool interrupted = false;
  bool saved = false;  // the copy is written, or being written by the run
  bool held = false;   // the run holds the lock until it is over
} g_run;

class Lock {
 public:
  Lock() { EnterCriticalSection(&g_run.lock); }
  ~Lock() { LeaveCriticalSection(&g_run.lock); }
};

BOOL WINAPI on_console_event(DWORD event) {
  Lock lock;
  bool interrupt = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
  if (interrupt && g_run.script_running && !g_run.interrupted) {
    g_run.interrupted = true;
    stop_script(g_run.L);
    return TRUE;
  }
  if (g_run.copy && !g_run.saved) g_run.copy->save();
  g_run.saved = true;
  // Ends the process at once with the status the system gives a process that
  // Ctrl-C ends, so that a shell sees it was interrupted.  Nothing is flushed
  // or cleaned up, as when a signal ends a POSIX process: the run's thread may
  // be stopped anywhere, holding a lock on a stream, say.
  TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
  return TRUE;
}

}  // namespace

Interrupts::Interrupts(lua_State* L, Copy* copy) {
  {
    Lock lock;
    g_run.L = L;
    g_run.copy = copy;
    g_run.script_running = true;
    g_run.interrupted = false;
    g_run.saved = false;
  }
  SetConsoleCtrlHandler(on_console_event, TRUE);
}

Interrupts::~Interrupts() {
  SetConsoleCtrlHandler(on_console_event, FALSE);
  if (g_run.held) {
    g_run.held = false;
    LeaveCriticalSection(&g_run.lock);
  }
}

void Interrupts::script_ended() {
  Lock lock;
  g_run.script_running = false;
}

// The lock is held from here until the run is over: a console event that
// comes meanwhile waits, finds the copy saved and lets the process end.
void Interrupts::save_copy() {
  EnterCriticalSection(&g_run.lock);
  g_run.held = true;
  if (g_run.copy && !g_run.saved) g_run.copy->save();
  g_run.saved = true;
}

}  // namespace ljrun
