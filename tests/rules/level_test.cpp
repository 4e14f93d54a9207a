// Level start, the clock, the level end, the time bonus and the status line.
#include "rules_fixture.h"

namespace {

class LevelTest : public RulesTest {
 protected:
  void SetUp() override {
    RulesTest::SetUp();
    StartGame();
  }
  void ClearBoard() { game.board.fill(0); }
};

TEST_F(LevelTest, GameStartsWithAFreshLevelAndLevelStateKeepsTheRest) {
  EXPECT_EQ(game.level, 1);
  EXPECT_EQ(game.timeLeft, 1200);
  EXPECT_EQ(game.marksLeft, 20);
  EXPECT_EQ(game.mistakes, 0);
  EXPECT_EQ(game.score, 0);
  EXPECT_EQ(game.bonusAllowed, 1);
  EXPECT_FLOAT_EQ(game.bonusPulse, 1.0f);
  EXPECT_EQ(game.secondTickTime, clock.Now());
  EXPECT_EQ(game.lastPairTime, clock.Now());
  EXPECT_EQ(game.hiddenSquares.Count(), 64u);

  game.score = 9;
  game.pairBonusCount = 3;
  game.idleSince = 77;
  game.bonusKind = BONUS_FOUR;
  game.level = 2;
  MyCoordPair::DestroyEach();
  ResetLevelState();
  EXPECT_EQ(game.score, 9);
  EXPECT_EQ(game.pairBonusCount, 3);
  EXPECT_EQ(game.idleSince, 77);
  EXPECT_EQ(game.bonusKind, BONUS_FOUR);
  EXPECT_EQ(game.level, 2);
}

// A game left in the middle of anything starts the next one clean: no reveal
// of the old board, no bonus, no level end, no pause, no pending click.
TEST_F(LevelTest, NewGameStartsWithNothingOfTheOldOneRunning) {
  for (int* f : {&game.paused, &game.quitConfirm, &game.levelEndPhase, &game.levelCleared,
                 &game.showingNumbers, &game.countdownRunning, &game.countdownActive,
                 &game.countdownDone, &game.qRevealActive, &game.fourRevealActive,
                 &game.rowRevealActive, &game.rowRevealGrowing, &game.rowRevealHolding,
                 &game.colRevealActive, &game.colRevealGrowing, &game.colRevealHolding,
                 &game.markedDuringReveal, &game.gameOver, &game.timeOut, &game.demoEnded,
                 &game.showDemoEnd, &game.leaveGame, &game.finalLevelCleared, &game.boardCleared}) {
    *f = 1;
  }
  game.bonusKind = BONUS_ROW;
  game.score = 40;
  ClickSquare(1, 1);
  ClickSquare(2, 2, MOUSE_RIGHT);
  BeginGame();
  for (int v : {game.paused, game.quitConfirm, game.levelEndPhase, game.levelCleared,
                game.showingNumbers, game.countdownRunning, game.countdownActive,
                game.countdownDone, game.qRevealActive, game.fourRevealActive,
                game.rowRevealActive, game.rowRevealGrowing, game.rowRevealHolding,
                game.colRevealActive, game.colRevealGrowing, game.colRevealHolding,
                game.markedDuringReveal, game.gameOver, game.timeOut, game.demoEnded,
                game.showDemoEnd, game.leaveGame, game.finalLevelCleared, game.boardCleared,
                game.bonusKind, game.score}) {
    EXPECT_EQ(v, 0);
  }
  EXPECT_EQ(MouseClicks(MOUSE_LEFT), 0);
  EXPECT_EQ(MouseClicks(MOUSE_RIGHT), 0);
}

TEST_F(LevelTest, ClockStepsOnceMoreThan1000msHavePassed) {
  clock.Advance(1000);
  TickClock();
  EXPECT_EQ(game.timeLeft, 1200);
  clock.Advance(1);
  TickClock();
  EXPECT_EQ(game.timeLeft, 1199);
  EXPECT_EQ(game.secondTickTime, clock.Now());
}

TEST_F(LevelTest, ClockStandsStillWhileBlockedAndCatchesUpAtOnce) {
  for (int* f : {&game.paused, &game.quitConfirm, &game.levelCleared, &game.levelEndPhase}) {
    const int left = game.timeLeft;
    const int tick = game.secondTickTime;
    *f = 1;
    clock.Advance(20000);
    TickClock();
    EXPECT_EQ(game.timeLeft, left);
    EXPECT_EQ(game.secondTickTime, tick);
    *f = 0;
    TickClock();  // the first step comes at once, one second only
    EXPECT_EQ(game.timeLeft, left - 1);
  }
}

TEST_F(LevelTest, RunningOutOfTimeIsGameOver) {
  game.timeLeft = 2;
  game.score = 31;
  game.bonusKind = BONUS_COL;
  clock.Advance(1001);
  TickClock();
  EXPECT_EQ(game.timeOut, 0);
  clock.Advance(1001);
  TickClock();
  EXPECT_EQ(game.timeLeft, 0);
  EXPECT_EQ(game.timeOut, 1);
  EXPECT_EQ(game.finalScore, 31);
  EXPECT_EQ(game.statusText, u"Game Over");
  EXPECT_EQ(game.bonusKind, 0);
  EXPECT_EQ(game.bonusAllowed, 0);
  const int raised = game.statusTime;
  clock.Advance(5000);
  TickClock();
  EXPECT_EQ(game.timeLeft, 0);

  // The panel holds the game over every frame, without restarting the message.
  game.statusShown = 0;
  game.bonusKind = BONUS_FOUR;
  HoldTimeOut();
  EXPECT_EQ(game.gameOver, 1);
  EXPECT_EQ(game.statusShown, 1);
  EXPECT_EQ(game.statusTime, raised);
  EXPECT_EQ(game.bonusKind, 0);
}

TEST_F(LevelTest, StatusMessageRetiresAt10000msAndOnlyGameOverEndsTheGame) {
  for (const char16_t* text : {u"Demo finished!", u"Square marked", u"Game Over"}) {
    SCOPED_TRACE(testing::Message() << (text[0] == u'G' ? "game over" : "other"));
    ShowStatus(text);
    clock.Advance(9999);
    ExpireStatusMessage();
    EXPECT_EQ(game.statusShown, 1);
    clock.Advance(1);
    ExpireStatusMessage();
    EXPECT_EQ(game.statusShown, 0);
    EXPECT_EQ(game.leaveGame, text[0] == u'G' ? 1 : 0);
  }
  // Raising again restarts the period.
  game.leaveGame = 0;
  ShowStatus(u"Square marked");
  clock.Advance(6000);
  ShowStatus(u"Square marked");
  clock.Advance(9999);
  ExpireStatusMessage();
  EXPECT_EQ(game.statusShown, 1);
}

TEST_F(LevelTest, ClearedBoardStartsTheLevelEnd) {
  auto mark = MyMarks::New();
  game.firstSelected = 1;
  game.bonusKind = BONUS_QUESTION;
  CheckLevelCleared();
  EXPECT_EQ(game.boardEmpty, 0);
  EXPECT_EQ(game.levelCleared, 0);

  ClearBoard();
  clock.Advance(50);
  CheckLevelCleared();
  EXPECT_EQ(game.boardEmpty, 1);
  EXPECT_EQ(game.boardCleared, 1);
  EXPECT_EQ(game.levelCleared, 1);
  EXPECT_EQ(game.levelEndPhase, 1);
  EXPECT_EQ(game.levelClearedTime, clock.Now());
  EXPECT_EQ(game.levelEndMessageTime, clock.Now());
  EXPECT_EQ(game.firstSelected, 0);
  EXPECT_EQ(game.bonusKind, 0);
  EXPECT_EQ(game.bonusAllowed, 0);
  EXPECT_EQ(game.finalLevelCleared, 1);
  EXPECT_TRUE(game.marksList.IsEmpty());
  EXPECT_EQ(clearedSound->plays, 1);

  CheckLevelCleared();  // once only
  EXPECT_EQ(clearedSound->plays, 1);
}

TEST_F(LevelTest, DemoFinishedStaysUpDuringTheFirst8000ms) {
  ClearBoard();
  CheckLevelCleared();
  clock.Advance(7999);
  ShowLevelEndMessage();
  EXPECT_EQ(game.statusText, u"Demo finished!");
  EXPECT_EQ(game.statusTime, clock.Now());
  EXPECT_EQ(game.levelEndPhase, 1);
  clock.Advance(1);
  ShowLevelEndMessage();
  EXPECT_EQ(game.levelEndPhase, 0);
  EXPECT_EQ(game.statusTime, ClockDiff(clock.Now(), 1));
}

TEST_F(LevelTest, TimeBonusStartsAfterMoreThan15000msAndCountsEvery8ms) {
  game.timeLeft = 3;
  game.score = 100;
  ClearBoard();
  CheckLevelCleared();
  clock.Advance(15000);
  UpdateLevelEnd();
  EXPECT_EQ(game.countdownRunning, 0);
  clock.Advance(1);
  UpdateLevelEnd();
  EXPECT_EQ(game.countdownRunning, 1);
  EXPECT_EQ(game.countdownActive, 1);
  EXPECT_EQ(game.countdownTickTime, clock.Now());

  clock.Advance(8);
  UpdateLevelEnd();
  EXPECT_EQ(game.timeLeft, 3);
  for (int left = 2; left >= 0; --left) {
    clock.Advance(9);
    UpdateLevelEnd();
    EXPECT_EQ(game.timeLeft, left);
    EXPECT_EQ(game.score, 100 + 3 - left);
  }
  EXPECT_EQ(game.countdownDone, 1);
  EXPECT_EQ(game.countdownActive, 0);
  EXPECT_EQ(game.level, 2);
  EXPECT_EQ(game.demoEnded, 1);
  EXPECT_EQ(game.showDemoEnd, 1);
  EXPECT_EQ(game.mistakes, 0);
  EXPECT_EQ(game.numbersShownUsed, 0);
}

TEST_F(LevelTest, ClickInTheLevelEndPhaseStartsTheTimeBonusAtOnce) {
  ClearBoard();
  CheckLevelCleared();
  clock.Advance(100);
  ClickAt(300, 300);
  HandleLeftClick();
  UpdateLevelEnd();
  EXPECT_EQ(game.countdownRunning, 1);
}

}  // namespace
