// Helpers for ljrun's tests: a scoped working directory and a way to run the
// built program in it.
#ifndef LJRUN_TEST_UTIL_H_
#define LJRUN_TEST_UTIL_H_

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ljrun::test {

// A fresh directory, removed with all it holds when the object goes away.
// Runs happen in its "cwd" subdirectory; the captured streams live beside it.
class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  const std::filesystem::path& root() const { return root_; }
  std::filesystem::path cwd() const { return root_ / "cwd"; }

  // Writes and reads files in the working directory.
  void write(const std::string& name, std::string_view bytes) const;
  std::optional<std::string> read(const std::string& name) const;
  // The names in the working directory, sorted.
  std::vector<std::string> files() const;

 private:
  std::filesystem::path root_;
};

struct Options {
  enum class In { kFile, kPipe, kClosed };
  enum class Out { kFile, kReaderGone, kClosed };

  std::string in;              // standard input's bytes
  In stdin_as = In::kFile;     // a regular file, a pipe, or closed
  Out stdout_as = Out::kFile;  // captured, a pipe with no reader, or closed
  // Standard input and output are pipes, and `in` is written only once the
  // console prompt has been read from the output (keep `in` small).
  bool answer_prompt = false;
  long file_size_limit = -1;  // RLIMIT_FSIZE in bytes, when not -1
  long memory_limit = -1;     // RLIMIT_AS in bytes, when not -1
  // The working directory is made read-only; as root, ljrun also runs as the
  // user nobody, for whom that holds.
  bool read_only_cwd = false;
  int timeout_seconds = 60;  // the run is killed after this
  bool ignore_hang_up = false;  // ljrun starts with SIGHUP ignored, as under nohup

  // Signals sent to ljrun, in turn: each once its standard output holds
  // `after` (since the run began; on Windows with CR LF line ends) and
  // `delay_ms` more have passed.  Standard output is then a pipe.
  struct Signal {
    std::string after;
    int number;
    int delay_ms = 0;
  };
  std::vector<Signal> signals;
};

struct Result {
  int status = -1;  // as waitpid gives it
  std::string out;
  std::string err;

  bool exited_zero() const;
};

// Runs the built ljrun with `args` in dir.cwd().  The program starts with the
// default signal dispositions and no signal blocked, whatever the test
// process has.
Result run(const ScopedTempDir& dir, const std::vector<std::string>& args,
           const Options& options = {});

// Everything a failed check wants to see: status, stdout, stderr, tmp.lua
// and the files left in the working directory.
std::string describe(const ScopedTempDir& dir, const Result& r);

// Checks a finished run: exit status 0, nothing on stderr, the given stdout,
// and tmp.lua holding `want_copy` (or no tmp.lua file, for kNoCopy).  No file
// but `inputs` and tmp.lua may be left in the working directory.
void expect_run(const ScopedTempDir& dir, const Result& r, const std::string& want_out,
                const std::optional<std::string>& want_copy, std::vector<std::string> inputs);

inline const std::optional<std::string> kNoCopy;

// Checks a run that signal `sig` ended: nothing on stderr, the given stdout,
// tmp.lua as for expect_run, and no temporary file left behind.
void expect_killed(const ScopedTempDir& dir, const Result& r, int sig, const std::string& want_out,
                   const std::optional<std::string>& want_copy, std::vector<std::string> inputs);

// Runs ljrun with `args` in dir.cwd() in a terminal of its own, drawn by
// tmux, as a person at a terminal would: each step waits until the screen
// shows `after`, then types `keys`.  Result::out is the screen at the end.
struct Keys {
  std::string after;
  std::string keys;
};
Result run_in_terminal(const ScopedTempDir& dir, const std::vector<std::string>& args,
                       const std::vector<Keys>& steps, int timeout_seconds = 60);

// Whether ljrun runs under a sanitizer or a wrapper (valgrind), where limits
// on its address space don't work.
bool instrumented();

// Whether the ljrun under test is the Windows build, ljrun.exe at
// $LJRUN_TEST_PROGRAM, run under Wine, the command $LJRUN_TEST_WINE.  Its
// standard output and tmp.lua are written in text mode, each line feed as
// CR LF: expect_run and expect_killed expect that of what they are given.
bool windows();

// The exit status that Wine gives a Windows process that Ctrl-C ended: the
// low byte of STATUS_CONTROL_C_EXIT (0xC000013A).
inline constexpr int kWindowsInterruptedStatus = 0x3a;

// Whether ljrun runs under a wrapper ($LJRUN_TEST_WRAPPER), where very large
// inputs take too long.
bool wrapped();

// `text` with each line feed written as CR LF, as Windows text mode does.
std::string crlf(std::string_view text);

// Bytes shown as a C string literal, so that control bytes can be read.
std::string shown(std::string_view bytes);

// LuaJIT bytecode for `source`, as string.dump would make it.
std::string bytecode_of(const char* source);

}  // namespace ljrun::test

#endif  // LJRUN_TEST_UTIL_H_
