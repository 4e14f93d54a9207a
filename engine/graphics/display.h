// The display: graphics drivers and graphics objects, opening and closing the
// game's screen, presenting frames and pacing them.
//
// Two levels. The generic level (TGraphics, TGraphicsDriver and the global
// operations below) knows only abstract objects and a current driver. The
// OpenGL level (TGLGraphics, TGLGraphicsDriver) wraps a platform window with
// an OpenGL compatibility context.
//
// How a 2D driver plugs in (TGLDraw2DDriver):
// - It is a TGraphicsDriver. At start-up it registers itself with
//   SelectGraphicsDriver(itsDriver, GFX_BACKBUFFER); until some driver is
//   selected, the first operation that needs one selects GLGraphicsDriver()
//   with GFX_BACKBUFFER.
// - Its CreateGraphics / AttachGraphics call GLGraphicsDriver()->CreateGraphics
//   (or AttachGraphics) and wrap the TGLGraphics they get (Null stays Null) in
//   its own TGraphics, whose Driver() returns the 2D driver.
// - Its SetGraphics(g) calls GLGraphicsDriver()->SetGraphics with the wrapped
//   TGLGraphics (Null releases), then sets up its GL state; its Flip(sync)
//   calls GLGraphicsDriver()->Flip(sync); GraphicsModes forwards likewise.
// - Drawing always happens in the client space width x height given to
//   CreateGraphics: glViewport(0, 0, width, height), an orthographic projection
//   of that size, and glReadPixels of that space read back what was drawn. In
//   full screen on a display of another size the platform draws into an
//   offscreen target of exactly width x height and scales it at each swap;
//   that target is bound while the context is current, so a driver must never
//   bind framebuffer 0 itself. The back buffer's content after a swap is
//   undefined (the game redraws every frame).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {
struct GLContext;
}

// Graphics flags.
enum : int {
  GFX_BACKBUFFER = 2,
  GFX_ALPHABUFFER = 4,
  GFX_DEPTHBUFFER = 8,
  GFX_STENCILBUFFER = 16,
  GFX_ACCUMBUFFER = 32,
};

class TGraphicsDriver;

// An abstract display context.
class TGraphics : public std::enable_shared_from_this<TGraphics> {
 public:
  virtual ~TGraphics() = default;
  virtual int _pad() { return 0; }
  // The driver that owns this object.
  virtual std::shared_ptr<TGraphicsDriver> Driver() = 0;
  virtual void GetSettings(int& width, int& height, int& depth, int& hertz, int& flags) = 0;
  // Releases the context; a second call does nothing.
  virtual void Close() = 0;
};

struct TGraphicsMode {
  int width = 0;
  int height = 0;
  int depth = 0;
  int hertz = 0;
  // "1024,768,32 60Hz"
  std::u16string ToString() const;
};

class TGraphicsDriver : public std::enable_shared_from_this<TGraphicsDriver> {
 public:
  virtual ~TGraphicsDriver() = default;
  virtual std::vector<TGraphicsMode> GraphicsModes() = 0;
  // window: a native window handle (an X11 Window id on Linux).
  virtual std::shared_ptr<TGraphics> AttachGraphics(void* window, int flags) = 0;
  virtual std::shared_ptr<TGraphics> CreateGraphics(int width, int height, int depth, int hertz, int flags) = 0;
  // Makes g's context current; nullptr releases the current one.
  virtual void SetGraphics(const std::shared_ptr<TGraphics>& g) = 0;
  // Presents the back buffer; sync non-zero waits for the vertical blank.
  virtual void Flip(int sync) = 0;
};

// A window with an OpenGL context.
class TGLGraphics : public TGraphics {
 public:
  explicit TGLGraphics(platform::GLContext* context) : _context(context) {}
  ~TGLGraphics() override;  // an object dropped without Close releases its context
  TGLGraphics(const TGLGraphics&) = delete;
  TGLGraphics& operator=(const TGLGraphics&) = delete;
  std::shared_ptr<TGraphicsDriver> Driver() override;
  // An attached window's width and height are re-read on every call.
  void GetSettings(int& width, int& height, int& depth, int& hertz, int& flags) override;
  void Close() override;

  // The platform's context record; nullptr after Close.
  platform::GLContext* _context = nullptr;
};

// Keeps Flip 1 at its rate where the swap does not: it judges from the swaps
// whether they wait, and once they are seen not to (or the swap interval is
// refused), paces on the timer schedule instead. Clock and sleep go through
// ClockMillis / SleepMillis.
class TSwapPacer {
 public:
  explicit TSwapPacer(int hertz);
  // True once the timer paces.
  bool Timed() const { return timed_; }
  // After a swap asked with interval 1; intervalSet: the platform accepted it.
  // Swaps whose last 8 intervals come in under 7/8 of the rate's time do not
  // hold the rate: they do not wait, or the display runs faster.
  void SwapDone(bool intervalSet);
  // Timer pacing: sleeps until the frame's scheduled end; after a stall the
  // schedule restarts from now.
  void Wait();

