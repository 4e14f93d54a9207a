// A machine where OpenAL-soft can open no device at all: the game's sound
// functions still work, silently, on the Null driver.
#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/audio/audio_sample.h"
#include "engine/audio/sound.h"
#include "tests/audio/audio_fixtures.h"

using namespace fixtures;

namespace {

// A backend list naming no backend that exists: every open fails, the
// default device and the generic fallbacks alike.
const bool noDevice = [] {
  setenv("ALSOFT_DRIVERS", "quillory-none", 1);
  unsetenv("ALSOFT_CONF");
  return true;
}();

}  // namespace

TEST(NoSoundDevice, TheGamesSoundsAreSilentDummies) {
  ASSERT_TRUE(noDevice);
  // Loading the way start-up does: two effects, then the looping music.
  auto stream = std::make_shared<TMemoryStream>(MakeOgg(2, 22050, 4410, Tone(440, 22050)));
  auto pair = LoadSound(std::static_pointer_cast<TStream>(stream), 0);
  EXPECT_EQ(CurrentAudioDriver().Name(), "Null");
  ASSERT_NE(pair, nullptr);
  auto music = LoadSound(LoadAudioSample(std::make_shared<TMemoryStream>(
                             MakeOgg(1, 22050, 4410, Tone(220, 22050)))),
                         SOUND_LOOP | SOUND_HARDWARE);
  ASSERT_NE(music, nullptr);

  auto ch = PrepareSound(music);
  ASSERT_NE(ch, nullptr);
  SetChannelLevel(ch, 1.0f);
  UnpauseChannel(ch);
  EXPECT_EQ(IsChannelPlaying(ch), 0);
  for (int i = 0; i < 3; ++i) {
    auto fx = StartSound(pair);
    ASSERT_NE(fx, nullptr);
    EXPECT_EQ(fx->Playing(), 0);
  }
  auto own = AllocChannel();
  ASSERT_NE(own, nullptr);
  // A silent sound hands out a silent channel of its own, whatever it is given.
  auto played = StartSound(pair, own);
  ASSERT_NE(played, nullptr);
  EXPECT_NE(played, own);
  EXPECT_NE(PrepareSound(pair, own), own);
  HoldChannel(own);
  HaltChannel(own);
  // What no loader takes is still nullptr, as with a device.
  EXPECT_EQ(LoadSound(std::static_pointer_cast<TStream>(std::make_shared<TMemoryStream>("x"))),
            nullptr);
}

TEST(NoSoundDevice, AskingForOpenALAgainFailsQuietly) {
  EXPECT_EQ(HasAudioDriver("OpenAL"), 1);
  EXPECT_EQ(SelectAudioDriver("OpenAL"), 0);
  EXPECT_EQ(CurrentAudioDriver().Name(), "Null");
  EXPECT_EQ(StartSound(LoadSound(LoadAudioSample(std::make_shared<TMemoryStream>(
                MakeOgg(1, 8000, 800, Tone(300, 8000))))))->Playing(),
            0);
}
