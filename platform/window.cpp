#include "platform/window.h"

#include <SDL.h>
#include <SDL_opengl.h>
#include <SDL_syswm.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <cmath>
#include <vector>

namespace platform {

struct GLContext {
  ContextSettings settings;
  SDL_Window* window = nullptr;
  SDL_GLContext gl = nullptr;
  int interval = -2;  // last interval asked for; -2 none yet
  bool intervalOk = false;
  // Offscreen target of width x height when the screen has another size.
  GLuint fbo = 0, colorRb = 0, depthRb = 0;
  Letterbox box;
  unsigned serial = 0;
};

namespace {

// Framebuffer entry points (GL 3.0 / ARB_framebuffer_object), looked up once.
struct FboProcs {
  PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
  PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
  PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
  PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
  PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
  PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
  PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
  PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
  PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
  PFNGLBLITFRAMEBUFFERPROC blitFramebuffer = nullptr;
  bool ok = false;
};

FboProcs& Fbo() {
  static FboProcs procs = [] {
    FboProcs p;
    p.genFramebuffers = reinterpret_cast<PFNGLGENFRAMEBUFFERSPROC>(SDL_GL_GetProcAddress("glGenFramebuffers"));
    p.deleteFramebuffers =
        reinterpret_cast<PFNGLDELETEFRAMEBUFFERSPROC>(SDL_GL_GetProcAddress("glDeleteFramebuffers"));
    p.bindFramebuffer = reinterpret_cast<PFNGLBINDFRAMEBUFFERPROC>(SDL_GL_GetProcAddress("glBindFramebuffer"));
    p.genRenderbuffers =
        reinterpret_cast<PFNGLGENRENDERBUFFERSPROC>(SDL_GL_GetProcAddress("glGenRenderbuffers"));
    p.deleteRenderbuffers =
        reinterpret_cast<PFNGLDELETERENDERBUFFERSPROC>(SDL_GL_GetProcAddress("glDeleteRenderbuffers"));
    p.bindRenderbuffer =
        reinterpret_cast<PFNGLBINDRENDERBUFFERPROC>(SDL_GL_GetProcAddress("glBindRenderbuffer"));
    p.renderbufferStorage =
        reinterpret_cast<PFNGLRENDERBUFFERSTORAGEPROC>(SDL_GL_GetProcAddress("glRenderbufferStorage"));
    p.framebufferRenderbuffer = reinterpret_cast<PFNGLFRAMEBUFFERRENDERBUFFERPROC>(
        SDL_GL_GetProcAddress("glFramebufferRenderbuffer"));
    p.checkFramebufferStatus = reinterpret_cast<PFNGLCHECKFRAMEBUFFERSTATUSPROC>(
        SDL_GL_GetProcAddress("glCheckFramebufferStatus"));
    p.blitFramebuffer = reinterpret_cast<PFNGLBLITFRAMEBUFFERPROC>(SDL_GL_GetProcAddress("glBlitFramebuffer"));
    p.ok = p.genFramebuffers && p.deleteFramebuffers && p.bindFramebuffer && p.genRenderbuffers &&
           p.deleteRenderbuffers && p.bindRenderbuffer && p.renderbufferStorage && p.framebufferRenderbuffer &&
           p.checkFramebufferStatus && p.blitFramebuffer;
    return p;
  }();
  return procs;
}

std::vector<GLContext*>& Contexts() {
  static auto* list = new std::vector<GLContext*>;
  return *list;
}

GLContext* current = nullptr;
GLContext* pointerTarget = nullptr;  // the window MoveMouse speaks to
bool pointerVisible = true;
unsigned lastSerial = 0;

GLContext* FindByWindow(uint32_t windowId) {
  for (GLContext* c : Contexts()) {
    if (c->window && SDL_GetWindowID(c->window) == windowId) return c;
  }
  return nullptr;
}

// Recomputes where the width x height frame lands in the drawable.
void UpdateLetterbox(GLContext* c) {
  int dw = 0, dh = 0;
  SDL_GL_GetDrawableSize(c->window, &dw, &dh);
  const int w = c->settings.width, h = c->settings.height;
  if (!c->fbo || dw <= 0 || dh <= 0 || w <= 0 || h <= 0) {
    c->box = Letterbox{0, 0, w, h, c->fbo != 0};
    return;
  }
  // Largest scale that fits both ways, aspect kept; integer arithmetic so
  // equal sizes map exactly.
  int bw = dw, bh = static_cast<int>(static_cast<int64_t>(dw) * h / w);
  if (bh > dh) {
    bh = dh;
    bw = static_cast<int>(static_cast<int64_t>(dh) * w / h);
  }
  c->box = Letterbox{(dw - bw) / 2, (dh - bh) / 2, bw, bh, true};
}

bool CreateOffscreen(GLContext* c) {
  FboProcs& f = Fbo();
  if (!f.ok) return false;
  const int w = c->settings.width, h = c->settings.height;
  f.genFramebuffers(1, &c->fbo);
  f.bindFramebuffer(GL_FRAMEBUFFER, c->fbo);
  f.genRenderbuffers(1, &c->colorRb);
  f.bindRenderbuffer(GL_RENDERBUFFER, c->colorRb);
  f.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, w, h);
  f.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, c->colorRb);
  if (c->settings.flags & (kDepthBuffer | kStencilBuffer)) {
    f.genRenderbuffers(1, &c->depthRb);
    f.bindRenderbuffer(GL_RENDERBUFFER, c->depthRb);
    f.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, w, h);
    f.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, c->depthRb);
  }
  f.bindRenderbuffer(GL_RENDERBUFFER, 0);
  if (f.checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    f.bindFramebuffer(GL_FRAMEBUFFER, 0);
    if (c->depthRb) f.deleteRenderbuffers(1, &c->depthRb);
    f.deleteRenderbuffers(1, &c->colorRb);
    f.deleteFramebuffers(1, &c->fbo);
    c->fbo = c->colorRb = c->depthRb = 0;
    return false;
  }
  return true;
}

