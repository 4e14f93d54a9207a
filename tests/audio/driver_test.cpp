// Drivers, sounds and channels on the real OpenAL-soft, through its "null"
// backend (a device that plays in real time into nothing).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "engine/audio/audio_sample.h"
#include "engine/audio/openal_driver.h"
#include "engine/audio/sound.h"
#include "tests/audio/audio_fixtures.h"

using namespace fixtures;

namespace {

// Chosen before OpenAL-soft reads its settings, whatever the environment says.
const bool nullBackend = [] {
  setenv("ALSOFT_DRIVERS", "null", 1);
  return true;
}();

std::shared_ptr<TAudioSample> ToneSample(int ms, int format = SF_MONO16LE) {
  const int rate = 44100, frames = rate * ms / 1000;
  auto s = TAudioSample::Create(frames, rate, SF_MONO16LE);
  for (int i = 0; i < frames; ++i) {
    const auto v = static_cast<int16_t>(Tone(440, rate)(0, i) * 32767);
    s->samples[2 * i] = static_cast<uint8_t>(v & 0xff);
    s->samples[2 * i + 1] = static_cast<uint8_t>((v >> 8) & 0xff);
  }
  return format == SF_MONO16LE ? s : s->Convert(format);
}

std::shared_ptr<TOpenALChannel> AL(const std::shared_ptr<TChannel>& ch) {
  return std::dynamic_pointer_cast<TOpenALChannel>(ch);
}

ALuint SourceId(const std::shared_ptr<TChannel>& ch) { return AL(ch)->_source->_id; }

int PoolSize() {
  int n = 0;
  for (auto s = OpenALSourcePool(); s; s = s->_succ) ++n;
  return n;
}

bool PoolHas(ALuint id) {
  for (auto s = OpenALSourcePool(); s; s = s->_succ)
    if (s->_id == id) return true;
  return false;
}

bool WaitUntilQuiet(const std::shared_ptr<TChannel>& ch) {
  return WaitFor([&] { return !ch->Playing(); }, 3000);
}

// Every case starts on a freshly started OpenAL driver with an empty pool.
class OpenALChannels : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(nullBackend);
    ASSERT_EQ(SelectAudioDriver("OpenAL"), 1);
    effect = LoadSound(ToneSample(60), 0);
    music = LoadSound(ToneSample(60), SOUND_LOOP | SOUND_HARDWARE);
    ASSERT_NE(std::dynamic_pointer_cast<TOpenALSound>(effect), nullptr);
    ASSERT_NE(std::dynamic_pointer_cast<TOpenALSound>(music), nullptr);
  }
  std::shared_ptr<TSound> effect, music;
};

// A driver of the program's own, made before anything asked for sound.
class TEarlyDriver : public TAudioDriver {
 public:
  std::string Name() override { return "Early"; }
};
TAudioDriver* const earlyDriver = new TEarlyDriver;

}  // namespace

TEST(AudioDrivers, ADriverMadeBeforeFirstUseStandsBeforeTheBuiltInOnes) {
  ASSERT_NE(earlyDriver, nullptr);
  const auto names = AudioDriverNames();
  const auto at = [&](const char* n) { return std::find(names.begin(), names.end(), n) - names.begin(); };
  ASSERT_LT(at("Early"), static_cast<long>(names.size()));
  EXPECT_LT(at("Early"), at("OpenAL"));
  EXPECT_LT(at("OpenAL"), at("Null"));
}

TEST(AudioDrivers, SelectionByNameIgnoresCase) {
  const auto names = AudioDriverNames();
  EXPECT_NE(std::find(names.begin(), names.end(), "OpenAL"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "Null"), names.end());
  EXPECT_EQ(HasAudioDriver("openal"), 1);
  EXPECT_EQ(HasAudioDriver("DirectSound"), 0);

  EXPECT_EQ(SelectAudioDriver("openal"), 1);
  EXPECT_EQ(CurrentAudioDriver().Name(), "OpenAL");
  EXPECT_EQ(SelectAudioDriver("DirectSound"), 0);
  EXPECT_EQ(CurrentAudioDriver().Name(), "Null");
  EXPECT_EQ(SelectAudioDriver("NULL"), 1);
  EXPECT_EQ(CurrentAudioDriver().Name(), "Null");
  // None current: the first use picks OpenAL.
  ShutdownAudio();
  EXPECT_EQ(CurrentAudioDriver().Name(), "OpenAL");
}

