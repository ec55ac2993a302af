#include "platform.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ljrun {

#ifdef _WIN32

void prepare_process() {}

FileInfo file_info(std::FILE* f) {
  struct _stat64 st;
  if (_fstat64(_fileno(f), &st) != 0) return {};
  return {true, (st.st_mode & _S_IFDIR) != 0, static_cast<std::uint64_t>(st.st_size)};
}

void set_text_mode(std::FILE* f) { _setmode(_fileno(f), _O_TEXT); }

std::FILE* create_new_file(const char* name) {
  int fd = _open(name, _O_WRONLY | _O_CREAT | _O_EXCL | _O_TEXT, _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  std::FILE* f = _fdopen(fd, "w");
  if (!f) _close(fd);
  return f;
}

bool replace_file(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

unsigned long process_id() { return static_cast<unsigned long>(_getpid()); }

#else

void prepare_process() {
  signal(SIGPIPE, SIG_IGN);
  signal(SIGXFSZ, SIG_IGN);
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) == -1) open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
  }
}

FileInfo file_info(std::FILE* f) {
  struct stat st;
  if (fstat(fileno(f), &st) != 0) return {};
  std::uint64_t size = st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
  return {true, S_ISDIR(st.st_mode), size};
}

void set_text_mode(std::FILE*) {}

std::FILE* create_new_file(const char* name) {
  int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  std::FILE* f = fdopen(fd, "w");
  if (!f) close(fd);
  return f;
}

bool replace_file(const char* from, const char* to) { return std::rename(from, to) == 0; }

unsigned long process_id() { return static_cast<unsigned long>(getpid()); }

#endif

}  // namespace ljrun
