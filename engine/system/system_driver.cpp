#include "engine/system/system_driver.h"

#include "engine/system/event.h"
#include "platform/events.h"
#include "platform/message_box.h"
#include "platform/posix.h"
#include "platform/text.h"
#include "platform/window.h"

namespace {

std::string ToUtf8(const std::u16string& text) { return platform::Utf16ToUtf8(text); }

void Deliver(const platform::Event& pe) {
  TEvent e;
  e.id = pe.kind;
  e.source = nullptr;
  e.data = pe.data;
  e.mods = pe.mods;
  e.x = pe.x;
  e.y = pe.y;
  EmitEvent(e);
}

// The platform event kinds carry the engine's ids.
constexpr bool SameId(int platformKind, int eventId) { return platformKind == eventId; }
static_assert(SameId(platform::kAppSuspend, EVENT_APPSUSPEND) && SameId(platform::kAppResume, EVENT_APPRESUME) &&
              SameId(platform::kAppTerminate, EVENT_APPTERMINATE) && SameId(platform::kKeyDown, EVENT_KEYDOWN) &&
              SameId(platform::kKeyUp, EVENT_KEYUP) && SameId(platform::kKeyChar, EVENT_KEYCHAR) &&
              SameId(platform::kKeyRepeat, EVENT_KEYREPEAT) && SameId(platform::kMouseDown, EVENT_MOUSEDOWN) &&
              SameId(platform::kMouseUp, EVENT_MOUSEUP) && SameId(platform::kMouseMove, EVENT_MOUSEMOVE) &&
              SameId(platform::kMouseWheel, EVENT_MOUSEWHEEL));

class TPlatformSystemDriver : public TSystemDriver {
 public:
  void Poll() override { platform::PollEvents(Deliver); }
  void Wait() override { platform::WaitEvents(Deliver); }
  void MoveMouse(int x, int y) override { platform::MoveMouse(x, y); }
  void SetMouseVisible(bool visible) override { platform::SetMouseVisible(visible); }
  void Notify(const std::u16string& text, bool serious) override {
    platform::ShowMessage(ToUtf8(ApplicationTitle()), ToUtf8(text), serious);
  }
  int Confirm(const std::u16string& text, bool serious) override {
    return platform::AskQuestion(ToUtf8(ApplicationTitle()), ToUtf8(text), serious, false);
  }
  int Proceed(const std::u16string& text, bool serious) override {
    return platform::AskQuestion(ToUtf8(ApplicationTitle()), ToUtf8(text), serious, true);
  }
  // No file chooser exists without a toolkit: the request reads as cancelled.
  std::string RequestFile(const std::u16string&, const std::string&, bool, const std::string&) override {
    return {};
  }
  std::string RequestDir(const std::u16string&, const std::string&) override { return {}; }
  int OpenURL(const std::string& url) override {
    platform::OpenURL(url);
    return 0;
  }
};

std::shared_ptr<TSystemDriver>& Installed() {
  static auto* driver = new std::shared_ptr<TSystemDriver>;
  return *driver;
}

TSystemDriver& PlatformDriver() {
  static auto* driver = new TPlatformSystemDriver;
  return *driver;
}

bool pumping = false;

std::u16string& Title() {
  static auto* title = new std::u16string;
  return *title;
}

}  // namespace

TSystemDriver& SystemDriver() {
  if (Installed()) return *Installed();
  return PlatformDriver();
}

void SetSystemDriver(std::shared_ptr<TSystemDriver> driver) { Installed() = std::move(driver); }

void PumpEvents() {
  if (pumping) return;  // called from a hook of a poll already running
  pumping = true;
  try {
    SystemDriver().Poll();
  } catch (...) {
    pumping = false;
    throw;
  }
  pumping = false;
}

void WaitEvents() {
  if (pumping) return;
  pumping = true;
  try {
    SystemDriver().Wait();
  } catch (...) {
    pumping = false;
    throw;
  }
  pumping = false;
}

void SetApplicationTitle(const std::u16string& title) { Title() = title; }
const std::u16string& ApplicationTitle() { return Title(); }

void CatchCloseSignals() { platform::CatchCloseSignals(); }
