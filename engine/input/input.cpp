#include "engine/input/input.h"

#include "engine/system/event.h"
#include "engine/system/system_driver.h"

namespace {

struct PolledState {
  int keyDown[256] = {};
  int keyHits[256] = {};
  int charQueue[256] = {};
  int charGet = 0;
  int charPut = 0;
  int buttonDown[4] = {};
  int buttonHits[4] = {};
  int pointerX = 0, pointerY = 0, wheel = 0;
  int lastX = 0, lastY = 0, lastWheel = 0;  // read by the speed queries
  int suspended = 0;
  int terminate = 0;
  const void* source = nullptr;
  bool enabled = false;
  bool autoPoll = true;
  TEventHookId hook = 0;
};

PolledState state;

void FlushKeys() {
  state.charGet = state.charPut = 0;
  for (int i = 0; i < 256; ++i) state.keyDown[i] = state.keyHits[i] = 0;
}

void FlushMouse() {
  for (int i = 0; i < 4; ++i) state.buttonDown[i] = state.buttonHits[i] = 0;
  state.wheel = 0;
}

void AutoPoll() {
  if (state.autoPoll) PumpEvents();
}

bool ValidKey(int key) { return key >= 0 && key < 256; }
bool ValidButton(int button) { return button >= 1 && button <= 3; }

// Sums and differences of driver-reported values wrap instead of overflowing.
int WrapAdd(int a, int b) { return static_cast<int>(static_cast<unsigned>(a) + static_cast<unsigned>(b)); }
int WrapSub(int a, int b) { return static_cast<int>(static_cast<unsigned>(a) - static_cast<unsigned>(b)); }

TEvent Hook(const TEvent& e) {
  if (state.source && e.source != state.source) return e;
  switch (e.id) {
    case EVENT_APPSUSPEND:
      FlushKeys();
      FlushMouse();
      state.suspended = 1;
      break;
    case EVENT_APPRESUME:
      FlushKeys();
      FlushMouse();
      state.suspended = 0;
      break;
    case EVENT_APPTERMINATE:
      state.terminate = 1;
      break;
    case EVENT_KEYDOWN:
      if (e.data >= 1 && e.data <= 255 && !state.keyDown[e.data]) {
        state.keyDown[e.data] = 1;
        ++state.keyHits[e.data];
      }
      break;
    case EVENT_KEYUP:
      if (ValidKey(e.data)) state.keyDown[e.data] = 0;
      break;
    case EVENT_KEYCHAR:
      // Counters are compared by difference; unsigned so wrap-around stays defined.
      if (static_cast<unsigned>(state.charPut) - static_cast<unsigned>(state.charGet) < 256u) {
        state.charQueue[state.charPut & 255] = e.data;
        state.charPut = static_cast<int>(static_cast<unsigned>(state.charPut) + 1u);
      }
      break;
    case EVENT_MOUSEDOWN:
      if (ValidButton(e.data) && !state.buttonDown[e.data]) {
        state.buttonDown[e.data] = 1;
        ++state.buttonHits[e.data];
      }
      break;
    case EVENT_MOUSEUP:
      if (ValidButton(e.data)) state.buttonDown[e.data] = 0;
      break;
    case EVENT_MOUSEMOVE:
      state.pointerX = e.x;
      state.pointerY = e.y;
      break;
    case EVENT_MOUSEWHEEL:
      state.wheel = WrapAdd(state.wheel, e.data);
      break;
    default:
      break;
  }
  return e;
}

}  // namespace

int KeyPresses(int key) {
  AutoPoll();
  if (!ValidKey(key)) return 0;
  const int n = state.keyHits[key];
  state.keyHits[key] = 0;
  return n;
}

int KeyDown(int key) {
  AutoPoll();
  return ValidKey(key) ? state.keyDown[key] : 0;
}

int NextChar() {
  AutoPoll();
  if (state.charGet == state.charPut) return 0;
  const int c = state.charQueue[state.charGet & 255];
  state.charGet = static_cast<int>(static_cast<unsigned>(state.charGet) + 1u);
  return c;
}

void ClearKeyState() {
  PumpEvents();
  FlushKeys();
}

int PointerX() {
  AutoPoll();
  return state.pointerX;
}

int PointerY() {
  AutoPoll();
  return state.pointerY;
}

int WheelPosition() {
  AutoPoll();
  return state.wheel;
}

int MouseClicks(int button) {
  AutoPoll();
  if (!ValidButton(button)) return 0;
  const int n = state.buttonHits[button];
  state.buttonHits[button] = 0;
  return n;
}

int MouseDown(int button) {
  AutoPoll();
  return ValidButton(button) ? state.buttonDown[button] : 0;
}

void ClearMouseState() {
  PumpEvents();
  FlushMouse();
}

int PointerXSpeed() {
  AutoPoll();
  const int d = WrapSub(state.pointerX, state.lastX);
  state.lastX = state.pointerX;
  return d;
}

int PointerYSpeed() {
  AutoPoll();
  const int d = WrapSub(state.pointerY, state.lastY);
  state.lastY = state.pointerY;
  return d;
}

int WheelSpeed() {
  AutoPoll();
  const int d = WrapSub(state.wheel, state.lastWheel);
  state.lastWheel = state.wheel;
  return d;
}

int IsSuspended() {
  AutoPoll();
  return state.suspended;
}

int AppTerminate() {
  AutoPoll();
  const int t = state.terminate;
  state.terminate = 0;
  return t;
}

// The waiters start from a clean slate that includes what is still queued:
// a press made before the call must not end the wait.
int WaitForKey() {
  ClearKeyState();
  for (;;) {
    WaitEvents();
    for (int k = 1; k <= 255; ++k) {
      if (state.keyHits[k]) {
        state.keyHits[k] = 0;
        return k;
      }
    }
  }
}

int WaitForChar() {
  ClearKeyState();
  for (;;) {
    WaitEvents();
    if (state.charGet != state.charPut) {
      const int c = state.charQueue[state.charGet & 255];
      state.charGet = static_cast<int>(static_cast<unsigned>(state.charGet) + 1u);
      return c;
    }
  }
}

int WaitForClick() {
  ClearMouseState();
  for (;;) {
    WaitEvents();
    for (int b = 1; b <= 3; ++b) {
      if (state.buttonHits[b]) {
        state.buttonHits[b] = 0;
        return b;
      }
    }
  }
}

void StartInputPolling(const void* source) {
  if (state.enabled) return;
  state.source = source;
  FlushKeys();
  FlushMouse();
  state.hook = AddEventHook(Hook);
  state.enabled = true;
}

void StopInputPolling() {
  if (state.enabled) RemoveEventHook(state.hook);
  state.hook = 0;
  state.enabled = false;
  FlushKeys();
  FlushMouse();
  state.source = nullptr;
}

void SetAutoPoll(bool on) { state.autoPoll = on; }
