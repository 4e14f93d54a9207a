// Finds a top-level window by its title on the X server, apart from the
// engine headers: Xlib's macros would shadow DisplayWidth / DisplayHeight.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cstring>
#include <string>

unsigned long FindTopLevelWindow(const std::string& title, int timeoutMs) {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return 0;
  unsigned long found = 0;
  for (int waited = 0; !found && waited <= timeoutMs; waited += 20) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int n = 0;
    if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n)) {
      for (unsigned int i = 0; i < n && !found; ++i) {
        XTextProperty tp{};
        XWindowAttributes attrs{};
        // The raw bytes: the title may be typed UTF8_STRING, which XFetchName refuses.
        if (XGetWMName(d, children[i], &tp) && tp.value) {
          if (tp.nitems == title.size() && std::memcmp(tp.value, title.data(), title.size()) == 0 &&
              XGetWindowAttributes(d, children[i], &attrs) && attrs.map_state == IsViewable) {
            found = children[i];
          }
          XFree(tp.value);
        }
      }
      if (children) XFree(children);
    }
    if (!found) usleep(20000);
  }
  XCloseDisplay(d);
  return found;
}
