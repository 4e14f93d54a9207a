// The millisecond clock and the seeded random numbers every timed rule and
// every deal of the game draw from.
#pragma once

#include <cstdint>
#include <functional>

// Current clock reading in milliseconds, a signed 32-bit value that wraps.
// Compare readings only with ClockDiff (or 32-bit subtraction).
int ClockMillis();

// later - earlier in 32-bit wrap-around arithmetic, without signed overflow.
inline int ClockDiff(int later, int earlier) {
  return static_cast<int>(static_cast<uint32_t>(later) - static_cast<uint32_t>(earlier));
}

// Sleeps ms milliseconds (through the sleep seam below).
void SleepMillis(int ms);

// Seams for tests and for frame stepping: replace where readings come from and
// what a sleep does. An empty function restores the real clock / real sleep.
void SetClockSource(std::function<int()> source);
void SetSleepHandler(std::function<void(int)> handler);

// A clock that a test moves by hand. Installing it makes ClockMillis read it,
// and makes SleepMillis advance it instead of waiting.
class TManualClock {
 public:
  explicit TManualClock(int start = 0);
  ~TManualClock();  // restores the real clock and sleep
  TManualClock(const TManualClock&) = delete;
  TManualClock& operator=(const TManualClock&) = delete;
  void Set(int now) { now_ = now; }
  void Advance(int ms) { now_ = ClockDiff(now_, -ms); }
  int Now() const { return now_; }

 private:
  int now_;
};

// Park-Miller generator (multiplier 48271) with one state word.
void SeedRandom(int seed);
int RandomSeed();
double RandomDouble();
int RandomInt(int min, int max);
