#include "bench/game/game_bench.h"

#include <cstdio>
#include <string>

#include "engine/graphics/display.h"
#include "engine/graphics/image.h"
#include "engine/graphics/image_font.h"
#include "engine/system/files.h"
#include "game/shell/assets.h"
#include "game/shell/game_state.h"
#include "platform/events.h"
#include "tests/game_screen/unpacked_pictures.h"

namespace bench {

namespace {

void Inject(int kind, int data, int x = 0, int y = 0) {
  platform::Event e;
  e.kind = kind;
  e.data = data;
  e.x = x;
  e.y = y;
  platform::InjectEvent(e);
}

}  // namespace

bool OpenGameWindow(const char* who) {
  if (Graphics(1024, 768, 0, 60, 0)) return true;
  std::fprintf(stderr, "%s: no display (run under xvfb-run)\n", who);
  return false;
}

bool LoadGame(const char* who) {
  const std::string pictures = UnpackArchivePictures(QUILLORY_PROGRAM_DIR);
  if (pictures.empty()) return false;
  std::string failed = "the program folder " QUILLORY_PROGRAM_DIR;
  if (EnterFolder(QUILLORY_PROGRAM_DIR) == 1) failed = LoadGameAssets(pictures);
  RemoveUnpackedPictures(pictures);
  if (failed.empty()) return true;
  std::fprintf(stderr, "%s: cannot load %s\n", who, failed.c_str());
  return false;
}

void MovePointer(int x, int y) { Inject(platform::kMouseMove, 0, x, y); }

void ClickAt(int x, int y, int button) {
  MovePointer(x, y);
  Inject(platform::kMouseDown, button, x, y);
  Inject(platform::kMouseUp, button, x, y);
}

void PressKey(int key) {
  Inject(platform::kKeyDown, key);
  Inject(platform::kKeyUp, key);
}

int SquareCentreX(int col) { return BOARD_LEFT + SQUARE_SIZE * col + SQUARE_SIZE / 2; }
int SquareCentreY(int row) { return BOARD_TOP + SQUARE_SIZE * row + SQUARE_SIZE / 2; }

std::vector<std::shared_ptr<TImage>> RecordImages(bool glyphs) {
  std::vector<std::shared_ptr<TImage>> images = {
      game.startScreenImage, game.backgroundImage, game.boardBackdropImage, game.messageFrameImage,
      game.squareImage,      game.squareMarkImage, game.menuImage,          game.creditsImage,
      game.instructionsImage, game.quitImage,      game.pointerImage,       game.ballImage,
      game.levelEmptyImage,  game.littleFrameImage, game.demoEndImage,
  };
  for (const auto& bonus : game.bonusTable)
    if (bonus) images.push_back(bonus->gfx);
  for (const auto& level : game.levelTable)
    if (level) images.push_back(level->gfxModel);
  if (glyphs) {
    // numberFont and passwordFont are separate fonts of one file: both count.
    for (const auto& font : {game.numberFont, game.panelFont, game.passwordFont, game.messageFont,
                             game.hiscoreFont, game.instructionsFont, game.questionFont, game.promptFont}) {
      if (!font) continue;
      for (const auto& g : font->_glyphs)
        if (g && g->_image) images.push_back(g->_image);
    }
  }
  std::erase(images, nullptr);
  return images;
}

}  // namespace bench
