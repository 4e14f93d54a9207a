// The one loading of the game's pictures, fonts, tables and sounds: what it
// fills and how it stops when a file is missing.
#include "tests/game_screen/game_screen_fixture.h"

#include <filesystem>

#include "engine/audio/sound.h"

namespace fs = std::filesystem;

namespace {

using Assets = GameScreenTest;

TEST_F(Assets, FillsEveryPictureFontTableAndSoundAsStartUpDoes) {
  const std::vector<std::shared_ptr<TImage>> pictures = {
      game.startScreenImage, game.backgroundImage, game.boardBackdropImage, game.messageFrameImage,
      game.squareImage,      game.squareMarkImage, game.menuImage,          game.creditsImage,
      game.instructionsImage, game.quitImage,      game.ballImage,          game.levelEmptyImage,
      game.littleFrameImage, game.demoEndImage,    game.levelTable[0]->gfxModel};
  for (const auto& p : pictures) {
    ASSERT_TRUE(p);
    EXPECT_EQ(p->flags, IMAGE_MASKED | IMAGE_FILTERED);
    // Its texture is made already: no first frame waits for the upload.
    ASSERT_EQ(p->frames.size(), 1u);
    EXPECT_TRUE(p->frames[0]);
  }
  ASSERT_TRUE(game.pointerImage);
  EXPECT_EQ(game.pointerImage->flags, IMAGE_MASKED) << "the pointer alone is not filtered";
  EXPECT_EQ(game.startScreenImage->width, 1024);
  EXPECT_EQ(game.levelTable[0]->gfxModel->width, 600);

  EXPECT_FALSE(game.bonusTable[0]);
  for (int kind = 1; kind <= BONUS_KINDS; ++kind) {
    ASSERT_TRUE(game.bonusTable[kind] && game.bonusTable[kind]->gfx) << kind;
    EXPECT_EQ(game.bonusTable[kind]->gfx->width, 75);
  }
  EXPECT_EQ(game.bonusTable[BONUS_ROW]->msg, u"Row bonus: Show 7 squares, if possible");
  for (int i = 1; i < LEVEL_TABLE_SIZE; ++i) EXPECT_FALSE(game.levelTable[i]) << i;
  EXPECT_EQ(game.levelTable[0]->g, 80);
  EXPECT_EQ(game.statusMessages[2], u"");
  EXPECT_EQ(game.statusMessages[1], game.statusMessages[7]);

  for (const auto& f : {game.numberFont, game.panelFont, game.passwordFont, game.hiscoreFont,
                        game.instructionsFont, game.questionFont, game.promptFont}) {
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Style(), FONT_SMOOTH);
  }
  ASSERT_TRUE(game.messageFont);
  EXPECT_EQ(game.messageFont->Style(), 1);
  EXPECT_NE(game.numberFont, game.passwordFont) << "two fonts of one file and size";
  EXPECT_EQ(TextWidth(game.numberFont, u"0123456789"), TextWidth(game.passwordFont, u"0123456789"));
  EXPECT_GT(TextWidth(game.panelFont, u"Score"), TextWidth(game.numberFont, u"Score"));

  EXPECT_TRUE(game.pairSound);
  EXPECT_TRUE(game.levelClearedSound);
  EXPECT_TRUE(game.musicSound);
  EXPECT_TRUE(game.musicChannel);
}

TEST_F(Assets, AMissingPictureStopsTheLoadingAndIsNamed) {
  ResetGameState();
  EXPECT_EQ(LoadGameAssets("/nonexistent/"), "/nonexistent/startscreen.jpg");
  EXPECT_FALSE(game.backgroundImage);

  const std::string partial = UnpackArchivePictures(QUILLORY_PROGRAM_DIR);
  ASSERT_FALSE(partial.empty());
  fs::remove(partial + "peite.png");
  ResetGameState();
  EXPECT_EQ(LoadGameAssets(partial), partial + "peite.png");
  EXPECT_TRUE(game.backgroundImage);
  EXPECT_FALSE(game.messageFrameImage);
  RemoveUnpackedPictures(partial);
}

TEST_F(Assets, AMissingSoundStaysSilentAndAMissingFontIsNamed) {
  char pattern[] = "/tmp/quillory-program-XXXXXX";
  ASSERT_TRUE(mkdtemp(pattern));
  const fs::path copy = pattern;
  fs::copy(QUILLORY_PROGRAM_DIR, copy, fs::copy_options::recursive);
  ASSERT_EQ(EnterFolder(copy.string()), 1);

  fs::remove(copy / "fx" / "elevator_bell.ogg");
  ResetGameState();
  EXPECT_EQ(LoadGameAssets(pictures), "");
  EXPECT_FALSE(game.pairSound);
  EXPECT_TRUE(game.levelClearedSound);
  EXPECT_TRUE(game.musicChannel);
  StartSound(game.pairSound);  // plays nothing, breaks nothing

  fs::remove(copy / "Cabin-Regular-TTF.ttf");
  ResetGameState();
  EXPECT_EQ(LoadGameAssets(pictures), "Cabin-Regular-TTF.ttf");
  EXPECT_TRUE(game.questionFont);
  EXPECT_FALSE(game.messageFont);
  EXPECT_FALSE(game.bonusTable[1]->gfx) << "nothing after it is loaded";

  EnterFolder(QUILLORY_PROGRAM_DIR);
  fs::remove_all(copy);
}

}  // namespace
