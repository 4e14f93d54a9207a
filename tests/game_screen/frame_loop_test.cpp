// The order of a game frame: what runs while paused, under the quit question
// and once the game is over, how the loop's keys answer, and how a game ends.
#include "tests/game_screen/game_screen_fixture.h"

namespace {

class FrameLoop : public GameInPlay {
 protected:
  // A bonus on the board that stays 30 s unless time moves its timers.
  void PlaceBonus() {
    game.bonusKind = BONUS_MISTAKE;
    game.mBonusX = 1, game.mBonusY = 1;  // clear of the quit picture
    game.bonusLifetime = 30;
    game.bonusSpawnTime = game.bonusHopTime = ClockMillis();
  }
  struct Snapshot {
    int idle, pair, spawn, hop;
  };
  Snapshot BonusTimers() const { return {game.idleSince, game.lastPairTime, game.bonusSpawnTime, game.bonusHopTime}; }
  void ExpectShiftedBy(const Snapshot& before, int ms) const {
    EXPECT_EQ(ClockDiff(game.idleSince, before.idle), ms);
    EXPECT_EQ(ClockDiff(game.lastPairTime, before.pair), ms);
    EXPECT_EQ(ClockDiff(game.bonusSpawnTime, before.spawn), ms);
    EXPECT_EQ(ClockDiff(game.bonusHopTime, before.hop), ms);
  }
};

TEST_F(FrameLoop, WhilePausedTheBoardIsDrawnButNoRuleRunsAndTheClockStands) {
  PlaceBonus();
  Press(KEY_P);
  ASSERT_TRUE(Frame());
  ASSERT_EQ(game.paused, 1);
  const int timeLeft = game.timeLeft;
  const MySquare s = FindNumber(3);
  ClickSquare(s.x, s.y);
  Frames(5, 1000);
  EXPECT_EQ(game.firstSelected, 0) << "a click while paused selects nothing";
  EXPECT_EQ(game.timeLeft, timeLeft);
  EXPECT_EQ(game.bonusKind, BONUS_MISTAKE) << "its lifetime stands still";
  // The bonus icon and Show Numbers still work.
  EXPECT_FALSE(ShownShare(Screen(), game.squareImage, CellX(1), CellY(1)) > 0.99);
  Press(KEY_SPACE);
  ASSERT_TRUE(Frame());
  EXPECT_EQ(game.showingNumbers, 1);
  // Resumed, the clock takes its next step at once.
  Press(KEY_P);
  ASSERT_TRUE(Frame());
  EXPECT_EQ(game.paused, 0);
  EXPECT_EQ(game.timeLeft, timeLeft - 1);
}

TEST_F(FrameLoop, APauseMovesTheBonusTimersByItsLength) {
  PlaceBonus();
  const Snapshot before = BonusTimers();
  Press(KEY_P);
  ASSERT_TRUE(Frame());
  const int from = ClockMillis();
  Frames(3, 20000);  // a minute
  Press(KEY_P);
  ASSERT_TRUE(Frame());
  ExpectShiftedBy(before, ClockDiff(ClockMillis(), from));
  EXPECT_EQ(game.bonusKind, BONUS_MISTAKE) << "the bonus keeps its remaining lifetime";
}

TEST_F(FrameLoop, TheQuitQuestionHidesTheLiveLayersAndNResumesWithTheTimersMoved) {
  PlaceBonus();
  const Snapshot before = BonusTimers();
  const int timeLeft = game.timeLeft;
  MovePointer(410, 220);
  Press(KEY_ESCAPE);
  ASSERT_TRUE(Frame());
  ASSERT_EQ(game.quitConfirm, 1);
  const int asked = game.quitAskStart;
  const size_t balls = game.ballList.Count();
  Frames(1, 20000);
  auto screen = Screen();
  EXPECT_GT(ShownShare(screen, game.quitImage, 221, 286), 0.99);
  EXPECT_LT(ShownShare(screen, game.pointerImage, 410, 220), 0.5) << "no pointer under the question";
  EXPECT_EQ(game.ballList.Count(), balls) << "no new ball";
  EXPECT_GT(ShownShare(screen, game.squareImage, CellX(1), CellY(1)), 0.99) << "no bonus icon";
  EXPECT_EQ(game.timeLeft, timeLeft);

  Press(KEY_N);
  ASSERT_TRUE(Frame());
  EXPECT_EQ(game.quitConfirm, 0);
  ExpectShiftedBy(before, ClockDiff(game.quitAskEnd, asked));
  EXPECT_EQ(game.timeLeft, timeLeft - 1) << "the level clock's next step comes at once";
  ASSERT_TRUE(Frame());
  EXPECT_LT(ShownShare(Screen(), game.quitImage, 221, 286), 0.5);
}

TEST_F(FrameLoop, YAtTheQuestionEndsTheGameWithTheScoreReached) {
  game.score = 17;
  Press(KEY_ESCAPE);
  ASSERT_TRUE(Frame());
  Press(KEY_Y);
  EXPECT_FALSE(Frame());
  EXPECT_EQ(game.finalScore, 17);
}

// Keys pressed before the question was raised do not answer it.
TEST_F(FrameLoop, YPressedBeforeEscDoesNotEndTheGame) {
  game.score = 9;
  Press(KEY_Y);
  ASSERT_TRUE(Frame());
  Press(KEY_Y);
  Press(KEY_N);
  Press(KEY_ESCAPE);  // in the same frame as the Y
  ASSERT_TRUE(Frame());
  EXPECT_EQ(game.quitConfirm, 1);
  ASSERT_TRUE(Frame());
  EXPECT_EQ(game.quitConfirm, 1) << "nor does an N from before";
  Press(KEY_Y);
  EXPECT_FALSE(Frame());
  EXPECT_EQ(game.finalScore, 9);
}

// Paused, then asked, then answered N, then resumed: frozen once, for the
// whole time from P to P.
TEST_F(FrameLoop, OverlappingPauseAndQuestionMoveTheTimersByTheFrozenTimeOnce) {
  PlaceBonus();
  const Snapshot before = BonusTimers();
  Press(KEY_P);
  ASSERT_TRUE(Frame());
  const int frozen = ClockMillis();
  Frames(1, 5000);
  Press(KEY_ESCAPE);
  Frames(1, 5000);
  Press(KEY_N);
  Frames(1, 5000);
  EXPECT_EQ(game.paused, 1) << "N leaves the pause";
  ExpectShiftedBy(before, 0);
  Press(KEY_P);
  Frames(1, 5000);
  ExpectShiftedBy(before, ClockDiff(ClockMillis(), frozen));

  // Asked, then paused, then resumed while asked, then N.
  const Snapshot again = BonusTimers();
  Press(KEY_ESCAPE);
  ASSERT_TRUE(Frame());
  const int asked = ClockMillis();
  Press(KEY_P);
  Frames(1, 3000);
  Press(KEY_P);
  Frames(1, 3000);
  EXPECT_EQ(game.paused, 0);
  Press(KEY_N);
  Frames(1, 3000);
  ExpectShiftedBy(again, ClockDiff(ClockMillis(), asked));
}

TEST_F(FrameLoop, OnceTheGameIsOverOnlyTheBoardPanelAndMessageRun) {
  game.mistakes = 24;
  PlaceBonus();
  ClickANoPair();
  ASSERT_EQ(game.gameOver, 1);
  EXPECT_EQ(game.bonusKind, 0);
  const int over = game.statusTime;
  const int timeLeft = game.timeLeft;
  const size_t balls = game.ballList.Count();
  MovePointer(410, 220);
  Press(KEY_P);
  Press(KEY_ESCAPE);
  Press(KEY_SPACE);
  Frames(5, 1000);
  EXPECT_EQ(game.paused, 0);
  EXPECT_EQ(game.quitConfirm, 0);
  EXPECT_EQ(game.showingNumbers, 0);
  EXPECT_EQ(game.timeLeft, timeLeft);
  EXPECT_EQ(game.ballList.Count(), balls);
  EXPECT_LT(ShownShare(Screen(), game.pointerImage, 410, 220), 0.5);
  // The game still ends 10 s after "Game Over".
  ASSERT_TRUE(FrameAt(over + 10000));
  EXPECT_FALSE(GameFrame());
}

TEST_F(FrameLoop, ReturnInTheFrameOfTheTimeOutLeavesAtOnce) {
  game.timeLeft = 1;
  game.score = 44;
  Press(KEY_RETURN);
  clock.Set(ClockDiff(game.secondTickTime, -1001));
  EXPECT_FALSE(GameFrame());
  EXPECT_EQ(game.timeOut, 1);
  EXPECT_EQ(game.leaveGame, 1);
  EXPECT_EQ(game.finalScore, 44);
}

TEST_F(FrameLoop, WithoutReturnTheTimedOutGameEndsTenSecondsLater) {
  game.timeLeft = 1;
  ASSERT_TRUE(FrameAt(ClockDiff(game.secondTickTime, -1001)));
  ASSERT_EQ(game.timeOut, 1);
  const int out = game.timeOutTime;
  EXPECT_EQ(out, ClockMillis());
  ASSERT_TRUE(Frame());
  EXPECT_EQ(game.gameOver, 1) << "the panel holds the game over from the next frame";
  Press(KEY_RETURN);
  ASSERT_TRUE(Frame()) << "Return no longer leaves";
  ASSERT_TRUE(FrameAt(out + 9999));
  ASSERT_TRUE(FrameAt(out + 10000));
  EXPECT_FALSE(GameFrame());
}

TEST_F(FrameLoop, AClosedWindowEndsTheGameWithItsScore) {
  game.score = 12;
  Queue(EVENT_APPTERMINATE, 0);
  EXPECT_FALSE(Frame());
  EXPECT_EQ(game.finalScore, 12);
  EXPECT_EQ(game.closeRequested, 1);
}

TEST_F(FrameLoop, AClearedLevelCountsTheTimeBonusShowsTheDemoEndAndPlaysOn) {
  game.score = 64;
  ClearNumbers(1, 32);
  ASSERT_TRUE(Frame());
  ASSERT_EQ(game.levelCleared, 1);
  EXPECT_EQ(game.statusText, u"Demo finished!");
  const int timeLeft = game.timeLeft;
  ClickAt(300, 300);  // hurry the time bonus
  ASSERT_TRUE(Frame());
  // Adding the rest at once completes the level in the same frame, whose
  // level step then shows the ending screen: frames of its own, presented,
  // until Return. The script runs at each of its flips.
  std::shared_ptr<TPixmap> ending;
  int flips = 0;
  const int hook = AddFrameFlipHook([&] {
    ++flips;
    if (flips == 3) {
      ending = Screen();
      Press(KEY_RETURN);
    }
    if (flips == 100) Press(KEY_RETURN);  // never hang, whatever went wrong
  });
  ClickAt(300, 300);
  ASSERT_TRUE(Frame());
  RemoveFrameFlipHook(hook);
  EXPECT_EQ(game.countdownDone, 0) << "reset by the new play";
  ASSERT_TRUE(ending);
  EXPECT_EQ(flips, 3);
  EXPECT_GT(ShownShare(ending, game.demoEndImage, 45, 36), 0.99);
  EXPECT_GT(ShownShare(ending, game.littleFrameImage, 786, 650), 0.99);
  // The panel reads "Level" alone, and the thumbnail shows the level's picture.
  EXPECT_FALSE(Ink(ending, Box{600, 144, 1023, 184}, Rgb(200, 100, 220)).Empty());
  EXPECT_LT(ShownShare(ending, game.levelEmptyImage, 789, 653), 0.5);
  // Play again at level 1 with the score kept.
  EXPECT_EQ(game.level, 1);
  EXPECT_EQ(game.score, 64 + timeLeft);
  EXPECT_EQ(game.timeLeft, 1200);
  EXPECT_EQ(game.showDemoEnd, 0);
  EXPECT_EQ(game.hiddenSquares.Count(), 64u);
  ASSERT_TRUE(Frame());
}

}  // namespace
