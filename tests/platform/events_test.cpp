// Translation of SDL's events into the platform's plain events: SDL events
// are pushed into SDL's own queue and read back through PollEvents.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/events.h"
#include "platform/text.h"
#include "platform/window.h"

namespace {

TEST(VirtualKeyTest, MapsToWindowsCodes) {
  const struct {
    int sym, scancode, vk;
  } cases[] = {
      {SDLK_a, SDL_SCANCODE_A, 65},          {SDLK_z, SDL_SCANCODE_Z, 90},
      {SDLK_0, SDL_SCANCODE_0, 48},          {SDLK_9, SDL_SCANCODE_9, 57},
      {SDLK_F1, SDL_SCANCODE_F1, 112},       {SDLK_F12, SDL_SCANCODE_F12, 123},
      {SDLK_LEFT, SDL_SCANCODE_LEFT, 37},    {SDLK_UP, SDL_SCANCODE_UP, 38},
      {SDLK_RIGHT, SDL_SCANCODE_RIGHT, 39},  {SDLK_DOWN, SDL_SCANCODE_DOWN, 40},
      {SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, 8}, {SDLK_TAB, SDL_SCANCODE_TAB, 9},
      {SDLK_RETURN, SDL_SCANCODE_RETURN, 13}, {SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, 13},
      {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 27}, {SDLK_SPACE, SDL_SCANCODE_SPACE, 32},
      {SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, 160}, {SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, 161},
      {SDLK_LCTRL, SDL_SCANCODE_LCTRL, 162},  {SDLK_RCTRL, SDL_SCANCODE_RCTRL, 163},
      {SDLK_LALT, SDL_SCANCODE_LALT, 164},    {SDLK_RALT, SDL_SCANCODE_RALT, 165},
      // A Cyrillic layout: the letter key's position decides.
      {0x0439, SDL_SCANCODE_Q, 'Q'},          {0x0444, SDL_SCANCODE_A, 'A'},
      // A layout whose digit row gives symbols (French: & on the 1 key).
      {SDLK_AMPERSAND, SDL_SCANCODE_1, '1'},
      {0x10FFFF, SDL_SCANCODE_UNKNOWN, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::VirtualKey(c.sym, c.scancode), c.vk) << std::hex << c.sym;
}

TEST(TextTest, Utf16ToUtf8) {
  EXPECT_EQ(platform::Utf16ToUtf8(u"Quillory demo"), "Quillory demo");
  EXPECT_EQ(platform::Utf16ToUtf8(u"\u00e9\u20ac"), "\xc3\xa9\xe2\x82\xac");
  EXPECT_EQ(platform::Utf16ToUtf8(u"\U0001F600"), "\xf0\x9f\x98\x80");
  EXPECT_EQ(platform::Utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xef\xbf\xbdx");
}

TEST(InjectionTest, WorksWithoutAnyWindowAndComesInOrder) {
  // No video is needed (and none is brought up) for injected events.
  std::vector<int> got;
  for (int i = 1; i <= 3; ++i) {
    platform::Event e;
    e.kind = platform::kKeyChar;
    e.data = i;
    platform::InjectEvent(e);
  }
  platform::PollEvents([&](const platform::Event& e) { got.push_back(e.data); });
  EXPECT_EQ(got, (std::vector<int>{1, 2, 3}));
  got.clear();
  platform::Event e;
  e.kind = platform::kKeyDown;
  e.data = 9;
  platform::InjectEvent(e);
  platform::WaitEvents([&](const platform::Event& ev) { got.push_back(ev.data); });
  EXPECT_EQ(got, (std::vector<int>{9}));
}

class SdlTranslationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
    std::string error;
    ASSERT_TRUE(platform::InitVideo(&error)) << error;
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  }
  std::vector<platform::Event> Poll() {
    std::vector<platform::Event> out;
    platform::PollEvents([&](const platform::Event& e) { out.push_back(e); });
    return out;
  }
  static void PushKey(Uint32 type, SDL_Keycode sym, SDL_Scancode sc, int repeat) {
    SDL_Event ev{};
    ev.type = type;
    ev.key.keysym.sym = sym;
    ev.key.keysym.scancode = sc;
    ev.key.repeat = static_cast<Uint8>(repeat);
    ev.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    SDL_PushEvent(&ev);
  }
};

TEST_F(SdlTranslationTest, ControlKeysAlsoGiveTheirCharacterRepeatsIncluded) {
  PushKey(SDL_KEYDOWN, SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, 0);
  PushKey(SDL_KEYDOWN, SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, 1);
  PushKey(SDL_KEYUP, SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, 0);
  PushKey(SDL_KEYDOWN, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, 0);  // no character
  PushKey(SDL_KEYDOWN, SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, 0);
  const auto got = Poll();
  const std::vector<std::pair<int, int>> want = {
      {platform::kKeyDown, 8},  {platform::kKeyChar, 8}, {platform::kKeyRepeat, 8}, {platform::kKeyChar, 8},
      {platform::kKeyUp, 8},    {platform::kKeyDown, 160}, {platform::kKeyDown, 13}, {platform::kKeyChar, 13},
  };
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(got[i].kind, want[i].first) << i;
    EXPECT_EQ(got[i].data, want[i].second) << i;
  }
}

