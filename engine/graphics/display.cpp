#include <cstdlib>
#include <string>

#include "engine/graphics/display.h"
#include "engine/input/input.h"
#include "engine/system/clock.h"
#include "engine/system/system_driver.h"

namespace {

std::shared_ptr<TGraphicsDriver> currentGraphicsDriver;
int defaultGraphicsFlags = 0;
std::shared_ptr<TGraphics> currentGraphics;
int displayWidth = 0, displayHeight = 0, displayDepth = 0, displayHertz = 0, displayFlags = 0;
std::shared_ptr<TGraphics> autoGraphics;
int graphicsSeq = 0;
bool softSync = false, hardSync = false;
int syncRate = 0, syncPeriod = 0, syncFrac = 0, syncAccum = 0, syncExp = 0;
std::vector<TGraphicsMode> cachedModes;
bool modesCached = false;
bool exitHandlerRegistered = false;

struct FlipHook {
  int id;
  std::function<void()> fn;
};
std::vector<FlipHook> flipHooks;
int nextFlipHookId = 1;

void BumpSeq() {
  // Skips 0, which image frames read as "made under no context".
  graphicsSeq = static_cast<int>(static_cast<unsigned>(graphicsSeq) + 1u);
  if (graphicsSeq == 0) graphicsSeq = 1;
}

void ClearSettings() { displayWidth = displayHeight = displayDepth = displayHertz = displayFlags = 0; }

void EmptyModes() {
  cachedModes.clear();
  modesCached = false;
}

// Until a renderer registers, the OpenGL driver is the one there is.
TGraphicsDriver* Driver() {
  if (!currentGraphicsDriver) SelectGraphicsDriver(GLGraphicsDriver(), GFX_BACKBUFFER);
  return currentGraphicsDriver.get();
}

void ReleaseCurrent() {
  if (currentGraphicsDriver && currentGraphics) currentGraphicsDriver->SetGraphics(nullptr);
}

void EndDisplayAtExit() { EndDisplay(); }

}  // namespace

std::u16string TGraphicsMode::ToString() const {
  const std::string s =
      std::to_string(width) + "," + std::to_string(height) + "," + std::to_string(depth) + " " +
      std::to_string(hertz) + "Hz";
  return std::u16string(s.begin(), s.end());
}

void SelectGraphicsDriver(const std::shared_ptr<TGraphicsDriver>& driver, int defaultFlags) {
  BumpSeq();
  if (driver != currentGraphicsDriver) {
    ReleaseCurrent();
    EmptyModes();
    currentGraphicsDriver = driver;
  }
  defaultGraphicsFlags = defaultFlags;
  currentGraphics = nullptr;
  ClearSettings();
}

std::shared_ptr<TGraphicsDriver> ActiveGraphicsDriver() { return currentGraphicsDriver; }

int GetDefaultGraphicsFlags() { return defaultGraphicsFlags; }

std::vector<TGraphicsMode> GraphicsModes() {
  if (!modesCached) {
    cachedModes = Driver()->GraphicsModes();
    modesCached = true;
  }
  return cachedModes;
}

int GraphicsModeCount() {
  GraphicsModes();
  return static_cast<int>(cachedModes.size());
}

void GraphicsModeAt(int index, int& width, int& height, int& depth, int& hertz) {
  GraphicsModes();
  if (index < 0 || index >= static_cast<int>(cachedModes.size())) {
    width = height = depth = hertz = 0;
    return;
  }
  const TGraphicsMode& m = cachedModes[static_cast<size_t>(index)];
  width = m.width;
  height = m.height;
  depth = m.depth;
  hertz = m.hertz;
}

bool HasGraphicsMode(int width, int height, int depth, int hertz) {
  for (const TGraphicsMode& m : GraphicsModes()) {
    if (width && m.width != width) continue;
    if (height && m.height != height) continue;
    if (depth && m.depth != depth) continue;
    if (hertz && m.hertz != hertz) continue;
    return true;
  }
  return false;
}

std::shared_ptr<TGraphics> CreateGraphics(int width, int height, int depth, int hertz, int flags) {
  TGraphicsDriver* d = Driver();
  try {
    return d->CreateGraphics(width, height, depth, hertz, flags | defaultGraphicsFlags);
  } catch (...) {
    return nullptr;
  }
}

std::shared_ptr<TGraphics> AttachGraphics(void* window, int flags) {
  TGraphicsDriver* d = Driver();
  try {
    return d->AttachGraphics(window, flags | defaultGraphicsFlags);
  } catch (...) {
    return nullptr;
  }
}

