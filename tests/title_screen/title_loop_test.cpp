// The title screen: its menu, the restore question, hiscores entered after a
// game, the name entry, and the ways out, each saving the table.
#include "tests/title_screen/title_fixture.h"

namespace {

using Title = TitleTest;

const std::vector<unsigned char> kDefaultFileStart = {'V', 'a', 'r', 'n', 'e', 'l', 13, 10, 100, 0, 0, 0};

TEST_F(Title, EscWithTheMenuClosedSavesTheTableAndEnds) {
  ASSERT_TRUE(TitleFrameAfter());
  Press(KEY_ESCAPE);
  EXPECT_FALSE(TitleFrameAfter());
  const auto file = ScoresFile();
  ASSERT_EQ(file.size(), 100u);
  EXPECT_TRUE(std::equal(kDefaultFileStart.begin(), kDefaultFileStart.end(), file.begin()));
}

TEST_F(Title, DrawsThePictureTheTableAndThePrompts) {
  ASSERT_TRUE(TitleFrameAfter());
  auto screen = Screen();
  EXPECT_GT(ShownShare(screen, game.startScreenImage, 0, 0, 0, 0, 1024, 170), 0.99);
  for (int i = 0; i < HISCORE_PLACES; ++i) {
    const Box row{380, 180 + 30 * i, 700, 180 + 30 * i + 24};
    const Box ink = Ink(screen, row, Rgb(180, 80, 220));
    ASSERT_FALSE(ink.Empty()) << "place " << i;
    EXPECT_NEAR(ink.left, 388 + InkAtZero(game.hiscoreFont, game.hiscoreNames[i]).left, 1);
  }
  for (const auto& [text, y, colour] : {std::tuple{u"Press M for Menu", 674, Rgb(80, 240, 80)},
                                        std::tuple{u"Press Return to Begin", 700, Rgb(240, 240, 100)}}) {
    // The prompt font's strokes are thin: few pixels are fully covered.
    const Box ink = Ink(screen, Box{0, y, 1023, y + 26}, colour, 60);
    ASSERT_FALSE(ink.Empty());
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 512, 4);
  }
  EXPECT_FALSE(Ink(screen, Box{0, 730, 1023, 760}, Rgb(80, 120, 255), 60).Empty()) << "the rights notice";
}

TEST_F(Title, TheMenuMovesWithoutWrappingAndOpensItsEntries) {
  Press(KEY_M);
  ASSERT_TRUE(TitleFrameAfter());
  ASSERT_EQ(game.menuOpen, 1);
  ASSERT_TRUE(TitleFrameAfter());  // drawn from the next frame on
  EXPECT_GT(ShownShare(Screen(), game.menuImage, 295, 101), 0.95);
  Press(KEY_UP);
  ASSERT_TRUE(TitleFrameAfter());
  EXPECT_EQ(game.menuIndex, 0);
  for (int want : {1, 2, 3, 3}) {
    Press(KEY_DOWN);
    ASSERT_TRUE(TitleFrameAfter());
    EXPECT_EQ(game.menuIndex, want);
  }
  // The underline of entry 3 pulses in grey.
  const Rgba under = ScreenAt(500, 288);
  EXPECT_EQ(under.r, under.g);
  EXPECT_EQ(under.g, under.b);
  EXPECT_GE(under.r, 96);
  Press(KEY_UP);
  ASSERT_TRUE(TitleFrameAfter());
  Press(KEY_RETURN);  // entry 2: the maker's page, and the menu stays
  ASSERT_TRUE(TitleFrameAfter());
  EXPECT_EQ(input->opened, std::vector<std::string>{MAKER_PAGE});
  EXPECT_EQ(game.menuOpen, 1);
  Press(KEY_DOWN);
  ASSERT_TRUE(TitleFrameAfter());
  Press(KEY_RETURN);  // entry 3: back to the title screen
  ASSERT_TRUE(TitleFrameAfter());
  EXPECT_EQ(game.menuOpen, 0);

  Press(KEY_M);
  ASSERT_TRUE(TitleFrameAfter());
  EXPECT_EQ(game.menuIndex, 3) << "the menu keeps its place while the title screen runs";
  for (int i = 0; i < 3; ++i) {  // a step a frame, however many presses
    Press(KEY_UP);
    ASSERT_TRUE(TitleFrameAfter());
  }
  Press(KEY_RETURN);
  ASSERT_TRUE(TitleFrameAfter());
  EXPECT_EQ(game.creditsOpen, 1);
  ASSERT_TRUE(TitleFrameAfter());
  EXPECT_GT(ShownShare(Screen(), game.creditsImage, 312, 185), 0.9);
  Press(KEY_DOWN);
  ASSERT_TRUE(TitleFrameAfter());
  EXPECT_EQ(game.menuIndex, 0) << "no moving under the credits";
  Press(KEY_RETURN);  // closes the credits, runs nothing
  ASSERT_TRUE(TitleFrameAfter());
  EXPECT_EQ(game.creditsOpen, 0);
  EXPECT_EQ(game.instructionsOpen, 0);
}