void ApplyPointerVisibility() {
  if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(pointerVisible ? SDL_ENABLE : SDL_DISABLE);
}

void SetGLAttributes(int flags) {
  SDL_GL_ResetAttributes();
  // Immediate mode needs a compatibility context; a core profile breaks it.
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 1);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 1);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 1);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, (flags & kBackBuffer) ? 1 : 0);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, (flags & kAlphaBuffer) ? 1 : 0);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, (flags & kDepthBuffer) ? 1 : 0);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, (flags & kStencilBuffer) ? 1 : 0);
  const int accum = (flags & kAccumBuffer) ? 1 : 0;
  SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, accum);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, accum);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, accum);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, accum);
}

// Mesa's software renderer frees megabytes of binning memory at the
// end of every frame and asks for it again in the next. With glibc's default
// trim threshold that memory goes back to the kernel and every page faults in
// anew, which made issuing a frame several times slower. Keeping up to this
// much free memory at the top of the heap lets the frames reuse it.
void KeepRendererHeap() {
#if defined(__GLIBC__)
  static const bool once = [] {
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
    // Fixing the trim threshold also fixes the mmap threshold at 128 KiB:
    // every large block (a decoded picture, a texture's padded copy) would be
    // a mapping of its own, faulted in page by page and unmapped when freed.
    // Blocks up to 32 MiB come from the heap and are reused instead.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    return true;
  }();
  (void)once;
#endif
}

GLContext* FinishContext(GLContext* c, std::string* error) {
  KeepRendererHeap();
  c->gl = SDL_GL_CreateContext(c->window);
  if (!c->gl) {
    if (error) *error = std::string("cannot create an OpenGL context: ") + SDL_GetError();
    SDL_DestroyWindow(c->window);
    delete c;
    // SDL_GL_CreateContext leaves the previous context current only on success.
    if (current) SDL_GL_MakeCurrent(current->window, current->gl);
    return nullptr;
  }
  c->serial = ++lastSerial;
  Contexts().push_back(c);
  pointerTarget = c;
  current = c;  // SDL made it current
  SDL_StartTextInput();
  ApplyPointerVisibility();
  return c;
}

