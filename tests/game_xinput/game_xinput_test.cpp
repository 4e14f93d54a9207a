// The game screen full screen on a 1280 x 1024 X screen: the 1024 x 768
// frame is scaled by 1.25 with bars of 32 pixels above and below, and the
// real pointer, moved and clicked by xdotool, reaches the game in the game's
// own coordinates.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "engine/graphics/display.h"
#include "engine/graphics/draw2d.h"
#include "engine/graphics/image.h"
#include "engine/graphics/pixmap.h"
#include "engine/input/input.h"
#include "engine/system/clock.h"
#include "engine/system/files.h"
#include "engine/system/system_driver.h"
#include "game/presentation/presentation.h"
#include "game/shell/assets.h"
#include "game/shell/game_loop.h"
#include "game/shell/game_state.h"
#include "tests/game_screen/unpacked_pictures.h"

extern char** environ;

namespace {

bool Xdo(std::vector<std::string> args) {
  args.insert(args.begin(), "xdotool");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  return waitpid(pid, &status, 0) >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Screen position of a game pixel: scaled by 1.25 below a 32-pixel bar.
std::string OnScreenX(int x) { return std::to_string(x * 5 / 4); }
std::string OnScreenY(int y) { return std::to_string(y * 5 / 4 + 32); }

// Runs frames (presented) until the game's pointer reads (x, y).
bool FramesUntilPointerAt(int x, int y) {
  for (int i = 0; i < 300; ++i) {
    if (!GameFrame()) return false;
    if (game.mouseX == x && game.mouseY == y) return true;
    Flip(-1);
  }
  return false;
}

TEST(LetterboxedGame, ThePointerPictureAndClicksFollowTheRealPointer) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
  const std::string pictures = UnpackArchivePictures(QUILLORY_PROGRAM_DIR);
  ASSERT_FALSE(pictures.empty());
  SetApplicationTitle(u"Quillory demo");
  ASSERT_TRUE(Graphics(1024, 768, 32, 60, 0));
  const std::string oldFolder = CurrentFolder();
  ASSERT_EQ(EnterFolder(QUILLORY_PROGRAM_DIR), 1);
  ASSERT_EQ(LoadGameAssets(pictures), "");
  game.level = 1;
  EnterGame();
  game.idleSince = ClockMillis();  // no bonus in the way of the click

  ASSERT_TRUE(Xdo({"mousemove", OnScreenX(320), OnScreenY(200)}));
  ASSERT_TRUE(FramesUntilPointerAt(320, 200));
  auto screen = GrabPixmap(0, 0, 1024, 768);
  auto pointer = game.pointerImage->pixmaps.at(0)->Convert(PIXFMT_RGBA8888);
  int opaque = 0, same = 0;
  for (int y = 0; y < pointer->height; ++y) {
    for (int x = 0; x < pointer->width; ++x) {
      const uint8_t* want = pointer->PixelPtr(x, y);
      if (want[3] != 255) continue;
      const uint8_t* got = screen->PixelPtr(320 + x, 200 + y);
      ++opaque;
      same += std::abs(got[0] - want[0]) <= 2 && std::abs(got[1] - want[1]) <= 2 && std::abs(got[2] - want[2]) <= 2;
    }
  }
  ASSERT_GT(opaque, 0);
  EXPECT_GT(static_cast<double>(same) / opaque, 0.99) << "the pointer picture sits at the pointer";

  // A real click on square (2, 2), whose middle is at game pixel (232, 224).
  ASSERT_TRUE(Xdo({"mousemove", OnScreenX(232), OnScreenY(224)}));
  ASSERT_TRUE(FramesUntilPointerAt(232, 224));
  ASSERT_TRUE(Xdo({"click", "1"}));
  for (int i = 0; i < 300 && game.firstSelected == 0; ++i) {
    ASSERT_TRUE(GameFrame());
    Flip(-1);
  }
  EXPECT_EQ(game.firstSelected, 1);
  EXPECT_EQ(game.firstX, 2);
  EXPECT_EQ(game.firstY, 2);

  EndDisplay();
  EnterFolder(oldFolder);
  RemoveUnpackedPictures(pictures);
}

}  // namespace
