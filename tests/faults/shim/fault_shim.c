/* Makes one chosen call of write, fsync, fdatasync, rename or close fail, the
 * way a full disk (ENOSPC) or a failing device (EIO) makes it fail. Preloaded
 * into a child process; only the calls between quillory_fault_arm() and
 * quillory_fault_disarm() are counted, so start-up and exit never trip it.
 * QUILLORY_FAULT_AT=N fails the Nth counted call (0: none, only counting),
 * QUILLORY_FAULT_ERRNO=E gives it errno E. A close that fails still releases
 * its descriptor, as Linux does. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#define EXPORT __attribute__((visibility("default")))

static int armed;
static long calls;
static long failAt;
static int failErrno = ENOSPC;
static char failed[32];

EXPORT void quillory_fault_arm(void) {
  const char* at = getenv("QUILLORY_FAULT_AT");
  const char* err = getenv("QUILLORY_FAULT_ERRNO");
  failAt = at ? atol(at) : 0;
  failErrno = err ? atoi(err) : ENOSPC;
  calls = 0;
  failed[0] = '\0';
  armed = 1;
}
EXPORT void quillory_fault_disarm(void) { armed = 0; }
EXPORT long quillory_fault_calls(void) { return calls; }
/* "write(file)", "fsync(folder)", ...; empty when no call failed. */
EXPORT const char* quillory_fault_failed(void) { return failed; }

static const char* KindOf(int fd) {
  struct stat st;
  return fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) ? "folder" : "file";
}

/* Counts the call; true when it is the one to fail. */
static int Fails(const char* name, int fd) {
  if (!armed) return 0;
  if (++calls != failAt) return 0;
  snprintf(failed, sizeof failed, "%s(%s)", name, fd >= 0 ? KindOf(fd) : "path");
  return 1;
}

#define REAL(ret, name, ...)                                            \
  static ret (*real)(__VA_ARGS__);                                      \
  if (!real) real = (ret(*)(__VA_ARGS__))dlsym(RTLD_NEXT, name)

EXPORT ssize_t write(int fd, const void* data, size_t count) {
  REAL(ssize_t, "write", int, const void*, size_t);
  if (Fails("write", fd)) {
    errno = failErrno;
    return -1;
  }
  return real(fd, data, count);
}

EXPORT int fsync(int fd) {
  REAL(int, "fsync", int);
  if (Fails("fsync", fd)) {
    errno = failErrno;
    return -1;
  }
  return real(fd);
}

EXPORT int fdatasync(int fd) {
  REAL(int, "fdatasync", int);
  if (Fails("fdatasync", fd)) {
    errno = failErrno;
    return -1;
  }
  return real(fd);
}

EXPORT int rename(const char* from, const char* to) {
  REAL(int, "rename", const char*, const char*);
  if (Fails("rename", -1)) {
    errno = failErrno;
    return -1;
  }
  return real(from, to);
}

EXPORT int close(int fd) {
  REAL(int, "close", int);
  if (Fails("close", fd)) {
    real(fd);
    errno = failErrno;
    return -1;
  }
  return real(fd);
}
