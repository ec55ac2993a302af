// ljrun_bench: times ljrun against the luajit command on the same scripts.
//
//   ljrun_bench [--quick] [--ljrun PATH] [--luajit PATH] [--floor PATH]
//
// For each scenario it runs ljrun, the luajit command and ljrun_floor (the
// least work ljrun's design needs: read, load as a string, run, copy) in
// alternation after a warm-up, and prints the median wall time of each,
// ljrun's ratios to the other two, and the peak resident memory of each.  --quick uses small inputs
// and few runs, to check that the benchmark works; its numbers mean little.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <lua.hpp>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Sample {
  double seconds = 0;
  long peak_kib = 0;
};

struct Command {
  std::vector<std::string> argv;
  std::string stdin_path = "/dev/null";
};

// Runs `cmd` in the current directory with its output discarded.  Ends the
// benchmark when the command fails: a failing run measures nothing.
Sample run_once(const Command& cmd) {
  std::vector<char*> argv;
  for (const auto& a : cmd.argv) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    int in = open(cmd.stdin_path.c_str(), O_RDONLY);
    int out = open("/dev/null", O_WRONLY);
    dup2(in, 0);
    dup2(out, 1);
    dup2(out, 2);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  auto end = std::chrono::steady_clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "ljrun_bench: %s failed (status %d)\n", argv[0], status);
    std::exit(1);
  }
  return {std::chrono::duration<double>(end - start).count(), usage.ru_maxrss};
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Stats {
  double seconds = 0;  // median wall time
  long peak_kib = 0;   // largest peak resident memory
};

// Runs the commands in turn (A B C A B C ...), `runs` counted times each
// after one warm-up round.
std::vector<Stats> compare(const std::vector<Command>& cmds, int runs) {
  for (const auto& c : cmds) run_once(c);
  std::vector<std::vector<double>> times(cmds.size());
  std::vector<Stats> stats(cmds.size());
  for (int i = 0; i < runs; ++i) {
    for (size_t c = 0; c < cmds.size(); ++c) {
      Sample s = run_once(cmds[c]);
      times[c].push_back(s.seconds);
      stats[c].peak_kib = std::max(stats[c].peak_kib, s.peak_kib);
    }
  }
  for (size_t c = 0; c < cmds.size(); ++c) stats[c].seconds = median(times[c]);
  return stats;
}

void print_header() {
  std::printf("%-14s %5s %10s %10s %10s %8s %8s %10s %10s %10s\n", "scenario", "runs", "ljrun ms",
              "luajit ms", "floor ms", "/luajit", "/floor", "ljrun MiB", "luajit MiB", "floor MiB");
}

// One row: ljrun, luajit and the floor, in that order in `s`.
void print_row(const char* name, int runs, const std::vector<Stats>& s) {
  std::printf("%-14s %5d %10.2f %10.2f %10.2f %8.3f %8.3f %10.1f %10.1f %10.1f\n", name, runs,
              s[0].seconds * 1e3, s[1].seconds * 1e3, s[2].seconds * 1e3,
              s[0].seconds / s[1].seconds, s[0].seconds / s[2].seconds, s[0].peak_kib / 1024.0,
              s[1].peak_kib / 1024.0, s[2].peak_kib / 1024.0);
}

// Writes a Lua data script of about `bytes` bytes: records appended to a
// table, in functions of 5,000 lines so that none has too many constants.
// It returns the number of records.
void write_data_script(const fs::path& path, size_t bytes, bool end_line) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fputs("local t = {}\n", f);
  size_t written = 0;
  long id = 0;
  while (written < bytes) {
    std::fputs("do\nlocal function add()\n", f);
    for (int line = 0; line < 5000 && written < bytes; ++line, ++id) {
      int n = std::fprintf(f,
                           "t[#t + 1] = {id = %ld, name = \"record %ld\", score = %ld.5, "
                           "tags = {\"a\", \"b\"}, ok = %s}\n",
                           id, id, id * 7 % 100000, id % 3 ? "true" : "false");
      written += static_cast<size_t>(n);
    }
    std::fputs("end\nadd()\nend\n", f);
  }
  std::fputs("return #t\n", f);
  if (end_line) std::fputs("END\n", f);
  std::fclose(f);
}

// Writes LuaJIT bytecode for `source` to `path`, as string.dump makes it.
void write_bytecode(const fs::path& path, const char* source) {
  lua_State* L = luaL_newstate();
  luaL_loadstring(L, source);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  lua_dump(
      L,
      [](lua_State*, const void* p, size_t n, void* file) {
        return std::fwrite(p, 1, n, static_cast<std::FILE*>(file)) == n ? 0 : 1;
      },
      f);
  std::fclose(f);
  lua_close(L);
}

