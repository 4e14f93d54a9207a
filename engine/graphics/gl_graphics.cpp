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
  if (!c) return nullptr;
  return std::make_shared<TGLGraphics>(c);
}

std::shared_ptr<TGraphics> TGLGraphicsDriver::CreateGraphics(int width, int height, int depth, int hertz,
                                                            int flags) {
  std::string error;
  platform::GLContext* c = platform::CreateContext(width, height, depth, hertz, flags,
                                                   platform::Utf16ToUtf8(ApplicationTitle()), &error);
  if (!c) {
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
  if (vsync_.context != platform::ContextSerial(c)) {
    vsync_ = VSync{};
    vsync_.context = platform::ContextSerial(c);
    int hz = platform::Settings(c).hertz;
    if (hz <= 0) hz = platform::DisplayHertz(c);
    if (hz <= 0) hz = 60;
    vsync_.rate = hz;
    vsync_.period = 1000 / hz;
    vsync_.frac = 1000 - vsync_.period * hz;
  }
  VSync& v = vsync_;
  if (!v.timer) {
    const bool waits = platform::SwapBuffers(c, 1);
    const int now = ClockMillis();
    if (waits) {
      // Some drivers accept the interval and still return at once: judged on
      // the last 8 frame intervals, which must not come well ahead of the rate.
      v.recent[v.count % 9] = now;
      ++v.count;
      if (v.count >= 9) {
        const int span = ClockDiff(now, v.recent[v.count % 9]);
        if (static_cast<long long>(span) * v.rate < 8LL * 1000 * 3 / 4) v.timer = true;
      }
    } else {
      v.timer = true;
    }
    if (v.timer) {
      v.accum = 0;
      v.exp = now;
    }
    return;
  }
  // The timer schedule of Flip -1 in a window, at this context's rate. The
  // frame is presented first and the wait comes last, so that Flip returns on
  // the schedule however long the swap itself took, as a vertical-blank wait
  // would.
  platform::SwapBuffers(c, 0);
  v.exp = ClockDiff(v.exp, -v.period);
  v.accum += v.frac;
  if (v.accum >= v.rate) {
    v.accum -= v.rate;
    v.exp = ClockDiff(v.exp, -1);
  }
  const int wait = ClockDiff(v.exp, ClockMillis());
  if (wait > 0) {
    SleepMillis(wait);
  } else {
    v.exp = ClockDiff(v.exp, wait);
  }
}
