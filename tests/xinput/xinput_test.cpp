// The window driven by real X input (xdotool on this test's own Xvfb): key
// hits with and without auto-repeat, Backspace as a key and as character 8,
// buttons, wheel and pointer positions, in a window and letterboxed.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_opengl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <array>
#include <functional>
#include <thread>
#include <string>
#include <vector>

#include "engine/graphics/display.h"
#include "engine/input/input.h"
#include "engine/system/event.h"
#include "engine/system/system_driver.h"
#include "platform/window.h"

extern char** environ;

// x11_probe.cpp: a viewable top-level window with this exact title, 0 if none
// appears within the time; Return pressed on a box until it has gone.
unsigned long FindTopLevelWindow(const std::string& title, int timeoutMs);
bool CloseBoxWithReturn(const std::string& title, int timeoutMs);
// What the X server shows at root position (x, y).
std::array<int, 3> ScreenPixel(SDL_Window* win, int x, int y);
unsigned long CreatePlainWindow(int w, int h);
void ResizePlainWindow(unsigned long win, int w, int h);
void DestroyPlainWindow(unsigned long win);

namespace {

pid_t Spawn(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return 0;
  return pid;
}

}  // namespace

// Runs xdotool with these arguments; true when it succeeded.
bool Xdo(std::vector<std::string> args) {
  args.insert(args.begin(), "xdotool");
  const pid_t pid = Spawn(std::move(args));
  if (pid == 0) return false;
  int status = 0;
  if (waitpid(pid, &status, 0) < 0) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

namespace {

class XInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
    SetApplicationTitle(u"Quillory demo");
    hook = AddEventHook([this](const TEvent& e) {
      events.push_back(e);
      return e;
    });
  }
  void TearDown() override {
    RemoveEventHook(hook);
    EndDisplay();
  }

  // The X server delivers asynchronously: pump until an event is seen.
  bool PumpUntil(const std::function<bool(const TEvent&)>& match, int timeoutMs = 3000) {
    for (int waited = 0; waited <= timeoutMs; waited += 5) {
      PumpEvents();
      for (size_t i = seen; i < events.size(); ++i) {
        if (match(events[i])) {
          seen = i + 1;
          return true;
        }
      }
      SDL_Delay(5);
    }
    return false;
  }
  bool PumpUntilId(int id, int data) {
    return PumpUntil([=](const TEvent& e) { return e.id == id && e.data == data; });
  }
  int Count(int id, int data, size_t from = 0) const {
    int n = 0;
    for (size_t i = from; i < events.size(); ++i) n += events[i].id == id && events[i].data == data;
    return n;
  }

  // Opens a window and waits until it has the keyboard.
  SDL_Window* Open(int w, int h, int depth) {
    if (!Graphics(w, h, depth, 60, 0)) return nullptr;
    for (int i = 0; i < 600 && !SDL_GetKeyboardFocus(); ++i) {
      PumpEvents();
      SDL_Delay(5);
    }
    SDL_Window* win = SDL_GetKeyboardFocus();
    EXPECT_NE(win, nullptr) << "the window never got the keyboard";
    ClearKeyState();
    ClearMouseState();
    return win;
  }

  std::vector<TEvent> events;
  size_t seen = 0;
  TEventHookId hook = 0;
};