// One line of the summary: a measured figure against its target.
void print_target(const char* what, double value, double target) {
  std::printf("  %-44s %6.3f   target <= %.2f   %s\n", what, value, target,
              value <= target ? "met" : "NOT MET");
}

}  // namespace

int main(int argc, char** argv) {
  bool quick = false;
  std::string ljrun = LJRUN_PATH;
  std::string luajit = "luajit";
  std::string floor = LJRUN_FLOOR_PATH;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--quick") {
      quick = true;
    } else if (arg == "--ljrun" && i + 1 < argc) {
      ljrun = fs::absolute(argv[++i]).string();
    } else if (arg == "--floor" && i + 1 < argc) {
      floor = fs::absolute(argv[++i]).string();
    } else if (arg == "--luajit" && i + 1 < argc) {
      luajit = argv[++i];
    } else {
      std::fprintf(stderr,
                   "usage: ljrun_bench [--quick] [--ljrun PATH] [--luajit PATH] [--floor PATH]\n");
      return 2;
    }
  }

  // The runs happen in a scratch directory, where ljrun leaves its tmp.lua.
  fs::path dir = fs::temp_directory_path() / ("ljrun-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::current_path(dir);

  const size_t mb = 1000 * 1000;
  const size_t small = quick ? mb / 10 : 5 * mb;
  const size_t large = quick ? mb : 50 * mb;
  const int startup_runs = quick ? 5 : 500;
  const int large_runs = quick ? 3 : 9;
  std::FILE* f = std::fopen("hello.lua", "wb");
  std::fputs("return \"hello\"\n", f);
  std::fclose(f);
  write_bytecode("hello.luac", "return \"hello\"\n");
  write_data_script("small.lua", small, false);
  write_data_script("large.lua", large, false);
  write_data_script("large.console", large, true);

  std::printf("ljrun %s against %s%s\n", ljrun.c_str(), luajit.c_str(),
              quick ? " (quick mode: small inputs, few runs)" : "");
  std::printf("script sizes: small %.1f MB, large %.1f MB\n", fs::file_size("small.lua") / 1e6,
              fs::file_size("large.lua") / 1e6);
  print_header();

  // Start-up: a one-line script as bytecode, which ljrun makes no copy of,
  // and as text.
  auto on = [&](const char* script) {
    return std::vector<Command>{{{ljrun, script}}, {{luajit, script}}, {{floor, script}}};
  };
  auto bytecode = compare(on("hello.luac"), startup_runs);
  print_row("startup luac", startup_runs, bytecode);
  auto text = compare(on("hello.lua"), startup_runs);
  print_row("startup text", startup_runs, text);

  // Large script file, and the same at a tenth of the size for the growth.
  auto little = compare(on("small.lua"), large_runs);
  print_row("small file", large_runs, little);
  auto big = compare(on("large.lua"), large_runs);
  print_row("large file", large_runs, big);

  // Large script on the console, against luajit reading standard input.
  auto console = compare(
      {{{ljrun}, "large.console"}, {{luajit, "-"}, "large.lua"}, {{floor}, "large.console"}},
      large_runs);
  print_row("large console", large_runs, console);

  double size = static_cast<double>(fs::file_size("large.lua"));
  auto growth = [](const std::vector<Stats>& from, const std::vector<Stats>& to, size_t i) {
    return to[i].seconds / from[i].seconds;
  };
  std::printf("\ngrowth small -> large (%.0f x the size): ljrun %.2f x, luajit %.2f x, floor %.2f x\n",
              size / static_cast<double>(fs::file_size("small.lua")), growth(little, big, 0),
              growth(little, big, 1), growth(little, big, 2));
  std::printf("large file peak memory above luajit's, in script sizes: ljrun %.2f, floor %.2f\n",
              (big[0].peak_kib - big[1].peak_kib) * 1024.0 / size,
              (big[2].peak_kib - big[1].peak_kib) * 1024.0 / size);

  std::printf("\ntargets (ratios measured in this run):\n");
  print_target("start-up on bytecode, ljrun / luajit", bytecode[0].seconds / bytecode[1].seconds,
               1.03);
  print_target("start-up on text, ljrun / floor", text[0].seconds / text[2].seconds, 1.05);
  print_target("large file, ljrun / floor", big[0].seconds / big[2].seconds, 1.05);
  print_target("growth, ljrun's / luajit's", growth(little, big, 0) / growth(little, big, 1), 1.05);
  print_target("large file memory above luajit's, in sizes",
               (big[0].peak_kib - big[1].peak_kib) * 1024.0 / size, 2.2);
  print_target("large console, ljrun / luajit", console[0].seconds / console[1].seconds, 1.30);

  fs::current_path("/");
  fs::remove_all(dir);
  return 0;
}
