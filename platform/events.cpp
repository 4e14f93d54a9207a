#include "platform/events.h"

#include <SDL.h>

#include <csignal>
#include <deque>
#include <string>

#include "platform/posix.h"
#include "platform/window.h"

namespace platform {

namespace {

// Set by the close signals' handler, taken by the next poll.
volatile std::sig_atomic_t closeSignalled = 0;

std::deque<Event>& Injected() {
  static auto* queue = new std::deque<Event>;
  return *queue;
}

// AppSuspend / AppResume are sent once per change, not once per SDL notice.
bool appSuspended = false;

int ModBits(unsigned m) {
  int mods = 0;
  if (m & KMOD_SHIFT) mods |= kModShift;
  if (m & KMOD_CTRL) mods |= kModControl;
  if (m & KMOD_ALT) mods |= kModAlt;
  if (m & KMOD_GUI) mods |= kModSystem;
  return mods;
}

// The modifiers as of the last key event translated. SDL's own state is that
// of the newest event queued, which is ahead of the events of a batch still
// being translated; each key event carries the state of its own moment.
int heldMods = -1;  // not known before the first event

int CurrentMods() {
  if (heldMods < 0) heldMods = ModBits(SDL_GetModState());
  return heldMods;
}

// Pointer position in client coordinates; windows that are not ours pass through.
void ClientPoint(uint32_t windowId, int wx, int wy, int* x, int* y) {
  if (!WindowToClient(windowId, wx, wy, x, y)) {
    *x = wx;
    *y = wy;
  }
}

int MouseButton(uint8_t sdlButton) {
  switch (sdlButton) {
    case SDL_BUTTON_LEFT: return 1;
    case SDL_BUTTON_RIGHT: return 2;
    case SDL_BUTTON_MIDDLE: return 3;
    default: return 0;  // side buttons: not part of the polled state
  }
}

// One UTF-8 text input becomes UTF-16 code units; malformed bytes are skipped.
void EmitText(const char* s, const Event& base, const EventSink& sink) {
  const auto* p = reinterpret_cast<const unsigned char*>(s);
  while (*p) {
    uint32_t cp = 0;
    int extra = 0;
    if (*p < 0x80) {
      cp = *p;
    } else if ((*p & 0xE0) == 0xC0) {
      cp = *p & 0x1F, extra = 1;
    } else if ((*p & 0xF0) == 0xE0) {
      cp = *p & 0x0F, extra = 2;
    } else if ((*p & 0xF8) == 0xF0) {
      cp = *p & 0x07, extra = 3;
    } else {
      ++p;
      continue;
    }
    ++p;
    bool ok = true;
    for (int i = 0; i < extra; ++i) {
      if ((*p & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (*p & 0x3F);
      ++p;
    }
    if (!ok || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) continue;
    Event e = base;
    e.kind = kKeyChar;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      e.data = static_cast<int>(0xD800 + (cp >> 10));
      sink(e);
      e.data = static_cast<int>(0xDC00 + (cp & 0x3FF));
      sink(e);
    } else {
      e.data = static_cast<int>(cp);
      sink(e);
    }
  }
}

void Translate(const SDL_Event& ev, const EventSink& sink) {
  Event e;
  if (ev.type == SDL_KEYDOWN || ev.type == SDL_KEYUP) heldMods = ModBits(ev.key.keysym.mod);
  e.mods = CurrentMods();
  switch (ev.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const int vk = VirtualKey(ev.key.keysym.sym, ev.key.keysym.scancode);
      if (vk == 0) return;
      e.data = vk;
      if (ev.type == SDL_KEYUP) {
        e.kind = kKeyUp;
        sink(e);
        return;
      }
      e.kind = ev.key.repeat ? kKeyRepeat : kKeyDown;
      sink(e);
      // Keys whose characters are control codes produce no text input, but
      // text entry expects them as characters too, repeats included.
      if (vk == 8 || vk == 9 || vk == 13 || vk == 27) {
        e.kind = kKeyChar;
        sink(e);
      }
      return;
    }
    case SDL_TEXTINPUT:
      EmitText(ev.text.text, e, sink);
      return;
    case SDL_MOUSEMOTION:
      e.kind = kMouseMove;
      ClientPoint(ev.motion.windowID, ev.motion.x, ev.motion.y, &e.x, &e.y);
      sink(e);
      return;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const int b = MouseButton(ev.button.button);
      if (b == 0) return;
      e.kind = ev.type == SDL_MOUSEBUTTONDOWN ? kMouseDown : kMouseUp;
      e.data = b;
      ClientPoint(ev.button.windowID, ev.button.x, ev.button.y, &e.x, &e.y);
      sink(e);
      return;
    }
    case SDL_MOUSEWHEEL: {
      int steps = ev.wheel.y;
      if (ev.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) steps = -steps;
      if (steps == 0) return;
      e.kind = kMouseWheel;
      e.data = steps;
      int wx = 0, wy = 0;
      SDL_GetMouseState(&wx, &wy);
      ClientPoint(ev.wheel.windowID, wx, wy, &e.x, &e.y);
      sink(e);
      return;
    }
    case SDL_WINDOWEVENT:
      switch (ev.window.event) {
        case SDL_WINDOWEVENT_FOCUS_LOST:
          WindowFocusChanged(ev.window.windowID, false);
          if (!appSuspended) {
            appSuspended = true;
            e.kind = kAppSuspend;
            sink(e);
          }
          return;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
        case SDL_WINDOWEVENT_RESTORED:
          if (ev.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
            WindowFocusChanged(ev.window.windowID, true);
          } else if (!(SDL_GetWindowFlags(SDL_GetWindowFromID(ev.window.windowID)) &
                       SDL_WINDOW_INPUT_FOCUS)) {
            return;
          }
          // A minimised window is not back yet; its restore brings the resume.
          if (appSuspended && !WindowMinimised(ev.window.windowID)) {
            appSuspended = false;
            e.kind = kAppResume;
            sink(e);
          }
          return;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          WindowSizeChanged(ev.window.windowID);
          return;
        case SDL_WINDOWEVENT_CLOSE:
          e.kind = kAppTerminate;
          sink(e);
          return;
        default:
          return;
      }
    default:
      return;
  }
}

bool VideoUp() { return SDL_WasInit(SDL_INIT_VIDEO) != 0; }

}  // namespace

