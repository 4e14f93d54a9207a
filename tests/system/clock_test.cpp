#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

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

// The draw is the double scaled to the span, truncated and added to the
// smaller bound; spans of 2^31 and more stay inside the bounds too.
TEST(Random, IntIsTheScaledDoubleAddedToTheSmallerBoundForEverySpan) {
  struct Case { int a, b; } cases[] = {
      {1, 6}, {6, 1}, {7, 17}, {-3, 3}, {0, INT32_MAX}, {INT32_MIN, -1},
      {INT32_MIN, 0}, {0, INT32_MIN}, {-2000000000, 2000000000}, {INT32_MIN, INT32_MAX}, {INT32_MAX, INT32_MIN},
  };
  for (const auto& c : cases) {
    const int64_t lo = std::min(c.a, c.b), hi = std::max(c.a, c.b);
    SeedRandom(12345);
    for (int i = 0; i < 500; ++i) {
      const int seed = RandomSeed();
      const double d = RandomDouble();
      SeedRandom(seed);
      const int v = RandomInt(c.a, c.b);
      ASSERT_EQ(v, static_cast<int64_t>(d * static_cast<double>(hi - lo + 1)) + lo) << c.a << ", " << c.b;
      ASSERT_GE(v, lo);
      ASSERT_LE(v, hi);
    }
  }
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
