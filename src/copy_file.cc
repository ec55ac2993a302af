#include "copy_file.h"

#include <cerrno>
#include <charconv>

#include "platform.h"

namespace ljrun {

namespace {

// Temporary names left over from runs that were killed are skipped, up to
// this many.
constexpr int kTempNames = 100;

}  // namespace

Copy::Copy(std::string_view text, const char* name)
    : text_(text), name_(name), temp_(name_ + "." + std::to_string(process_id()) + ".") {
  number_at_ = temp_.size();
  temp_.resize(number_at_ + 3);  // two digits and the terminator
}

bool Copy::save() {
  int fd = -1;
  for (int i = 0; i < kTempNames && fd == -1; ++i) {
    char* end = std::to_chars(temp_.data() + number_at_, temp_.data() + temp_.size(), i).ptr;
    *end = '\0';
    fd = create_new_file(temp_.c_str());
    if (fd == -1 && errno != EEXIST) return false;
  }
  if (fd == -1) return false;

  bool written = write_file(fd, text_.data(), text_.size());
  written = close_file(fd) && written;
  if (written && replace_file(temp_.c_str(), name_.c_str())) return true;
  remove_file(temp_.c_str());
  return false;
}

}  // namespace ljrun