void InjectEvent(const Event& event) { Injected().push_back(event); }

void CatchCloseSignals() {
  struct sigaction sa {};
  sa.sa_handler = [](int) { closeSignalled = 1; };
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &sa, nullptr);
}

void PollEvents(const EventSink& sink) {
  if (closeSignalled) {
    closeSignalled = 0;
    Event e;
    e.kind = kAppTerminate;
    sink(e);
  }
  // Taken one at a time: a sink may inject further events, which come after.
  while (!Injected().empty()) {
    const Event e = Injected().front();
    Injected().pop_front();
    sink(e);
  }
  if (!VideoUp()) return;
  SDL_Event ev;
  while (SDL_PollEvent(&ev)) Translate(ev, sink);
}

void WaitEvents(const EventSink& sink) {
  if (Injected().empty()) {
    if (VideoUp()) {
      SDL_Event ev;
      if (SDL_WaitEvent(&ev)) {
        // Handle the one that woke us, then the rest.
        Translate(ev, sink);
      }
    } else {
      SleepMillis(10);
    }
  }
  PollEvents(sink);
}

int VirtualKey(int sym, int scancode) {
  if (sym >= SDLK_a && sym <= SDLK_z) return 'A' + (sym - SDLK_a);
  if (sym >= SDLK_0 && sym <= SDLK_9) return '0' + (sym - SDLK_0);
  if (sym >= SDLK_F1 && sym <= SDLK_F12) return 112 + (sym - SDLK_F1);
  if (sym >= SDLK_KP_1 && sym <= SDLK_KP_9) return 97 + (sym - SDLK_KP_1);
  switch (sym) {
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return 9;
    case SDLK_CLEAR: return 12;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return 13;
    case SDLK_PAUSE: return 19;
    case SDLK_CAPSLOCK: return 20;
    case SDLK_ESCAPE: return 27;
    case SDLK_SPACE: return 32;
    case SDLK_PAGEUP: return 33;
    case SDLK_PAGEDOWN: return 34;
    case SDLK_END: return 35;
    case SDLK_HOME: return 36;
    case SDLK_LEFT: return 37;
    case SDLK_UP: return 38;
    case SDLK_RIGHT: return 39;
    case SDLK_DOWN: return 40;
    case SDLK_PRINTSCREEN: return 44;
    case SDLK_INSERT: return 45;
    case SDLK_DELETE: return 46;
    case SDLK_LGUI: return 91;
    case SDLK_RGUI: return 92;
    case SDLK_APPLICATION: return 93;
    case SDLK_KP_0: return 96;
    case SDLK_KP_MULTIPLY: return 106;
    case SDLK_KP_PLUS: return 107;
    case SDLK_KP_MINUS: return 109;
    case SDLK_KP_PERIOD: return 110;
    case SDLK_KP_DIVIDE: return 111;
    case SDLK_NUMLOCKCLEAR: return 144;
    case SDLK_SCROLLLOCK: return 145;
    case SDLK_LSHIFT: return 160;
    case SDLK_RSHIFT: return 161;
    case SDLK_LCTRL: return 162;
    case SDLK_RCTRL: return 163;
    case SDLK_LALT: return 164;
    case SDLK_RALT: return 165;
    case SDLK_SEMICOLON: return 186;
    case SDLK_EQUALS: return 187;
    case SDLK_COMMA: return 188;
    case SDLK_MINUS: return 189;
    case SDLK_PERIOD: return 190;
    case SDLK_SLASH: return 191;
    case SDLK_BACKQUOTE: return 192;
    case SDLK_LEFTBRACKET: return 219;
    case SDLK_BACKSLASH: return 220;
    case SDLK_RIGHTBRACKET: return 221;
    case SDLK_QUOTE: return 222;
    default: break;
  }
  // Layouts without Latin letters: the key's position decides.
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) return 'A' + (scancode - SDL_SCANCODE_A);
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) return '1' + (scancode - SDL_SCANCODE_1);
  if (scancode == SDL_SCANCODE_0) return '0';
  return 0;
}

}  // namespace platform