TEST(AudioDrivers, RegisteringDevicesAddsOneDriverEachOnce) {
  ASSERT_EQ(RegisterOpenALDevices(), 1);
  const size_t count = AudioDriverNames().size();
  EXPECT_EQ(RegisterOpenALDevices(), 1);
  EXPECT_EQ(AudioDriverNames().size(), count);
  EXPECT_EQ(HasAudioDriver("OpenAL Default"), 1);
  EXPECT_EQ(SelectAudioDriver("OpenAL default"), 1);
  EXPECT_EQ(CurrentAudioDriver().Name(), "OpenAL Default");
  EXPECT_NE(std::dynamic_pointer_cast<TOpenALSound>(LoadSound(ToneSample(10))), nullptr);
}

TEST(AudioDrivers, ADeviceThatCannotOpenLeavesTheSilentDriver) {
  TOpenALAudioDriver::Create("OpenAL Nowhere", "no such device");
  EXPECT_EQ(SelectAudioDriver("OpenAL Nowhere"), 0);
  EXPECT_EQ(CurrentAudioDriver().Name(), "Null");

  auto sound = LoadSound(ToneSample(20), SOUND_LOOP);
  ASSERT_NE(sound, nullptr);
  EXPECT_EQ(std::dynamic_pointer_cast<TOpenALSound>(sound), nullptr);
  auto ch = PrepareSound(sound);
  ASSERT_NE(ch, nullptr);
  SetChannelLevel(ch, 1.0f);
  UnpauseChannel(ch);
  EXPECT_EQ(IsChannelPlaying(ch), 0);
  auto fx = StartSound(sound);
  ASSERT_NE(fx, nullptr);
  EXPECT_EQ(fx->Playing(), 0);
  auto statics = AllocChannel();
  ASSERT_NE(statics, nullptr);
  // The silent sound gives a silent channel of its own.
  EXPECT_NE(StartSound(sound, statics), statics);
  HaltChannel(statics);
  // nullptr everywhere is harmless too.
  EXPECT_EQ(StartSound(nullptr), nullptr);
  EXPECT_EQ(PrepareSound(nullptr), nullptr);
  SetChannelLevel(nullptr, 1.0f);
  UnpauseChannel(nullptr);
  HoldChannel(nullptr);
  EXPECT_EQ(IsChannelPlaying(nullptr), 0);
}