// The client area of a window someone else owns, read from the window system:
// SDL hears of no resizes there, as it does not listen to that window.
void AttachedSize(const GLContext* c, int* w, int* h) {
  SDL_GetWindowSize(c->window, w, h);
#if defined(SDL_VIDEO_DRIVER_X11)
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(c->window, &info) && info.subsystem == SDL_SYSWM_X11) {
    ::Window root = 0;
    int x = 0, y = 0;
    unsigned int cw = 0, ch = 0, border = 0, depth = 0;
    if (XGetGeometry(info.info.x11.display, info.info.x11.window, &root, &x, &y, &cw, &ch, &border, &depth)) {
      *w = static_cast<int>(cw);
      *h = static_cast<int>(ch);
    }
  }
#endif
}

}  // namespace

bool InitVideo(std::string* error) {
  if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
  // Ctrl+C and kill end the program as usual instead of becoming a close request.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "1");
  // The window layer speaks X11 (XWayland on a Wayland desktop); probing other
  // video drivers first only loads and drops their libraries. SDL_VIDEODRIVER
  // in the environment still wins.
  SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_DEFAULT);
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    if (error) *error = std::string("cannot open the display: ") + SDL_GetError();
    return false;
  }
  return true;
}

std::vector<DisplayMode> DisplayModes() {
  std::vector<DisplayMode> modes;
  if (!InitVideo(nullptr)) return modes;
  const int n = SDL_GetNumDisplayModes(0);
  for (int i = 0; i < n; ++i) {
    SDL_DisplayMode m{};
    if (SDL_GetDisplayMode(0, i, &m) != 0) continue;
    int depth = SDL_BYTESPERPIXEL(m.format) * 8;
    if (depth == 0) depth = SDL_BITSPERPIXEL(m.format);
    modes.push_back(DisplayMode{m.w, m.h, depth, m.refresh_rate});
  }
  return modes;
}

GLContext* CreateContext(int width, int height, int depth, int hertz, int flags, const std::string& title,
                         std::string* error) {
  if (width <= 0 || height <= 0) {
    if (error) *error = "window size must be positive";
    return nullptr;
  }
  if (!InitVideo(error)) return nullptr;
  SetGLAttributes(flags);
  const bool full = depth != 0;
  Uint32 wflags = SDL_WINDOW_OPENGL;
  // Full screen keeps the desktop's own mode: a real mode switch resizes every
  // monitor of a Linux desktop. The frame is scaled instead.
  if (full) wflags |= SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS;
  auto* c = new GLContext;
  c->settings = ContextSettings{full ? kContextFullScreen : kContextWindow, width, height, depth, hertz, flags};
  int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED, ww = width, wh = height;
  SDL_Rect bounds{};
  if (full && SDL_GetDisplayBounds(0, &bounds) == 0 && bounds.w > 0 && bounds.h > 0) {
    // Made at the screen's size in the first place: without a window manager
    // to honour the full-screen request the window would keep width x height.
    x = bounds.x, y = bounds.y, ww = bounds.w, wh = bounds.h;
  }
  c->window = SDL_CreateWindow(title.c_str(), x, y, ww, wh, wflags);
  if (!c->window) {
    if (error) {
      *error = full ? std::string("GLGraphicsDriver failed to set display mode")
                    : std::string("cannot create the window: ") + SDL_GetError();
    }
    delete c;
    return nullptr;
  }
  if (full && hertz > 0) {
    // Only what the window reports; the desktop mode itself stays.
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(SDL_GetWindowDisplayIndex(c->window), &mode) == 0) {
      mode.refresh_rate = hertz;
      SDL_SetWindowDisplayMode(c->window, &mode);
    }
  }
  if (!FinishContext(c, error)) return nullptr;
  if (full) {
    SDL_DisplayMode desk{};
    if (SDL_GetDesktopDisplayMode(SDL_GetWindowDisplayIndex(c->window), &desk) == 0 &&
        (desk.w != width || desk.h != height)) {
      CreateOffscreen(c);  // without framebuffer objects: drawn unscaled at the top left
    }
  }
  UpdateLetterbox(c);
  return c;
}

