// Writing a whole buffer to a file descriptor, for the shell's own files
// (the unpacked pictures, the scores file), which it writes with the
// system's calls to see every failure and to sync and rename.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstddef>

// False when the system refuses a write or makes no progress.
inline bool WriteAll(int fd, const void* data, size_t count) {
  const char* p = static_cast<const char*>(data);
  while (count > 0) {
    const ssize_t n = write(fd, p, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    count -= static_cast<size_t>(n);
  }
  return true;
}
