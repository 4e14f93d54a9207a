// Left clicks: the routing order of HandleLeftClick, selecting, pairs and no-pairs.
#include "rules_fixture.h"

namespace {

class SelectionTest : public RulesTest {
 protected:
  void SetUp() override {
    RulesTest::SetUp();
    StartGame();
    std::tie(a, b) = NoPairSquares();
  }
  bool Selected(MySquare s) const {
    return game.firstSelected == 1 && game.firstX == s.x && game.firstY == s.y;
  }
  MySquare a, b;  // two hidden squares of different numbers
};

TEST_F(SelectionTest, PointerIsReadEveryFrameAndNoClickDoesNothing) {
  MovePointer(300, 200);
  HandleLeftClick();
  EXPECT_EQ(game.mouseX, 300);
  EXPECT_EQ(game.mouseY, 200);
  EXPECT_EQ(game.firstSelected, 0);
  EXPECT_EQ(game.statusShown, 0);
}

TEST_F(SelectionTest, FirstSquareIsSelectedAndTheBonusOnTheBoardGoes) {
  game.bonusKind = BONUS_MISTAKE;
  game.mBonusX = b.x;
  game.mBonusY = b.y;
  LeftClickSquare(a);
  EXPECT_TRUE(Selected(a));
  EXPECT_EQ(game.bonusKind, 0);
  EXPECT_EQ(game.bonusAllowed, 0);
  EXPECT_EQ(game.statusText, u"Square selected, select another square");

  // The same square again: nothing changes, no new message.
  clock.Advance(500);
  const int raised = game.statusTime;
  LeftClickSquare(a);
  EXPECT_TRUE(Selected(a));
  EXPECT_EQ(game.secondSelected, 0);
  EXPECT_EQ(game.mistakes, 0);
  EXPECT_EQ(game.statusTime, raised);
}

TEST_F(SelectionTest, PairScoresClearsBothSquaresAndSoundsOnce) {
  const MySquare p = FindNumber(BoardAt(a.x, a.y), a);
  auto mark = MyMarks::New();  // a marked square pairs like a hidden one
  mark->x = p.x;
  mark->y = p.y;
  UnhideSquare(p.x, p.y);
  game.firstAlpha = 0.7f;

  clock.Advance(1234);
  LeftClickSquare(a);
  LeftClickSquare(p);
  EXPECT_EQ(game.firstSelected, 0);
  EXPECT_EQ(game.secondSelected, 0);
  EXPECT_EQ(game.score, 2);
  EXPECT_EQ(pairSound->plays, 1);
  EXPECT_EQ(game.statusText, u"Two squares selected, it's a pair!");
  EXPECT_EQ(BoardAt(a.x, a.y), 0);
  EXPECT_EQ(BoardAt(p.x, p.y), 0);
  EXPECT_EQ(IsKnownSquare(a.x, a.y), 1);
  EXPECT_TRUE(game.marksList.IsEmpty());
  EXPECT_EQ(game.marksLeft, 20);
  EXPECT_EQ(game.bonusAllowed, 1);
  EXPECT_EQ(game.idleSince, clock.Now());
  EXPECT_EQ(game.lastPairTime, clock.Now());
  EXPECT_FLOAT_EQ(game.firstAlpha, 0.7f);  // a pair leaves the fade as it is

  // A cleared square ignores clicks, as first or second square.
  LeftClickSquare(a);
  EXPECT_EQ(game.firstSelected, 0);
  LeftClickSquare(b);
  LeftClickSquare(p);
  EXPECT_TRUE(Selected(b));
  EXPECT_EQ(game.secondSelected, 0);
}

TEST_F(SelectionTest, NoPairCountsAMistakeAndTheNextClickOnlyTurnsItBack) {
  LeftClickSquare(a);
  LeftClickSquare(b);
  EXPECT_EQ(game.secondSelected, 1);
  EXPECT_EQ(game.mistakes, 1);
  EXPECT_EQ(game.firstNumber, BoardAt(a.x, a.y));
  EXPECT_EQ(game.secondNumber, BoardAt(b.x, b.y));
  EXPECT_EQ(game.noPairTime, clock.Now());
  EXPECT_EQ(game.statusText, u"Two squares selected, no pair");

  // A bonus under the pointer is not used by this click, nor a square selected.
  game.bonusKind = BONUS_MISTAKE;
  game.mBonusX = a.x;
  game.mBonusY = a.y;
  game.markedDuringReveal = 1;
  game.firstAlpha = game.secondAlpha = 0.5f;
  clock.Advance(100);
  LeftClickSquare(a);
  EXPECT_EQ(game.firstSelected, 0);
  EXPECT_EQ(game.secondSelected, 0);
  EXPECT_EQ(game.mistakes, 1);
  EXPECT_EQ(game.score, 0);
  EXPECT_EQ(game.bonusKind, 0);
  EXPECT_EQ(game.bonusAllowed, 1);
  EXPECT_EQ(game.markedDuringReveal, 0);
  EXPECT_FLOAT_EQ(game.firstAlpha, 0.0f);
  EXPECT_FLOAT_EQ(game.secondAlpha, 0.0f);
  EXPECT_EQ(game.idleSince, clock.Now());
}

TEST_F(SelectionTest, NoPairTurnsFaceDownOnlyAfterMoreThan7000ms) {
  LeftClickSquare(a);
  LeftClickSquare(b);
  game.markedDuringReveal = 1;
  clock.Advance(7000);
  ExpireNoPair();
  EXPECT_EQ(game.secondSelected, 1);
  clock.Advance(1);
  ExpireNoPair();
  EXPECT_EQ(game.firstSelected, 0);
  EXPECT_EQ(game.secondSelected, 0);
  EXPECT_EQ(game.bonusAllowed, 1);
  EXPECT_EQ(game.idleSince, clock.Now());
  EXPECT_EQ(game.markedDuringReveal, 1);  // left alone by the time-out
}

TEST_F(SelectionTest, TheTwentyFifthMistakeEndsTheGame) {
  game.mistakes = 23;
  LeftClickSquare(a);
  LeftClickSquare(b);
  EXPECT_EQ(game.gameOver, 0);
  LeftClickSquare(a);  // turn back
  LeftClickSquare(a);
  game.bonusKind = BONUS_FOUR;  // as if one had come up meanwhile
  game.fourBonusX = a.x;
  game.fourBonusY = a.y;
  LeftClickSquare(b);
  EXPECT_EQ(game.mistakes, 25);
  EXPECT_EQ(game.gameOver, 1);
  EXPECT_EQ(game.statusText, u"Game Over");
  EXPECT_EQ(game.bonusKind, 0);
  EXPECT_EQ(game.bonusAllowed, 0);
}

TEST_F(SelectionTest, SelectingAcceptsTheBoardFromPixel46And37) {
  struct Case {
    int x, y;
    bool selects;
  };
  const Case cases[] = {{45, 100, false}, {46, 100, true}, {100, 36, false}, {100, 37, true},
                        {644, 635, true}, {645, 635, false}, {644, 636, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    game.firstSelected = 0;
    ClickAt(c.x, c.y);
    HandleLeftClick();
    EXPECT_EQ(game.firstSelected, c.selects ? 1 : 0);
  }
}

// Each step of the click routing, with the conditions of the later steps also
// present, takes the click and stops the steps after it.
TEST_F(SelectionTest, ShowNumbersTakesTheClickFirst) {
  game.showingNumbers = 1;
  game.firstSelected = game.secondSelected = 1;
  ShowStatus(u"Showing Numbers");
  clock.Advance(40);
  LeftClickSquare(a);
  EXPECT_EQ(game.showingNumbers, 0);
  EXPECT_EQ(game.statusShown, 0);
  EXPECT_EQ(game.idleSince, clock.Now());
  EXPECT_EQ(game.secondSelected, 1);  // later steps saw nothing of the click

  // With another message up, the message stays.
  game.showingNumbers = 1;
  ShowStatus(u"Square marked");
  LeftClickSquare(a);
  EXPECT_EQ(game.showingNumbers, 0);
  EXPECT_EQ(game.statusShown, 1);
}

TEST_F(SelectionTest, MarkDuringRevealEndsEveryRevealAndTheClickGoesOn) {
  game.markedDuringReveal = 1;
  game.qRevealActive = game.fourRevealActive = 1;
  game.rowRevealActive = game.rowRevealHolding = 1;
  game.colRevealActive = game.colRevealHolding = 1;
  game.bonusAllowed = 0;
  LeftClickSquare(a);
  EXPECT_EQ(game.markedDuringReveal, 0);
  EXPECT_EQ(game.qRevealActive + game.fourRevealActive + game.rowRevealActive +
                game.rowRevealHolding + game.colRevealActive + game.colRevealHolding,
            0);
  EXPECT_TRUE(Selected(a));
}

TEST_F(SelectionTest, LevelEndPhaseClickHurriesTheTimeBonus) {
  game.levelEndPhase = 1;
  game.qRevealActive = 1;
  LeftClickSquare(a);
  EXPECT_EQ(game.skipWait, 1);
  EXPECT_EQ(game.qRevealActive, 1);
  EXPECT_EQ(game.firstSelected, 0);

  game.countdownActive = 1;
  game.timeLeft = 321;
  game.score = 10;
  LeftClickSquare(a);
  EXPECT_EQ(game.score, 331);
  EXPECT_EQ(game.timeLeft, 0);
  EXPECT_EQ(game.countdownDone, 1);
  EXPECT_EQ(game.countdownActive, 0);
}

TEST_F(SelectionTest, ShowingRevealTakesTheClickBeforeBonusAndSelection) {
  struct Case {
    const char* name;
    int* flag;
    int* second;  // a growing line reveal does not take the click
    bool takes;
  };
  const Case cases[] = {
      {"question", &game.qRevealActive, nullptr, true},
      {"four", &game.fourRevealActive, nullptr, true},
      {"row hold", &game.rowRevealHolding, &game.rowRevealActive, true},
      {"column hold", &game.colRevealHolding, &game.colRevealActive, true},
      {"row growing", &game.rowRevealGrowing, &game.rowRevealActive, false},
      {"column growing", &game.colRevealGrowing, &game.colRevealActive, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    game.firstSelected = 0;
    game.qRevealActive = game.fourRevealActive = 0;
    game.rowRevealActive = game.rowRevealGrowing = game.rowRevealHolding = 0;
    game.colRevealActive = game.colRevealGrowing = game.colRevealHolding = 0;
    *c.flag = 1;
    if (c.second) *c.second = 1;
    game.bonusKind = BONUS_MISTAKE;  // a bonus under the pointer
    game.mBonusX = a.x;
    game.mBonusY = a.y;
    game.mistakes = 3;
    LeftClickSquare(a);
    EXPECT_EQ(*c.flag, c.takes ? 0 : 1);
    EXPECT_EQ(game.mistakes, c.takes ? 3 : 2);  // the bonus used only when not taken
  }
}

TEST_F(SelectionTest, BonusClickBesideTheBonusSelectsAndClearedBoardIgnoresClicks) {
  game.bonusKind = BONUS_MISTAKE;
  game.mBonusX = b.x;
  game.mBonusY = b.y;
  LeftClickSquare(a);
  EXPECT_TRUE(Selected(a));
  EXPECT_EQ(game.bonusKind, 0);

  game.firstSelected = 0;
  game.boardCleared = 1;
  LeftClickSquare(b);
  EXPECT_EQ(game.firstSelected, 0);
  // A bonus still takes the click on a cleared board (it comes before).
  game.bonusKind = BONUS_MISTAKE;
  game.mistakes = 2;
  LeftClickSquare(b);
  EXPECT_EQ(game.mistakes, 1);
}

}  // namespace

namespace {

class ShowNumbersTest : public RulesTest {
 protected:
  void SetUp() override {
    RulesTest::SetUp();
    StartGame();
  }
  void PressSpace() {
    InjectInput(platform::kKeyDown, KEY_SPACE);
    InjectInput(platform::kKeyUp, KEY_SPACE);
    ToggleShowNumbers();
  }
};

TEST_F(ShowNumbersTest, SpaceShowsOncePerLevelAndStopsOnTheNextPress) {
  ToggleShowNumbers();  // no press
  EXPECT_EQ(game.showingNumbers, 0);

  game.bonusKind = BONUS_COL;
  game.bonusAllowed = 0;
  PressSpace();
  EXPECT_EQ(game.showingNumbers, 1);
  EXPECT_EQ(game.numbersShownUsed, 1);
  EXPECT_EQ(game.statusText, u"Showing Numbers");
  EXPECT_EQ(game.showNumbersStart, clock.Now());
  EXPECT_EQ(game.bonusKind, 0);

  clock.Advance(2000);
  PressSpace();
  EXPECT_EQ(game.showingNumbers, 0);
  EXPECT_EQ(game.statusShown, 0);
  EXPECT_EQ(game.bonusAllowed, 1);
  EXPECT_EQ(game.idleSince, clock.Now());

  // Used on this level: later presses only hide the message.
  ShowStatus(u"Square marked");
  PressSpace();
  EXPECT_EQ(game.showingNumbers, 0);
  EXPECT_EQ(game.statusShown, 0);

  // A new level makes it available again.
  ResetLevelState();
  PressSpace();
  EXPECT_EQ(game.showingNumbers, 1);
}

TEST_F(ShowNumbersTest, SpaceCannotStartWithASquareSelectedOrOnAClearedLevel) {
  game.firstSelected = 1;
  ShowStatus(u"Square selected, select another square");
  PressSpace();
  EXPECT_EQ(game.showingNumbers, 0);
  EXPECT_EQ(game.numbersShownUsed, 0);
  EXPECT_EQ(game.statusShown, 0);

  game.firstSelected = 0;
  game.levelCleared = 1;
  ShowStatus(u"Demo finished!");
  PressSpace();
  EXPECT_EQ(game.showingNumbers, 0);
  EXPECT_EQ(game.statusShown, 1);
  game.levelCleared = 0;
  ToggleShowNumbers();  // that press was used up
  EXPECT_EQ(game.showingNumbers, 0);
}

TEST_F(ShowNumbersTest, ShowingEndsWhen30000msAreReached) {
  PressSpace();
  game.bonusAllowed = 0;
  clock.Advance(29999);
  ExpireShowNumbers();
  EXPECT_EQ(game.showingNumbers, 1);
  clock.Advance(1);
  ExpireShowNumbers();
  EXPECT_EQ(game.showingNumbers, 0);
  EXPECT_EQ(game.idleSince, clock.Now());
  EXPECT_EQ(game.bonusAllowed, 0);
  EXPECT_EQ(game.statusShown, 1);  // the message expires by itself
}

}  // namespace
