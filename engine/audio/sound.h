// Sounds and channels, independent of the audio driver that plays them.
#pragma once

#include <memory>
#include <string>

class TChannel;

class TSound {
 public:
  virtual ~TSound() = default;
  // Plays on channel (a new one when nullptr) and returns the channel used.
  virtual std::shared_ptr<TChannel> Play(std::shared_ptr<TChannel> channel);
  // Sets the sound up on channel (a new one when nullptr), not yet playing.
  virtual std::shared_ptr<TChannel> Cue(std::shared_ptr<TChannel> channel);
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

// The game's sound functions. A nullptr sound or channel does nothing and
// StartSound / PrepareSound then return nullptr.
std::shared_ptr<TChannel> StartSound(const std::shared_ptr<TSound>& sound,
                                     std::shared_ptr<TChannel> channel = nullptr);
std::shared_ptr<TChannel> PrepareSound(const std::shared_ptr<TSound>& sound,
                                       std::shared_ptr<TChannel> channel = nullptr);
void SetChannelLevel(const std::shared_ptr<TChannel>& channel, float volume);
void UnpauseChannel(const std::shared_ptr<TChannel>& channel);
