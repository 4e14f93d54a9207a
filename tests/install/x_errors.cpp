#include "tests/install/x_errors.h"

#include <X11/Xlib.h>

#include <cstdio>

namespace {

int OnXError(Display*, XErrorEvent* e) {
  if (e->error_code != BadWindow) std::fprintf(stderr, "X error %d, request %d\n", e->error_code, e->request_code);
  return 0;
}

}  // namespace

void IgnoreGoneXWindows() { XSetErrorHandler(OnXError); }