TEST_F(XInputTest, KeysWithAndWithoutRepeat) {
  ASSERT_TRUE(Open(640, 480, 0));

  ASSERT_TRUE(Xdo({"key", "a"}));
  ASSERT_TRUE(PumpUntilId(EVENT_KEYUP, KEY_A));
  EXPECT_EQ(KeyPresses(KEY_A), 1);
  EXPECT_EQ(NextChar(), 'a');
  EXPECT_EQ(NextChar(), 0);

  // Backspace: a key hit and character 8; Return and Escape likewise.
  ASSERT_TRUE(Xdo({"key", "BackSpace", "Return", "Escape", "Tab"}));
  ASSERT_TRUE(PumpUntilId(EVENT_KEYUP, KEY_TAB));
  EXPECT_EQ(KeyPresses(KEY_BACKSPACE), 1);
  EXPECT_EQ(KeyPresses(KEY_RETURN), 1);
  EXPECT_EQ(KeyPresses(KEY_ESCAPE), 1);
  EXPECT_EQ(KeyPresses(KEY_TAB), 1);
  EXPECT_EQ(NextChar(), 8);
  EXPECT_EQ(NextChar(), 13);
  EXPECT_EQ(NextChar(), 27);
  EXPECT_EQ(NextChar(), 9);
  EXPECT_EQ(NextChar(), 0);

  // Letters, digits, function and cursor keys map to their virtual keys.
  ASSERT_TRUE(Xdo({"key", "shift+m", "7", "F1", "Up", "Down", "space"}));
  ASSERT_TRUE(PumpUntilId(EVENT_KEYUP, KEY_SPACE));
  EXPECT_EQ(KeyPresses(KEY_M), 1);
  EXPECT_EQ(KeyPresses(KEY_LSHIFT), 1);
  EXPECT_EQ(KeyPresses('7'), 1);
  EXPECT_EQ(KeyPresses(KEY_F1), 1);
  EXPECT_EQ(KeyPresses(KEY_UP), 1);
  EXPECT_EQ(KeyPresses(KEY_DOWN), 1);
  EXPECT_EQ(KeyPresses(KEY_SPACE), 1);
  EXPECT_EQ(NextChar(), 'M');
  EXPECT_EQ(NextChar(), '7');
  EXPECT_EQ(NextChar(), ' ');

  // Held for a second: auto-repeat gives one hit, but repeated characters,
  // Backspace's 8 included.
  const size_t from = events.size();
  ASSERT_TRUE(Xdo({"keydown", "BackSpace", "sleep", "1", "keyup", "BackSpace"}));
  ASSERT_TRUE(PumpUntilId(EVENT_KEYUP, KEY_BACKSPACE));
  EXPECT_GE(Count(EVENT_KEYREPEAT, KEY_BACKSPACE, from), 2);
  EXPECT_EQ(Count(EVENT_KEYDOWN, KEY_BACKSPACE, from), 1);
  EXPECT_EQ(KeyPresses(KEY_BACKSPACE), 1);
  int backspaces = 0;
  for (int c; (c = NextChar()) != 0;) backspaces += c == 8;
  EXPECT_EQ(backspaces, 1 + Count(EVENT_KEYREPEAT, KEY_BACKSPACE, from));
  EXPECT_EQ(KeyDown(KEY_BACKSPACE), 0);
}

TEST_F(XInputTest, ButtonsWheelAndPointerInAWindow) {
  SDL_Window* win = Open(640, 480, 0);
  ASSERT_TRUE(win);
  int wx = 0, wy = 0;
  SDL_GetWindowPosition(win, &wx, &wy);
  ASSERT_TRUE(Xdo({"mousemove", std::to_string(wx + 100), std::to_string(wy + 50)}));
  ASSERT_TRUE(PumpUntil([](const TEvent& e) { return e.id == EVENT_MOUSEMOVE && e.x == 100 && e.y == 50; }));
  EXPECT_EQ(PointerX(), 100);
  EXPECT_EQ(PointerY(), 50);

  ASSERT_TRUE(Xdo({"click", "1", "click", "3", "click", "3", "click", "2"}));
  ASSERT_TRUE(PumpUntilId(EVENT_MOUSEUP, MOUSE_MIDDLE));
  EXPECT_EQ(MouseClicks(MOUSE_LEFT), 1);
  EXPECT_EQ(MouseClicks(MOUSE_RIGHT), 2);
  EXPECT_EQ(MouseClicks(MOUSE_MIDDLE), 1);
  EXPECT_EQ(MouseDown(MOUSE_LEFT), 0);

  ASSERT_TRUE(Xdo({"mousedown", "1"}));
  ASSERT_TRUE(PumpUntilId(EVENT_MOUSEDOWN, MOUSE_LEFT));
  EXPECT_EQ(MouseDown(MOUSE_LEFT), 1);
  ASSERT_TRUE(Xdo({"mouseup", "1"}));
  ASSERT_TRUE(PumpUntilId(EVENT_MOUSEUP, MOUSE_LEFT));
  EXPECT_EQ(MouseDown(MOUSE_LEFT), 0);

  ASSERT_TRUE(Xdo({"click", "4", "click", "4", "click", "5"}));
  ASSERT_TRUE(PumpUntilId(EVENT_MOUSEWHEEL, -1));
  EXPECT_EQ(WheelPosition(), 1);
}

