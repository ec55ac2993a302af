#include "test_util.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <lua.hpp>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace ljrun::test {

namespace fs = std::filesystem;

ScopedTempDir::ScopedTempDir() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = (fs::path(tmp && *tmp ? tmp : "/tmp") / "ljrun-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
  fs::create_directory(cwd());
}

ScopedTempDir::~ScopedTempDir() {
  std::error_code ec;
  fs::permissions(cwd(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(root_, ec);
}

void ScopedTempDir::write(const std::string& name, std::string_view bytes) const {
  std::ofstream f(cwd() / name, std::ios::binary);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!f.flush()) throw std::runtime_error("cannot write " + name);
}

static std::optional<std::string> read_path(const fs::path& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f || fs::is_directory(path)) return std::nullopt;
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

std::optional<std::string> ScopedTempDir::read(const std::string& name) const {
  return read_path(cwd() / name);
}

std::vector<std::string> ScopedTempDir::files() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(cwd())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool Result::exited_zero() const { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }

namespace {

void limit(int resource, long bytes) {
  if (bytes < 0) return;
  rlimit r{static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)};
  setrlimit(resource, &r);
}

// In the child: puts `fd` on `target`, or closes `target` when fd is -1.
void place(int fd, int target) {
  if (fd == -1) {
    close(target);
  } else if (fd != target) {
    dup2(fd, target);
    close(fd);
  }
}

void write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

// Appends what one read from `fd` gives to `to`; false at the end.
bool read_some(int fd, std::string& to) {
  char chunk[4096];
  ssize_t n = ::read(fd, chunk, sizeof chunk);
  if (n <= 0) return false;
  to.append(chunk, static_cast<std::size_t>(n));
  return true;
}

// Reads from `fd` into `out` until `out` holds `text`; false if the end came
// first.
bool read_until(int fd, std::string& out, const std::string& text) {
  while (out.find(text) == std::string::npos) {
    if (!read_some(fd, out)) return false;
  }
  return true;
}

// The words of $LJRUN_TEST_WRAPPER, a command that ljrun is run under.
std::vector<std::string> wrapper() {
  std::vector<std::string> words;
  std::istringstream in(std::getenv("LJRUN_TEST_WRAPPER") ? std::getenv("LJRUN_TEST_WRAPPER") : "");
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

const char* env(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : nullptr;
}

// The ljrun under test: the one built beside the tests, or the Windows build.
std::string program() {
  return windows() ? env("LJRUN_TEST_PROGRAM") : LJRUN_PATH;
}

// ljrun at `program` with `args`, under Wine or the wrapper if there is one.
std::vector<std::string> command_line(const std::string& program,
                                      const std::vector<std::string>& args) {
  std::vector<std::string> words = windows() ? std::vector<std::string>{env("LJRUN_TEST_WINE")}
                                             : wrapper();
  words.push_back(program);
  words.insert(words.end(), args.begin(), args.end());
  return words;
}

std::vector<char*> c_argv(std::vector<std::string>& words) {
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  return argv;
}

}  // namespace

Result run(const ScopedTempDir& dir, const std::vector<std::string>& args, const Options& options) {
  // A child that stops reading its input must not kill the test.
  signal(SIGPIPE, SIG_IGN);

  const fs::path in_path = dir.root() / "stdin";
  const fs::path out_path = dir.root() / "stdout";
  const fs::path err_path = dir.root() / "stderr";
  if (options.stdin_as == Options::In::kFile) {
    std::ofstream(in_path, std::ios::binary) << options.in;
  }
  int in_pipe[2] = {-1, -1};
  int out_pipe[2] = {-1, -1};
  const bool in_piped = options.stdin_as == Options::In::kPipe || options.answer_prompt;
  if (in_piped && pipe(in_pipe) != 0) throw std::runtime_error("pipe");
  const bool out_read = options.answer_prompt || !options.signals.empty();
  if (options.stdout_as == Options::Out::kReaderGone || out_read) {
    if (pipe(out_pipe) != 0) throw std::runtime_error("pipe");
  }
  if (options.stdout_as == Options::Out::kReaderGone) close(out_pipe[0]);
  const bool out_file = options.stdout_as == Options::Out::kFile && !out_read;

  // As nobody, ljrun runs as a copy in the scratch directory: nobody may not
  // reach the build tree (under /root, say).
  const bool as_nobody = options.read_only_cwd && geteuid() == 0;
  std::string path = program();
  if (as_nobody) {
    path = (dir.root() / "ljrun").string();
    fs::copy_file(program(), path, fs::copy_options::overwrite_existing);
  }
  std::vector<std::string> argv_s = command_line(path, args);
  std::vector<char*> argv = c_argv(argv_s);

  if (options.read_only_cwd) {
    fs::permissions(dir.root(), fs::perms::others_read | fs::perms::others_exec,
                    fs::perm_options::add);
    fs::permissions(dir.cwd(),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    fs::permissions(dir.cwd(), fs::perms::others_read | fs::perms::others_exec,
                    fs::perm_options::add);
  }

  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork");
  if (pid == 0) {
    if (chdir(dir.cwd().c_str()) != 0) _exit(126);
    int in = -1;
    if (options.stdin_as == Options::In::kFile && !in_piped) in = open(in_path.c_str(), O_RDONLY);
    if (in_piped) {
      close(in_pipe[1]);
      in = in_pipe[0];
    }
    int out = -1;
    if (out_file) {
      out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    if (out_pipe[1] != -1) {
      if (out_read) close(out_pipe[0]);
      out = out_pipe[1];
    }
    int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    place(in, 0);
    place(out, 1);
    place(err, 2);
    limit(RLIMIT_FSIZE, options.file_size_limit);
    limit(RLIMIT_AS, options.memory_limit);
    for (int sig : {SIGPIPE, SIGXFSZ, SIGINT, SIGTERM, SIGHUP}) signal(sig, SIG_DFL);
    if (options.ignore_hang_up) signal(SIGHUP, SIG_IGN);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    alarm(static_cast<unsigned>(options.timeout_seconds));
    if (as_nobody && (setgid(65534) != 0 || setuid(65534) != 0)) {
      _exit(125);
    }
    execvp(argv[0], argv.data());
    _exit(127);
  }

  Result r;
  if (out_pipe[1] != -1) close(out_pipe[1]);
  if (options.answer_prompt) read_until(out_pipe[0], r.out, "input string");
  if (in_piped) {
    close(in_pipe[0]);
    write_all(in_pipe[1], options.in);
    close(in_pipe[1]);
  }
  for (const Options::Signal& s : options.signals) {
    if (!read_until(out_pipe[0], r.out, windows() ? crlf(s.after) : s.after)) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(s.delay_ms));
    kill(pid, s.number);
  }
  if (out_read) {
    while (read_some(out_pipe[0], r.out)) {
    }
    close(out_pipe[0]);
  }
  waitpid(pid, &r.status, 0);
  if (out_file) r.out = read_path(out_path).value_or("");
  r.err = read_path(err_path).value_or("");
  return r;
}

std::string shown(std::string_view bytes) {
  std::string s = "\"";
  for (unsigned char c : bytes) {
    switch (c) {
      case '\n':
        s += "\\n";
        break;
      case '\r':
        s += "\\r";
        break;
      case '\t':
        s += "\\t";
        break;
      case '"':
        s += "\\\"";
        break;
      case '\\':
        s += "\\\\";
        break;
      default:
        if (c >= 0x20 && c < 0x7f) {
          s += static_cast<char>(c);
        } else {
          char hex[8];
          std::snprintf(hex, sizeof hex, "\\x%02x", c);
          s += hex;
        }
    }
  }
  return s + "\"";
}

std::string describe(const ScopedTempDir& dir, const Result& r) {
  std::ostringstream s;
  s << "\n  status: ";
  if (WIFEXITED(r.status)) {
    s << "exited " << WEXITSTATUS(r.status);
  } else if (WIFSIGNALED(r.status)) {
    s << "killed by signal " << WTERMSIG(r.status);
  } else {
    s << r.status;
  }
  auto copy = dir.read("tmp.lua");
  auto bounded = [](const std::string& b) { return shown(b.substr(0, 2000)); };
  s << "\n  stdout: " << bounded(r.out) << "\n  stderr: " << bounded(r.err)
    << "\n  tmp.lua: " << (copy ? bounded(*copy) : "(none)") << "\n  files:";
  for (const auto& name : dir.files()) s << " " << name;
  return s.str();
}

namespace {

// The checks that expect_run and expect_killed share, all but the status.
void expect_output(const ScopedTempDir& dir, const Result& r, const std::string& want_out,
                   const std::optional<std::string>& want_copy, std::vector<std::string> inputs) {
  EXPECT_EQ(shown(r.out), shown(windows() ? crlf(want_out) : want_out));
  EXPECT_EQ(r.err, "");
  auto copy = dir.read("tmp.lua");
  EXPECT_EQ(copy.has_value(), want_copy.has_value());
  if (copy && want_copy) {
    EXPECT_EQ(shown(*copy), shown(windows() ? crlf(*want_copy) : *want_copy));
  }
  if (want_copy) inputs.push_back("tmp.lua");
  std::sort(inputs.begin(), inputs.end());
  EXPECT_EQ(dir.files(), inputs);
}

}  // namespace

void expect_run(const ScopedTempDir& dir, const Result& r, const std::string& want_out,
                const std::optional<std::string>& want_copy, std::vector<std::string> inputs) {
  SCOPED_TRACE(describe(dir, r));
  EXPECT_TRUE(r.exited_zero());
  expect_output(dir, r, want_out, want_copy, std::move(inputs));
}

void expect_killed(const ScopedTempDir& dir, const Result& r, int sig, const std::string& want_out,
                   const std::optional<std::string>& want_copy, std::vector<std::string> inputs) {
  SCOPED_TRACE(describe(dir, r));
  if (windows()) {
    EXPECT_TRUE(sig == SIGINT && WIFEXITED(r.status) &&
                WEXITSTATUS(r.status) == kWindowsInterruptedStatus);
  } else {
    EXPECT_TRUE(WIFSIGNALED(r.status) && WTERMSIG(r.status) == sig) << "want signal " << sig;
  }
  expect_output(dir, r, want_out, want_copy, std::move(inputs));
}

namespace {

// Runs `words` to its end, with no standard input, and returns what it wrote
// to standard output.
std::string output_of(std::vector<std::string> words) {
  std::vector<char*> argv = c_argv(words);
  int out[2];
  if (pipe(out) != 0) throw std::runtime_error("pipe");
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork");
  if (pid == 0) {
    close(out[0]);
    place(open("/dev/null", O_RDONLY), 0);
    place(out[1], 1);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  std::string text;
  while (read_some(out[0], text)) {
  }
  close(out[0]);
  waitpid(pid, nullptr, 0);
  return text;
}

}  // namespace

Result run_in_terminal(const ScopedTempDir& dir, const std::vector<std::string>& args,
                       const std::vector<Keys>& steps, int timeout_seconds) {
  // A tmux server of the run's own draws the screen, as a person would see it.
  const std::string socket = (dir.root() / "tmux").string();
  auto tmux = [&](std::vector<std::string> words) {
    words.insert(words.begin(), {"tmux", "-S", socket, "-f", "/dev/null"});
    return output_of(std::move(words));
  };
  // The shell catches SIGINT, so that Ctrl-C reaches ljrun alone (with its
  // default action), and shows ljrun's exit status once it is done.
  std::vector<std::string> session = {
      "new-session", "-d", "-x", "200", "-y", "50", "--", "sh", "-c",
      "trap : INT; cd \"$0\" && \"$@\"; printf '\\n[exit %d]\\n' $?; sleep 3600",
      dir.cwd().string()};
  for (const std::string& word : command_line(program(), args)) session.push_back(word);
  tmux(session);

  Result r;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds);
  auto wait_for = [&](const std::string& text) {
    while (std::chrono::steady_clock::now() < deadline) {
      r.out = tmux({"capture-pane", "-p", "-J"});
      if (r.out.find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  };
  for (const Keys& step : steps) {
    if (!wait_for(step.after)) break;
    tmux({"send-keys", "-l", step.keys});
  }

  // The status as waitpid gives it: the shell reports 128 + N for signal N.
  if (wait_for("\n[exit ")) {
    int code = std::atoi(r.out.c_str() + r.out.rfind("\n[exit ") + 7);
    r.status = code > 128 ? code - 128 : code << 8;
  }
  tmux({"kill-server"});
  return r;
}

bool windows() { return env("LJRUN_TEST_WINE") != nullptr; }

std::string crlf(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

bool wrapped() { return !wrapper().empty(); }

bool instrumented() {
#ifdef LJRUN_SANITIZED
  return true;
#else
  return wrapped();
#endif
}

std::string bytecode_of(const char* source) {
  lua_State* L = luaL_newstate();
  if (!L || luaL_loadstring(L, source) != 0) throw std::runtime_error("cannot compile");
  std::string bytes;
  lua_dump(
      L,
      [](lua_State*, const void* p, size_t n, void* ud) {
        static_cast<std::string*>(ud)->append(static_cast<const char*>(p), n);
        return 0;
      },
      &bytes);
  lua_close(L);
  return bytes;
}

}  // namespace ljrun::test
