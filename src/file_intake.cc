#include "file_intake.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform.h"

namespace ljrun {

namespace {

struct FileClose {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileClose>;

// Text is read through a buffer this large, for fewer reads of a large file.
constexpr std::size_t kReadBuffer = 1 << 16;

}  // namespace

bool has_bytecode_signature(std::string_view head) {
  return head.size() >= 3 && head[1] == 'L' && head[2] == 'J';
}

void read_text(RunState& st, std::FILE* f) {
  while (std::fgets(st.LineStr, sizeof st.LineStr, f)) {
    st.buf.append(st.LineStr, std::strlen(st.LineStr));
  }
}

bool take_file(RunState& st, const char* path) {
  // Outlives the stream that uses it; left uninitialised, so that a short
  // file touches only the start of it.
  auto io = std::make_unique_for_overwrite<char[]>(kReadBuffer);
  File f(std::fopen(path, "rb"));
  if (!f) return false;
  std::setvbuf(f.get(), io.get(), _IOFBF, kReadBuffer);
  FileInfo info = file_info(f.get());
  if (!info.ok || info.is_dir) return false;

  // Only the signature is looked at, and never more of the file than its
  // reported size: a pipe reports 0 and is read as text from its start.
  char head[3];
  std::size_t got = std::fread(head, 1, std::min<std::uint64_t>(sizeof head, info.size), f.get());
  if (has_bytecode_signature({head, got})) {
    st.bin_mode = 1;
    return true;
  }

  st.bin_mode = 0;
  if (got > 0 && std::fseek(f.get(), 0, SEEK_SET) != 0) return false;
  set_text_mode(f.get());
  reserve_text(st, info.size);
  read_text(st, f.get());
  return true;
}

}  // namespace ljrun
