#include "engine/system/event.h"

#include <utility>
#include <vector>

namespace {

struct HookEntry {
  TEventHookId id;
  TEventHook hook;
};

std::vector<HookEntry>& Hooks() {
  static auto* hooks = new std::vector<HookEntry>;
  return *hooks;
}

TEventHookId nextHookId = 1;

}  // namespace

const char* EventName(int id) {
  switch (id) {
    case EVENT_APPSUSPEND: return "AppSuspend";
    case EVENT_APPRESUME: return "AppResume";
    case EVENT_APPTERMINATE: return "AppTerminate";
    case EVENT_KEYDOWN: return "KeyDown";
    case EVENT_KEYUP: return "KeyUp";
    case EVENT_KEYCHAR: return "KeyChar";
    case EVENT_KEYREPEAT: return "KeyRepeat";
    case EVENT_MOUSEDOWN: return "MouseDown";
    case EVENT_MOUSEUP: return "MouseUp";
    case EVENT_MOUSEMOVE: return "MouseMove";
    case EVENT_MOUSEWHEEL: return "MouseWheel";
    default: return "Unknown";
  }
}

TEventHookId AddEventHook(TEventHook hook) {
  if (!hook) return 0;
  const TEventHookId id = nextHookId++;
  if (nextHookId <= 0) nextHookId = 1;
  Hooks().push_back(HookEntry{id, std::move(hook)});
  return id;
}

void RemoveEventHook(TEventHookId id) {
  auto& hooks = Hooks();
  for (auto it = hooks.begin(); it != hooks.end(); ++it) {
    if (it->id == id) {
      hooks.erase(it);
      return;
    }
  }
}

void EmitEvent(const TEvent& event) {
  // A hook may add or remove hooks: run over a snapshot, skipping those removed
  // meanwhile; hooks added meanwhile see the next event.
  const std::vector<HookEntry> snapshot = Hooks();
  TEvent e = event;
  for (const HookEntry& h : snapshot) {
    bool live = false;
    for (const HookEntry& cur : Hooks()) {
      if (cur.id == h.id) {
        live = true;
        break;
      }
    }
    if (live) e = h.hook(e);
  }
}
