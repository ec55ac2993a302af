// What ljrun needs from the operating system beyond standard C and C++.  Each
// system has its own file: platform-posix.cc, platform-win32.cc.
#ifndef LJRUN_PLATFORM_H_
#define LJRUN_PLATFORM_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace ljrun {

// Makes the process safe to run whatever its surroundings: a reader of
// standard output that goes away, or a file-size limit, makes a write fail
// instead of killing the process, and a standard stream that was closed is
// opened on the null device so that no file the run opens takes its place.
void prepare_process();

struct FileInfo {
  bool ok = false;
  bool is_dir = false;
  std::uint64_t size = 0;  // as the file system reports it; 0 for a pipe
};

// Asks the file system about an open file.
FileInfo file_info(std::FILE* f);

// Reads one byte as getc does, without locking the stream: ljrun has one
// thread.
inline int getc_unlocked_stream(std::FILE* f) {
#ifdef _WIN32
  return _getc_nolock(f);
#else
  return getc_unlocked(f);
#endif
}

// Switches a stream opened in binary mode to text mode, where the platform
// has one; call it at the start of the file, before reading.
void set_text_mode(std::FILE* f);

// The calls that write the copy of the script.  They are safe to make from a
// signal handler, and they allocate nothing.

// Creates `name` for writing in text mode and returns its descriptor, or -1;
// fails with errno EEXIST if it exists.
int create_new_file(const char* name);

// Writes all `size` bytes to `fd`; false if any could not be written.
bool write_file(int fd, const char* data, std::size_t size);

// Closes `fd`; false if what was written may not have reached the file.
bool close_file(int fd);

// Renames `from` to `to`, replacing `to` if it exists.
bool replace_file(const char* from, const char* to);

void remove_file(const char* name);

unsigned long process_id();

}  // namespace ljrun

#endif  // LJRUN_PLATFORM_H_
