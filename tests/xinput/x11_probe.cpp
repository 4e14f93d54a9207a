// Looks at the X server itself (windows, screen pixels), apart from the
// engine headers: Xlib's macros would shadow DisplayWidth / DisplayHeight.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>

#include <array>
#include <cstring>
#include <string>
#include <vector>

// Defined by each program that links this file: xdotool with these arguments.
bool Xdo(std::vector<std::string> args);

namespace {

// A window can be gone between being listed and being read (SDL makes its
// window again for GL); Xlib's default handler would end the test there.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

}  // namespace

unsigned long FindTopLevelWindow(const std::string& title, int timeoutMs) {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return 0;
  const auto previous = XSetErrorHandler(IgnoreXError);
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
  XSync(d, False);
  XSetErrorHandler(previous);
  XCloseDisplay(d);
  return found;
}

// A box can be viewable a moment before it reads its keys, and a Return sent
// then is lost: press it again until the box has gone.
bool CloseBoxWithReturn(const std::string& title, int timeoutMs) {
  unsigned long box = FindTopLevelWindow(title, timeoutMs);
  for (int waited = 0; box && waited <= timeoutMs; waited += 500) {
    // No --sync: it waits for the focus without end when something takes it
    // back first. The server takes the focus and the key in the order sent.
    Xdo({"windowfocus", std::to_string(box), "key", "Return"});
    for (int gone = 0; gone < 500; gone += 20) {
      if (FindTopLevelWindow(title, 0) != box) return true;
      usleep(20000);
    }
  }
  return false;
}

// Every frame the program shows reaches the X server as new contents of its
// window. Counting them is how a test knows that input it sent has been read:
// the frame under way when a key arrives may have polled already, the next one
// has not. Ends false when the window stops drawing for the time.
bool AwaitFrames(unsigned long window, int frames, int timeoutMs) {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return false;
  int eventBase = 0, errorBase = 0;
  if (!XDamageQueryExtension(d, &eventBase, &errorBase)) {
    XCloseDisplay(d);
    return false;
  }
  // A window that has gone raises BadDrawable.
  const auto previous = XSetErrorHandler(IgnoreXError);
  const Damage damage = XDamageCreate(d, window, XDamageReportNonEmpty);
  XSync(d, False);
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int seen = 0;
  while (seen < frames && std::chrono::steady_clock::now() < until) {
    if (XPending(d) == 0) {
      pollfd fd{ConnectionNumber(d), POLLIN, 0};
      poll(&fd, 1, 20);
      continue;
    }
    XEvent e;
    XNextEvent(d, &e);
    if (e.type == eventBase + XDamageNotify) {
      ++seen;
      XDamageSubtract(d, damage, None, None);  // the next frame reports again
    }
  }
  XDamageDestroy(d, damage);
  XSync(d, False);
  XSetErrorHandler(previous);
  XCloseDisplay(d);
  return seen >= frames;
}

// The window holds the X keyboard focus (itself or a window inside it).
bool HasFocus(unsigned long window) {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return false;
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(d, &focus, &revert);
  bool inside = false;
  for (Window w = focus; w > PointerRoot && !inside;) {
    inside = w == window;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(d, w, &root, &parent, &children, &n)) break;
    if (children) XFree(children);
    w = parent == root ? 0 : parent;
  }
  XCloseDisplay(d);
  return inside;
}

namespace {

int Channel(unsigned long pixel, unsigned long mask) {
  int shift = 0;
  while (mask && !(mask & 1)) mask >>= 1, ++shift;
  return static_cast<int>((pixel >> shift) & 0xFF);
}

}  // namespace

std::array<int, 3> ScreenPixel(SDL_Window* win, int x, int y) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(win, &info) || info.subsystem != SDL_SYSWM_X11) return {-1, -1, -1};
  Display* d = info.info.x11.display;
  XSync(d, False);  // the swap has reached the server
  XImage* img = XGetImage(d, DefaultRootWindow(d), x, y, 1, 1, AllPlanes, ZPixmap);
  if (!img) return {-1, -1, -1};
  const unsigned long p = XGetPixel(img, 0, 0);
  std::array<int, 3> rgb{Channel(p, img->red_mask), Channel(p, img->green_mask), Channel(p, img->blue_mask)};
  XDestroyImage(img);
  return rgb;
}

namespace {

Display* PlainDisplay() {
  static Display* d = XOpenDisplay(nullptr);
  return d;
}

}  // namespace

// A plain X window made by another X client than SDL, mapped at (0, 0).
unsigned long CreatePlainWindow(int w, int h) {
  Display* d = PlainDisplay();
  if (!d) return 0;
  const Window win = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, static_cast<unsigned>(w),
                                         static_cast<unsigned>(h), 0, 0, 0);
  XMapWindow(d, win);
  XSync(d, False);
  return win;
}

void ResizePlainWindow(unsigned long win, int w, int h) {
  XResizeWindow(PlainDisplay(), win, static_cast<unsigned>(w), static_cast<unsigned>(h));
  XSync(PlainDisplay(), False);
}

void DestroyPlainWindow(unsigned long win) {
  XDestroyWindow(PlainDisplay(), win);
  XSync(PlainDisplay(), False);
}
