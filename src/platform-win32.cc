#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>

#include "platform.h"

namespace ljrun {

void prepare_process() {}

FileInfo file_info(std::FILE* f) {
  struct _stat64 st;
  if (_fstat64(_fileno(f), &st) != 0) return {};
  return {true, (st.st_mode & _S_IFDIR) != 0, static_cast<std::uint64_t>(st.st_size)};
}

void set_text_mode(std::FILE* f) { _setmode(_fileno(f), _O_TEXT); }

int create_new_file(const char* name) {
  return _open(name, _O_WRONLY | _O_CREAT | _O_EXCL | _O_TEXT | _O_NOINHERIT,
               _S_IREAD | _S_IWRITE);
}

// In text mode the C runtime writes each line feed as CR LF.
bool write_file(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    int n = _write(fd, data, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool close_file(int fd) { return _close(fd) == 0; }

bool replace_file(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

void remove_file(const char* name) { _unlink(name); }

unsigned long process_id() { return static_cast<unsigned long>(_getpid()); }

}  // namespace ljrun
