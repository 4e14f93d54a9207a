// Window input as plain events: what SDL reports, already translated to the
// virtual-key codes, button numbers and client coordinates the engine uses.
// Tests push events into the same queue the window fills.
#pragma once

#include <functional>

namespace platform {

// Event kinds; the values are the engine's event ids.
enum EventKind : int {
  kAppSuspend = 0x101,
  kAppResume = 0x102,
  kAppTerminate = 0x103,
  kKeyDown = 0x201,
  kKeyUp = 0x202,
  kKeyChar = 0x203,
  kKeyRepeat = 0x204,
  kMouseDown = 0x401,
  kMouseUp = 0x402,
  kMouseMove = 0x403,
  kMouseWheel = 0x404,
};

// Modifier bits.
enum : int { kModShift = 1, kModControl = 2, kModAlt = 4, kModSystem = 8 };

struct Event {
  int kind = 0;
  int data = 0;  // key code, character (one UTF-16 code unit), button or wheel steps
  int mods = 0;
  int x = 0;  // pointer position in the client area
  int y = 0;
};

using EventSink = std::function<void(const Event&)>;

// Queues an already-translated event; the next PollEvents delivers it before
// anything the window system has pending.
void InjectEvent(const Event& event);

// Delivers every pending event to sink without waiting: injected ones first,
// then the window system's (only once a window has brought up video).
void PollEvents(const EventSink& sink);

// Blocks until at least one event is pending, then delivers as PollEvents.
// Without video nothing can arrive but injected events, so it sleeps briefly
// instead of blocking forever.
void WaitEvents(const EventSink& sink);

// From now on SIGINT, SIGTERM and SIGHUP no longer end the process: each
// becomes a close request (kAppTerminate), delivered by the next poll.
void CatchCloseSignals();

// Virtual-key code of an SDL key (sym, scancode); 0 when the key has none.
// Letters and digits fall back to the scancode on layouts whose keys do not
// produce Latin letters.
int VirtualKey(int sym, int scancode);

}  // namespace platform
