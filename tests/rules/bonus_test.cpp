// Bonuses: when they come up, hop and expire, what each kind does, and the
// timed course of the reveals.
#include "rules_fixture.h"

namespace {

class BonusTest : public RulesTest {
 protected:
  void SetUp() override {
    RulesTest::SetUp();
    StartGame();
    game.idleSince = clock.Now();
  }
  // Leaves exactly the given squares hidden (the rest marked).
  void MarkAllBut(std::initializer_list<MySquare> keep) {
    for (int y = 0; y < BOARD_SIZE; ++y) {
      for (int x = 0; x < BOARD_SIZE; ++x) {
        bool kept = false;
        for (const auto& k : keep) kept = kept || (k == MySquare{x, y});
        if (kept) continue;
        auto m = MyMarks::New();
        m->x = x;
        m->y = y;
        UnhideSquare(x, y);
      }
    }
  }
  // Puts a bonus of a kind on square s, as SpawnBonus leaves it.
  void PlaceBonus(int kind, MySquare s, int lifetime = 10) {
    game.bonusKind = kind;
    game.bonusAllowed = 0;
    game.bonusSpawnTime = game.bonusHopTime = clock.Now();
    game.bonusLifetime = lifetime;
    switch (kind) {
      case 1: game.qBonusX = s.x, game.qBonusY = s.y; break;
      case 2: game.fourBonusX = s.x, game.fourBonusY = s.y; break;
      case 3: game.modelBonusX = s.x, game.modelBonusY = s.y; break;
      case 4: game.rowBonusX = s.x, game.rowBonusY = s.y, game.rowRevealReach = 0; break;
      case 5: game.colBonusX = s.x, game.colBonusY = s.y, game.colRevealReach = 0; break;
      case 6: game.mBonusX = s.x, game.mBonusY = s.y; break;
      case 7: game.pairBonusX = s.x, game.pairBonusY = s.y; break;
    }
  }
};

TEST_F(BonusTest, KindOneToSixWaitsMoreThan10000msAfterIdleSince) {
  clock.Advance(10000);
  SpawnBonus();
  EXPECT_EQ(game.bonusKind, 0);
  clock.Advance(1);
  SpawnBonus();
  EXPECT_GE(game.bonusKind, 1);
  EXPECT_LE(game.bonusKind, 5);
  EXPECT_EQ(game.bonusAllowed, 0);
  EXPECT_EQ(game.bonusSpawnTime, clock.Now());
  EXPECT_EQ(game.bonusHopTime, clock.Now());
  EXPECT_EQ(game.statusText, game.bonusTable[game.bonusKind]->msg);
}

TEST_F(BonusTest, DrawsKindThenLifetimeThenSquare) {
  game.mistakes = 1;
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    game.bonusKind = 0;
    game.bonusAllowed = 1;
    game.idleSince = ClockDiff(clock.Now(), 20000);
    const int seed = RandomSeed();
    SpawnBonus();
    const int after = RandomSeed();
    SeedRandom(seed);
    const int kind = RandomInt(1, 6);
    const int lifetime = kind == 3 ? RandomInt(15, 30) : RandomInt(7, 17);
    const int r = RandomInt(1, static_cast<int>(game.hiddenSquares.Count()));
    const auto& sq = game.hiddenSquares.At(r - 1);
    EXPECT_EQ(game.bonusKind, kind);
    EXPECT_EQ(game.bonusLifetime, lifetime);
    EXPECT_EQ(BonusSquare(kind), (MySquare{sq->x, sq->y}));
    EXPECT_EQ(RandomSeed(), after);  // three draws, no more
  }
}

TEST_F(BonusTest, MistakeBonusComesOnlyWhenThereIsAMistakeToTakeBack) {
  bool sawMistakeBonus = false;
  for (int mistakes : {0, 2}) {
    game.mistakes = mistakes;
    for (int i = 0; i < 150; ++i) {
      game.bonusKind = 0;
      game.bonusAllowed = 1;
      game.idleSince = ClockDiff(clock.Now(), 20000);
      SpawnBonus();
      if (mistakes == 0) {
        ASSERT_NE(game.bonusKind, BONUS_MISTAKE);
      }
      sawMistakeBonus = sawMistakeBonus || game.bonusKind == BONUS_MISTAKE;
    }
  }
  EXPECT_TRUE(sawMistakeBonus);
}

