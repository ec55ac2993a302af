// Fuzzes the two intakes with arbitrary bytes, as a script file's text and as
// console input, and checks what they collect against a plain model of each.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "console_intake.h"
#include "file_intake.h"

namespace {

// A text file is read in pieces: a line, or 511 bytes of a longer line.  Each
// piece keeps what comes before its first NUL byte.
std::string file_model(std::string_view in) {
  std::string text;
  while (!in.empty()) {
    std::size_t n = std::min<std::size_t>(511, in.size());
    std::size_t lf = in.substr(0, n).find('\n');
    if (lf != std::string_view::npos) n = lf + 1;
    std::string_view piece = in.substr(0, n);
    text += piece.substr(0, piece.find('\0'));
    in.remove_prefix(n);
  }
  return text;
}

// Console input is lines ended by LF or CR LF, each cut at its first NUL
// byte; the non-empty ones are kept, each with a line feed, up to the first
// line "END" after the first line.
std::string console_model(std::string_view in) {
  std::string text;
  for (bool first = true; !in.empty(); first = false) {
    std::size_t lf = in.find('\n');
    std::string_view line = in.substr(0, lf);
    in.remove_prefix(lf == std::string_view::npos ? in.size() : lf + 1);
    if (lf != std::string_view::npos && line.ends_with('\r')) line.remove_suffix(1);
    line = line.substr(0, line.find('\0'));
    if (!first && line == "END") break;
    if (!line.empty()) {
      text += line;
      text += '\n';
    }
  }
  return text;
}

std::FILE* reader(const std::uint8_t* data, std::size_t size) {
  static char empty;
  return fmemopen(size ? const_cast<std::uint8_t*>(data) : reinterpret_cast<std::uint8_t*>(&empty),
                  size, "r");
}

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "intake_fuzzer: %s differs from the model\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);

  ljrun::RunState file;
  std::FILE* in = reader(data, size);
  ljrun::read_text(file, in);
  std::fclose(in);
  check(file.buf == file_model(bytes), "file text");

  ljrun::RunState console;
  in = reader(data, size);
  char* echo = nullptr;
  std::size_t echo_size = 0;
  std::FILE* out = open_memstream(&echo, &echo_size);
  ljrun::take_console(console, in, out);
  std::fclose(in);
  std::fclose(out);
  const std::string want = console_model(bytes);
  check(console.buf == want, "console text");
  check(std::string_view(echo, echo_size) == "input string\n" + want + "\n", "console echo");
  std::free(echo);
  return 0;
}
