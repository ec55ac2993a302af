// The copy of the last text script, kept in the working directory.
#ifndef LJRUN_COPY_FILE_H_
#define LJRUN_COPY_FILE_H_

#include <string_view>

namespace ljrun {

inline constexpr const char kCopyName[] = "tmp.lua";

// Replaces the file `name` with `text`, written in text mode.  The text goes
// to a new file beside it first, which is renamed over `name` only once it is
// complete: if anything fails, `name` stays as it was and the new file is
// removed.  Returns whether the copy was made.
bool save_copy(std::string_view text, const char* name);

}  // namespace ljrun

#endif  // LJRUN_COPY_FILE_H_