TEST_F(BonusTest, NothingComesUpWhileBlocked) {
  struct Case {
    const char* name;
    int* field;
  };
  const Case cases[] = {
      {"board empty", &game.boardEmpty},       {"level end", &game.levelEndPhase},
      {"question reveal", &game.qRevealActive}, {"game over", &game.gameOver},
      {"first selected", &game.firstSelected}, {"second selected", &game.secondSelected},
      {"numbers shown", &game.showingNumbers},
  };
  clock.Advance(70000);  // both the idle wait and the Pair wait are over
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    *c.field = 1;
    SpawnBonus();
    EXPECT_EQ(game.bonusKind, 0);
    *c.field = 0;
  }
  game.bonusAllowed = 0;
  SpawnBonus();
  EXPECT_EQ(game.bonusKind, 0);
  game.bonusAllowed = 1;
  game.bonusKind = BONUS_FOUR;
  game.statusShown = 0;
  SpawnBonus();
  EXPECT_EQ(game.bonusKind, BONUS_FOUR);
  EXPECT_EQ(game.statusShown, 0);
}

TEST_F(BonusTest, PairBonusAfterMoreThan60sWithoutPairWhileMoreThan720sLeft) {
  struct Case {
    int sincePair, timeLeft, count;
    bool comes;
  };
  const Case cases[] = {{60000, 1000, 0, false}, {60001, 1000, 0, true}, {60001, 720, 0, false},
                        {60001, 721, 6, true},   {60001, 1000, 7, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.sincePair << " " << c.timeLeft << " " << c.count);
    game.bonusKind = 0;
    game.bonusAllowed = 1;
    game.lastPairTime = ClockDiff(clock.Now(), c.sincePair);
    game.idleSince = clock.Now();  // the Pair bonus does not wait for it
    game.timeLeft = c.timeLeft;
    game.pairBonusCount = c.count;
    game.statusShown = 0;
    SpawnBonus();
    EXPECT_EQ(game.bonusKind, c.comes ? BONUS_PAIR : 0);
    if (c.comes) {
      EXPECT_EQ(game.pairBonusCount, c.count + 1);
      EXPECT_EQ(game.statusShown, 0);  // comes up without a message
      EXPECT_GE(game.bonusLifetime, 7);
      EXPECT_LE(game.bonusLifetime, 17);
      EXPECT_EQ(IsKnownSquare(game.pairBonusX, game.pairBonusY), 0);
    }
  }
}

TEST_F(BonusTest, ExpiresWhenMoreThanItsLifetimeHasPassed) {
  for (int kind = 1; kind <= 7; ++kind) {
    SCOPED_TRACE(kind);
    PlaceBonus(kind, {2, 2}, 9);
    game.lastPairTime = 0;
    game.bonusHopTime = ClockDiff(clock.Now(), -9000);  // no hop in the way
    clock.Advance(9000);
    UpdateBonus();
    EXPECT_EQ(game.bonusKind, kind);
    clock.Advance(1);
    UpdateBonus();
    EXPECT_EQ(game.bonusKind, 0);
    EXPECT_EQ(game.bonusAllowed, 1);
    EXPECT_EQ(game.idleSince, clock.Now());
    EXPECT_EQ(game.lastPairTime, kind == BONUS_PAIR ? clock.Now() : 0);
  }
}

TEST_F(BonusTest, HopsAfterMoreThan3000msOntoHiddenSquaresOnly) {
  const MySquare keep1{1, 1}, keep2{6, 4};
  MarkAllBut({keep1, keep2});
  PlaceBonus(BONUS_ROW, keep1, 30);
  game.rowRevealReach = 2;
  bool moved = false;
  for (int hop = 0; hop < 20; ++hop) {
    const int seed = RandomSeed();
    clock.Advance(3000);
    UpdateBonus();
    EXPECT_EQ(RandomSeed(), seed);  // not yet
    clock.Advance(1);
    UpdateBonus();
    EXPECT_NE(RandomSeed(), seed);
    EXPECT_EQ(game.bonusHopTime, clock.Now());
    const MySquare at = BonusSquare(BONUS_ROW);
    EXPECT_TRUE(at == keep1 || at == keep2);
    moved = moved || at == keep2;
    game.bonusSpawnTime = clock.Now();  // keep it alive
  }
  EXPECT_TRUE(moved);
  EXPECT_EQ(game.rowRevealReach, 2);  // a hop does not touch the reach
}

