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
  long file_size_limit = -1;   // RLIMIT_FSIZE in bytes, when not -1
  long memory_limit = -1;      // RLIMIT_AS in bytes, when not -1
  int timeout_seconds = 60;    // the run is killed after this
};

struct Result {
  int status = -1;  // as waitpid gives it
  std::string out;
  std::string err;

  bool exited_zero() const;
};

// Runs the built ljrun with `args` in dir.cwd().  The program starts with the
// default signal dispositions, whatever the test process has.
Result run(const ScopedTempDir& dir, const std::vector<std::string>& args,
           const Options& options = {});

// Everything a failed check wants to see: status, stdout, stderr, tmp.lua
// and the files left in the working directory.
std::string describe(const ScopedTempDir& dir, const Result& r);

// Bytes shown as a C string literal, so that control bytes can be read.
std::string shown(std::string_view bytes);

// LuaJIT bytecode for `source`, as string.dump would make it.
std::string bytecode_of(const char* source);

}  // namespace ljrun::test

#endif  // LJRUN_TEST_UTIL_H_