TEST_F(Title, ThreeEscPressesCloseTheInstructionsThenTheMenuThenQuit) {
  Press(KEY_M);
  ASSERT_TRUE(TitleFrameAfter());
  Press(KEY_DOWN);
  ASSERT_TRUE(TitleFrameAfter());
  Press(KEY_RETURN);
  ASSERT_TRUE(TitleFrameAfter());
  ASSERT_EQ(game.instructionsOpen, 1);
  ASSERT_TRUE(TitleFrameAfter());
  auto screen = Screen();
  EXPECT_GT(ShownShare(screen, game.instructionsImage, 157, 254, 0, 40, -1, -1), 0.9);
  EXPECT_FALSE(Ink(screen, Box{160, 260, 700, 290}, Rgb(240, 100, 240)).Empty()) << "the instruction lines";
  Press(KEY_ESCAPE);
  ASSERT_TRUE(TitleFrameAfter());
  EXPECT_EQ(game.instructionsOpen, 0);
  EXPECT_EQ(game.menuOpen, 1);
  Press(KEY_ESCAPE);
  ASSERT_TRUE(TitleFrameAfter());
  EXPECT_EQ(game.menuOpen, 0);
  Press(KEY_ESCAPE);
  EXPECT_FALSE(TitleFrameAfter());
  EXPECT_EQ(ScoresFile().size(), 100u);
}

TEST_F(Title, F1ThenYRestoresTheDefaultsAndNKeepsTheTable) {
  game.hiscoreNames[0] = u"Mine";
  game.hiscoreScores[0] = 500;
  Press(KEY_F1);
  ASSERT_TRUE(TitleFrameAfter());
  ASSERT_EQ(TitleState().restoreAsked, 1);
  EXPECT_FALSE(Ink(Screen(), Box{0, 440, 1023, 500}, Rgb(180, 60, 40)).Empty()) << "the question";
  Press(KEY_N);
  ASSERT_TRUE(TitleFrameAfter());
  EXPECT_EQ(TitleState().restoreAsked, 0);
  EXPECT_EQ(game.hiscoreNames[0], u"Mine");

  Press(KEY_F1);
  ASSERT_TRUE(TitleFrameAfter());
  Press(KEY_Y);
  ASSERT_TRUE(TitleFrameAfter());
  EXPECT_EQ(game.hiscoreNames[0], u"Varnel");
  EXPECT_EQ(game.hiscoreScores[0], 100);
}

// Only presses made while the question is up, and not typed into a name,
// answer it.
TEST_F(Title, YFromBeforeTheQuestionOrTypedInANameIsNoAnswer) {
  game.hiscoreNames[0] = u"Mine";
  Press(KEY_Y);
  Press(KEY_F1);
  ASSERT_TRUE(TitleFrameAfter());
  ASSERT_TRUE(TitleFrameAfter());
  EXPECT_EQ(TitleState().restoreAsked, 1);
  EXPECT_EQ(game.hiscoreNames[0], u"Mine");

  // A game ends with a score for the table while the question is still up.
  game.finalScore = 95;
  InsertHiscore();
  ASSERT_EQ(game.enteringName, 1);
  Press(KEY_Y);
  Type(u"Y");
  ASSERT_TRUE(TitleFrameAfter());
  EXPECT_EQ(TitleState().restoreAsked, 1);
  EXPECT_EQ(TitleState().typedName, u"Y");
  EXPECT_EQ(game.hiscoreNames[0], u"Mine");
  EXPECT_EQ(game.hiscoreScores[1], 95);
}

struct InsertCase {
  int score;
  int place;  // -1: not entered
  std::vector<int> table;
};

TEST_F(Title, AScoreTakesItsPlaceBelowEqualScores) {
  const std::vector<int> defaults = {100, 90, 80, 70, 60, 50, 40, 30};
  const std::vector<InsertCase> cases = {
      {55, 5, {100, 90, 80, 70, 60, 55, 50, 40}},
      {30, 7, {100, 90, 80, 70, 60, 50, 40, 30}},
      {70, 4, {100, 90, 80, 70, 70, 60, 50, 40}},
      {500, 0, {500, 100, 90, 80, 70, 60, 50, 40}},
      {29, -1, defaults},
      {0, -1, defaults},
  };
  for (const InsertCase& c : cases) {
    SCOPED_TRACE(c.score);
    RestoreDefaultHiscores();
    EnterTitle();
    game.enteringName = 0;
    game.finalScore = c.score;
    InsertHiscore();
    EXPECT_EQ(game.enteringName, c.place >= 0 ? 1 : 0);
    EXPECT_EQ(std::vector<int>(game.hiscoreScores.begin(), game.hiscoreScores.end()), c.table);
    if (c.place >= 0) {
      EXPECT_EQ(TitleState().newEntryIndex, c.place);
      EXPECT_EQ(game.hiscoreNames[c.place], u"");
    }
    if (c.score == 55) {
      EXPECT_EQ(game.hiscoreNames[7], u"Yorrel") << "Lintorpe dropped out";
    }
  }
  // The last two places equal to the score: it does not enter.
  game.hiscoreScores = {100, 90, 80, 70, 60, 50, 30, 30};
  game.enteringName = 0;
  game.finalScore = 30;
  InsertHiscore();
  EXPECT_EQ(game.enteringName, 0);
}

