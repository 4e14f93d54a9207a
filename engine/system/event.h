// Events: what the system driver makes of the window's input, handed to every
// registered hook in turn.
#pragma once

#include <functional>
#include <memory>

enum : int {
  EVENT_APPSUSPEND = 0x101,
  EVENT_APPRESUME = 0x102,
  EVENT_APPTERMINATE = 0x103,
  EVENT_KEYDOWN = 0x201,
  EVENT_KEYUP = 0x202,
  EVENT_KEYCHAR = 0x203,
  EVENT_KEYREPEAT = 0x204,
  EVENT_MOUSEDOWN = 0x401,
  EVENT_MOUSEUP = 0x402,
  EVENT_MOUSEMOVE = 0x403,
  EVENT_MOUSEWHEEL = 0x404,
};

// Modifier bits of TEvent::mods.
enum : int { MODIFIER_SHIFT = 1, MODIFIER_CONTROL = 2, MODIFIER_OPTION = 4, MODIFIER_SYSTEM = 8 };

struct TEvent {
  int id = 0;
  const void* source = nullptr;  // what emitted it; nullptr for the system driver
  int data = 0;
  int mods = 0;
  int x = 0;
  int y = 0;
  std::shared_ptr<void> extra;
};

// The event's name ("KeyDown", "AppSuspend", ...); "Unknown" for other ids.
const char* EventName(int id);

// A hook receives each emitted event and returns it (possibly changed) for the next hook.
using TEventHook = std::function<TEvent(const TEvent&)>;
using TEventHookId = int;

TEventHookId AddEventHook(TEventHook hook);
void RemoveEventHook(TEventHookId id);

// Hands the event to every registered hook in registration order.
void EmitEvent(const TEvent& event);
