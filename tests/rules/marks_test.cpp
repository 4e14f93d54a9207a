// Right clicks and marks.
#include "rules_fixture.h"

namespace {

class MarksTest : public RulesTest {
 protected:
  void SetUp() override {
    RulesTest::SetUp();
    StartGame();
    // A 4-reveal over the block at (2, 2).
    game.fourRevealActive = 1;
    game.fourBonusX = 2;
    game.fourBonusY = 2;
  }
};

TEST_F(MarksTest, MarkingARevealedSquare) {
  clock.Advance(30);
  RightClickSquare({3, 3});
  EXPECT_EQ(IsMarked(3, 3), 1);
  EXPECT_EQ(IsKnownSquare(3, 3), 1);
  EXPECT_EQ(game.marksLeft, 19);
  EXPECT_EQ(game.markedDuringReveal, 1);
  EXPECT_EQ(game.statusText, u"Square marked");
  EXPECT_EQ(game.statusTime, clock.Now());

  // Marked already: the reveal no longer shows it.
  RightClickSquare({3, 3});
  EXPECT_EQ(game.marksLeft, 19);
  EXPECT_EQ(game.marksList.Count(), 1u);
  // Outside the reveal: nothing, marks left or not.
  game.statusShown = 0;
  RightClickSquare({5, 5});
  EXPECT_EQ(IsMarked(5, 5), 0);
  EXPECT_EQ(game.statusShown, 0);

  // Marks keep the order they were made in.
  RightClickSquare({2, 2});
  ASSERT_EQ(game.marksList.Count(), 2u);
  EXPECT_EQ(game.marksList.At(0)->x, 3);
  EXPECT_EQ(game.marksList.At(1)->x, 2);
}

TEST_F(MarksTest, RightClickRoutingOrder) {
  struct Case {
    const char* name;
    void (*set)();
    MySquare at;
    const char16_t* message;  // nullptr: stays silent
    bool marks;
  };
  const Case cases[] = {
      {"square selected", [] { game.firstSelected = 1; game.showingNumbers = 1; game.marksLeft = 0; },
       {2, 2}, nullptr, false},
      {"second selected", [] { game.secondSelected = 1; }, {2, 2}, nullptr, false},
      {"numbers shown", [] { game.showingNumbers = 1; game.marksLeft = 0; }, {2, 2},
       u"Showing numbers -- can't mark now!", false},
      {"no marks left", [] { game.marksLeft = 0; }, {2, 2}, u"No marks left!", false},
      {"model bonus", [] { game.fourRevealActive = 0; game.bonusKind = BONUS_MODEL;
                           game.modelBonusX = 6; game.modelBonusY = 1; },
       {6, 1}, u"These squares can't be marked!", false},
      {"model bonus under a reveal", [] { game.bonusKind = BONUS_MODEL;
                                          game.modelBonusX = 6; game.modelBonusY = 1; },
       {6, 1}, nullptr, false},
      {"revealed", [] {}, {2, 3}, u"Square marked", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartGame();
    game.fourRevealActive = 1;
    game.fourBonusX = game.fourBonusY = 2;
    c.set();
    const int left = game.marksLeft;
    RightClickSquare(c.at);
    EXPECT_EQ(IsMarked(c.at.x, c.at.y), c.marks ? 1 : 0);
    EXPECT_EQ(game.marksLeft, c.marks ? left - 1 : left);
    if (c.message) {
      EXPECT_EQ(game.statusShown, 1);
      EXPECT_EQ(game.statusText, c.message);
    } else {
      EXPECT_EQ(game.statusShown, 0);
    }
  }
}

TEST_F(MarksTest, NoMarksLeftIsReportedAlsoOffTheBoard) {
  game.marksLeft = 0;
  ClickAt(900, 700, MOUSE_RIGHT);
  HandleRightClick();
  EXPECT_EQ(game.statusText, u"No marks left!");

  // With marks left, off the board or beyond the reveal's edge is silent.
  game.marksLeft = 3;
  game.statusShown = 0;
  for (auto [x, y] : {std::pair{44, 200}, {200, 36}, {645, 200}, {200, 636}}) {
    ClickAt(x, y, MOUSE_RIGHT);
    HandleRightClick();
  }
  EXPECT_EQ(game.statusShown, 0);
  EXPECT_EQ(game.marksLeft, 3);
}

TEST_F(MarksTest, MarkingAcceptsTheBoardFromPixel45And37) {
  game.fourBonusX = game.fourBonusY = 0;
  ClickAt(45, 37, MOUSE_RIGHT);
  HandleRightClick();
  EXPECT_EQ(IsMarked(0, 0), 1);
  ClickAt(120, 36, MOUSE_RIGHT);  // square (1, 0) but above the accepted rows
  HandleRightClick();
  EXPECT_EQ(IsMarked(1, 0), 0);
}

TEST_F(MarksTest, OnlyTheCurrentReachOfAGrowingRowRevealCanBeMarked) {
  game.fourRevealActive = 0;
  game.rowRevealActive = game.rowRevealGrowing = 1;
  game.rowBonusX = 4;
  game.rowBonusY = 6;
  game.rowRevealReach = 1;
  RightClickSquare({6, 6});
  EXPECT_EQ(IsMarked(6, 6), 0);
  RightClickSquare({5, 6});
  EXPECT_EQ(IsMarked(5, 6), 1);
}

TEST_F(MarksTest, TheClickAfterAMarkEndsTheRevealAndSelects) {
  RightClickSquare({2, 2});
  LeftClickSquare({5, 5});
  EXPECT_EQ(game.fourRevealActive, 0);
  EXPECT_EQ(game.markedDuringReveal, 0);
  EXPECT_EQ(game.firstSelected, 1);
  EXPECT_EQ(game.firstX, 5);
}

TEST_F(MarksTest, PairingAMarkedSquareRemovesTheMarkButGivesNoMarkBack) {
  const MySquare m{2, 2};
  RightClickSquare(m);
  const MySquare partner = FindNumber(BoardAt(m.x, m.y), m);
  game.markedDuringReveal = 0;
  game.fourRevealActive = 0;
  LeftClickSquare(m);
  LeftClickSquare(partner);
  EXPECT_EQ(BoardAt(m.x, m.y), 0);
  EXPECT_EQ(IsMarked(m.x, m.y), 0);
  EXPECT_EQ(game.marksLeft, 19);
}

}  // namespace
