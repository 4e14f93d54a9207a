// The game state record and its object lists.
#include "rules_fixture.h"

namespace {

using StateTest = RulesTest;

TEST_F(StateTest, FreshRecordHoldsStartingValuesAndFixedTexts) {
  game.score = 55;
  game.bonusPulseStep = -0.02f;
  MyMarks::New();
  ResetGameState();

  EXPECT_EQ(game.score, 0);
  EXPECT_FLOAT_EQ(game.bonusPulseStep, 0.02f);
  EXPECT_TRUE(game.marksList.IsEmpty());
  EXPECT_TRUE(game.hiddenSquares.IsEmpty());
  EXPECT_EQ(game.statusMessages[0], u"Game Over");
  EXPECT_EQ(game.statusMessages[2], u"");
  EXPECT_EQ(game.statusMessages[1], game.statusMessages[7]);
  EXPECT_EQ(game.statusMessages[11], u"These squares can't be marked!");
  EXPECT_EQ(game.bonusTable[0], nullptr);
  ASSERT_NE(game.bonusTable[7], nullptr);
  EXPECT_EQ(game.bonusTable[7]->msg, u"Pair bonus: Finds a pair for selected square");
  ASSERT_NE(game.levelTable[0], nullptr);
  EXPECT_EQ(game.levelTable[0]->g, 80);
  EXPECT_EQ(game.levelTable[1], nullptr);
  EXPECT_EQ(game.defaultHiscoreNames[7], u"Lintorpe");
  EXPECT_EQ(game.defaultHiscoreScores[0], 100);
}

TEST_F(StateTest, ListsAppendRemoveExactlyOneObjectAndEmpty) {
  auto a = MyCoordPair::New();
  auto b = MyCoordPair::New();
  auto c = MyCoordPair::New();
  b->x = 5;
  ASSERT_EQ(game.hiddenSquares.Count(), 3u);
  EXPECT_EQ(game.hiddenSquares.At(1), b);

  b->Destroy();
  ASSERT_EQ(game.hiddenSquares.Count(), 2u);
  EXPECT_EQ(game.hiddenSquares.At(0), a);
  EXPECT_EQ(game.hiddenSquares.At(1), c);
  b->Destroy();  // no longer listed: nothing happens
  EXPECT_EQ(game.hiddenSquares.Count(), 2u);

  MyCoordPair::DestroyEach();
  EXPECT_TRUE(game.hiddenSquares.IsEmpty());
  MyCoordPair::New();
  EXPECT_EQ(game.hiddenSquares.Count(), 1u);

  // Each type keeps its own list.
  auto ball = Myball::New();
  EXPECT_FLOAT_EQ(ball->alpha, 0.0f);
  EXPECT_EQ(game.ballList.Count(), 1u);
  EXPECT_EQ(game.hiddenSquares.Count(), 1u);
}

TEST_F(StateTest, DestroyWhileWalkingASnapshotVisitsEveryObject) {
  for (int i = 0; i < 5; ++i) Myball::New()->x = i;
  int visited = 0;
  for (const auto& ball : game.ballList.Snapshot()) {
    ++visited;
    if (ball->x % 2 == 0) ball->Destroy();
  }
  EXPECT_EQ(visited, 5);
  ASSERT_EQ(game.ballList.Count(), 2u);
  EXPECT_EQ(game.ballList.At(0)->x, 1);
  EXPECT_EQ(game.ballList.At(1)->x, 3);
}

// A fresh record's bonus wait is over at once, with the clock at any value,
// negative readings included.
TEST_F(StateTest, FirstBonusWaitIsOverWhateverTheClockReads) {
  for (int now : {0, 5, 10000, 2000000000, -5, -2000000000, INT32_MIN}) {
    SCOPED_TRACE(now);
    clock.Set(now);
    ResetGameState();
    EXPECT_GT(ClockDiff(ClockMillis(), game.idleSince), 10000);
    // and stays over for days of running
    clock.Set(ClockDiff(now, -7 * 24 * 3600 * 1000));
    EXPECT_GT(ClockDiff(ClockMillis(), game.idleSince), 10000);
  }
}

}  // namespace
