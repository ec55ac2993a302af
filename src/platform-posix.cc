#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "platform.h"

namespace ljrun {

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

int create_new_file(const char* name) {
  return open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

bool write_file(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = write(fd, data, std::min<std::size_t>(size, SSIZE_MAX));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool close_file(int fd) { return close(fd) == 0; }

bool replace_file(const char* from, const char* to) { return rename(from, to) == 0; }

void remove_file(const char* name) { unlink(name); }

unsigned long process_id() { return static_cast<unsigned long>(getpid()); }

}  // namespace ljrun
