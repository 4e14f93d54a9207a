// The two effects and the music: Ogg Vorbis of the right shape and length,
// and music that loops without a click or a gap.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "tests/assets/decode.h"

namespace assettest {
namespace {

struct Expected {
  const char* name;
  int channels;
  double min_s, max_s;
};

const Expected kSounds[] = {
    {"fx/elevator_bell.ogg", 1, 0.8, 1.5},
    {"fx/icewinds.ogg", 2, 3.0, 4.0},
    {"music/defuse.ogg", 2, 60.0, 120.0},
};

Audio Load(const char* name) { return DecodeVorbis(ReadBytes(ProgramDir() + "/" + name)); }

double Rms(const Audio& a, size_t first, size_t frames) {
  double sum = 0;
  for (size_t i = first * a.channels; i < (first + frames) * a.channels; ++i) sum += double(a.samples[i]) * a.samples[i];
  return std::sqrt(sum / (frames * a.channels));
}

TEST(Sounds, EverySoundDecodesWithItsShapeAndLength) {
  for (const Expected& e : kSounds) {
    SCOPED_TRACE(e.name);
    Audio a = Load(e.name);
    ASSERT_GT(a.channels, 0) << "missing or not Ogg Vorbis";
    EXPECT_EQ(a.channels, e.channels);
    EXPECT_EQ(a.rate, 44100);
    double seconds = double(a.Frames()) / a.rate;
    EXPECT_GE(seconds, e.min_s);
    EXPECT_LE(seconds, e.max_s);
    // Audible, and not driven into clipping.
    int peak = 0;
    for (int16_t s : a.samples) peak = std::max(peak, std::abs(int(s)));
    EXPECT_GT(peak, 8000);
    EXPECT_LT(peak, 32000);
  }
}

// Effects start at once and fade out to silence, so they neither lag the
// click that caused them nor end in a click of their own.
TEST(Sounds, EffectsStartAtOnceAndEndInSilence) {
  for (const char* name : {"fx/elevator_bell.ogg", "fx/icewinds.ogg"}) {
    SCOPED_TRACE(name);
    Audio a = Load(name);
    ASSERT_GT(a.channels, 0);
    const size_t ms = a.rate / 1000;
    EXPECT_GT(Rms(a, 0, 30 * ms), 300.0) << "silent start";
    EXPECT_LT(Rms(a, a.Frames() - 10 * ms, 10 * ms), 60.0) << "ends abruptly";
  }
}

// The music is played as one looping buffer: the step from its last frame to
// its first must be no bigger than the steps inside it, and neither end may
// fall silent.
TEST(Sounds, MusicLoopsWithoutClickOrGap) {
  Audio a = Load("music/defuse.ogg");
  ASSERT_EQ(a.channels, 2);
  const size_t n = a.Frames();
  for (int c = 0; c < 2; ++c) {
    SCOPED_TRACE(c == 0 ? "left" : "right");
    std::vector<int> steps;
    steps.reserve(n);
    for (size_t i = 1; i < n; ++i) steps.push_back(std::abs(a.samples[i * 2 + c] - a.samples[(i - 1) * 2 + c]));
    std::nth_element(steps.begin(), steps.begin() + steps.size() * 999 / 1000, steps.end());
    const int usual = steps[steps.size() * 999 / 1000];
    const int seam = std::abs(a.samples[c] - a.samples[(n - 1) * 2 + c]);
    EXPECT_LE(seam, usual);
  }
  const size_t ms = a.rate / 1000;
  const double body = Rms(a, n / 4, n / 2);
  EXPECT_GT(Rms(a, 0, 200 * ms), body * 0.25);
  EXPECT_GT(Rms(a, n - 200 * ms, 200 * ms), body * 0.25);
}

}  // namespace
}  // namespace assettest
