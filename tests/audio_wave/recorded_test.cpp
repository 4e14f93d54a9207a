// What OpenAL-soft really plays, recorded by its "wave" backend into a file
// that is read back once the device has closed (the backend finishes the
// file's header only then). The backend is chosen for this whole program
// before the library first reads its settings.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "engine/audio/audio_sample.h"
#include "engine/audio/openal_driver.h"
#include "engine/audio/sound.h"
#include "tests/audio/audio_fixtures.h"

using namespace fixtures;
namespace fs = std::filesystem;

namespace {

constexpr int RATE = 44100;

// One folder per test program run, handed down to the child processes of
// death tests through the environment.
fs::path Folder() {
  static const fs::path dir = [] {
    if (const char* inherited = std::getenv("QUILLORY_WAVE_DIR")) return fs::path(inherited);
    const fs::path made = fs::temp_directory_path() / ("quillory_wave_" + std::to_string(getpid()));
    setenv("QUILLORY_WAVE_DIR", made.c_str(), 1);
    return made;
  }();
  return dir;
}
fs::path Recording() { return Folder() / "out.wav"; }

// Settings for OpenAL-soft: record 16-bit stereo at 44.1 kHz into out.wav.
const bool waveBackend = [] {
  fs::create_directories(Folder());
  const fs::path conf = Folder() / "alsoft.conf";
  std::ofstream(conf) << "[general]\ndrivers = wave\nsample-type = int16\nchannels = stereo\n"
                         "frequency = 44100\n[wave]\nfile = "
                      << Recording().string() << "\n";
  setenv("ALSOFT_CONF", conf.c_str(), 1);
  unsetenv("ALSOFT_DRIVERS");  // it would override the drivers chosen above
  return true;
}();

class RemoveFolder : public testing::Environment {
 public:
  void TearDown() override {
    ShutdownAudio();
    std::error_code ec;
    fs::remove_all(Folder(), ec);
  }
};
const auto* removeFolder = testing::AddGlobalTestEnvironment(new RemoveFolder);

// A mono 16-bit sample of signal.
std::shared_ptr<TAudioSample> MakeSample(int ms, const Signal& signal) {
  const int frames = RATE * ms / 1000;
  auto s = TAudioSample::Create(frames, RATE, SF_MONO16LE);
  for (int i = 0; i < frames; ++i) {
    const auto v = static_cast<int16_t>(std::clamp(signal(0, i), -1.f, 1.f) * 32767);
    s->samples[2 * i] = static_cast<uint8_t>(v & 0xff);
    s->samples[2 * i + 1] = static_cast<uint8_t>((v >> 8) & 0xff);
  }
  return s;
}

Signal Noise(unsigned seed) {
  auto rng = std::make_shared<std::mt19937>(seed);
  return [rng](int, int64_t) { return std::uniform_real_distribution<float>(-0.5f, 0.5f)(*rng); };
}

struct Recorded {
  std::vector<float> left, right;
  size_t Ms(int ms) const { return static_cast<size_t>(RATE / 1000 * ms); }
};

// The OpenAL driver on a new wave device; everything played until Finish is recorded.
class Record : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(waveBackend);
    ASSERT_EQ(SelectAudioDriver("OpenAL"), 1);
  }
  // Closes the device and reads the recording.
  Recorded Finish() {
    ShutdownAudio();
    auto s = LoadAudioSample(Recording().string());
    Recorded r;
    EXPECT_NE(s, nullptr) << "no recording";
    if (!s) return r;
    EXPECT_EQ(s->format, SF_STEREO16LE);
    EXPECT_EQ(s->hertz, RATE);
    r.left = Channel16(s->samples, s->length, 2, 0);
    r.right = Channel16(s->samples, s->length, 2, 1);
    return r;
  }
  static bool Quiet(const std::shared_ptr<TChannel>& ch) {
    return WaitFor([&] { return !ch->Playing(); }, 3000);
  }
};

// Stretches of sound separated by at least 15 ms below threshold.
std::vector<Span> Bursts(const std::vector<float>& v, double threshold) {
  const size_t win = RATE / 200;
  std::vector<Span> out;
  size_t quiet = SIZE_MAX;
  for (size_t at = 0; at + win <= v.size(); at += win) {
    if (Rms(v, at, at + win) > threshold) {
      if (quiet >= 3 || out.empty()) out.push_back({at, at + win});
      else out.back().last = at + win;
      quiet = 0;
    } else if (quiet != SIZE_MAX) {
      ++quiet;
    }
  }
  return out;
}

// Held the way the game holds its sounds: in globals, released after the
// audio layer has shut down at exit.
std::shared_ptr<TSound> keptSound;
std::shared_ptr<TChannel> keptChannel, keptStatic;

}  // namespace

