// The window with its OpenGL context, the display modes, and the pointer.
// Everything here runs on the main thread. SDL is never shut down: closing a
// context destroys its GL context and window only (shutting SDL down unloads
// the GL driver, which leaves memory nothing can free).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Context kinds.
enum : int { kContextAttached = 1, kContextWindow = 2, kContextFullScreen = 3 };

// Context flags (the engine's graphics flags).
enum : int {
  kBackBuffer = 2,
  kAlphaBuffer = 4,
  kDepthBuffer = 8,
  kStencilBuffer = 16,
  kAccumBuffer = 32,
};

struct DisplayMode {
  int width = 0;
  int height = 0;
  int depth = 0;  // bits per pixel as stored (a 24-bit colour in 32-bit pixels is 32)
  int hertz = 0;
};

struct ContextSettings {
  int kind = 0;
  int width = 0;
  int height = 0;
  int depth = 0;
  int hertz = 0;
  int flags = 0;
};

// Opaque: one window (own or attached) with its GL context.
struct GLContext;

// Brings up SDL's video (once); false without a display, with the reason in *error.
bool InitVideo(std::string* error);

// The primary display's modes in SDL's order; empty without a display.
std::vector<DisplayMode> DisplayModes();

// depth 0: a centred window whose client area is width x height.
// depth != 0: a full-screen window at the desktop's own mode. When the desktop
// is not width x height, drawing goes to an offscreen target of exactly
// width x height, which each swap scales to the screen with its aspect kept and
// black bars (letterbox), and pointer positions are mapped back, so callers
// always see a width x height client area. nullptr on failure, with *error set.
GLContext* CreateContext(int width, int height, int depth, int hertz, int flags,
                         const std::string& title, std::string* error);
// A GL context on an existing native window (an X11 Window id).
GLContext* AttachContext(void* nativeWindow, int flags, std::string* error);
// Releases the context (no longer current afterwards), its GL objects and the
// window it created. nullptr does nothing.
void CloseContext(GLContext* context);

// Makes the context current on this thread (nullptr: none). With a letterbox
// the offscreen target is bound as the framebuffer; GL users must not bind
// framebuffer 0 themselves.
bool MakeCurrent(GLContext* context);
GLContext* CurrentContext();

// Stored settings; an attached window's size is re-read each call.
ContextSettings Settings(const GLContext* context);

// Sets the swap interval when it differs from the last one asked for, then
// presents the frame (scaling the offscreen target when letterboxed).
// Returns whether the asked interval is in effect (under Xvfb setting it fails).
bool SwapBuffers(GLContext* context, int interval);

// A number no other context of this run has had (addresses may be reused).
unsigned ContextSerial(const GLContext* context);
// The SDL window id of the context's window.
uint32_t ContextWindowId(const GLContext* context);

// The native window (an X11 Window id), 0 when unknown.
uint64_t NativeWindow(const GLContext* context);

// The refresh rate of the context's display, 0 when unknown.
int DisplayHertz(const GLContext* context);

// Where the drawable's pixels land: the rectangle (in drawable pixels, y down)
// that shows the client area. Equal to 0, 0, width, height unless letterboxed.
struct Letterbox {
  int x = 0, y = 0, w = 0, h = 0;
  bool offscreen = false;
};
Letterbox ContextLetterbox(const GLContext* context);

// Pointer, in the client coordinates of the most recently focused (or opened)
// window of ours. Nothing happens before a window exists.
void MoveMouse(int x, int y);
// Hidden: the pointer disappears over our windows and shows elsewhere.
void SetMouseVisible(bool visible);

// ---- used by the event source ----
// Window coordinates of an SDL window to client coordinates; false when the
// window is not ours.
bool WindowToClient(uint32_t windowId, int wx, int wy, int* cx, int* cy);
// Focus bookkeeping: a full-screen window minimises when it loses focus and is
// restored when it regains it; the swap interval drops to 0 while away.
void WindowFocusChanged(uint32_t windowId, bool focused);
bool WindowMinimised(uint32_t windowId);
void WindowSizeChanged(uint32_t windowId);

}  // namespace platform
