// End-to-end tests of runs stopped from outside.  Each script says "running"
// once it is under way; the test then sends the signals, or presses Ctrl-C at
// a terminal.

#include <gtest/gtest.h>
#include <signal.h>

#include <optional>
#include <string>
#include <vector>

#include "test_util.h"

namespace ljrun::test {
namespace {

// A loop that the interpreter runs, which looks at its hooks.
const std::string kLoop =
    "jit.off()\n"
    "io.write('run', 'ning\\n') io.flush()\n"
    "while true do end\n";

// A loop that LuaJIT has compiled before the script says it is running; the
// compiled code never looks at a hook.
const std::string kCompiledLoop =
    "local function spin(n) local i = 0 while i ~= n do i = i + 1 end end\n"
    "spin(1000)\n"
    "io.write('run', 'ning\\n') io.flush()\n"
    "spin(-1)\n";

// The signal `sig`, sent a while after the script said it is running: by
// then it is surely in its loop (a signal sent at once can arrive before the
// next instruction), and a signal sent before has arrived.  Signals take
// longer to arrive when ljrun runs under valgrind.
Options::Signal once_running(int sig) {
  return {"running\n", sig, instrumented() ? 1000 : 200};
}

struct StopCase {
  const char* name;
  std::string script;
  std::string want_out;
};

void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }

class Interrupt : public testing::TestWithParam<StopCase> {};

// The first Ctrl-C stops the script with an error, which is reported; the
// run ends as any other, with its copy and status 0.
TEST_P(Interrupt, StopsTheScript) {
  const StopCase& c = GetParam();
  ScopedTempDir dir;
  dir.write("s.lua", c.script);
  Options o;
  o.signals = {once_running(SIGINT)};
  expect_run(dir, run(dir, {"s.lua"}, o), c.want_out, c.script, {"s.lua"});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Interrupt,
    testing::Values(
        StopCase{"loop", kLoop, "running\n[string \"jit.off()...\"]:3: interrupted!"},
        StopCase{"caught_by_pcall",
                 "jit.off()\n"
                 "local ok, e = pcall(function()\n"
                 "  io.write('run', 'ning\\n') io.flush() while true do end end)\n"
                 "return 'caught: ' .. e",
                 "running\ncaught: [string \"jit.off()...\"]:3: interrupted!"},
        StopCase{"in_a_function_called_often",
                 "jit.off()\n"
                 "io.write('run', 'ning\\n') io.flush()\n"
                 "local function f() end while true do f() end",
                 "running\n[string \"jit.off()...\"]:3: interrupted!"}),
    [](const testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

TEST(Interrupt, StopsATypedScript) {
  ScopedTempDir dir;
  Options o;
  o.in = kLoop + "END\n";
  o.signals = {once_running(SIGINT)};
  expect_run(dir, run(dir, {}, o),
             "input string\n" + kLoop + "\nrunning\n[string \"jit.off()...\"]:3: interrupted!",
             kLoop, {});
}

struct EndCase {
  const char* name;
  std::string script;
  std::vector<Options::Signal> signals;
  int want_signal;
  std::string want_out;
};

void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }

class EndedBySignal : public testing::TestWithParam<EndCase> {};

// The run ends by the signal, and the text script is saved whole, with no
// temporary file left.
TEST_P(EndedBySignal, KeepsTheCopy) {
  const EndCase& c = GetParam();
  for (const auto& s : c.signals) {
    if (windows() && s.number != SIGINT) GTEST_SKIP() << "Windows has no SIGTERM or SIGHUP";
  }
  ScopedTempDir dir;
  dir.write("s.lua", c.script);
  dir.write("tmp.lua", "old copy");
  Options o;
  o.signals = c.signals;
  expect_killed(dir, run(dir, {"s.lua"}, o), c.want_signal, c.want_out, c.script, {"s.lua"});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EndedBySignal,
    testing::Values(
        EndCase{"second_interrupt_in_compiled_loop",
                kCompiledLoop,
                {once_running(SIGINT), once_running(SIGINT)},
                SIGINT,
                "running\n"},
        EndCase{"second_interrupt_in_loop_whose_error_is_caught",
                "jit.off()\n"
                "io.write('run', 'ning\\n') io.flush()\n"
                "while true do pcall(function() while true do end end) end\n",
                {once_running(SIGINT), once_running(SIGINT)},
                SIGINT,
                "running\n"},
        EndCase{"terminate", kLoop, {once_running(SIGTERM)}, SIGTERM, "running\n"},
        EndCase{"hang_up", kLoop, {once_running(SIGHUP)}, SIGHUP, "running\n"},
        EndCase{"terminate_after_an_interrupt",
                kCompiledLoop,
                {once_running(SIGINT), once_running(SIGTERM)},
                SIGTERM,
                "running\n"},
        // The report is out, and the interpreter runs a finalizer as it closes.
        EndCase{"interrupt_after_the_report",
                "getmetatable(newproxy(true)).__gc = function()\n"
                "  io.write('clos', 'ing\\n') io.flush() while true do end end\n"
                "return 'done'\n",
                {{"closing\n", SIGINT}},
                SIGINT,
                "doneclosing\n"}),
    [](const testing::TestParamInfo<EndCase>& info) { return std::string(info.param.name); });

TEST(EndedBySignal, BytecodeLeavesTmpLuaAsItWas) {
  if (windows()) GTEST_SKIP() << "Windows has no SIGTERM";
  ScopedTempDir dir;
  dir.write("s.luac", bytecode_of(kLoop.c_str()));
  dir.write("tmp.lua", "old copy");
  Options o;
  o.signals = {once_running(SIGTERM)};
  expect_killed(dir, run(dir, {"s.luac"}, o), SIGTERM, "running\n", "old copy", {"s.luac"});
}

// A signal that the process was started with ignored, as nohup does with
// SIGHUP, stays ignored; the run is then stopped another way.
TEST(EndedBySignal, IgnoredSignalStaysIgnored) {
  if (windows()) GTEST_SKIP() << "Windows has no SIGHUP";
  ScopedTempDir dir;
  dir.write("s.lua", kLoop);
  Options o;
  o.ignore_hang_up = true;
  o.signals = {once_running(SIGHUP), once_running(SIGTERM)};
  expect_killed(dir, run(dir, {"s.lua"}, o), SIGTERM, "running\n", kLoop, {"s.lua"});
}

// As a person at a terminal: type a looping script and END at the prompt,
// press Ctrl-C once it runs.  (On Windows, this is Wine's console.)
TEST(Terminal, CtrlCStopsTheTypedScript) {
  ScopedTempDir dir;
  Result r = run_in_terminal(dir, {},
                             {{"input string", "jit.off()\rio.write('run', 'ning\\n') io.flush()\r"
                                               "while true do end\rEND\r"},
                              {"running", "\x03"}});
  SCOPED_TRACE(describe(dir, r));
  EXPECT_TRUE(r.exited_zero());
  EXPECT_NE(r.out.find("interrupted!"), std::string::npos);
  EXPECT_EQ(dir.read("tmp.lua"), windows() ? crlf(kLoop) : kLoop);
  EXPECT_EQ(dir.files(), std::vector<std::string>{"tmp.lua"});
}

}  // namespace
}  // namespace ljrun::test
