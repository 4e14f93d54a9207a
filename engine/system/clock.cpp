#include "engine/system/clock.h"

#include "platform/posix.h"

namespace {

std::function<int()>& ClockSource() {
  static std::function<int()> source;
  return source;
}

std::function<void(int)>& SleepHandler() {
  static std::function<void(int)> handler;
  return handler;
}

int32_t rndState = 0x1234;

// One Park-Miller step by Schrage's method: no intermediate leaves 32 bits.
void StepRandom() {
  constexpr int32_t a = 48271, q = 44488, r = 3399, m = 0x7FFFFFFF;
  int32_t s = a * (rndState % q) - r * (rndState / q);
  if (s < 0) s += m;
  rndState = s;
}

}  // namespace

int ClockMillis() {
  if (ClockSource()) return ClockSource()();
  // Keep the low 32 bits of the monotonic count: readings wrap like a 32-bit counter.
  return static_cast<int>(static_cast<uint32_t>(platform::MonotonicMillis()));
}

void SleepMillis(int ms) {
  if (SleepHandler()) {
    SleepHandler()(ms);
    return;
  }
  platform::SleepMillis(ms);
}

void SetClockSource(std::function<int()> source) { ClockSource() = std::move(source); }
void SetSleepHandler(std::function<void(int)> handler) { SleepHandler() = std::move(handler); }

TManualClock::TManualClock(int start) : now_(start) {
  SetClockSource([this] { return now_; });
  SetSleepHandler([this](int ms) {
    if (ms > 0) Advance(ms);
  });
}

TManualClock::~TManualClock() {
  SetClockSource({});
  SetSleepHandler({});
}

void SeedRandom(int seed) {
  int32_t s = seed & 0x7FFFFFFF;
  // 0 is a fixed point of the generator and 2^31 - 1 is its modulus.
  if (s == 0 || s == 0x7FFFFFFF) s = 0x1234;
  rndState = s;
}

int RandomSeed() { return rndState; }

double RandomDouble() {
  StepRandom();
  const int32_t a = rndState & 0x1FFFFFFC;
  StepRandom();
  const int32_t b = rndState & 0x1FFFFFF8;
  return (a + b / 134217728.0) / 536870912.0;
}

int RandomInt(int min, int max) {
  // Either bound may be the larger. The span is taken in 64 bits: in 32 it
  // wraps for bounds 2^31 or more apart and the draw lands outside them. For
  // every narrower span this is the same draw.
  const int64_t lo = min < max ? min : max;
  const int64_t hi = min < max ? max : min;
  const double d = RandomDouble() * static_cast<double>(hi - lo + 1);
  return static_cast<int>(static_cast<int64_t>(d) + lo);
}