TEST(RecordAtExit, ExitClosesTheDeviceCleanly) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  std::error_code ec;
  fs::remove(Recording(), ec);
  // The child exits with a sound still playing; a leak or a sanitizer report
  // at exit would change its exit code.
  EXPECT_EXIT(
      {
        keptSound = LoadSound(MakeSample(2000, Tone(440, RATE)), SOUND_LOOP);
        keptChannel = StartSound(keptSound);
        keptStatic = AllocChannel();
        PrepareSound(keptSound, keptStatic);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::exit(keptChannel->Playing() == 1 ? 0 : 3);
      },
      testing::ExitedWithCode(0), "");
  // The wave backend completes its file only when the device closes.
  auto s = LoadAudioSample(Recording().string());
  ASSERT_NE(s, nullptr);
  const auto left = Channel16(s->samples, s->length, 2, 0);
  const auto bursts = Bursts(left, 0.02);
  ASSERT_EQ(bursts.size(), 1u);
  EXPECT_GT(bursts[0].Frames(), static_cast<size_t>(RATE / 20));
  EXPECT_GT(ToneLevel(left, 440, RATE, bursts[0].first, bursts[0].last), 0.15);
}

TEST_F(Record, AFireAndForgetEffectOfAKnownToneIsHeardWhole) {
  StartSound(LoadSound(MakeSample(200, Tone(440, RATE))));  // neither sound nor channel kept
  const auto source = OpenALSourcePool();
  ASSERT_NE(source, nullptr);
  ASSERT_TRUE(WaitFor([&] { return !source->Playing(); }, 3000));
  const Recorded r = Finish();
  const auto bursts = Bursts(r.left, 0.02);
  ASSERT_EQ(bursts.size(), 1u);
  const Span s = bursts[0];
  EXPECT_NEAR(static_cast<double>(s.Frames()), r.Ms(200), r.Ms(15));
  const size_t mid = s.first + r.Ms(20), end = s.last - r.Ms(20);
  EXPECT_GT(ToneLevel(r.left, 440, RATE, mid, end), 0.2);
  EXPECT_GT(ToneLevel(r.right, 440, RATE, mid, end), 0.2);
  EXPECT_LT(ToneLevel(r.left, 1000, RATE, mid, end), 0.01);
  EXPECT_LT(Rms(r.left, 0, s.first), 0.001);  // silence before it
}

TEST_F(Record, TwoOverlappingPlaysAreBothHeard) {
  auto sound = LoadSound(MakeSample(300, Noise(11)));
  const auto started = std::chrono::steady_clock::now();
  auto a = StartSound(sound);
  std::this_thread::sleep_for(std::chrono::milliseconds(120));
  auto b = StartSound(sound);
  // A busy machine may oversleep: the windows below follow the real offset.
  const int offset = static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count());
  ASSERT_LT(offset, 220) << "the second play did not overlap the first";
  EXPECT_EQ(a->Playing(), 1);
  EXPECT_EQ(b->Playing(), 1);
  EXPECT_NE(std::dynamic_pointer_cast<TOpenALChannel>(a)->_source->_id,
            std::dynamic_pointer_cast<TOpenALChannel>(b)->_source->_id);
  ASSERT_TRUE(Quiet(a));
  ASSERT_TRUE(Quiet(b));
  const Recorded r = Finish();
  const auto bursts = Bursts(r.left, 0.02);
  ASSERT_EQ(bursts.size(), 1u);
  const Span s = bursts[0];
  // 300 ms, and again from the offset on (give or take a mixing period).
  EXPECT_NEAR(static_cast<double>(s.Frames()), r.Ms(300 + offset), r.Ms(40));
  // Two unrelated noises add their power where both sound.
  const double one = Rms(r.left, s.first + r.Ms(10), s.first + r.Ms(offset - 30));
  const double both = Rms(r.left, s.first + r.Ms(offset + 50), s.first + r.Ms(280));
  EXPECT_GT(both / one, 1.2);
  EXPECT_LT(both / one, 1.7);
}

TEST_F(Record, PreparedLoopingMusicPlaysPastItsLength) {
  auto music = LoadSound(MakeSample(100, Tone(330, RATE)), SOUND_LOOP);
  auto ch = PrepareSound(music);
  SetChannelLevel(ch, 1.0f);
  UnpauseChannel(ch);
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  EXPECT_EQ(ch->Playing(), 1);
  HaltChannel(ch);
  const Recorded r = Finish();
  const auto bursts = Bursts(r.left, 0.02);
  ASSERT_EQ(bursts.size(), 1u);  // no gap at the loop's seam
  EXPECT_GT(bursts[0].Frames(), r.Ms(400));
  const size_t from = bursts[0].first + r.Ms(150), to = bursts[0].first + r.Ms(380);
  EXPECT_GT(ToneLevel(r.left, 330, RATE, from, to), 0.2);
}

