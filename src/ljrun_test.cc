// End-to-end tests: the built ljrun, run in a fresh directory, checked on its
// exact standard output, its exit status and what it leaves in tmp.lua.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "test_util.h"

namespace ljrun::test {
namespace {

using namespace std::string_literals;

std::string long_line(std::size_t n) { return std::string(n, 'x'); }

// A line of 600 bytes with a NUL byte at offset 100: the NUL drops the rest of
// the first 511-byte piece, and the second piece stays.
std::string line_with_nul() {
  std::string line = "return '" + std::string(590, 'a') + "'";
  line[100] = '\0';
  return line;
}

struct FileCase {
  const char* name;
  std::string script;  // the bytes of s.lua
  std::string want_out;
  std::optional<std::string> want_copy;
  // Where Windows reads the file differently, in text mode: what it prints
  // and copies then (line feeds still to be written as CR LF).
  std::optional<std::string> windows_out = std::nullopt;
  std::optional<std::string> windows_copy = std::nullopt;
};

void PrintTo(const FileCase& c, std::ostream* os) { *os << c.name; }

class FileRun : public testing::TestWithParam<FileCase> {};

TEST_P(FileRun, PrintsTopValueAndKeepsTextCopy) {
  const FileCase& c = GetParam();
  ScopedTempDir dir;
  dir.write("s.lua", c.script);
  const bool differs = windows() && c.windows_out;
  expect_run(dir, run(dir, {"s.lua"}), differs ? *c.windows_out : c.want_out,
             differs ? c.windows_copy : c.want_copy, {"s.lua"});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileRun,
    testing::Values(
        FileCase{"last_of_several_results", "return 'a', 'b'", "b", "return 'a', 'b'"},
        FileCase{"integer", "return 42", "42", "return 42"},
        FileCase{"number_in_library_format", "return 1/3", "0.33333333333333", "return 1/3"},
        FileCase{"large_number", "return 2^63", "9.2233720368548e+18", "return 2^63"},
        FileCase{"own_output_then_result", "io.write('out ') print('line') return 'result'",
                 "out line\nresult", "io.write('out ') print('line') return 'result'"},
        FileCase{"nothing_returned", "local x = 1", "", "local x = 1"},
        FileCase{"nil", "return nil", "", "return nil"},
        FileCase{"boolean", "print('p') return true", "p\n", "print('p') return true"},
        FileCase{"table", "return 'a', {}", "", "return 'a', {}"},
        FileCase{"function", "return print", "", "return print"},
        FileCase{"result_stops_at_nul", "return 'a\\0b'", "a", "return 'a\\0b'"},
        FileCase{"syntax_error", "x = = 1", "[string \"x = = 1\"]:1: unexpected symbol near '='",
                 "x = = 1"},
        FileCase{"runtime_error_without_traceback", "local t = nil\nreturn t.x",
                 "[string \"local t = nil...\"]:2: attempt to index local 't' (a nil value)",
                 "local t = nil\nreturn t.x"},
        FileCase{"error_object_with_level_0", "error('boom', 0)", "boom", "error('boom', 0)"},
        FileCase{"percent_is_not_a_format", "return '100% %s %d %n'", "100% %s %d %n",
                 "return '100% %s %d %n'"},
        FileCase{"percent_in_error", "error('50%s off', 0)", "50%s off", "error('50%s off', 0)"},
        FileCase{"blank_lines_stay", "\n\nerror('third')", "[string \"...\"]:3: third",
                 "\n\nerror('third')"},
        FileCase{"crlf_kept_as_read", "x = 1\r\nreturn x\r\n", "1", "x = 1\r\nreturn x\r\n",
                 "1", "x = 1\nreturn x\n"},
        FileCase{"lone_cr_kept", "x = 1\rreturn x", "1", "x = 1\rreturn x"},
        FileCase{"cr_before_crlf", "return [[a\r\r\n]]", "a\n\n", "return [[a\r\r\n]]", "a\n",
                 "return [[a\r\n]]"},
        FileCase{"ctrl_z_ends_text_on_windows", "return 'before'\n\x1areturn 'after'\n",
                 "[string \"return 'before'...\"]:2: '<eof>' expected near 'char(26)'",
                 "return 'before'\n\x1areturn 'after'\n", "before", "return 'before'\n"},
        FileCase{"long_line_whole", "return '" + long_line(1500) + "'", long_line(1500),
                 "return '" + long_line(1500) + "'"},
        FileCase{"line_of_exactly_511_bytes", "return '" + long_line(502) + "'\nreturn",
                 "[string \"return '" + long_line(37) + "...\"]:2: '<eof>' expected near 'return'",
                 "return '" + long_line(502) + "'\nreturn"},
        FileCase{"chunk_starting_with_nul_vanishes", "x = 1\n\0vanishes\nreturn x"s, "1",
                 "x = 1\nreturn x"},
        FileCase{"nul_drops_rest_of_its_line", "return 1 --\0\nerror('x')"s, "1",
                 "return 1 --error('x')"},
        FileCase{"nul_drops_only_rest_of_its_piece", line_with_nul(), std::string(92 + 87, 'a'),
                 line_with_nul().substr(0, 100) + line_with_nul().substr(511)},
        FileCase{"empty_file", "", "", ""},
        FileCase{"only_nul_chunks", "\0first\n\0second"s, "", ""},
        FileCase{"one_byte_is_text", "1", "[string \"1\"]:1: unexpected symbol near '1'", "1"},
        FileCase{"two_bytes_are_text", "LJ", "[string \"LJ\"]:1: '=' expected near '<eof>'", "LJ"},
        FileCase{"source_with_LJ_signature_loads_by_path", "xLJ = 'by path' return xLJ", "by path",
                 kNoCopy},
        FileCase{"source_with_LJ_signature_errors_by_path", "xLJ = = 1",
                 "s.lua:1: unexpected symbol near '='", kNoCopy},
        FileCase{"endless_recursion", "local function f() return 1 + f() end\nreturn f()",
                 "[string \"local function f() return 1 + f() end...\"]:1: stack overflow",
                 "local function f() return 1 + f() end\nreturn f()"},
        FileCase{"endless_recursion_through_pcall",
                 "local function f() return select(2, pcall(f)) end\nreturn f()",
                 "[string \"local function f() return select(2, pcall(f))...\"]:1: stack overflow",
                 "local function f() return select(2, pcall(f)) end\nreturn f()"},
        FileCase{"error_table", "error({})", "", "error({})"},
        FileCase{"error_nil", "error(nil)", "", "error(nil)"},
        FileCase{"error_boolean", "error(false)", "", "error(false)"},
        FileCase{"error_object_with_tostring",
                 "error(setmetatable({}, {__tostring = function() return 'obj' end}))", "",
                 "error(setmetatable({}, {__tostring = function() return 'obj' end}))"},
        FileCase{"error_number", "error(42, 0)", "42", "error(42, 0)"},
        FileCase{"error_in_error_handling", "error(setmetatable({}, {__index = error}))", "",
                 "error(setmetatable({}, {__index = error}))"},
        FileCase{"no_arg_global_and_no_chunk_arguments", "return type(arg) .. select('#', ...)",
                 "nil0", "return type(arg) .. select('#', ...)"}),
    [](const testing::TestParamInfo<FileCase>& info) { return std::string(info.param.name); });

TEST(FileRun, BytecodeRunsAndLeavesCopyUntouched) {
  ScopedTempDir dir;
  dir.write("s.luac", bytecode_of("return 'from ' .. 'bytecode'"));
  dir.write("tmp.lua", "old copy");
  expect_run(dir, run(dir, {"s.luac"}), "from bytecode", "old copy", {"s.luac"});
}

// The message names the chunk as it was named when the bytecode was made.
TEST(FileRun, BytecodeErrorIsReported) {
  ScopedTempDir dir;
  dir.write("s.luac", bytecode_of("error('from bytecode')"));
  expect_run(dir, run(dir, {"s.luac"}), "[string \"error('from bytecode')\"]:1: from bytecode",
             kNoCopy, {"s.luac"});
}

// Paths of any letters, which on Windows need UTF-8 as the process's code
// page: ljrun opens a text file itself, and LuaJIT opens bytecode.
TEST(FileRun, PathsInAnyScript) {
  for (const char* name : {"скрипт.lua", "脚本.lua", "with spaces.lua", "ünï cödé 스크립트.lua"}) {
    SCOPED_TRACE(name);
    ScopedTempDir dir;
    dir.write(name, "return 'text'");
    expect_run(dir, run(dir, {name}), "text", "return 'text'", {name});
    ScopedTempDir code;
    code.write(name, bytecode_of("return 'bytecode'"));
    expect_run(code, run(code, {name}), "bytecode", kNoCopy, {name});
  }
}

TEST(FileRun, ArgumentsAfterTheFirstAreIgnored) {
  ScopedTempDir dir;
  dir.write("s.lua", "return select('#', ...)");
  expect_run(dir, run(dir, {"s.lua", "a", "b"}), "0", "return select('#', ...)", {"s.lua"});
}

TEST(FileRun, ScriptThatWritesTmpLuaIsReplacedByTheCopy) {
  ScopedTempDir dir;
  const std::string script = "local f = io.open('tmp.lua', 'w') f:write('mine') f:close()";
  dir.write("s.lua", script);
  expect_run(dir, run(dir, {"s.lua"}), "", script, {"s.lua"});
}

TEST(FileRun, PathThatCannotBeOpened) {
  for (const char* path : {"missing.lua", ".", "sub", "sub/"}) {
    SCOPED_TRACE(path);
    ScopedTempDir dir;
    std::filesystem::create_directory(dir.cwd() / "sub");
    dir.write("tmp.lua", "old copy");
    expect_run(dir, run(dir, {path}), "err file open", "old copy", {"sub"});
  }
}

// A C module built against lua.h, with no Lua library of its own, finds the
// API in ljrun; an error it raises unwinds through its frames to the pcall.
TEST(FileRun, CModuleLoadsThroughRequire) {
  if (windows()) GTEST_SKIP() << "the module is a Linux shared object";
  ScopedTempDir dir;
  const std::string script = "package.cpath = '" LJRUN_TEST_MODULE_DIR "/?.so'\n"
      "local m = require 'ljrun_test_module'\n"
      "local ok, err = pcall(m.fail, 'no')\n"
      "return m.greet('ljrun') .. ' ' .. m.add(2, 3) .. ' ' .. tostring(ok) .. ' ' .. err";
  dir.write("s.lua", script);
  expect_run(dir, run(dir, {"s.lua"}), "hello, ljrun 5 false module says no", script, {"s.lua"});
}

// A module from Debian's packages, found on LuaJIT's own search path.
TEST(FileRun, DebianCModuleLoadsThroughRequire) {
  if (windows()) GTEST_SKIP() << "the module is a Linux shared object";
#ifndef LJRUN_HAVE_CJSON
  GTEST_SKIP() << "lua-cjson is not installed";
#endif
  ScopedTempDir dir;
  const std::string script =
      "local cjson = require 'cjson'\n"
      "return cjson.encode({1, 'two', {three = 3}}) .. ' ' .. tostring(pcall(cjson.decode, '[1,'))";
  dir.write("s.lua", script);
  expect_run(dir, run(dir, {"s.lua"}), "[1,\"two\",{\"three\":3}] false", script, {"s.lua"});
}

TEST(FileRun, ScriptFromStandardInputPipeOrFile) {
  if (windows()) GTEST_SKIP() << "Windows has no /dev/stdin";
  for (auto in : {Options::In::kPipe, Options::In::kFile}) {
    ScopedTempDir dir;
    Options o;
    o.in = "return 'via ' .. 'stdin'";
    o.stdin_as = in;
    expect_run(dir, run(dir, {"/dev/stdin"}, o), "via stdin", o.in, {});
  }
}

TEST(FileRun, ReaderThatLeavesEarly) {
  ScopedTempDir dir;
  const std::string script = "for i = 1, 100000 do print(i) end return 'done'";
  dir.write("s.lua", script);
  Options o;
  o.stdout_as = Options::Out::kReaderGone;
  expect_run(dir, run(dir, {"s.lua"}, o), "", script, {"s.lua"});
}

// A named pipe is read once, from its start: opening it a second time would
// wait for a writer that has gone.
TEST(FileRun, NamedPipeIsReadAsText) {
  ScopedTempDir dir;
  const auto fifo = dir.cwd() / "s.fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] { std::ofstream(fifo) << "xLJ = 'fifo' return xLJ"; });
  Result r = run(dir, {"s.fifo"});
  writer.join();
  expect_run(dir, r, "fifo", "xLJ = 'fifo' return xLJ", {"s.fifo"});
}

// A file of more than 2 GiB, sparse: NUL bytes, which vanish piece by piece,
// then a script on a piece boundary.
TEST(FileRun, FileOverTwoGigabytes) {
  if (wrapped()) GTEST_SKIP() << "too slow under a wrapper";
  ScopedTempDir dir;
  const std::uint64_t zeros = (((1ull << 31) + 510) / 511) * 511;
  {
    std::ofstream f(dir.cwd() / "big.lua", std::ios::binary);
    f.seekp(static_cast<std::streamoff>(zeros));
    f << "return 'tail'\n";
  }
  expect_run(dir, run(dir, {"big.lua"}), "tail", "return 'tail'\n", {"big.lua"});
}

const std::string kPrompt = "input string\n";

struct ConsoleCase {
  const char* name;
  std::string in;  // standard input
  std::string want_out;
  std::string want_copy;
  // Where Windows reads standard input differently, in text mode.
  std::optional<std::string> windows_out = std::nullopt;
  std::optional<std::string> windows_copy = std::nullopt;
};

void PrintTo(const ConsoleCase& c, std::ostream* os) { *os << c.name; }

class ConsoleRun : public testing::TestWithParam<ConsoleCase> {};

TEST_P(ConsoleRun, EchoesRunsAndKeepsCopy) {
  const ConsoleCase& c = GetParam();
  const bool differs = windows() && c.windows_out;
  for (auto in : {Options::In::kFile, Options::In::kPipe}) {
    ScopedTempDir dir;
    Options o;
    o.in = c.in;
    o.stdin_as = in;
    expect_run(dir, run(dir, {}, o), differs ? *c.windows_out : c.want_out,
               differs ? *c.windows_copy : c.want_copy, {});
  }
}

// A line of 514 bytes whose last three read "END": read in 511-byte pieces, it
// would end the input.
const std::string kLongLineEndingInEND = "--" + std::string(509, '-') + "END";

INSTANTIATE_TEST_SUITE_P(
    Cases, ConsoleRun,
    testing::Values(
        ConsoleCase{"print_then_END", "print('hi')\nEND\n", kPrompt + "print('hi')\n\nhi\n",
                    "print('hi')\n"},
        ConsoleCase{"report_after_echo", "io.write('out ')\nreturn 'a', 42\nEND\n",
                    kPrompt + "io.write('out ')\nreturn 'a', 42\n\nout 42",
                    "io.write('out ')\nreturn 'a', 42\n"},
        ConsoleCase{"first_line_END_is_text", "END\nreturn 1\nEND\n",
                    kPrompt + "END\nreturn 1\n\n[string \"END...\"]:2: '=' expected near 'return'",
                    "END\nreturn 1\n"},
        ConsoleCase{"only_exact_END_stops", "return [[\nend\n END\nEND \nEND\t\n]]\nEND\n",
                    kPrompt + "return [[\nend\n END\nEND \nEND\t\n]]\n\nend\n END\nEND \nEND\t\n",
                    "return [[\nend\n END\nEND \nEND\t\n]]\n"},
        ConsoleCase{"empty_line_vanishes_from_text_and_line_numbers",
                    "x = 1\n\nerror('third typed')\nEND\n",
                    kPrompt + "x = 1\nerror('third typed')\n\n[string \"x = 1...\"]:2: third typed",
                    "x = 1\nerror('third typed')\n"},
        ConsoleCase{"spaces_and_tabs_kept", "return ' \t a  b\t '\nEND\n",
                    kPrompt + "return ' \t a  b\t '\n\n \t a  b\t ", "return ' \t a  b\t '\n"},
        ConsoleCase{"lines_after_END_are_not_script", "return 1\nEND\nerror('not run')\n",
                    kPrompt + "return 1\n\n1", "return 1\n"},
        ConsoleCase{"lines_after_END_stay_for_the_script", "return io.read()\nEND\nnext line\n",
                    kPrompt + "return io.read()\n\nnext line", "return io.read()\n"},
        ConsoleCase{"long_line_whole", "return '" + long_line(1500) + "'\nEND\n",
                    kPrompt + "return '" + long_line(1500) + "'\n\n" + long_line(1500),
                    "return '" + long_line(1500) + "'\n"},
        ConsoleCase{"long_line_is_not_END", kLongLineEndingInEND + "\nreturn 'whole'\nEND\n",
                    kPrompt + kLongLineEndingInEND + "\nreturn 'whole'\n\nwhole",
                    kLongLineEndingInEND + "\nreturn 'whole'\n"},
        ConsoleCase{"crlf_line_ends", "x = 'crlf'\r\n\r\nreturn x\r\nEND\r\nerror()\r\n",
                    kPrompt + "x = 'crlf'\nreturn x\n\ncrlf", "x = 'crlf'\nreturn x\n"},
        ConsoleCase{"lone_cr_stays", "x = 1\rreturn x\nEND\n", kPrompt + "x = 1\rreturn x\n\n1",
                    "x = 1\rreturn x\n"},
        ConsoleCase{"input_ends_before_END", "x = 'no END'\nreturn x",
                    kPrompt + "x = 'no END'\nreturn x\n\nno END", "x = 'no END'\nreturn x\n"},
        ConsoleCase{"no_input", "", kPrompt + "\n", ""},
        ConsoleCase{"only_empty_lines_then_END", "\n\r\n\nEND\n", kPrompt + "\n", ""},
        ConsoleCase{"percent_echoed_as_is", "return '%s %d %%'\nEND\n",
                    kPrompt + "return '%s %d %%'\n\n%s %d %%", "return '%s %d %%'\n"},
        ConsoleCase{"ctrl_z_ends_input_on_windows", "x = 'a\x1a'\nreturn x\nEND\n",
                    kPrompt + "x = 'a\x1a'\nreturn x\n\na\x1a", "x = 'a\x1a'\nreturn x\n",
                    kPrompt + "x = 'a\n\n[string \"x = 'a...\"]:1: unfinished string near ''a'",
                    "x = 'a\n"},
        ConsoleCase{"nul_ends_its_line", "return 'a' \0 junk\nEND\n"s, kPrompt + "return 'a' \n\na",
                    "return 'a' \n"}),
    [](const testing::TestParamInfo<ConsoleCase>& info) { return std::string(info.param.name); });

TEST(ConsoleRun, PromptComesBeforeInputIsRead) {
  ScopedTempDir dir;
  Options o;
  o.in = "return 'answered'\nEND\n";
  o.answer_prompt = true;
  expect_run(dir, run(dir, {}, o), kPrompt + "return 'answered'\n\nanswered", "return 'answered'\n",
             {});
}

TEST(ConsoleRun, ClosedStandardInputIsNoInput) {
  ScopedTempDir dir;
  Options o;
  o.stdin_as = Options::In::kClosed;
  expect_run(dir, run(dir, {}, o), kPrompt + "\n", "", {});
}

TEST(FileRun, OutOfMemoryWhileReading) {
  if (windows()) GTEST_SKIP() << "Windows has no limit on a process's address space";
  if (instrumented()) GTEST_SKIP() << "address space limits don't apply under instrumentation";
  ScopedTempDir dir;
  std::string script;
  while (script.size() < (64u << 20)) script += "x = 'a line of the script'\n";
  dir.write("big.lua", script);
  dir.write("tmp.lua", "old copy");
  Options o;
  o.memory_limit = 48l << 20;
  expect_run(dir, run(dir, {"big.lua"}, o), "not enough memory", "old copy", {"big.lua"});
}

}  // namespace
}  // namespace ljrun::test
