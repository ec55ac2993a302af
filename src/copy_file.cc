#include "copy_file.h"

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform.h"

namespace ljrun {

namespace {

// Creates a new file named after `name` and the process, trying further
// suffixes while the name is taken (left over from a run that was killed).
std::FILE* create_temp(const char* name, std::string& temp) {
  for (int i = 0; i < 100; ++i) {
    temp = std::string(name) + "." + std::to_string(process_id()) + "." + std::to_string(i);
    if (std::FILE* f = create_new_file(temp.c_str())) return f;
    if (errno != EEXIST) break;
  }
  return nullptr;
}

}  // namespace

bool save_copy(std::string_view text, const char* name) {
  std::string temp;
  std::FILE* f = create_temp(name, temp);
  if (!f) return false;

  bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  written = std::fflush(f) == 0 && written;
  written = std::fclose(f) == 0 && written;
  if (written && replace_file(temp.c_str(), name)) return true;
  std::remove(temp.c_str());
  return false;
}

}  // namespace ljrun
