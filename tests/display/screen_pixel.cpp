// Reads the X server's screen, apart from the display headers: Xlib's macros
// would shadow the engine's DisplayWidth / DisplayHeight.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <array>

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