TEST_F(BonusTest, LineRevealsFreezeTheBonus) {
  PlaceBonus(BONUS_FOUR, {0, 0}, 7);
  for (int* flag : {&game.rowRevealActive, &game.rowRevealHolding, &game.colRevealActive,
                    &game.colRevealHolding}) {
    *flag = 1;
    clock.Advance(10000);
    UpdateBonus();
    EXPECT_EQ(game.bonusKind, BONUS_FOUR);
    EXPECT_EQ(BonusSquare(BONUS_FOUR), (MySquare{0, 0}));
    *flag = 0;
  }
}

// With every square left marked there is nowhere to put a bonus: it goes at
// once without effect or message, and one on the board stays put.
TEST_F(BonusTest, NoHiddenSquareLeftMeansNoBonus) {
  MarkAllBut({});
  game.qBonusX = 3;
  game.qBonusY = 3;
  clock.Advance(10001);
  for (int mistakes : {0, 1}) {
    game.mistakes = mistakes;
    game.statusShown = 0;
    game.idleSince = ClockDiff(clock.Now(), 10001);
    SpawnBonus();
    EXPECT_EQ(game.bonusKind, 0);
    EXPECT_EQ(game.bonusAllowed, 1);
    EXPECT_EQ(game.idleSince, clock.Now());
    EXPECT_EQ(game.statusShown, 0);
  }

  game.lastPairTime = ClockDiff(clock.Now(), 60001);
  SpawnBonus();
  EXPECT_EQ(game.bonusKind, 0);
  EXPECT_EQ(game.bonusAllowed, 1);
  EXPECT_EQ(game.lastPairTime, clock.Now());
  EXPECT_EQ(game.pairBonusCount, 0);

  PlaceBonus(BONUS_FOUR, {5, 5}, 17);
  clock.Advance(3001);
  UpdateBonus();
  EXPECT_EQ(game.bonusKind, BONUS_FOUR);
  EXPECT_EQ(BonusSquare(BONUS_FOUR), (MySquare{5, 5}));
}

