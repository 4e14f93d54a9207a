#include "platform/posix.h"

#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

extern char** environ;

namespace platform {

int64_t MonotonicMillis() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void SleepMillis(int ms) {
  if (ms <= 0) return;
  timespec req{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&req, &req) != 0 && errno == EINTR) {
  }
}

std::string UserDataDir() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && xdg[0] == '/') {
    std::string dir = xdg;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
  }
  const char* home = std::getenv("HOME");
  if (!home || home[0] != '/') return {};
  std::string dir = home;
  while (!dir.empty() && dir.back() == '/') dir.pop_back();  // a home of "/" leaves ""
  return dir + "/.local/share";
}

std::string ExecutableDir() {
  std::vector<char> buf(PATH_MAX + 1);
  const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return {};
  std::string path(buf.data(), static_cast<size_t>(n));
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? "/" : path.substr(0, slash);
}

namespace {

// Openers started and not yet reaped. xdg-open may keep running for as long as
// the browser it started does, so the game never waits for one: finished ones
// are collected at the next call.
std::vector<pid_t>& Openers() {
  static std::vector<pid_t> pids;
  return pids;
}

void ReapOpeners() {
  auto& pids = Openers();
  for (size_t i = 0; i < pids.size();) {
    int status = 0;
    const pid_t r = waitpid(pids[i], &status, WNOHANG);
    if (r == pids[i] || (r < 0 && errno == ECHILD)) {
      pids[i] = pids.back();
      pids.pop_back();
    } else {
      ++i;
    }
  }
}

}  // namespace

bool OpenURL(const std::string& url) {
  ReapOpeners();
  // An address that looks like an option would be taken as one.
  if (url.empty() || url[0] == '-' || url.find('\0') != std::string::npos) return false;
  // Passed as one argument vector entry: no shell ever sees the address.
  char prog[] = "xdg-open";
  std::vector<char> arg(url.begin(), url.end());
  arg.push_back('\0');
  char* argv[] = {prog, arg.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, prog, nullptr, nullptr, argv, environ) != 0) return false;
  Openers().push_back(pid);
  return true;
}

}  // namespace platform
