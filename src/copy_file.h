// The copy of the last text script, kept in the working directory.
#ifndef LJRUN_COPY_FILE_H_
#define LJRUN_COPY_FILE_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace ljrun {

inline constexpr const char kCopyName[] = "tmp.lua";

// The script text, to be saved as the file `name`.  It is made ready before
// the script runs, so that it can be saved from a signal handler as well as
// after the run; the text must not change until then.
class Copy {
 public:
  Copy(std::string_view text, const char* name);

  // Replaces the file with the text, written in text mode.  The text goes to
  // a new file beside it first, which is renamed over the file only once it
  // is complete: if anything fails, the file stays as it was and the new
  // file is removed.  Returns whether the copy was made.  It makes only
  // calls that are safe in a signal handler, and allocates nothing.
  bool save();

 private:
  std::string_view text_;
  std::string name_;
  // name_ + "." + the process id + ".", then a number and its terminator.
  std::string temp_;
  std::size_t number_at_;
};

}  // namespace ljrun

#endif  // LJRUN_COPY_FILE_H_
