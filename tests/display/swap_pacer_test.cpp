// How Flip 1 decides that the swap does not pace, and the timer it falls
// back to, stepped with a manual clock.
#include <gtest/gtest.h>

#include "engine/graphics/display.h"
#include "engine/system/clock.h"

namespace {

TEST(SwapPacerTest, SwapsThatWaitForTheDisplayKeepPacing) {
  TManualClock clock(0);
  TSwapPacer pacer(60);
  for (int i = 0; i < 200; ++i) {
    clock.Advance(i % 3 == 0 ? 17 : 16);
    pacer.SwapDone(true);
  }
  EXPECT_FALSE(pacer.Timed());
}

TEST(SwapPacerTest, SwapsThatReturnAtOnceAreCaughtWithinNineFrames) {
  TManualClock clock(100);
  TSwapPacer pacer(60);
  int frames = 0;
  while (!pacer.Timed() && frames < 100) {
    clock.Advance(1);
    pacer.SwapDone(true);
    ++frames;
  }
  EXPECT_EQ(frames, 9);
}

TEST(SwapPacerTest, SwapsPacedByAFasterDisplayHandOverToTheTimer) {
  // Full screen keeps the desktop's mode: a 72 or 75 Hz display waits, but
  // not at the 60 frames the game steps its effects by.
  for (const int displayHertz : {72, 75, 85, 144}) {
    TManualClock clock(0);
    TSwapPacer pacer(60);
    int acc = 0;
    for (int i = 0; i < 50 && !pacer.Timed(); ++i) {
      const int next = (i + 1) * 1000 / displayHertz;
      clock.Advance(next - acc);
      acc = next;
      pacer.SwapDone(true);
    }
    EXPECT_TRUE(pacer.Timed()) << displayHertz;
  }
}

TEST(SwapPacerTest, OneSlowFrameAmongFastOnesIsStillFast) {
  // A compositor hiccup must not hide that the swaps do not wait.
  TManualClock clock(0);
  TSwapPacer pacer(60);
  for (int i = 0; i < 20 && !pacer.Timed(); ++i) {
    clock.Advance(i == 4 ? 40 : 2);
    pacer.SwapDone(true);
  }
  EXPECT_TRUE(pacer.Timed());
}

TEST(SwapPacerTest, ARefusedIntervalSwitchesAtOnceAndPacesASecondPerRate) {
  const struct {
    int hertz, frames, totalMs;
  } cases[] = {{60, 60, 1000}, {75, 75, 1000}, {50, 100, 2000}, {0, 60, 1000}};  // 0: 60
  for (const auto& c : cases) {
    TManualClock clock(-500);
    TSwapPacer pacer(c.hertz);
    pacer.SwapDone(false);
    ASSERT_TRUE(pacer.Timed());
    for (int i = 0; i < c.frames; ++i) pacer.Wait();
    EXPECT_EQ(ClockDiff(clock.Now(), -500), c.totalMs) << c.hertz;
  }
}

TEST(SwapPacerTest, AfterAStallTheTimerRestartsFromNow) {
  TManualClock clock(0);
  TSwapPacer pacer(60);
  pacer.SwapDone(false);
  pacer.Wait();
  EXPECT_EQ(clock.Now(), 16);
  clock.Advance(200);
  pacer.Wait();  // late: no sleep, nothing caught up
  EXPECT_EQ(clock.Now(), 216);
  pacer.Wait();
  EXPECT_GE(clock.Now(), 216 + 16);
  EXPECT_LE(clock.Now(), 216 + 17);
}

}  // namespace