TEST_F(Title, TheNameTakesPrintableCharactersAndBackspaceRemovesOne) {
  game.finalScore = 85;
  InsertHiscore();
  ASSERT_EQ(TitleState().newEntryIndex, 2);
  // One character a frame; Backspace arrives as a key and as character 8.
  for (char16_t c : std::u16string(u"Ab\x01\x7f")) {
    Queue(EVENT_KEYCHAR, c);
    ASSERT_TRUE(TitleFrameAfter());
  }
  EXPECT_EQ(TitleState().typedName, u"Ab");
  Queue(EVENT_KEYDOWN, KEY_BACKSPACE);
  Queue(EVENT_KEYCHAR, 8);
  Queue(EVENT_KEYUP, KEY_BACKSPACE);
  ASSERT_TRUE(TitleFrameAfter());
  EXPECT_EQ(TitleState().typedName, u"A");
  EXPECT_FALSE(Ink(Screen(), Box{380, 173 + 60, 700, 173 + 60 + 30}, Rgb(100, 200, 150)).Empty());
  // Wide enough stops the name growing.
  for (int i = 0; i < 60; ++i) {
    Queue(EVENT_KEYCHAR, u'W');
    ASSERT_TRUE(TitleFrameAfter());
  }
  SetTextFont(game.promptFont);
  EXPECT_LT(StringWidth(TitleState().typedName.substr(0, TitleState().typedName.size() - 1)), 155);
  // Return stores it, and does not start a game in the same frame.
  Press(KEY_RETURN);
  ASSERT_TRUE(TitleFrameAfter());
  EXPECT_EQ(game.enteringName, 0);
  EXPECT_EQ(game.hiscoreNames[2], TitleState().typedName);
  EXPECT_EQ(game.hiscoreNames[2].substr(0, 2), u"AW");
  EXPECT_EQ(game.level, 0) << "no game started";
}

// Return starts a game; leaving it with Esc and Y hands its score to the
// table, the name is typed, and Esc quits with the new entry saved.
TEST_F(Title, AGameLeftWithYEntersItsScoreUnderTheTypedName) {
  int flips = 0;
  const int hook = AddFrameFlipHook([&] {
    ++flips;
    if (flips == 5) {
      game.score = 77;
      Press(KEY_ESCAPE);
    }
    if (flips == 8) Press(KEY_Y);
    if (flips == 500) Queue(EVENT_APPTERMINATE, 0);  // never hang
  });
  Press(KEY_RETURN);
  ASSERT_TRUE(TitleFrameAfter());
  RemoveFrameFlipHook(hook);
  EXPECT_EQ(game.finalScore, 77);
  ASSERT_EQ(game.enteringName, 1);
  EXPECT_EQ(TitleState().newEntryIndex, 3);
  for (char16_t c : std::u16string(u"Zed")) {
    Queue(EVENT_KEYCHAR, c);
    ASSERT_TRUE(TitleFrameAfter());
  }
  Press(KEY_RETURN);
  ASSERT_TRUE(TitleFrameAfter());
  EXPECT_EQ(game.hiscoreNames[3], u"Zed");
  Press(KEY_ESCAPE);
  EXPECT_FALSE(TitleFrameAfter());
  const auto file = ScoresFile();
  const std::string bytes(file.begin(), file.end());
  EXPECT_NE(bytes.find(std::string("Zed\r\n") + char(77) + '\0' + '\0' + '\0'), std::string::npos);
}

TEST_F(Title, ACloseRequestSavesTheTableAndEnds) {
  game.hiscoreNames[0] = u"Kept";
  Queue(EVENT_APPTERMINATE, 0);
  EXPECT_FALSE(TitleFrameAfter());
  const auto file = ScoresFile();
  ASSERT_GE(file.size(), 4u);
  EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "Kept");
}

TEST_F(Title, ACloseRequestDuringAGameEndsItUnenteredAndSaves) {
  int flips = 0;
  const int hook = AddFrameFlipHook([&] {
    if (++flips == 5) {
      game.score = 300;
      Queue(EVENT_APPTERMINATE, 0);
    }
  });
  Press(KEY_RETURN);
  EXPECT_FALSE(TitleFrameAfter());
  RemoveFrameFlipHook(hook);
  EXPECT_EQ(game.enteringName, 0);
  EXPECT_EQ(game.hiscoreScores[0], 100) << "no name, no entry";
  EXPECT_EQ(ScoresFile().size(), 100u);
}

}  // namespace
