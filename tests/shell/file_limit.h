// Runs a piece of a test in a child process whose files may not grow beyond
// a given size: a write past it fails (EFBIG) instead of ending the process.
// Root ignores file permissions, but not this limit.
#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

namespace shelltest {

// The body's result (0-255), or -1 when the child did not end normally.
inline int RunWithFileSizeLimit(rlim_t limit, const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit rl{limit, limit};
    if (setrlimit(RLIMIT_FSIZE, &rl) != 0) _exit(255);
    _exit(body() & 0xFF);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace shelltest