 private:
  void StartTimer(int now);
  bool timed_ = false;
  int recent_[9] = {};
  int count_ = 0;
  int rate_, period_, frac_, accum_ = 0, exp_ = 0;
};

// The OpenGL driver; exactly one instance exists (GLGraphicsDriver()).
class TGLGraphicsDriver : public TGraphicsDriver {
 public:
  // The display's modes of 16 bits per pixel or more (at most 1024), in the
  // platform's order.
  std::vector<TGraphicsMode> GraphicsModes() override;
  // Null when the window or context cannot be made. A full-screen window that
  // cannot be set up raises "GLGraphicsDriver failed to set display mode"
  // (std::runtime_error), which the global CreateGraphics turns into Null.
  std::shared_ptr<TGraphics> AttachGraphics(void* window, int flags) override;
  std::shared_ptr<TGraphics> CreateGraphics(int width, int height, int depth, int hertz, int flags) override;
  // A TGLGraphics becomes current; Null or any other class makes none current.
  void SetGraphics(const std::shared_ptr<TGraphics>& g) override;
  // Swaps the current context's buffers with swap interval 1 (sync non-zero)
  // or 0; nothing without a current context. Where interval 1 cannot be set,
  // or swaps with it are seen not to wait, sync 1 paces on the timer schedule
  // at the context's rate (its hertz, else the display's, else 60) instead.
  void Flip(int sync) override;

 private:
  unsigned pacedContext_ = 0;  // serial of the context the pacer judges
  std::unique_ptr<TSwapPacer> pacer_;
};

std::shared_ptr<TGLGraphicsDriver> GLGraphicsDriver();

// ---- global operations; all act on the current driver and graphics ----

// Bumps the graphics sequence; a different driver becomes current (releasing
// the old driver's current graphics and the cached modes); stores
// defaultFlags; leaves no current graphics.
void SelectGraphicsDriver(const std::shared_ptr<TGraphicsDriver>& driver, int defaultFlags);
std::shared_ptr<TGraphicsDriver> ActiveGraphicsDriver();
int GetDefaultGraphicsFlags();

// The current driver's modes, fetched once and cached; a copy.
std::vector<TGraphicsMode> GraphicsModes();
int GraphicsModeCount();
// Zeros for an index outside the cached modes.
void GraphicsModeAt(int index, int& width, int& height, int& depth, int& hertz);
// 0 in an argument matches anything.
bool HasGraphicsMode(int width, int height, int depth, int hertz);

// Null when the driver cannot create it or raises while trying.
std::shared_ptr<TGraphics> CreateGraphics(int width, int height, int depth, int hertz, int flags);
std::shared_ptr<TGraphics> AttachGraphics(void* window, int flags);
void CloseGraphics(const std::shared_ptr<TGraphics>& g);
void SetGraphics(const std::shared_ptr<TGraphics>& g);
std::shared_ptr<TGraphics> CurrentGraphics();

// Settings of the current graphics; 0 when there is none.
int DisplayWidth();
int DisplayHeight();
int DisplayDepth();
int DisplayHertz();
int DisplayFlags();

// Opens the display: depth 0 a window, else full screen; hertz paces Flip -1.
// Closes what an earlier call opened; enables polled input; the first call
// registers EndDisplay to run at exit. Null when it cannot be opened.
std::shared_ptr<TGraphics> Graphics(int width, int height, int depth = 0, int hertz = 60, int flags = 0);
// Closes what Graphics opened (nothing otherwise) and disables polled input.
void EndDisplay();

// Presents the frame. 1 waits for the vertical blank, 0 never waits, -1 paces
// as the display was opened (timer in a window, vertical blank in full screen).
void Flip(int sync = -1);

// Hides the pointer over the program's window.
void HidePointer();
// Modal message box with the application title as caption; blocks.
void Notify(const std::u16string& text, bool serious = false);

// Never 0 once it has moved: image frames made under another value are stale.
int GraphicsSeq();

// Callbacks run at the start of every Flip.
int AddFrameFlipHook(std::function<void()> hook);
void RemoveFrameFlipHook(int id);

// How Flip -1 paces, for inspection.
struct TSyncState {
  bool softSync = false;
  bool hardSync = false;
  int syncRate = 0, syncPeriod = 0, syncFrac = 0, syncAccum = 0, syncExp = 0;
};
TSyncState SyncState();