GLContext* AttachContext(void* nativeWindow, int flags, std::string* error) {
  if (!nativeWindow) {
    if (error) *error = "no window to attach to";
    return nullptr;
  }
  if (!InitVideo(error)) return nullptr;
  SetGLAttributes(flags);
  SDL_SetHint(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, "1");
  auto* c = new GLContext;
  c->window = SDL_CreateWindowFrom(nativeWindow);
  if (!c->window) {
    if (error) *error = std::string("cannot attach to the window: ") + SDL_GetError();
    delete c;
    return nullptr;
  }
  int w = 0, h = 0;
  SDL_GetWindowSize(c->window, &w, &h);
  c->settings = ContextSettings{kContextAttached, w, h, 0, 0, flags};
  if (!FinishContext(c, error)) return nullptr;
  UpdateLetterbox(c);
  return c;
}

void CloseContext(GLContext* c) {
  if (!c) return;
  auto& list = Contexts();
  auto it = std::find(list.begin(), list.end(), c);
  if (it == list.end()) return;
  list.erase(it);
  if (c->fbo && SDL_GL_MakeCurrent(c->window, c->gl) == 0) {
    FboProcs& f = Fbo();
    f.bindFramebuffer(GL_FRAMEBUFFER, 0);
    if (c->depthRb) f.deleteRenderbuffers(1, &c->depthRb);
    f.deleteRenderbuffers(1, &c->colorRb);
    f.deleteFramebuffers(1, &c->fbo);
  }
  SDL_GL_MakeCurrent(c->window, nullptr);
  SDL_GL_DeleteContext(c->gl);
  SDL_DestroyWindow(c->window);
  if (pointerTarget == c) pointerTarget = list.empty() ? nullptr : list.back();
  if (current == c) {
    current = nullptr;
  } else if (current) {
    SDL_GL_MakeCurrent(current->window, current->gl);
  }
  delete c;
}

bool MakeCurrent(GLContext* c) {
  if (!c) {
    if (current) SDL_GL_MakeCurrent(current->window, nullptr);
    current = nullptr;
    return true;
  }
  if (std::find(Contexts().begin(), Contexts().end(), c) == Contexts().end()) return false;
  if (SDL_GL_MakeCurrent(c->window, c->gl) != 0) return false;
  current = c;
  if (c->fbo) Fbo().bindFramebuffer(GL_FRAMEBUFFER, c->fbo);
  return true;
}

GLContext* CurrentContext() { return current; }

ContextSettings Settings(const GLContext* c) {
  if (!c) return {};
  ContextSettings s = c->settings;
  if (s.kind == kContextAttached) AttachedSize(c, &s.width, &s.height);
  return s;
}

bool SwapBuffers(GLContext* c, int interval) {
  if (!c) return false;
  if (interval != c->interval) {
    c->interval = interval;
    c->intervalOk = SDL_GL_SetSwapInterval(interval) == 0;
  }
  if (c->fbo) {
    UpdateLetterbox(c);
    FboProcs& f = Fbo();
    int dw = 0, dh = 0;
    SDL_GL_GetDrawableSize(c->window, &dw, &dh);
    const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    glDisable(GL_SCISSOR_TEST);
    f.bindFramebuffer(GL_READ_FRAMEBUFFER, c->fbo);
    f.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    // GL's y runs up: the box's top edge in drawable pixels is dh - y - h.
    const Letterbox& b = c->box;
    const int y0 = dh - b.y - b.h;
    const bool exact = b.w == c->settings.width && b.h == c->settings.height;
    f.blitFramebuffer(0, 0, c->settings.width, c->settings.height, b.x, y0, b.x + b.w, y0 + b.h,
                      GL_COLOR_BUFFER_BIT, exact ? GL_NEAREST : GL_LINEAR);
    SDL_GL_SwapWindow(c->window);
    f.bindFramebuffer(GL_FRAMEBUFFER, c->fbo);
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    if (scissor) glEnable(GL_SCISSOR_TEST);
  } else {
    SDL_GL_SwapWindow(c->window);
  }
  return c->intervalOk;
}