TEST_F(SdlTranslationTest, ModifiersAreThoseOfTheMomentOfEachEvent) {
  // Shift down, A, Shift up, Ctrl down, a click, Ctrl up, all polled at once:
  // each event carries the modifiers held when it happened, not when polled.
  auto key = [](Uint32 type, SDL_Keycode sym, SDL_Scancode sc, Uint16 mod) {
    SDL_Event ev{};
    ev.type = type;
    ev.key.keysym.sym = sym;
    ev.key.keysym.scancode = sc;
    ev.key.keysym.mod = mod;
    ev.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    SDL_PushEvent(&ev);
  };
  key(SDL_KEYDOWN, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, KMOD_LSHIFT);
  key(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A, KMOD_LSHIFT);
  key(SDL_KEYUP, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, KMOD_NONE);
  key(SDL_KEYDOWN, SDLK_RCTRL, SDL_SCANCODE_RCTRL, KMOD_RCTRL | KMOD_LALT);
  SDL_Event click{};
  click.type = SDL_MOUSEBUTTONDOWN;
  click.button.button = SDL_BUTTON_LEFT;
  SDL_PushEvent(&click);
  key(SDL_KEYUP, SDLK_RCTRL, SDL_SCANCODE_RCTRL, KMOD_CAPS);  // Caps Lock is no modifier here
  std::vector<int> mods;
  for (const auto& e : Poll()) mods.push_back(e.mods);
  EXPECT_EQ(mods, (std::vector<int>{1, 1, 0, 6, 6, 0}));
}

TEST_F(SdlTranslationTest, TextInputBecomesUtf16CodeUnits) {
  SDL_Event ev{};
  ev.type = SDL_TEXTINPUT;
  std::strcpy(ev.text.text, "a\xc3\xa9\xf0\x9f\x98\x80\xff!");  // a, e-acute, an emoji, a stray byte, !
  SDL_PushEvent(&ev);
  std::vector<int> units;
  for (const auto& e : Poll()) {
    EXPECT_EQ(e.kind, platform::kKeyChar);
    units.push_back(e.data);
  }
  EXPECT_EQ(units, (std::vector<int>{'a', 0xE9, 0xD83D, 0xDE00, '!'}));
}

TEST_F(SdlTranslationTest, ButtonsAreNumberedLeftRightMiddle) {
  for (Uint8 b : {SDL_BUTTON_LEFT, SDL_BUTTON_RIGHT, SDL_BUTTON_MIDDLE, SDL_BUTTON_X1}) {
    SDL_Event ev{};
    ev.type = SDL_MOUSEBUTTONDOWN;
    ev.button.button = b;
    ev.button.x = 7;
    ev.button.y = 9;
    SDL_PushEvent(&ev);
  }
  SDL_Event wheel{};
  wheel.type = SDL_MOUSEWHEEL;
  wheel.wheel.y = 2;
  wheel.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
  SDL_PushEvent(&wheel);
  const auto got = Poll();
  ASSERT_EQ(got.size(), 4u);  // side buttons are not reported
  EXPECT_EQ(got[0].data, 1);
  EXPECT_EQ(got[1].data, 2);
  EXPECT_EQ(got[2].data, 3);
  EXPECT_EQ(got[0].x, 7);
  EXPECT_EQ(got[0].y, 9);
  EXPECT_EQ(got[3].kind, platform::kMouseWheel);
  EXPECT_EQ(got[3].data, -2);
}

TEST_F(SdlTranslationTest, FocusChangesAreReportedOnceAndCloseIsATerminateRequest) {
  // No window of ours: the window system sends no focus changes of its own.
  const uint32_t id = 4242;
  for (Uint8 what : {SDL_WINDOWEVENT_FOCUS_LOST, SDL_WINDOWEVENT_FOCUS_LOST, SDL_WINDOWEVENT_FOCUS_GAINED,
                     SDL_WINDOWEVENT_FOCUS_GAINED, SDL_WINDOWEVENT_CLOSE}) {
    SDL_Event ev{};
    ev.type = SDL_WINDOWEVENT;
    ev.window.event = what;
    ev.window.windowID = id;
    SDL_PushEvent(&ev);
  }
  std::vector<int> kinds;
  for (const auto& e : Poll()) kinds.push_back(e.kind);
  auto count = [&](int k) { return std::count(kinds.begin(), kinds.end(), k); };
  EXPECT_EQ(count(platform::kAppSuspend), 1);
  EXPECT_EQ(count(platform::kAppResume), 1);
  EXPECT_EQ(count(platform::kAppTerminate), 1);
  EXPECT_EQ(kinds.size(), 3u);
}

}  // namespace