void CloseGraphics(const std::shared_ptr<TGraphics>& g) {
  if (!g) return;
  const std::shared_ptr<TGraphics> keep = g;  // g may be autoGraphics itself
  if (keep == autoGraphics) autoGraphics = nullptr;
  if (keep == currentGraphics) SetGraphics(nullptr);
  keep->Close();
}

void SetGraphics(const std::shared_ptr<TGraphics>& g) {
  if (!g) {
    ReleaseCurrent();
    currentGraphics = nullptr;
    ClearSettings();
    return;
  }
  const std::shared_ptr<TGraphics> keep = g;
  std::shared_ptr<TGraphicsDriver> d = keep->Driver();
  if (d != currentGraphicsDriver) {
    ReleaseCurrent();
    EmptyModes();
    currentGraphicsDriver = d;
  }
  keep->GetSettings(displayWidth, displayHeight, displayDepth, displayHertz, displayFlags);
  if (d) d->SetGraphics(keep);
  currentGraphics = keep;
}

std::shared_ptr<TGraphics> CurrentGraphics() { return currentGraphics; }

int DisplayWidth() { return displayWidth; }
int DisplayHeight() { return displayHeight; }
int DisplayDepth() { return displayDepth; }
int DisplayHertz() { return displayHertz; }
int DisplayFlags() { return displayFlags; }

std::shared_ptr<TGraphics> Graphics(int width, int height, int depth, int hertz, int flags) {
  EndDisplay();
  std::shared_ptr<TGraphics> g = CreateGraphics(width, height, depth, hertz, flags | defaultGraphicsFlags);
  if (!g) return nullptr;
  BumpSeq();
  SetGraphics(g);
  if (depth != 0) {
    softSync = false;
    hardSync = hertz != 0;
    SystemDriver().MoveMouse(width / 2, height / 2);
  } else {
    hardSync = false;
    softSync = hertz != 0;
  }
  if (softSync) {
    syncRate = hertz;
    syncPeriod = hertz ? 1000 / hertz : 0;
    syncFrac = 1000 - syncPeriod * hertz;
    syncAccum = 0;
    syncExp = ClockMillis();
  }
  StartInputPolling(nullptr);
  autoGraphics = g;
  if (!exitHandlerRegistered) {
    exitHandlerRegistered = true;
    std::atexit(EndDisplayAtExit);
  }
  return g;
}

void EndDisplay() {
  if (!autoGraphics) return;
  BumpSeq();
  StopInputPolling();
  CloseGraphics(autoGraphics);
}

void Flip(int sync) {
  // A hook may remove itself: run over a copy.
  const std::vector<FlipHook> hooks = flipHooks;
  for (const FlipHook& h : hooks) h.fn();
  if (!currentGraphicsDriver) return;
  TGraphicsDriver* d = currentGraphicsDriver.get();
  if (sync != -1) {
    d->Flip(sync);
    return;
  }
  if (currentGraphics != autoGraphics) {
    d->Flip(1);
    return;
  }
  if (softSync) {
    syncExp = ClockDiff(syncExp, -syncPeriod);
    // Wrap-around steps: a rate no display has (negative, huge) must not overflow.
    syncAccum = ClockDiff(syncAccum, -syncFrac);
    if (syncAccum >= syncRate) {
      syncAccum = ClockDiff(syncAccum, syncRate);
      syncExp = ClockDiff(syncExp, -1);
    }
    const int wait = ClockDiff(syncExp, ClockMillis());
    if (wait > 0) {
      SleepMillis(wait);
    } else {
      syncExp = ClockDiff(syncExp, wait);  // late: restart the schedule from now
    }
    d->Flip(0);
  } else if (hardSync) {
    d->Flip(1);
  } else {
    d->Flip(0);
  }
}

void HidePointer() { SystemDriver().SetMouseVisible(false); }

void Notify(const std::u16string& text, bool serious) { SystemDriver().Notify(text, serious); }

int GraphicsSeq() { return graphicsSeq; }

int AddFrameFlipHook(std::function<void()> hook) {
  if (!hook) return 0;
  const int id = nextFlipHookId++;
  flipHooks.push_back(FlipHook{id, std::move(hook)});
  return id;
}

void RemoveFrameFlipHook(int id) {
  for (auto it = flipHooks.begin(); it != flipHooks.end(); ++it) {
    if (it->id == id) {
      flipHooks.erase(it);
      return;
    }
  }
}

TSyncState SyncState() { return TSyncState{softSync, hardSync, syncRate, syncPeriod, syncFrac, syncAccum, syncExp}; }
