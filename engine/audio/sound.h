// Sounds and channels, independent of the audio driver that plays them.
//
// A driver is chosen the first time any audio function needs one: OpenAL when
// it can open a device, otherwise the silent Null driver, whose sounds and
// channels do nothing. Everything here runs on the game thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/system/stream.h"

class TChannel;
class TAudioSample;

// Sound flags.
enum : int {
  SOUND_LOOP = 1,
  SOUND_HARDWARE = 2,  // asks for a hardware buffer; OpenAL ignores it
};

class TSound {
 public:
  virtual ~TSound() = default;
  // Plays on channel (a new one when nullptr) and returns the channel used.
  virtual std::shared_ptr<TChannel> Play(std::shared_ptr<TChannel> channel);
  // Sets the sound up on channel (a new one when nullptr), not yet playing.
  virtual std::shared_ptr<TChannel> Cue(std::shared_ptr<TChannel> channel);

  // Loads a sample (LoadAudioSample) and hands it to the current driver;
  // nullptr when nothing can be loaded. Raises std::runtime_error
  // "Stream is not seekable" for a stream without a position.
  static std::shared_ptr<TSound> Load(const TUrl& url, int flags);
  static std::shared_ptr<TSound> Load(const std::shared_ptr<TAudioSample>& sample, int flags);
};

class TChannel {
 public:
  virtual ~TChannel() = default;
  virtual int Stop() { return 0; }
  virtual int SetPaused(int /*paused*/) { return 0; }
  virtual int SetVolume(float /*volume*/) { return 0; }
  virtual int SetPan(float /*pan*/) { return 0; }
  virtual int SetDepth(float /*depth*/) { return 0; }
  virtual int SetRate(float /*rate*/) { return 0; }
  virtual int Playing() { return 0; }
};

// The base driver is the Null driver: it always starts, and its sounds and
// channels are silent. Every driver adds itself at the head of the driver
// list when constructed and lives until it is destroyed (the built-in ones
// live for the whole run).
class TAudioDriver {
 public:
  TAudioDriver();
  virtual ~TAudioDriver();
  TAudioDriver(const TAudioDriver&) = delete;
  TAudioDriver& operator=(const TAudioDriver&) = delete;

  virtual std::string Name() { return "Null"; }
  virtual int Startup() { return 1; }
  virtual void Shutdown() {}
  virtual std::shared_ptr<TSound> CreateSound(const std::shared_ptr<TAudioSample>& sample,
                                              int flags);
  virtual std::shared_ptr<TChannel> AllocChannel();
  virtual std::shared_ptr<TSound> LoadSound(const TUrl& url, int flags);

  TAudioDriver* _succ = nullptr;
};

// The current driver, selecting "OpenAL" and then "Null" when none is current.
TAudioDriver& CurrentAudioDriver();
// Shuts the current driver down and starts the first driver named name (case
// ignored); 1 on success. On failure the Null driver is current and 0 returned.
int SelectAudioDriver(const std::string& name);
// Names of the registered drivers, newest first, at most 100.
std::vector<std::string> AudioDriverNames();
int HasAudioDriver(const std::string& name);
// Adds, once, a driver "OpenAL <device>" for each output device OpenAL lists
// and "OpenAL Default"; 1 when the device list could be read.
int RegisterOpenALDevices();
// Shuts the current driver down, leaving none current (done at exit).
void ShutdownAudio();

// The game's sound functions. A nullptr sound or channel does nothing and
// StartSound / PrepareSound then return nullptr.
std::shared_ptr<TSound> LoadSound(const TUrl& url, int flags = 0);
std::shared_ptr<TSound> LoadSound(const std::shared_ptr<TAudioSample>& sample, int flags = 0);
std::shared_ptr<TChannel> StartSound(const std::shared_ptr<TSound>& sound,
                                     std::shared_ptr<TChannel> channel = nullptr);
std::shared_ptr<TChannel> PrepareSound(const std::shared_ptr<TSound>& sound,
                                       std::shared_ptr<TChannel> channel = nullptr);
void SetChannelLevel(const std::shared_ptr<TChannel>& channel, float volume);
void UnpauseChannel(const std::shared_ptr<TChannel>& channel);

// A channel of its own that keeps its source until it is stopped.
std::shared_ptr<TChannel> AllocChannel();
void HaltChannel(const std::shared_ptr<TChannel>& channel);
int IsChannelPlaying(const std::shared_ptr<TChannel>& channel);
void HoldChannel(const std::shared_ptr<TChannel>& channel);
void SetChannelBalance(const std::shared_ptr<TChannel>& channel, float pan);  // -1 left .. 1 right
void SetChannelDistance(const std::shared_ptr<TChannel>& channel, float depth);
void SetChannelSpeed(const std::shared_ptr<TChannel>& channel, float rate);  // 1.0 normal pitch
