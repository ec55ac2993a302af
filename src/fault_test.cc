// End-to-end tests of what the world does to a command-line program: files
// that can't be written, closed streams, scripts that exhaust what they can,
// bytecode that is damaged.  Each run must still exit 0, print only its
// report, and leave tmp.lua whole or as it was.

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "test_util.h"

namespace ljrun::test {
namespace {

using namespace std::string_literals;

// A script whose copy is too large for the limits below: it runs, and only
// the copy fails.
const std::string kLargeScript = "return 'ran'\n--" + std::string(100000, '-') + "\n";

TEST(Fault, FileSizeLimitKeepsTheOldCopy) {
  if (windows()) GTEST_SKIP() << "Windows has no limit on the size of a file";
  ScopedTempDir dir;
  dir.write("s.lua", kLargeScript);
  dir.write("tmp.lua", "old copy");
  Options o;
  o.file_size_limit = 4096;  // SIGXFSZ has its default action, which kills
  expect_run(dir, run(dir, {"s.lua"}, o), "ran", "old copy", {"s.lua"});
}

// A file system of 64 KiB in a mount namespace of the test's own; it needs
// the right to mount, which root has.
class FullDisk {
 public:
  explicit FullDisk(const std::filesystem::path& where) : where_(where) {
    if (unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", where.c_str(), "tmpfs", 0, "size=64k") != 0) {
      error_ = std::strerror(errno);
    }
  }
  ~FullDisk() {
    if (error_.empty()) umount(where_.c_str());
  }
  const std::string& error() const { return error_; }

 private:
  std::filesystem::path where_;
  std::string error_;
};

TEST(Fault, FullDiskKeepsTheOldCopy) {
  ScopedTempDir dir;
  FullDisk disk(dir.cwd());
  if (!disk.error().empty()) GTEST_SKIP() << "cannot mount a small file system: " << disk.error();
  std::ofstream(dir.root() / "s.lua") << kLargeScript;
  dir.write("tmp.lua", "old copy");
  expect_run(dir, run(dir, {"../s.lua"}), "ran", "old copy", {});
}

TEST(Fault, TmpLuaIsADirectory) {
  ScopedTempDir dir;
  dir.write("s.lua", "return 'ran'");
  std::filesystem::create_directory(dir.cwd() / "tmp.lua");
  dir.write("tmp.lua/inside", "kept");
  expect_run(dir, run(dir, {"s.lua"}), "ran", kNoCopy, {"s.lua", "tmp.lua"});
  EXPECT_EQ(dir.read("tmp.lua/inside"), "kept");
}

TEST(Fault, WorkingDirectoryNotWritable) {
  if (windows()) GTEST_SKIP() << "runs as the user nobody, who can't use the Wine prefix";
  ScopedTempDir dir;
  dir.write("s.lua", "print('own output') return 'ran'");
  dir.write("tmp.lua", "old copy");
  Options o;
  o.read_only_cwd = true;
  expect_run(dir, run(dir, {"s.lua"}, o), "own output\nran", "old copy", {"s.lua"});
}

TEST(Fault, StandardOutputClosed) {
  ScopedTempDir dir;
  // With standard output closed, a file the script opens must not become
  // standard output.
  const std::string script =
      "local f = io.open('out.txt', 'w') print('to stdout') io.stdout:flush() "
      "f:write('to file') f:close() return 'ran'";
  dir.write("s.lua", script);
  Options o;
  o.stdout_as = Options::Out::kClosed;
  expect_run(dir, run(dir, {"s.lua"}, o), "", script, {"out.txt", "s.lua"});
  EXPECT_EQ(dir.read("out.txt"), "to file");
}

TEST(Fault, ConsoleWithStandardOutputClosed) {
  ScopedTempDir dir;
  Options o;
  o.in = "print('hi')\nEND\n";
  o.stdout_as = Options::Out::kClosed;
  expect_run(dir, run(dir, {}, o), "", "print('hi')\n", {});
}

TEST(Fault, ConsoleReaderThatLeavesEarly) {
  ScopedTempDir dir;
  Options o;
  o.in = "for i = 1, 100000 do print(i) end\nEND\n";
  o.stdout_as = Options::Out::kReaderGone;
  expect_run(dir, run(dir, {}, o), "", "for i = 1, 100000 do print(i) end\n", {});
}

TEST(Fault, ScriptThatExhaustsMemory) {
  if (windows()) GTEST_SKIP() << "Windows has no limit on a process's address space";
  if (instrumented()) GTEST_SKIP() << "address space limits don't apply under instrumentation";
  ScopedTempDir dir;
  const std::string script = "local t = {}\nwhile true do t[#t + 1] = ('x'):rep(1e6) .. #t end";
  dir.write("s.lua", script);
  Options o;
  o.memory_limit = 512l << 20;
  expect_run(dir, run(dir, {"s.lua"}, o), "not enough memory", script, {"s.lua"});
}

TEST(Fault, DamagedBytecodeIsRefusedByTheLibrary) {
  const std::string good =
      bytecode_of("local t = {1, 2, 'three', x = {y = 4.5}} return 'ok ' .. #t");
  struct Case {
    std::string bytes;
    std::string want_out;
  };
  std::vector<Case> cases = {
      {good, "ok 3"},
      {"\x1bLJ", "s.luac: cannot load incompatible bytecode"},
      {"\x1bLJ\x02 not bytecode at all", "s.luac: cannot load incompatible bytecode"},
      {"\x1bLJ\x7f", "s.luac: cannot load incompatible bytecode"},
  };
  // Valid bytecode cut short anywhere after its header.
  for (std::size_t n = 5; n < good.size(); n += 7) {
    cases.push_back({good.substr(0, n), "s.luac: cannot load malformed bytecode"});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(shown(c.bytes));
    ScopedTempDir dir;
    dir.write("s.luac", c.bytes);
    expect_run(dir, run(dir, {"s.luac"}), c.want_out, kNoCopy, {"s.luac"});
  }
}

}  // namespace
}  // namespace ljrun::test