TEST_F(Record, VolumeScalesTheLevelAndBalanceMovesIt) {
  auto sound = LoadSound(MakeSample(150, Tone(500, RATE)));
  auto play = [&](float volume, float pan) {
    auto ch = PrepareSound(sound);
    SetChannelLevel(ch, volume);
    SetChannelBalance(ch, pan);
    UnpauseChannel(ch);
    EXPECT_TRUE(Quiet(ch));
    std::this_thread::sleep_for(std::chrono::milliseconds(80));
  };
  play(1.0f, 0.0f);
  play(0.25f, 0.0f);
  play(1.0f, -1.0f);
  play(1.0f, 1.0f);
  const Recorded r = Finish();
  const auto bursts = Bursts(r.left, 0.003);
  const auto rightBursts = Bursts(r.right, 0.003);
  // Each side hears the centred plays and its own side's one.
  ASSERT_EQ(bursts.size(), 3u);
  ASSERT_EQ(rightBursts.size(), 3u);
  auto level = [&](const std::vector<float>& v, const Span& s) {
    return Rms(v, s.first + r.Ms(20), s.last - r.Ms(20));
  };
  const double full = level(r.left, bursts[0]);
  EXPECT_NEAR(level(r.left, bursts[1]) / full, 0.25, 0.03);
  EXPECT_NEAR(level(r.right, rightBursts[1]) / level(r.right, rightBursts[0]), 0.25, 0.03);
  // Full left, then full right.
  const Span leftOnly = bursts[2], rightOnly = rightBursts[2];
  EXPECT_LT(leftOnly.last, rightOnly.first);
  EXPECT_GT(level(r.left, leftOnly), 5 * level(r.right, leftOnly));
  EXPECT_GT(level(r.right, rightOnly), 5 * level(r.left, rightOnly));
}

TEST_F(Record, AFreshChannelSoundsWhereCentreBalanceDoes) {
  // The game never sets a balance: its sounds must be heard in front, as
  // loud as on a channel set to the centre.
  auto sound = LoadSound(MakeSample(150, Tone(500, RATE)));
  for (bool centred : {false, true}) {
    auto ch = PrepareSound(sound);
    if (centred) SetChannelBalance(ch, 0.0f);
    UnpauseChannel(ch);
    ASSERT_TRUE(Quiet(ch));
    std::this_thread::sleep_for(std::chrono::milliseconds(80));
  }
  const Recorded r = Finish();
  const auto left = Bursts(r.left, 0.01), right = Bursts(r.right, 0.01);
  ASSERT_EQ(left.size(), 2u);
  ASSERT_EQ(right.size(), 2u);
  auto level = [&](const std::vector<float>& v, const Span& s) {
    return ToneLevel(v, 500, RATE, s.first + r.Ms(20), s.last - r.Ms(20));
  };
  EXPECT_NEAR(level(r.left, left[0]) / level(r.left, left[1]), 1.0, 0.05);
  EXPECT_NEAR(level(r.right, right[0]) / level(r.right, right[1]), 1.0, 0.05);
  EXPECT_NEAR(level(r.left, left[0]) / level(r.right, right[0]), 1.0, 0.05);
}

TEST_F(Record, ARecycledChannelIgnoresCommands) {
  auto blip = LoadSound(MakeSample(50, Tone(800, RATE)));
  auto tone = LoadSound(MakeSample(250, Tone(400, RATE)));
  auto old = StartSound(blip);
  ASSERT_TRUE(Quiet(old));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  auto now = StartSound(tone);
  ASSERT_EQ(std::dynamic_pointer_cast<TOpenALChannel>(now)->_source,
            std::dynamic_pointer_cast<TOpenALChannel>(old)->_source);
  EXPECT_EQ(old->Playing(), 0);
  EXPECT_EQ(old->SetVolume(0.0f), 0);
  EXPECT_EQ(old->SetPaused(1), 0);
  EXPECT_EQ(old->Stop(), 0);
  EXPECT_EQ(now->Playing(), 1);
  ASSERT_TRUE(Quiet(now));
  const Recorded r = Finish();
  const auto bursts = Bursts(r.left, 0.02);
  ASSERT_EQ(bursts.size(), 2u);
  const Span s = bursts[1];
  // Played whole, at full level from start to end.
  EXPECT_NEAR(static_cast<double>(s.Frames()), r.Ms(250), r.Ms(15));
  const double early = Rms(r.left, s.first + r.Ms(10), s.first + r.Ms(100));
  const double late = Rms(r.left, s.first + r.Ms(140), s.first + r.Ms(230));
  EXPECT_NEAR(late / early, 1.0, 0.1);
  EXPECT_GT(ToneLevel(r.left, 400, RATE, s.first + r.Ms(10), s.last - r.Ms(10)), 0.2);
}