TEST_F(BonusTest, EachKindScoresAndTakesEffectWhenClicked) {
  const MySquare at{3, 2};
  struct Case {
    int kind;
    int score;
    int* flag;      // what the click starts (nullptr: nothing)
    int allowed;    // bonusAllowed afterwards
  };
  const Case cases[] = {
      {1, 1, &game.qRevealActive, 0},   {2, 1, &game.fourRevealActive, 0},
      {3, 1, nullptr, 1},               {4, 1, &game.rowRevealGrowing, 0},
      {5, 1, &game.colRevealGrowing, 0}, {6, 1, nullptr, 1},
      {7, 2, nullptr, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    ResetGameState();
    game.pairSound = pairSound;
    StartGame();
    game.mistakes = 4;
    game.rowRevealAlpha.fill(0.5f);
    game.colRevealAlpha.fill(0.5f);
    game.fourRevealAlpha = 0.5f;
    PlaceBonus(c.kind, at);
    clock.Advance(100);
    LeftClickSquare(at);
    EXPECT_EQ(game.bonusKind, 0);
    EXPECT_EQ(game.statusText, u"Bonus clicked!");
    EXPECT_EQ(game.score, c.score);
    EXPECT_EQ(game.bonusAllowed, c.allowed);
    EXPECT_EQ(game.firstSelected, 0);
    if (c.flag) {
      EXPECT_EQ(*c.flag, 1);
    }
    EXPECT_EQ(game.mistakes, c.kind == BONUS_MISTAKE ? 3 : 4);
    if (c.allowed == 1) {
      EXPECT_EQ(game.idleSince, clock.Now());
    }
  }
}

TEST_F(BonusTest, StartedRevealsBeginFromScratch) {
  PlaceBonus(BONUS_FOUR, {1, 1});
  game.fourRevealAlpha = 0.6f;
  UseBonus();
  EXPECT_FLOAT_EQ(game.fourRevealAlpha, 0.0f);
  EXPECT_EQ(game.fourRevealStart, clock.Now());

  game.rowRevealAlpha.fill(0.6f);
  PlaceBonus(BONUS_ROW, {1, 1});
  UseBonus();
  EXPECT_EQ(game.rowRevealActive, 1);
  EXPECT_EQ(game.rowRevealStepTime, clock.Now());
  for (float a : game.rowRevealAlpha) EXPECT_FLOAT_EQ(a, 0.0f);
  EXPECT_EQ(game.rowRevealReach, 0);

  game.colRevealAlpha.fill(0.6f);
  PlaceBonus(BONUS_COL, {1, 1});
  UseBonus();
  EXPECT_EQ(game.colRevealActive, 1);
  for (float a : game.colRevealAlpha) EXPECT_FLOAT_EQ(a, 0.0f);
}

TEST_F(BonusTest, MistakeBonusNeverGoesBelowZero) {
  PlaceBonus(BONUS_MISTAKE, {0, 0});
  game.mistakes = 0;
  UseBonus();
  EXPECT_EQ(game.mistakes, 0);
  EXPECT_EQ(game.score, 1);
}

TEST_F(BonusTest, PairBonusClearsItsSquareAndTheFirstPartnerWithItsMark) {
  const MySquare at = FindNumber(17);
  const MySquare partner = FindNumber(17, at);
  auto mark = MyMarks::New();
  mark->x = partner.x;
  mark->y = partner.y;
  UnhideSquare(partner.x, partner.y);
  PlaceBonus(BONUS_PAIR, at);
  clock.Advance(5);
  UseBonus();
  EXPECT_EQ(BoardAt(at.x, at.y), 0);
  EXPECT_EQ(BoardAt(partner.x, partner.y), 0);
  EXPECT_EQ(IsKnownSquare(at.x, at.y), 1);
  EXPECT_TRUE(game.marksList.IsEmpty());
  EXPECT_EQ(game.score, 2);
  EXPECT_EQ(pairSound->plays, 1);
  EXPECT_EQ(game.lastPairTime, clock.Now());
  EXPECT_EQ(game.hiddenSquares.Count(), 62u);
}

TEST_F(BonusTest, BonusOnAClearedSquareGoesWithoutEffect) {
  const MySquare at = FindNumber(5), partner = FindNumber(5, at);
  ClearPair(at.x, at.y, partner.x, partner.y);
  for (int kind = 1; kind <= 7; ++kind) {
    SCOPED_TRACE(kind);
    PlaceBonus(kind, at);
    game.lastPairTime = 0;
    game.statusShown = 0;
    LeftClickSquare(at);
    EXPECT_EQ(game.bonusKind, 0);
    EXPECT_EQ(game.bonusAllowed, 1);
    EXPECT_EQ(game.score, 0);
    EXPECT_EQ(game.statusShown, 0);
    EXPECT_EQ(game.qRevealActive + game.fourRevealActive + game.rowRevealActive + game.colRevealActive, 0);
    EXPECT_EQ(game.hiddenSquares.Count(), 62u);
    EXPECT_EQ(game.lastPairTime, kind == BONUS_PAIR ? clock.Now() : 0);
  }
}

TEST_F(BonusTest, EachKindHasItsOwnHitRange) {
  struct Case {
    int kind, x, y;
    bool used;
  };
  // Square (0, 0): its left column is pixel 45, its top row pixel 36.
  const Case cases[] = {
      {1, 45, 40, true},  {1, 50, 36, false}, {2, 45, 40, false}, {2, 50, 36, true},
      {3, 45, 40, false}, {3, 50, 36, false}, {3, 46, 37, true},  {4, 45, 36, true},
      {5, 45, 40, false}, {5, 50, 36, false}, {6, 45, 40, false}, {6, 50, 36, false},
      {7, 45, 36, true},  {7, 119, 110, true}, {7, 120, 110, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " at " << c.x << "," << c.y);
    StartGame();
    PlaceBonus(c.kind, {0, 0});
    ClickAt(c.x, c.y);
    HandleLeftClick();
    EXPECT_EQ(game.score > 0, c.used);
  }
}

TEST_F(BonusTest, IsRevealedShowsOnlyHiddenSquaresOfTheRunningReveals) {
  // 4-reveal at the right edge and in the corner.
  game.fourRevealActive = 1;
  game.fourBonusX = 7;
  game.fourBonusY = 3;
  EXPECT_EQ(IsRevealed(7, 3) + IsRevealed(7, 4) + IsRevealed(6, 3) + IsRevealed(7, 5), 2);
  game.fourBonusY = 7;
  EXPECT_EQ(IsRevealed(7, 7), 1);
  EXPECT_EQ(IsRevealed(6, 7), 0);
  game.fourBonusX = 2;
  game.fourBonusY = 2;
  auto mark = MyMarks::New();
  mark->x = 3;
  mark->y = 3;
  UnhideSquare(3, 3);
  EXPECT_EQ(IsRevealed(2, 2) + IsRevealed(3, 2) + IsRevealed(2, 3), 3);
  EXPECT_EQ(IsRevealed(3, 3), 0);  // marked
  game.fourRevealActive = 0;

  // Row reveal in column 0 with reach 3: columns 0 to 3; a paired square is left out.
  game.rowRevealActive = 1;
  game.rowBonusX = 0;
  game.rowBonusY = 5;
  game.rowRevealReach = 3;
  const int n = BoardAt(2, 5);
  const MySquare partner = FindNumber(n, MySquare{2, 5});
  ClearPair(2, 5, partner.x, partner.y);
  for (int x = 0; x < 8; ++x) {
    const bool paired = x == 2 || partner == MySquare{x, 5};
    EXPECT_EQ(IsRevealed(x, 5), (x <= 3 && !paired) ? 1 : 0) << x;
  }
  EXPECT_EQ(IsRevealed(1, 4), 0);
  game.rowRevealReach = 1;
  EXPECT_EQ(IsRevealed(3, 5), 0);
  game.rowRevealActive = 0;

  // Column reveal at row 7 shows rows 4 to 7.
  game.colRevealActive = 1;
  game.colBonusX = 6;
  game.colBonusY = 7;
  game.colRevealReach = 3;
  for (int y = 0; y < 8; ++y) {
    if (MySquare{6, y} == partner) continue;
    EXPECT_EQ(IsRevealed(6, y), y >= 4 ? 1 : 0) << y;
  }
  game.colRevealActive = 0;

  // ?-reveal: its own square unless marked or paired.
  game.qRevealActive = 1;
  game.qBonusX = 0;
  game.qBonusY = 0;
  EXPECT_EQ(IsRevealed(0, 0), BoardAt(0, 0) != 0 ? 1 : 0);
  game.qBonusX = 3;
  game.qBonusY = 3;
  EXPECT_EQ(IsRevealed(3, 3), 0);
  EXPECT_EQ(IsRevealed(0, 0), 0);
}

TEST_F(BonusTest, QuestionAndFourRevealsEndWhenTheirTimeIsReached) {
  struct Case {
    int kind, ms;
    int* active;
  };
  const Case cases[] = {{BONUS_QUESTION, 5000, &game.qRevealActive},
                        {BONUS_FOUR, 10000, &game.fourRevealActive}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    PlaceBonus(c.kind, {4, 4});
    UseBonus();
    game.markedDuringReveal = 1;
    game.bonusKind = BONUS_MISTAKE;  // a bonus that came up meanwhile
    clock.Advance(c.ms - 1);
    ExpireQuestionReveal();
    ExpireFourReveal();
    EXPECT_EQ(*c.active, 1);
    clock.Advance(1);
    ExpireQuestionReveal();
    ExpireFourReveal();
    EXPECT_EQ(*c.active, 0);
    EXPECT_EQ(game.markedDuringReveal, 0);
    EXPECT_EQ(game.bonusAllowed, 1);
    EXPECT_EQ(game.idleSince, clock.Now());
    // The ?-reveal takes the bonus on the board with it; the 4-reveal does not.
    EXPECT_EQ(game.bonusKind, c.kind == BONUS_QUESTION ? 0 : BONUS_MISTAKE);
  }
}

TEST_F(BonusTest, LineRevealsGrowEvery250msThenHold10000ms) {
  struct Line {
    int kind;
    int *active, *growing, *holding, *reach, *holdStart;
    void (*grow)();
    void (*expire)();
  };
  const Line lines[] = {
      {BONUS_ROW, &game.rowRevealActive, &game.rowRevealGrowing, &game.rowRevealHolding,
       &game.rowRevealReach, &game.rowRevealHoldStart, GrowRowReveal, ExpireRowReveal},
      {BONUS_COL, &game.colRevealActive, &game.colRevealGrowing, &game.colRevealHolding,
       &game.colRevealReach, &game.colRevealHoldStart, GrowColumnReveal, ExpireColumnReveal},
  };
  for (const auto& l : lines) {
    SCOPED_TRACE(l.kind);
    PlaceBonus(l.kind, {3, 3});
    UseBonus();
    for (int step = 1; step <= 3; ++step) {
      clock.Advance(250);
      l.grow();
      EXPECT_EQ(*l.reach, step - 1);
      clock.Advance(1);
      l.grow();
      EXPECT_EQ(*l.reach, step);
      EXPECT_EQ(*l.growing, 1);
    }
    clock.Advance(251);
    l.grow();
    EXPECT_EQ(*l.reach, 3);
    EXPECT_EQ(*l.growing, 0);
    EXPECT_EQ(*l.holding, 1);
    EXPECT_EQ(*l.holdStart, clock.Now());
    l.grow();  // nothing more while holding
    EXPECT_EQ(*l.reach, 3);

    game.bonusKind = BONUS_MISTAKE;
    game.markedDuringReveal = 1;
    clock.Advance(9999);
    l.expire();
    EXPECT_EQ(*l.holding, 1);
    clock.Advance(1);
    l.expire();
    EXPECT_EQ(*l.holding, 0);
    EXPECT_EQ(*l.active, 0);
    EXPECT_EQ(game.markedDuringReveal, 0);
    EXPECT_EQ(game.bonusAllowed, 1);
    EXPECT_EQ(game.idleSince, clock.Now());
    EXPECT_EQ(game.bonusKind, l.kind == BONUS_ROW ? 0 : BONUS_MISTAKE);
  }
}

TEST_F(BonusTest, ClickEndsTheFirstShowingRevealInOrder) {
  game.qRevealActive = game.fourRevealActive = 1;
  game.rowRevealActive = game.rowRevealHolding = 1;
  game.colRevealActive = game.colRevealHolding = 1;
  game.bonusAllowed = 0;
  EndRevealByClick();
  EXPECT_EQ(game.qRevealActive, 0);
  EXPECT_EQ(game.fourRevealActive, 1);
  EXPECT_EQ(game.bonusAllowed, 1);
  // The holding line reveals stop with it, as a whole.
  EXPECT_EQ(game.rowRevealActive + game.rowRevealHolding + game.colRevealActive + game.colRevealHolding, 0);

  game.rowRevealActive = game.rowRevealHolding = 1;
  game.bonusAllowed = 0;
  EndRevealByClick();
  EXPECT_EQ(game.fourRevealActive, 0);
  EXPECT_EQ(game.rowRevealActive + game.rowRevealHolding, 0);

  game.rowRevealActive = game.rowRevealHolding = 1;
  game.colRevealActive = game.colRevealHolding = 1;
  EndRevealByClick();
  EXPECT_EQ(game.rowRevealActive + game.rowRevealHolding, 0);
  EXPECT_EQ(game.colRevealHolding, 1);
  EndRevealByClick();
  EXPECT_EQ(game.colRevealActive + game.colRevealHolding, 0);
}

// A ?-reveal that ends while a line reveal holds must not leave that line
// reveal active with neither phase running: the bonus would stop moving and
// expiring, and right clicks would only look at the dead reveal.
TEST_F(BonusTest, EndOfQuestionRevealLeavesNoFrozenLineReveal) {
  for (bool byClick : {false, true}) {
    SCOPED_TRACE(byClick ? "by click" : "by time");
    game.rowRevealActive = game.rowRevealHolding = 1;
    game.colRevealActive = game.colRevealGrowing = 1;  // still growing: carries on
    game.colRevealHolding = 0;
    PlaceBonus(BONUS_QUESTION, {1, 1});
    UseBonus();
    EXPECT_EQ(game.rowRevealActive, 0);
    game.rowRevealActive = game.rowRevealHolding = 1;  // as if it came again meanwhile
    clock.Advance(5000);
    if (byClick) {
      EndRevealByClick();
    } else {
      ExpireQuestionReveal();
    }
    EXPECT_EQ(game.qRevealActive, 0);
    EXPECT_EQ(game.rowRevealActive, 0);
    EXPECT_EQ(game.rowRevealHolding, 0);
    EXPECT_EQ(game.colRevealActive, 1);
    EXPECT_EQ(game.colRevealGrowing, 1);

    // The bonus moves and expires again.
    game.colRevealActive = game.colRevealGrowing = 0;
    PlaceBonus(BONUS_FOUR, {1, 1}, 7);
    clock.Advance(7001);
    UpdateBonus();
    EXPECT_EQ(game.bonusKind, 0);
  }
}

TEST_F(BonusTest, EndAllRevealsLeavesTheBonusWaitAlone) {
  game.qRevealActive = game.fourRevealActive = 1;
  game.rowRevealActive = game.rowRevealHolding = 1;
  game.colRevealActive = game.colRevealHolding = 1;
  game.bonusAllowed = 0;
  const int idle = game.idleSince;
  EndAllReveals();
  EXPECT_EQ(game.qRevealActive + game.fourRevealActive + game.rowRevealActive + game.rowRevealHolding +
                game.colRevealActive + game.colRevealHolding,
            0);
  EXPECT_EQ(game.bonusAllowed, 0);
  EXPECT_EQ(game.idleSince, idle);
}

}  // namespace
