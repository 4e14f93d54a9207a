// The side panel and the status line on a real frame: texts centred where
// they belong, in their fonts and colours, and the timed message.
#include "tests/game_screen/game_screen_fixture.h"

namespace {

const Rgba kPanel = Rgb(200, 100, 220);
const Rgba kRed = Rgb(255, 0, 0);
const Rgba kYellow = Rgb(240, 240, 0);

class PanelAndMessage : public GameInPlay {
 protected:
  // Where a text's ink must start when it is drawn centred in a band.
  static int CentredInkLeft(const std::shared_ptr<TImageFont>& font, const std::u16string& text, int left,
                            int width) {
    const int x = left + (width - TextWidth(font, text)) / 2;
    return x + InkAtZero(font, text).left;
  }
};

struct PanelLine {
  std::u16string text;
  int y;
  bool password;
};

TEST_F(PanelAndMessage, EveryPanelLineIsCentredInTheColumnInThePanelColour) {
  game.score = 1234;
  game.mistakes = 24;
  game.marksLeft = 17;
  const std::vector<PanelLine> lines = {
      {u"Score", 40, false},        {u"1234", 88, false},         {u"Level  1", 144, false},
      {u"Mistakes  24", 200, false}, {u"Marks 17", 256, false},   {u"Password", 312, false},
      {u"---", 368, true},           {u"Numbers Shown", 424, false}, {u"No", 472, false},
      {u"Time", 536, false},         {u"20:00", 592, false},
  };
  std::vector<int> wantLeft;
  for (const PanelLine& l : lines) {
    wantLeft.push_back(CentredInkLeft(l.password ? game.passwordFont : game.panelFont, l.text, 648, 376));
  }
  ASSERT_TRUE(Frame());
  auto screen = Screen();
  for (size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(std::string(lines[i].text.begin(), lines[i].text.end()));
    const Box ink = Ink(screen, Box{600, lines[i].y, 1023, lines[i].y + 40}, kPanel);
    ASSERT_FALSE(ink.Empty());
    EXPECT_NEAR(ink.left, wantLeft[i], 1);
    EXPECT_GE(ink.top, lines[i].y);
  }
  EXPECT_TRUE(Ink(screen, Box{600, 200, 1023, 240}, kRed).Empty());
}

TEST_F(PanelAndMessage, TheMistakesLineTurnsRedAtTwentyFiveAndOnlyIt) {
  game.mistakes = 25;
  ASSERT_TRUE(Frame());
  auto screen = Screen();
  EXPECT_FALSE(Ink(screen, Box{600, 200, 1023, 240}, kRed).Empty());
  EXPECT_TRUE(Ink(screen, Box{600, 200, 1023, 240}, kPanel).Empty());
  EXPECT_FALSE(Ink(screen, Box{600, 256, 1023, 296}, kPanel).Empty());
  EXPECT_TRUE(Ink(screen, Box{600, 256, 1023, 296}, kRed).Empty());
}

TEST_F(PanelAndMessage, TheTimeReadsMinutesAndTwoDigitSeconds) {
  const std::vector<std::pair<int, std::u16string>> cases = {
      {1200, u"20:00"}, {600, u"10:00"}, {65, u"1:05"}, {60, u"1:00"}, {59, u"0:59"}, {5, u"0:05"}};
  for (const auto& [seconds, text] : cases) {
    SCOPED_TRACE(seconds);
    const int want = CentredInkLeft(game.panelFont, text, 648, 376);
    const Box ref = InkAtZero(game.panelFont, text);
    game.timeLeft = seconds;
    ASSERT_TRUE(Frame());
    const Box ink = Ink(Screen(), Box{600, 592, 1023, 632}, kPanel);
    EXPECT_NEAR(ink.left, want, 1);
    EXPECT_EQ(ink.Width(), ref.Width());
  }
}

TEST_F(PanelAndMessage, AtTheTimeOutThePanelReadsTimeOutAndHoldsTheGameOver) {
  game.timeLeft = 0;
  ShowStatus(u"Game Over");  // as the clock raised it when the time ran out
  const int raised = game.statusTime;
  ASSERT_TRUE(Frame());
  EXPECT_TRUE(Ink(Screen(), Box{600, 592, 1023, 632}, kPanel).Empty()) << "no time out yet: the slot is empty";
  EXPECT_EQ(game.gameOver, 0);

  game.timeOut = 1;
  game.statusShown = 0;
  const int want = CentredInkLeft(game.panelFont, u"Time Out", 648, 376);
  ASSERT_TRUE(Frame());
  EXPECT_NEAR(Ink(Screen(), Box{600, 592, 1023, 632}, kPanel).left, want, 1);
  EXPECT_EQ(game.gameOver, 1);
  EXPECT_EQ(game.statusShown, 1);
  EXPECT_EQ(game.statusText, u"Game Over");
  EXPECT_EQ(game.statusTime, raised);
}

TEST_F(PanelAndMessage, TheMessageIsCentredInItsBandAndRetiredAfterTenSeconds) {
  const std::u16string text = u"Two squares selected, it's a pair!";
  const int want = CentredInkLeft(game.messageFont, text, 95, 500);
  ShowStatus(text);
  const int raised = game.statusTime;
  ASSERT_TRUE(FrameAt(raised + 9999));
  const Box ink = Ink(Screen(), Box{60, 680, 640, 720}, kYellow);
  ASSERT_FALSE(ink.Empty());
  EXPECT_NEAR(ink.left, want, 1);
  EXPECT_GE(ink.top, 685);

  ASSERT_TRUE(FrameAt(raised + 10000));
  EXPECT_EQ(game.statusShown, 0);
  EXPECT_TRUE(Ink(Screen(), Box{60, 680, 640, 720}, kYellow).Empty());
  EXPECT_EQ(game.leaveGame, 0) << "only Game Over ends the game";
  // The drawing state the message layer leaves, shown or not.
  SetColor(1, 2, 3);
  SetAlpha(0.5f);
  SetTextFont(game.panelFont);
  DrawStatusMessage();
  int r = 0, g = 0, b = 0;
  GetDrawColor(r, g, b);
  EXPECT_EQ(Rgb(r, g, b), kYellow);
  EXPECT_EQ(GetDrawAlpha(), 1.0f);
  EXPECT_EQ(GetTextFont(), game.messageFont);
}

TEST_F(PanelAndMessage, ARetiredGameOverEndsTheGameOnTheNextFrame) {
  game.mistakes = 24;
  ClickANoPair();
  ASSERT_EQ(game.gameOver, 1);
  game.score = 31;
  const int raised = game.statusTime;
  ASSERT_TRUE(FrameAt(raised + 9999));
  EXPECT_EQ(game.leaveGame, 0);
  ASSERT_TRUE(FrameAt(raised + 10000));
  EXPECT_EQ(game.leaveGame, 1);
  EXPECT_FALSE(GameFrame());
  EXPECT_EQ(game.finalScore, 31);
}

TEST_F(PanelAndMessage, PausedIsCentredInTheMessageBandInWhiteAndTheMessageGoes) {
  ShowStatus(u"Square marked");
  const int want = CentredInkLeft(game.messageFont, u"Paused", 95, 500);
  Press(KEY_P);
  ASSERT_TRUE(Frame());
  ASSERT_EQ(game.paused, 1);
  auto screen = Screen();
  const Box ink = Ink(screen, Box{100, 680, 590, 720}, Rgb(255, 255, 255));
  ASSERT_FALSE(ink.Empty());
  EXPECT_NEAR(ink.left, want, 1);
  EXPECT_TRUE(Ink(screen, Box{60, 680, 640, 720}, kYellow).Empty());
  // Resuming does not bring the message back.
  Press(KEY_P);
  ASSERT_TRUE(Frame());
  EXPECT_EQ(game.paused, 0);
  EXPECT_EQ(game.statusShown, 0);
  EXPECT_TRUE(Ink(Screen(), Box{100, 680, 590, 720}, Rgb(255, 255, 255)).Empty());
}

}  // namespace
