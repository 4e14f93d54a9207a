#include "game/shell/assets.h"

#include <memory>
#include <vector>

#include "engine/audio/sound.h"
#include "engine/graphics/image.h"
#include "engine/graphics/image_font.h"
#include "engine/graphics/font.h"
#include "game/shell/game_state.h"

namespace {

struct PictureFile {
  std::shared_ptr<TImage>* target;
  std::string file;
  int flags;
};

struct FontFile {
  std::shared_ptr<TImageFont>* target;
  const char* file;
  int size;
  int style;
};

// The first file of the list that cannot be loaded; empty when all are.
std::string LoadPictures(const std::vector<PictureFile>& pictures) {
  for (const PictureFile& p : pictures) {
    *p.target = LoadImageFile(p.file, p.flags);
    if (!*p.target) return p.file;
  }
  return {};
}

}  // namespace

std::string LoadGameAssets(const std::string& tempDir) {
  SetImageMaskColor(0, 0, 0);

  // The pointer is the only picture drawn unfiltered: it sits on whole pixels.
  const std::vector<PictureFile> pictures = {
      {&game.startScreenImage, tempDir + "startscreen.jpg", -1},
      {&game.backgroundImage, "gfx\\bg.jpg", -1},
      {&game.boardBackdropImage, tempDir + "peite.png", -1},
      {&game.messageFrameImage, "gfx\\message frame.png", -1},
      {&game.squareImage, "gfx\\square.png", -1},
      {&game.squareMarkImage, "gfx\\square mark.png", -1},
      {&game.menuImage, "gfx\\Menu.png", -1},
      {&game.creditsImage, "gfx\\Credits.png", -1},
      {&game.instructionsImage, "gfx\\instructions.png", -1},
      {&game.quitImage, "gfx\\quit.png", -1},
      {&game.pointerImage, "gfx\\pointer.png", IMAGE_MASKED},
      {&game.ballImage, "gfx\\ball.png", -1},
      {&game.levelEmptyImage, "gfx\\level-1-empty.png", -1},
      {&game.littleFrameImage, "gfx\\littleframe.png", -1},
  };
  if (std::string failed = LoadPictures(pictures); !failed.empty()) return failed;

  FillFixedTables();
  game.rowRevealAlpha.fill(0.0f);
  game.colRevealAlpha.fill(0.0f);
  game.board.fill(0);

  // numberFont and passwordFont are two fonts of the same file and size.
  const FontFile fonts[] = {
      {&game.numberFont, "Mishmash BRK.ttf", 20, FONT_SMOOTH},
      {&game.panelFont, "Mishmash BRK.ttf", 28, FONT_SMOOTH},
      {&game.passwordFont, "Mishmash BRK.ttf", 20, FONT_SMOOTH},
      {&game.hiscoreFont, "Mishmash BRK.ttf", 18, FONT_SMOOTH},
      {&game.instructionsFont, "MODENINE.TTF", 16, FONT_SMOOTH},
      {&game.questionFont, "Anleterre Book.ttf", 56, FONT_SMOOTH},
      {&game.messageFont, "Cabin-Regular-TTF.ttf", 22, 1},
      {&game.promptFont, "Glametrix.otf", 30, FONT_SMOOTH},
  };
  for (const FontFile& f : fonts) {
    *f.target = LoadFontFile(std::string(f.file), f.size, f.style);
    if (!*f.target) return f.file;
  }

  static const char* const bonusFiles[BONUS_KINDS] = {
      "gfx\\questionmark.png", "gfx\\4.png",  "gfx\\model square.png", "gfx\\rowbonus.png",
      "gfx\\colbonus.png",     "gfx\\M.png", "gfx\\pair.png",
  };
  std::vector<PictureFile> tablePictures;
  for (int kind = 1; kind <= BONUS_KINDS; ++kind) {
    tablePictures.push_back({&game.bonusTable[kind]->gfx, bonusFiles[kind - 1], -1});
  }
  tablePictures.push_back({&game.levelTable[0]->gfxModel, tempDir + "stockimage_s_32662469.jpg", -1});
  tablePictures.push_back({&game.demoEndImage, tempDir + "demo-ending.jpg", -1});
  if (std::string failed = LoadPictures(tablePictures); !failed.empty()) return failed;

  game.levelClearedSound = LoadSound(std::string("fx\\icewinds.ogg"), 0);
  game.pairSound = LoadSound(std::string("fx\\elevator_bell.ogg"), 0);
  game.musicSound = LoadSound(std::string("music\\defuse.ogg"), SOUND_LOOP | SOUND_HARDWARE);
  game.musicChannel = PrepareSound(game.musicSound);

  // Every picture gets its texture now, while start-up's loading picture is
  // up: made on first draw they would stall the first frames of the title
  // screen and of the first game (without a display this does nothing).
  // After the sounds: the music's decoding peak then comes before them.
  // The fonts' printable characters likewise.
  for (const PictureFile& p : pictures) (*p.target)->Frame(0);
  for (const PictureFile& p : tablePictures) (*p.target)->Frame(0);
  for (const FontFile& f : fonts) {
    for (int c = 32; c < 127; ++c) {
      const auto glyph = (*f.target)->LoadGlyph((*f.target)->CharToGlyph(c));
      if (glyph && glyph->Pixels()) glyph->Pixels()->Frame(0);
    }
  }
  return {};
}
