// Whole games played through the rules, frame by frame in the game loop's
// order, with clicks delivered as input events: a level from the deal to the
// demo's end and the restart, and the two ways to lose.
#include <set>

#include "rules_fixture.h"

namespace {

class ScriptedGame : public RulesTest {
 protected:
  // One 60 Hz frame: the rule parts of the drawing layers where the loop draws
  // them, then the rules, as the game loop runs them.
  void Frame(int ms = 16) {
    clock.Advance(ms);
    ++frames;
    ASSERT_LT(frames, 400000) << "the script is stuck";
    if (game.leaveGame == 1) {
      left = true;
      return;
    }
    ExpireNoPair();                                          // selected squares
    if (game.timeLeft <= 0 && game.timeOut == 1) HoldTimeOut();  // panel
    ExpireStatusMessage();                                   // message line
    if (game.quitConfirm == 0 && game.gameOver == 0) {       // reveal layers
      ExpireQuestionReveal();
      ExpireFourReveal();
      ExpireRowReveal();
      GrowRowReveal();
      ExpireColumnReveal();
      GrowColumnReveal();
      ToggleShowNumbers();
      ExpireShowNumbers();
    }
    if (game.gameOver != 0) return;
    if (game.paused == 0 && game.quitConfirm == 0) {
      HandleLeftClick();
      HandleRightClick();
      SpawnBonus();
      UpdateBonus();
    }
    TickClock();
    if (game.demoEnded == 0 || game.levelEndPhase == 0) CheckLevelCleared();
    UpdateLevelEnd();
    ShowLevelEndMessage();
    if (game.showDemoEnd == 1) {  // the demo-ending screen, left with Return
      ClearKeyState();
      ResetPlay();
      ClearKeyState();
      ++demoEnds;
    }
  }
  void FramesFor(int ms) {
    for (int t = 0; t < ms; t += 16) Frame();
  }
  void ClickFrame(MySquare s, int button = MOUSE_LEFT) {
    ClickSquare(s.x, s.y, button);
    Frame();
  }
  bool IsFirst(MySquare s) const {
    return game.firstSelected == 1 && game.firstX == s.x && game.firstY == s.y;
  }
  bool OnBoard(int n) const {
    for (int v : game.board) {
      if (v == n) return true;
    }
    return false;
  }
  // Clicks until `pick()` is the first selected square: a shown no-pair, a
  // bonus or a reveal under the pointer may take a click first. The square is
  // picked again after every click, as a Pair bonus may have taken it.
  template <class Pick>
  bool SelectFirst(Pick pick) {
    for (int i = 0; i < 8; ++i) {
      const auto s = pick();
      if (!s) return false;
      if (IsFirst(*s)) return true;
      EXPECT_TRUE(game.firstSelected == 0 || game.secondSelected == 1) << "stray selection";
      ClickFrame(*s);
    }
    ADD_FAILURE() << "could not select";
    return false;
  }
  void FindPair(int n) {
    auto first = [&]() -> std::optional<MySquare> {
      if (!OnBoard(n)) return std::nullopt;
      return FindNumber(n);
    };
    if (!SelectFirst(first)) return;  // a Pair bonus found it
    const MySquare a = FindNumber(n), b = FindNumber(n, a);
    const int score = game.score;
    ClickFrame(b);
    ASSERT_EQ(BoardAt(a.x, a.y), 0);
    ASSERT_EQ(game.score, score + 2);
  }
  void FindEveryPair() {
    for (int n = 1; n <= 32; ++n) {
      FindPair(n);
      if (HasFatalFailure()) return;
    }
  }
  void MakeNoPair() {
    auto first = [&]() -> std::optional<MySquare> { return NoPairSquares().first; };
    ASSERT_TRUE(SelectFirst(first));
    const MySquare a{game.firstX, game.firstY};
    for (int i = 0; i < BOARD_SQUARES; ++i) {
      const MySquare b{i % 8, i / 8};
      if (BoardAt(b.x, b.y) != 0 && BoardAt(b.x, b.y) != BoardAt(a.x, a.y)) {
        ClickFrame(b);
        ASSERT_EQ(game.secondSelected, 1);
        return;
      }
    }
    FAIL() << "no square to make a no-pair with";
  }
  // Runs frames until a bonus is on the board.
  int WaitForBonus() {
    for (int i = 0; i < 5000 && game.bonusKind == 0; ++i) Frame();
    return game.bonusKind;
  }