unsigned ContextSerial(const GLContext* c) { return c ? c->serial : 0; }

uint32_t ContextWindowId(const GLContext* c) { return c && c->window ? SDL_GetWindowID(c->window) : 0; }

uint64_t NativeWindow(const GLContext* c) {
  if (!c || !c->window) return 0;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(c->window, &info)) return 0;
#if defined(SDL_VIDEO_DRIVER_X11)
  if (info.subsystem == SDL_SYSWM_X11) return static_cast<uint64_t>(info.info.x11.window);
#endif
  return 0;
}

int DisplayHertz(const GLContext* c) {
  if (!c || !c->window) return 0;
  SDL_DisplayMode m{};
  if (SDL_GetDesktopDisplayMode(SDL_GetWindowDisplayIndex(c->window), &m) != 0) return 0;
  return m.refresh_rate;
}

Letterbox ContextLetterbox(const GLContext* c) { return c ? c->box : Letterbox{}; }

void MoveMouse(int x, int y) {
  GLContext* c = pointerTarget;
  if (!c) return;
  int ww = 0, wh = 0, dw = 0, dh = 0;
  SDL_GetWindowSize(c->window, &ww, &wh);
  SDL_GL_GetDrawableSize(c->window, &dw, &dh);
  const Letterbox& b = c->box;
  int wx = x, wy = y;
  if (b.offscreen && c->settings.width > 0 && c->settings.height > 0 && dw > 0 && dh > 0) {
    // Client -> drawable pixels -> window coordinates.
    const double px = b.x + (x + 0.5) * b.w / c->settings.width;
    const double py = b.y + (y + 0.5) * b.h / c->settings.height;
    wx = static_cast<int>(std::floor(px * ww / dw));
    wy = static_cast<int>(std::floor(py * wh / dh));
  }
  SDL_WarpMouseInWindow(c->window, wx, wy);
}

void SetMouseVisible(bool visible) {
  pointerVisible = visible;
  ApplyPointerVisibility();
}

bool WindowToClient(uint32_t windowId, int wx, int wy, int* cx, int* cy) {
  GLContext* c = FindByWindow(windowId);
  if (!c) return false;
  const Letterbox& b = c->box;
  if (!b.offscreen || b.w <= 0 || b.h <= 0) {
    *cx = wx;
    *cy = wy;
    return true;
  }
  int ww = 0, wh = 0, dw = 0, dh = 0;
  SDL_GetWindowSize(c->window, &ww, &wh);
  SDL_GL_GetDrawableSize(c->window, &dw, &dh);
  if (ww <= 0 || wh <= 0) return false;
  // Window -> drawable pixels -> client; positions on the bars fall outside
  // the client area, as they would beside a captured window.
  const double px = wx * static_cast<double>(dw) / ww;
  const double py = wy * static_cast<double>(dh) / wh;
  *cx = static_cast<int>(std::floor((px - b.x) * c->settings.width / b.w));
  *cy = static_cast<int>(std::floor((py - b.y) * c->settings.height / b.h));
  return true;
}

void WindowFocusChanged(uint32_t windowId, bool focused) {
  GLContext* c = FindByWindow(windowId);
  if (!c) return;
  if (focused) pointerTarget = c;
  if (c->settings.kind != kContextFullScreen) return;
  if (focused) {
    if (SDL_GetWindowFlags(c->window) & SDL_WINDOW_MINIMIZED) SDL_RestoreWindow(c->window);
  } else {
    // Out of the way of the other program, and no vertical-blank waits meanwhile.
    SDL_MinimizeWindow(c->window);
    if (current == c && c->interval != 0) {
      c->interval = 0;
      c->intervalOk = SDL_GL_SetSwapInterval(0) == 0;
    }
  }
}

bool WindowMinimised(uint32_t windowId) {
  SDL_Window* w = SDL_GetWindowFromID(windowId);
  return w && (SDL_GetWindowFlags(w) & SDL_WINDOW_MINIMIZED);
}

void WindowSizeChanged(uint32_t windowId) {
  if (GLContext* c = FindByWindow(windowId)) UpdateLetterbox(c);
}

}  // namespace platform
