#include <signal.h>

#include <cerrno>
#include <iterator>

#include "interrupt.h"

namespace ljrun {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr std::size_t kCount = std::size(kSignals);

// The run that the signal handler acts on, as lua.c's globalL.
struct Run {
  lua_State* L = nullptr;
  Copy* copy = nullptr;
  volatile sig_atomic_t script_running = 0;
  volatile sig_atomic_t interrupted = 0;
  struct sigaction old_actions[kCount];
  bool handled[kCount] = {};
  bool held = false;
  sigset_t signals;
  sigset_t old_mask;
} g_run;

// The process ends by the signal itself, so that its parent, a shell say,
// sees that the run was stopped.
void end_by(int sig) {
  struct sigaction dfl = {};
  dfl.sa_handler = SIG_DFL;
  sigaction(sig, &dfl, nullptr);
  sigset_t one;
  sigemptyset(&one);
  sigaddset(&one, sig);
  sigprocmask(SIG_UNBLOCK, &one, nullptr);
  raise(sig);
}

// The handler blocks all three signals while it runs, so it never nests.
void on_signal(int sig) {
  int saved_errno = errno;
  if (sig == SIGINT && g_run.script_running && !g_run.interrupted) {
    g_run.interrupted = 1;
    stop_script(g_run.L);
    errno = saved_errno;
    return;
  }
  if (g_run.copy) g_run.copy->save();
  end_by(sig);
}

}  // namespace

Interrupts::Interrupts(lua_State* L, Copy* copy) {
  g_run.L = L;
  g_run.copy = copy;
  g_run.script_running = 1;
  g_run.interrupted = 0;
  g_run.held = false;
  sigemptyset(&g_run.signals);
  for (int sig : kSignals) sigaddset(&g_run.signals, sig);

  struct sigaction action = {};
  action.sa_handler = on_signal;
  action.sa_mask = g_run.signals;
  action.sa_flags = SA_RESTART;  // the script's own reads and writes go on
  for (std::size_t i = 0; i < kCount; ++i) {
    sigaction(kSignals[i], nullptr, &g_run.old_actions[i]);
    g_run.handled[i] = g_run.old_actions[i].sa_handler != SIG_IGN;
    if (g_run.handled[i]) sigaction(kSignals[i], &action, nullptr);
  }
}

Interrupts::~Interrupts() {
  for (std::size_t i = 0; i < kCount; ++i) {
    if (g_run.handled[i]) sigaction(kSignals[i], &g_run.old_actions[i], nullptr);
  }
  if (g_run.held) sigprocmask(SIG_SETMASK, &g_run.old_mask, nullptr);
}

void Interrupts::script_ended() { g_run.script_running = 0; }

void Interrupts::save_copy() {
  sigprocmask(SIG_BLOCK, &g_run.signals, &g_run.old_mask);
  g_run.held = true;
  if (g_run.copy) g_run.copy->save();
}

}  // namespace ljrun
