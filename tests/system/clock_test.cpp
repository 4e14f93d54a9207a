#include <gtest/gtest.h>

#include "engine/system/clock.h"

TEST(Random, SeedMasksAndReplacesBrokenStates) {
  struct Case { int seed; int state; } cases[] = {
      {0, 0x1234}, {0x7FFFFFFF, 0x1234}, {-1, 0x1234},
      {static_cast<int>(0x80000005u), 5}, {42, 42},
  };
  for (const auto& c : cases) {
    SeedRandom(c.seed);
    EXPECT_EQ(RandomSeed(), c.state) << "seed " << c.seed;
  }
}

// Independent re-computation with 64-bit arithmetic: state * 48271 mod (2^31 - 1).
static int64_t Step(int64_t s) { return s * 48271 % 0x7FFFFFFF; }

TEST(Random, StepsFollowTheLehmerSequence) {
  SeedRandom(1);
  RandomDouble();
  EXPECT_EQ(RandomSeed(), Step(Step(1)));
  SeedRandom(0x1234);
  int64_t s = 0x1234;
  EXPECT_EQ(Step(s), 224942860);
  for (int i = 0; i < 1000; ++i) {
    const double d = RandomDouble();
    const int64_t a = (s = Step(s)) & 0x1FFFFFFC;
    const int64_t b = (s = Step(s)) & 0x1FFFFFF8;
    ASSERT_EQ(d, (a + b / 134217728.0) / 536870912.0);
    ASSERT_LT(d, 1.0);
    ASSERT_GE(d, 0.0);
  }
  EXPECT_EQ(RandomSeed(), s);
}

TEST(Random, IntRangesEitherWayRoundAndAlwaysAdvance) {
  SeedRandom(99);
  for (int i = 0; i < 2000; ++i) {
    const int v = RandomInt(6, 1);
    ASSERT_GE(v, 1);
    ASSERT_LE(v, 6);
    const int w = RandomInt(1, 0);
    ASSERT_TRUE(w == 0 || w == 1);
  }
  SeedRandom(7);
  EXPECT_EQ(RandomInt(5, 5), 5);
  EXPECT_EQ(RandomInt(1, 1), 1);
  int64_t s = 7;
  for (int i = 0; i < 4; ++i) s = Step(s);
  EXPECT_EQ(RandomSeed(), s);
}

TEST(Clock, DifferencesWrapAround) {
  EXPECT_EQ(ClockDiff(static_cast<int>(0x80000010u), 0x7FFFFFF0), 32);
  EXPECT_EQ(ClockDiff(5, -5), 10);
  EXPECT_EQ(ClockDiff(INT32_MIN, INT32_MAX), 1);
}

TEST(Clock, ManualClockDrivesReadingsAndSleeps) {
  const int before = ClockMillis();
  {
    TManualClock clock(0x7FFFFFF0);
    EXPECT_EQ(ClockMillis(), 0x7FFFFFF0);
    SleepMillis(32);
    EXPECT_EQ(ClockMillis(), static_cast<int>(0x80000010u));
    clock.Advance(-40);
    EXPECT_EQ(ClockMillis(), 0x7FFFFFE8);
  }
  // Back on the real clock.
  EXPECT_GE(ClockDiff(ClockMillis(), before), 0);
  EXPECT_LT(ClockDiff(ClockMillis(), before), 10000);
}
