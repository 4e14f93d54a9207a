#include <cstdio>
#include <stdexcept>
#include <string>

#include "engine/graphics/display.h"
#include "engine/system/clock.h"
#include "engine/system/system_driver.h"
#include "platform/text.h"
#include "platform/window.h"

TGLGraphics::~TGLGraphics() { Close(); }

std::shared_ptr<TGraphicsDriver> TGLGraphics::Driver() { return GLGraphicsDriver(); }

void TGLGraphics::GetSettings(int& width, int& height, int& depth, int& hertz, int& flags) {
  const platform::ContextSettings s = platform::Settings(_context);
  width = s.width;
  height = s.height;
  depth = s.depth;
  hertz = s.hertz;
  flags = s.flags;
}

void TGLGraphics::Close() {
  if (!_context) return;
  platform::CloseContext(_context);
  _context = nullptr;
}

std::shared_ptr<TGLGraphicsDriver> GLGraphicsDriver() {
  static auto* driver = new std::shared_ptr<TGLGraphicsDriver>(std::make_shared<TGLGraphicsDriver>());
  return *driver;
}

std::vector<TGraphicsMode> TGLGraphicsDriver::GraphicsModes() {
  std::vector<TGraphicsMode> modes;
  for (const platform::DisplayMode& m : platform::DisplayModes()) {
    if (m.depth < 16) continue;
    if (modes.size() >= 1024) break;
    modes.push_back(TGraphicsMode{m.width, m.height, m.depth, m.hertz});
  }
  return modes;
}

std::shared_ptr<TGraphics> TGLGraphicsDriver::AttachGraphics(void* window, int flags) {
  std::string error;
  platform::GLContext* c = platform::AttachContext(window, flags, &error);
  if (!c) {
    std::fprintf(stderr, "graphics: %s\n", error.c_str());
    return nullptr;
  }
  return std::make_shared<TGLGraphics>(c);
}

std::shared_ptr<TGraphics> TGLGraphicsDriver::CreateGraphics(int width, int height, int depth, int hertz,
                                                            int flags) {
  std::string error;
  platform::GLContext* c = platform::CreateContext(width, height, depth, hertz, flags,
                                                   platform::Utf16ToUtf8(ApplicationTitle()), &error);
  if (!c) {
    // Null is all the caller gets: say why where a player or a log can see it.
    std::fprintf(stderr, "graphics: %s\n", error.c_str());
    if (depth != 0 && error == "GLGraphicsDriver failed to set display mode") throw std::runtime_error(error);
    return nullptr;
  }
  return std::make_shared<TGLGraphics>(c);
}

void TGLGraphicsDriver::SetGraphics(const std::shared_ptr<TGraphics>& g) {
  auto* gl = dynamic_cast<TGLGraphics*>(g.get());
  platform::MakeCurrent(gl ? gl->_context : nullptr);
}

void TGLGraphicsDriver::Flip(int sync) {
  platform::GLContext* c = platform::CurrentContext();
  if (!c) return;
  if (sync == 0) {
    platform::SwapBuffers(c, 0);
    return;
  }
  if (!pacer_ || pacedContext_ != platform::ContextSerial(c)) {
    int hz = platform::Settings(c).hertz;
    if (hz <= 0) hz = platform::DisplayHertz(c);
    if (hz <= 0) hz = 60;
    pacer_ = std::make_unique<TSwapPacer>(hz);
    pacedContext_ = platform::ContextSerial(c);
  }
  if (!pacer_->Timed()) {
    pacer_->SwapDone(platform::SwapBuffers(c, 1));
    return;
  }
  // The frame is presented first and the wait comes last, so that Flip
  // returns on the schedule however long the swap itself took, as a
  // vertical-blank wait would.
  platform::SwapBuffers(c, 0);
  pacer_->Wait();
}

TSwapPacer::TSwapPacer(int hertz)
    : rate_(hertz > 0 ? hertz : 60), period_(1000 / rate_), frac_(1000 - period_ * rate_) {}

void TSwapPacer::StartTimer(int now) {
  timed_ = true;
  accum_ = 0;
  exp_ = now;
}

void TSwapPacer::SwapDone(bool intervalSet) {
  const int now = ClockMillis();
  if (!intervalSet) {
    StartTimer(now);
    return;
  }
  // Some drivers accept the interval and still return at once, and a display
  // left at its own faster mode waits, but not at this rate.
  recent_[count_ % 9] = now;
  ++count_;
  if (count_ >= 9) {
    const int span = ClockDiff(now, recent_[count_ % 9]);  // the last 8 intervals
    if (static_cast<long long>(span) * rate_ < 8LL * 1000 * 7 / 8) StartTimer(now);
    count_ = 9 + count_ % 9;  // stays in range however long it runs
  }
}

void TSwapPacer::Wait() {
  // The timer schedule of Flip -1 in a window, at this rate.
  exp_ = ClockDiff(exp_, -period_);
  accum_ += frac_;
  if (accum_ >= rate_) {
    accum_ -= rate_;
    exp_ = ClockDiff(exp_, -1);
  }
  const int wait = ClockDiff(exp_, ClockMillis());
  if (wait > 0) {
    SleepMillis(wait);
  } else {
    exp_ = ClockDiff(exp_, wait);
  }
}
