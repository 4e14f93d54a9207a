// The title screen a frame at a time on a real window, with the game's
// assets, scripted input and a per-user data folder of the test's own.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "game/shell/hiscores.h"
#include "game/shell/startup.h"
#include "game/shell/title_loop.h"
#include "tests/game_screen/game_screen_fixture.h"

class TitleTest : public GameScreenTest {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/quillory-home-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    home = pattern;
    const char* old = std::getenv("XDG_DATA_HOME");
    if (old) oldDataHome = old;
    setenv("XDG_DATA_HOME", home.c_str(), 1);
    GameScreenTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_EQ(MakeFolder(UserGameFolder(), 1), 1);
    RestoreDefaultHiscores();
    game.instructionLines = {u"Line one", u"Line two"};
    EnterTitle();
  }
  void TearDown() override {
    GameScreenTest::TearDown();
    if (oldDataHome) {
      setenv("XDG_DATA_HOME", oldDataHome->c_str(), 1);
    } else {
      unsetenv("XDG_DATA_HOME");
    }
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
  }
  bool TitleFrameAfter(int ms = 17) {
    clock.Advance(ms);
    return TitleFrame();
  }
  void Type(const std::u16string& text) {
    for (char16_t c : text) Queue(EVENT_KEYCHAR, c);
  }
  std::vector<unsigned char> ScoresFile() const {
    std::ifstream in(ScoresFilePath(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  std::string home;
  std::optional<std::string> oldDataHome;
};