  int frames = 0;
  int demoEnds = 0;
  bool left = false;
};

TEST_F(ScriptedGame, OneLevelFromTheDealToTheDemosEndAndTheRestart) {
  StartGame();
  Frame();

  // Two no-pairs: one turned back by a click, one by waiting; and a third.
  MakeNoPair();
  ClickFrame({0, 0});
  EXPECT_EQ(game.secondSelected, 0);
  MakeNoPair();
  FramesFor(7100);
  EXPECT_EQ(game.secondSelected, 0);
  MakeNoPair();
  ClickFrame({0, 0});
  ASSERT_EQ(game.mistakes, 3);

  // Use every bonus that comes up until each kind has been used once.
  std::set<int> used;
  int marked = 0;
  while (used.size() < 7) {
    ASSERT_GT(game.timeLeft, 300) << "not every kind came up";
    const int kind = WaitForBonus();
    ASSERT_NE(kind, 0);
    const MySquare at = BonusSquare(kind);
    const int score = game.score, mistakes = game.mistakes;
    ClickFrame(at);
    ASSERT_EQ(game.bonusKind, 0);
    ASSERT_EQ(game.score, score + (kind == BONUS_PAIR ? 2 : 1)) << kind;
    if (kind == BONUS_MISTAKE) {
      EXPECT_EQ(game.mistakes, mistakes - 1);
    }
    if (kind == BONUS_PAIR) {
      EXPECT_EQ(BoardAt(at.x, at.y), 0);
    }
    used.insert(kind);

    if (kind == BONUS_ROW || kind == BONUS_COL) FramesFor(1100);  // grown, holding
    if (kind == BONUS_QUESTION || kind == BONUS_FOUR || kind == BONUS_ROW || kind == BONUS_COL) {
      // Mark one square the reveal shows, then let the reveal run out.
      for (int i = 0; i < BOARD_SQUARES && marked < 4; ++i) {
        const MySquare s{i % 8, i / 8};
        if (IsRevealed(s.x, s.y) == 1) {
          ClickFrame(s, MOUSE_RIGHT);
          EXPECT_EQ(IsMarked(s.x, s.y), 1);
          ++marked;
          break;
        }
      }
      FramesFor(10100);
      EXPECT_EQ(game.qRevealActive + game.fourRevealActive + game.rowRevealActive + game.colRevealActive, 0);
      // Free for the next bonus, unless the Pair bonus took the chance at once.
      EXPECT_TRUE(game.bonusAllowed == 1 || game.bonusKind == BONUS_PAIR);
    }
  }
  EXPECT_GT(marked, 0);
  EXPECT_EQ(game.marksLeft, 20 - marked);

  // Show Numbers once; a left click ends it without selecting.
  InjectInput(platform::kKeyDown, KEY_SPACE);
  InjectInput(platform::kKeyUp, KEY_SPACE);
  Frame();
  EXPECT_EQ(game.showingNumbers, 1);
  ClickFrame({4, 4});
  EXPECT_EQ(game.showingNumbers, 0);
  EXPECT_EQ(game.firstSelected, 0);
  EXPECT_EQ(game.numbersShownUsed, 1);

  // Every pair left, the marked squares among them.
  FindEveryPair();
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_TRUE(game.marksList.IsEmpty());
  EXPECT_EQ(game.levelCleared, 1);
  EXPECT_EQ(game.levelEndPhase, 1);
  EXPECT_EQ(game.statusText, u"Demo finished!");
  EXPECT_EQ(clearedSound->plays, 1);

  // No hurrying click: the time bonus starts 15 s after the clear.
  const int timeLeft = game.timeLeft;
  const int score = game.score;
  FramesFor(14900);
  EXPECT_EQ(game.levelEndPhase, 0);
  EXPECT_EQ(game.countdownRunning, 0);
  EXPECT_EQ(game.timeLeft, timeLeft);  // the clock stopped with the clear
  FramesFor(200);
  EXPECT_EQ(game.countdownRunning, 1);
  const int counted = score + timeLeft - game.score;  // still to count
  EXPECT_GT(counted, 0);
  for (int i = 0; i < counted - 1; ++i) Frame();  // one second per frame
  EXPECT_EQ(demoEnds, 0);
  EXPECT_EQ(game.timeLeft, 1);
  Frame();
  EXPECT_EQ(demoEnds, 1);

  // Played again at level 1 with the score kept.
  const int kept = score + timeLeft;
  EXPECT_EQ(game.score, kept);
  EXPECT_EQ(game.level, 1);
  EXPECT_EQ(game.timeLeft, 1200);
  EXPECT_EQ(game.mistakes, 0);
  EXPECT_EQ(game.marksLeft, 20);
  EXPECT_EQ(game.hiddenSquares.Count(), 64u);
  EXPECT_EQ(game.levelCleared, 0);

  // Second round, hurried: a click in the level-end phase starts the bonus,
  // a second one adds what is left at once.
  FindEveryPair();
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_EQ(game.levelEndPhase, 1);
  const int score2 = game.score, timeLeft2 = game.timeLeft;
  FramesFor(1000);
  ClickFrame({3, 3});
  EXPECT_EQ(game.countdownRunning, 1);
  Frame();
  Frame();
  EXPECT_LT(game.timeLeft, timeLeft2);
  ClickFrame({3, 3});
  EXPECT_EQ(demoEnds, 2);
  EXPECT_EQ(game.score, score2 + timeLeft2);
  EXPECT_EQ(game.level, 1);
  EXPECT_FALSE(left);
}

TEST_F(ScriptedGame, TwentyFiveMistakesLoseTheGame) {
  StartGame();
  for (int i = 0; i < 60 && game.gameOver == 0; ++i) {
    MakeNoPair();
    if (HasFatalFailure()) return;
    if (game.gameOver == 0) ClickFrame({0, 0});
  }
  ASSERT_EQ(game.gameOver, 1);
  EXPECT_EQ(game.mistakes, 25);
  EXPECT_EQ(game.statusText, u"Game Over");

  // The rules have stopped: clicks change nothing; the game ends 10 s later.
  const int raised = game.statusTime;
  ClickFrame({0, 0});
  EXPECT_EQ(game.secondSelected, 1);
  while (!left) Frame();
  EXPECT_GE(ClockDiff(clock.Now(), raised), 10000);
  EXPECT_LT(ClockDiff(clock.Now(), raised), 10000 + 40);
}

TEST_F(ScriptedGame, RunningOutOfTimeLosesTheGame) {
  StartGame();
  const int start = clock.Now();
  while (game.timeOut == 0) Frame();
  // 1200 steps of more than 1000 ms at 16 ms frames.
  EXPECT_GE(ClockDiff(clock.Now(), start), 1200 * 1008);
  EXPECT_EQ(game.timeLeft, 0);
  EXPECT_EQ(game.statusText, u"Game Over");
  EXPECT_EQ(game.finalScore, game.score);
  Frame();
  EXPECT_EQ(game.gameOver, 1);
  EXPECT_EQ(game.bonusKind, 0);
  FramesFor(9900);
  EXPECT_FALSE(left);
  FramesFor(200);
  EXPECT_TRUE(left);
  EXPECT_LE(game.pairBonusCount, 7);
}

}  // namespace