TEST(AudioDrivers, LoadSoundReadsFilesAndGivesNullForTheRest) {
  ASSERT_EQ(SelectAudioDriver("OpenAL"), 1);
  const std::string dir = testing::TempDir();
  const std::string ogg = dir + "/quillory_fx.ogg", txt = dir + "/quillory_fx.txt";
  const std::string bytes = MakeOgg(2, 22050, 2205, Tone(600, 22050));
  std::FILE* f = std::fopen(ogg.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  f = std::fopen(txt.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("not a sound at all\n", f);
  std::fclose(f);

  auto sound = std::dynamic_pointer_cast<TOpenALSound>(LoadSound(ogg, SOUND_LOOP));
  ASSERT_NE(sound, nullptr);
  EXPECT_NE(sound->_buffer, 0u);
  EXPECT_EQ(sound->_loop, 1);
  EXPECT_EQ(std::dynamic_pointer_cast<TOpenALSound>(LoadSound(ogg, 0))->_loop, 0);
  EXPECT_EQ(LoadSound(txt), nullptr);
  EXPECT_EQ(LoadSound(dir + "/quillory_missing.ogg"), nullptr);
  EXPECT_EQ(LoadSound("fx\\quillory_missing.ogg", 0), nullptr);
  EXPECT_EQ(LoadSound(std::shared_ptr<TAudioSample>()), nullptr);
  std::remove(ogg.c_str());
  std::remove(txt.c_str());
}

TEST_F(OpenALChannels, AFinishedEffectsSourceIsReusedAndItsOldChannelIgnoresCommands) {
  auto first = StartSound(effect);
  EXPECT_EQ(first->Playing(), 1);
  const ALuint id = SourceId(first);
  ASSERT_NE(id, 0u);
  ASSERT_TRUE(WaitUntilQuiet(first));

  UnpauseChannel(first);  // a finished sound is not started again
  EXPECT_EQ(first->Playing(), 0);

  auto second = StartSound(effect);
  EXPECT_EQ(SourceId(second), id);
  EXPECT_EQ(PoolSize(), 1);
  EXPECT_EQ(second->Playing(), 1);
  EXPECT_EQ(first->Playing(), 0);
  EXPECT_EQ(first->SetPaused(1), 0);
  EXPECT_EQ(first->SetVolume(0), 0);
  EXPECT_EQ(first->Stop(), 0);
  EXPECT_EQ(second->Playing(), 1);  // untouched by the old channel's commands
}

TEST_F(OpenALChannels, OverlappingPlaysUseTwoSources) {
  auto a = StartSound(effect);
  auto b = StartSound(effect);
  EXPECT_NE(SourceId(a), SourceId(b));
  EXPECT_EQ(a->Playing(), 1);
  EXPECT_EQ(b->Playing(), 1);
  EXPECT_EQ(PoolSize(), 2);
}

TEST_F(OpenALChannels, AFireAndForgetEffectPlaysToItsEnd) {
  std::weak_ptr<TSound> weak = effect;
  StartSound(effect);  // the channel is dropped at once
  effect.reset();
  auto source = OpenALSourcePool();
  ASSERT_NE(source, nullptr);
  EXPECT_TRUE(source->Playing());
  EXPECT_FALSE(weak.expired());  // the playing source keeps its sound
  ASSERT_TRUE(WaitFor([&] { return !source->Playing(); }, 3000));
  auto next = StartSound(music);
  EXPECT_EQ(SourceId(next), source->_id);
  EXPECT_TRUE(weak.expired());  // released once the source changed hands
}

TEST_F(OpenALChannels, ACuedChannelDroppedUnplayedFreesItsSourceAtOnce) {
  std::weak_ptr<TSound> weak = effect;
  ALuint id = 0;
  {
    auto ch = PrepareSound(effect);
    EXPECT_EQ(ch->Playing(), 0);
    id = SourceId(ch);
  }
  effect.reset();
  EXPECT_TRUE(weak.expired());
  EXPECT_EQ(SourceId(PrepareSound(music)), id);
  // Halted before it ever started, while the channel is still held.
  auto kept = PrepareSound(music);
  const ALuint keptId = SourceId(kept);
  HaltChannel(kept);
  EXPECT_EQ(SourceId(PrepareSound(music)), keptId);
}

TEST_F(OpenALChannels, PreparedLoopingMusicPlaysOnAndKeepsItsSource) {
  auto ch = PrepareSound(music);
  EXPECT_EQ(ch->Playing(), 0);
  EXPECT_EQ(AL(ch)->_source->Paused(), true);  // initial state
  SetChannelLevel(ch, 1.0f);
  UnpauseChannel(ch);
  EXPECT_EQ(ch->Playing(), 1);
  // Several times its 60 ms length.
  std::this_thread::sleep_for(std::chrono::milliseconds(250));
  EXPECT_EQ(ch->Playing(), 1);
  auto fx = StartSound(effect);
  EXPECT_NE(SourceId(fx), SourceId(ch));
  HoldChannel(ch);
  EXPECT_EQ(ch->Playing(), 0);
  UnpauseChannel(ch);
  EXPECT_EQ(ch->Playing(), 1);
  SetChannelLevel(ch, 0.5f);
  SetChannelBalance(ch, -1.0f);
  SetChannelSpeed(ch, 1.5f);
  SetChannelDistance(ch, 3.0f);
  EXPECT_EQ(ch->Playing(), 1);
  HaltChannel(ch);
  EXPECT_EQ(ch->Playing(), 0);
  EXPECT_EQ(ch->SetPaused(0), 0);  // stopped: the channel is no longer valid
}

TEST_F(OpenALChannels, StaticChannelsKeepTheirSourceUntilStopped) {
  auto ch = AllocChannel();
  ASSERT_NE(AL(ch), nullptr);
  EXPECT_EQ(AL(ch)->_static, 1);
  const ALuint id = SourceId(ch);
  EXPECT_FALSE(PoolHas(id));
  EXPECT_EQ(StartSound(effect, ch), ch);
  EXPECT_EQ(ch->Playing(), 1);
  ASSERT_TRUE(WaitUntilQuiet(ch));
  // Finished, but still its own: a new effect gets another source.
  auto other = StartSound(effect);
  EXPECT_NE(SourceId(other), id);
  EXPECT_EQ(StartSound(music, ch), ch);  // and it can play again
  EXPECT_EQ(ch->Playing(), 1);

  HaltChannel(ch);
  EXPECT_TRUE(PoolHas(id));
  EXPECT_EQ(AL(ch)->_source->_avail, 1);
  EXPECT_EQ(SourceId(PrepareSound(effect)), id);

  // Dropped without a stop, a static channel hands its source back too.
  ALuint id2 = 0;
  {
    auto ch2 = AllocChannel();
    id2 = SourceId(ch2);
    StartSound(music, ch2);
  }
  EXPECT_TRUE(PoolHas(id2));
}

TEST_F(OpenALChannels, WhenNoSourceCanBeMadeTheChannelDoesNothing) {
  std::vector<std::shared_ptr<TChannel>> held;
  int invalid = 0;
  for (int i = 0; i < 300; ++i) {
    held.push_back(PrepareSound(effect));
    if (!AL(held.back())->Valid()) ++invalid;
  }
  ASSERT_GT(invalid, 0);  // more than the library gives out
  auto& last = held.back();
  EXPECT_EQ(last->SetPaused(0), 0);
  EXPECT_EQ(last->Playing(), 0);
  held.clear();
  EXPECT_EQ(StartSound(effect)->Playing(), 1);
}

TEST_F(OpenALChannels, SoundsAndChannelsOfAnEndedDriverAreSilent) {
  auto ch = StartSound(music);
  EXPECT_EQ(ch->Playing(), 1);
  ASSERT_EQ(SelectAudioDriver("OpenAL"), 1);  // shuts the old context down
  EXPECT_EQ(ch->Playing(), 0);
  EXPECT_EQ(ch->SetPaused(0), 0);
  auto again = StartSound(music);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->Playing(), 0);
  // Sounds loaded now play.
  EXPECT_EQ(StartSound(LoadSound(ToneSample(30)))->Playing(), 1);
  // An old sound played on a live, cued channel starts nothing on it.
  auto fresh = LoadSound(ToneSample(30));
  auto cued = PrepareSound(fresh);
  ASSERT_EQ(AL(cued)->Valid(), true);
  auto played = StartSound(music, cued);
  ASSERT_NE(played, nullptr);
  EXPECT_EQ(played->Playing(), 0);
  EXPECT_EQ(cued->Playing(), 0);
}

TEST_F(OpenALChannels, BigEndianSamplesAreConvertedForUpload) {
  for (int format : {SF_MONO16BE, SF_STEREO16BE, SF_MONO8, SF_STEREO8, SF_STEREO16LE}) {
    SCOPED_TRACE(format);
    auto sound = LoadSound(ToneSample(30, format));
    ASSERT_NE(std::dynamic_pointer_cast<TOpenALSound>(sound), nullptr);
    EXPECT_EQ(StartSound(sound)->Playing(), 1);
  }
}
