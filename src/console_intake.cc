#include "console_intake.h"

#include "platform.h"

namespace ljrun {

bool read_line(std::FILE* in, std::string& line) {
  line.clear();
  int c;
  while ((c = getc_unlocked_stream(in)) != EOF && c != '\n') line.push_back(static_cast<char>(c));
  if (c == EOF && line.empty()) return false;
  if (c == '\n' && !line.empty() && line.back() == '\r') line.pop_back();
  if (auto nul = line.find('\0'); nul != std::string::npos) line.resize(nul);
  return true;
}

void take_console(RunState& st, std::FILE* in, std::FILE* out) {
  std::fputs("input string\n", out);
  std::fflush(out);

  // Standard input redirected from a file tells how much may come.
  reserve_text(st, file_info(in).size);
  std::string line;
  for (bool first = true; read_line(in, line); first = false) {
    if (!first && line == "END") break;
    if (line.empty()) continue;
    st.buf += line;
    st.buf += '\n';
  }

  std::fwrite(st.buf.data(), 1, st.buf.size(), out);
  std::fputc('\n', out);
  std::fflush(out);
}

}  // namespace ljrun