TEST_F(XInputTest, FullScreenCentresThePointerAndMapsItThroughTheLetterbox) {
  ASSERT_TRUE(Xdo({"mousemove", "10", "10"}));
  // 16:10 on the 4:3 screen: scaled by 1.6 with bars of 64 above and below.
  ASSERT_TRUE(Open(640, 400, 32));
  ASSERT_TRUE(PumpUntil([](const TEvent& e) { return e.id == EVENT_MOUSEMOVE && e.x == 320 && e.y == 200; }));
  ASSERT_TRUE(Xdo({"mousemove", "160", "224"}));
  ASSERT_TRUE(PumpUntil([](const TEvent& e) { return e.id == EVENT_MOUSEMOVE && e.x == 100 && e.y == 100; }));
  ASSERT_TRUE(Xdo({"click", "1"}));
  ASSERT_TRUE(PumpUntil([](const TEvent& e) { return e.id == EVENT_MOUSEDOWN && e.x == 100 && e.y == 100; }));
  EXPECT_EQ(MouseClicks(MOUSE_LEFT), 1);
}

TEST_F(XInputTest, LetterboxedFrameIsScaledOnScreenWithBlackBars) {
  SDL_Window* win = Open(640, 400, 32);
  ASSERT_TRUE(win);
  // Blue frame, red top-left quarter, drawn in the 640 x 400 client space.
  glViewport(0, 0, 640, 400);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, 640, 400, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glClearColor(0, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glColor3ub(255, 0, 0);
  glBegin(GL_QUADS);
  glVertex2i(0, 0);
  glVertex2i(320, 0);
  glVertex2i(320, 200);
  glVertex2i(0, 200);
  glEnd();
  Flip(0);
  // Scaled by 1.6 into 1024 x 640 with bars of 64 above and below.
  using RGB = std::array<int, 3>;
  EXPECT_EQ(ScreenPixel(win, 500, 10), (RGB{0, 0, 0}));
  EXPECT_EQ(ScreenPixel(win, 500, 760), (RGB{0, 0, 0}));
  EXPECT_EQ(ScreenPixel(win, 2, 66), (RGB{255, 0, 0}));
  EXPECT_EQ(ScreenPixel(win, 505, 380), (RGB{255, 0, 0}));
  EXPECT_EQ(ScreenPixel(win, 520, 390), (RGB{0, 0, 255}));
  EXPECT_EQ(ScreenPixel(win, 1020, 700), (RGB{0, 0, 255}));
}

TEST_F(XInputTest, FullScreenOfTheScreensSizeIsExact) {
  ASSERT_TRUE(Xdo({"mousemove", "10", "10"}));
  ASSERT_TRUE(Open(1024, 768, 32));
  ASSERT_TRUE(PumpUntil([](const TEvent& e) { return e.id == EVENT_MOUSEMOVE && e.x == 512 && e.y == 384; }));
  ASSERT_TRUE(Xdo({"mousemove", "1023", "0"}));
  ASSERT_TRUE(PumpUntil([](const TEvent& e) { return e.id == EVENT_MOUSEMOVE && e.x == 1023 && e.y == 0; }));
  ASSERT_TRUE(Xdo({"key", "p"}));
  ASSERT_TRUE(PumpUntilId(EVENT_KEYUP, KEY_P));
  EXPECT_EQ(KeyPresses(KEY_P), 1);
  // Drawn pixels land on the screen one to one.
  glViewport(0, 0, 1024, 768);
  glClearColor(0, 1, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_SCISSOR_TEST);
  glScissor(1023, 0, 1, 1);  // the bottom-right pixel
  glClearColor(1, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
  Flip(0);
  SDL_Window* win = SDL_GetKeyboardFocus();
  ASSERT_TRUE(win);
  EXPECT_EQ(ScreenPixel(win, 1023, 767), (std::array<int, 3>{255, 0, 255}));
  EXPECT_EQ(ScreenPixel(win, 1022, 767), (std::array<int, 3>{0, 255, 0}));
  EXPECT_EQ(ScreenPixel(win, 1023, 766), (std::array<int, 3>{0, 255, 0}));
  EXPECT_EQ(ScreenPixel(win, 0, 0), (std::array<int, 3>{0, 255, 0}));
}

TEST_F(XInputTest, SwitchingToAnotherProgramAndBackFlushesInput) {
  SDL_Window* win = Open(320, 200, 0);
  ASSERT_TRUE(win);
  const uint64_t native = platform::NativeWindow(platform::CurrentContext());
  ASSERT_NE(native, 0u);
  const std::string ours = std::to_string(native);

  ASSERT_TRUE(Xdo({"keydown", "y"}));
  ASSERT_TRUE(PumpUntilId(EVENT_KEYDOWN, KEY_Y));
  EXPECT_EQ(KeyDown(KEY_Y), 1);

  // Another program takes the keyboard, then we get it back.
  const pid_t other = Spawn({"xmessage", "-geometry", "+0+0", "another program"});
  ASSERT_NE(other, 0);
  ASSERT_TRUE(Xdo({"search", "--sync", "--class", "xmessage", "windowfocus", "--sync"}));
  ASSERT_TRUE(PumpUntilId(EVENT_APPSUSPEND, 0));
  EXPECT_EQ(IsSuspended(), 1);
  EXPECT_EQ(KeyDown(KEY_Y), 0);
  ASSERT_TRUE(Xdo({"keyup", "y"}));
  ASSERT_TRUE(Xdo({"windowfocus", "--sync", ours}));
  ASSERT_TRUE(PumpUntilId(EVENT_APPRESUME, 0));
  EXPECT_EQ(IsSuspended(), 0);
  EXPECT_EQ(KeyPresses(KEY_Y), 0);
  EXPECT_EQ(NextChar(), 0);
  kill(other, SIGTERM);
  waitpid(other, nullptr, 0);
}

TEST_F(XInputTest, AttachedWindowDrawsAndReportsItsCurrentSize) {
  const unsigned long xw = CreatePlainWindow(200, 150);
  ASSERT_NE(xw, 0u);
  auto g = AttachGraphics(reinterpret_cast<void*>(static_cast<uintptr_t>(xw)), 0);
  ASSERT_TRUE(g);
  int w = 0, h = 0, d = 0, hz = 0, f = 0;
  g->GetSettings(w, h, d, hz, f);
  EXPECT_EQ(w, 200);
  EXPECT_EQ(h, 150);
  EXPECT_EQ(f, GFX_BACKBUFFER);
  SetGraphics(g);
  EXPECT_EQ(DisplayWidth(), 200);
  glViewport(0, 0, 200, 150);
  glClearColor(1, 1, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  unsigned char px[4] = {};
  glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
  EXPECT_EQ(px[0] * 65536 + px[1] * 256 + px[2], 0xFFFF00);
  Flip(0);
  // Someone else resizes the window: the next reading has the new size.
  ResizePlainWindow(xw, 300, 120);
  for (int i = 0; i < 400 && w != 300; ++i) {
    PumpEvents();
    g->GetSettings(w, h, d, hz, f);
    SDL_Delay(5);
  }
  EXPECT_EQ(w, 300);
  EXPECT_EQ(h, 120);
  CloseGraphics(g);
  EXPECT_EQ(CurrentGraphics(), nullptr);
  DestroyPlainWindow(xw);  // still there after Close: it was not ours
}

TEST_F(XInputTest, NotifyShowsABoxCaptionedWithTheTitleAndLogsTheText) {
  SDL_Window* win = Open(320, 200, 0);
  ASSERT_TRUE(win);
  SetApplicationTitle(u"Notify probe");  // the game window keeps its own title
  // Someone reads the box and presses Return.
  bool closed = false;
  std::thread reader([&closed] { closed = CloseBoxWithReturn("Notify probe", 10000); });
  testing::internal::CaptureStderr();
  Notify(u"The picture archive is missing.", false);
  const std::string logged = testing::internal::GetCapturedStderr();
  reader.join();
  EXPECT_TRUE(closed);
  EXPECT_NE(logged.find("Notify probe: The picture archive is missing."), std::string::npos) << logged;
  // The keyboard comes back to the window that had it.
  for (int i = 0; i < 400 && SDL_GetKeyboardFocus() != win; ++i) {
    PumpEvents();
    SDL_Delay(5);
  }
  EXPECT_EQ(SDL_GetKeyboardFocus(), win);
  SetApplicationTitle(u"Quillory demo");
}

}  // namespace
