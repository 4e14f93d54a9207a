// The OpenAL driver: sounds are OpenAL buffers, channels borrow sources from
// a pool that recycles every source whose sound has ended.
#pragma once

#include <AL/al.h>
#include <AL/alc.h>

#include <memory>
#include <string>

#include "engine/audio/audio_sample.h"
#include "engine/audio/sound.h"

class TOpenALAudioDriver : public TAudioDriver {
 public:
  TOpenALAudioDriver(std::string name, std::string devname)
      : _name(std::move(name)), _devname(std::move(devname)) {}
  ~TOpenALAudioDriver() override;

  std::string Name() override { return _name; }
  // Opens _devname, or the default device (then "Generic Hardware", then
  // "Generic Software") when it is empty; 1 when a context is current.
  int Startup() override;
  void Shutdown() override;
  std::shared_ptr<TSound> CreateSound(const std::shared_ptr<TAudioSample>& sample,
                                      int flags) override;
  std::shared_ptr<TChannel> AllocChannel() override;

  // A driver owned by the driver list, living for the rest of the run.
  static TOpenALAudioDriver* Create(const std::string& name, const std::string& devname);

  std::string _name;
  std::string _devname;
  ALCdevice* _device = nullptr;
  ALCcontext* _context = nullptr;
};

class TOpenALSound : public TSound, public std::enable_shared_from_this<TOpenALSound> {
 public:
  TOpenALSound();
  ~TOpenALSound() override;
  TOpenALSound(const TOpenALSound&) = delete;
  TOpenALSound& operator=(const TOpenALSound&) = delete;

  std::shared_ptr<TChannel> Play(std::shared_ptr<TChannel> channel) override;
  std::shared_ptr<TChannel> Cue(std::shared_ptr<TChannel> channel) override;

  // Uploads the sample (formats 3 and 6 converted first) into a new buffer;
  // nullptr without a running OpenAL driver or for an unusable sample.
  static std::shared_ptr<TOpenALSound> Create(const std::shared_ptr<TAudioSample>& sample,
                                              int flags);

  ALuint _buffer = 0;
  int _loop = 0;
  // The context the buffer belongs to; a sound outliving it is silent.
  int _epoch = 0;
  TOpenALSound* _livePrev = nullptr;
  TOpenALSound* _liveNext = nullptr;
};

class TOpenALSource {
 public:
  TOpenALSource();
  ~TOpenALSource();
  TOpenALSource(const TOpenALSource&) = delete;
  TOpenALSource& operator=(const TOpenALSource&) = delete;

  bool Playing();
  bool Paused();  // paused, or initial (cued and not yet started)
  bool Active();  // playing, paused or initial
  bool Alive() const;  // its context is still the running one

  std::shared_ptr<TOpenALSource> _succ;
  ALuint _id = 0;
  int _seq = 0;
  std::shared_ptr<TOpenALSound> _sound;
  int _avail = 0;
  int _epoch = 0;
  TOpenALSource* _livePrev = nullptr;
  TOpenALSource* _liveNext = nullptr;

 private:
  ALint State();
};

class TOpenALChannel : public TChannel {
 public:
  ~TOpenALChannel() override;

  int Stop() override;
  int SetPaused(int paused) override;
  int SetVolume(float volume) override;
  int SetPan(float pan) override;
  int SetDepth(float depth) override;
  int SetRate(float rate) override;
  int Playing() override;
  int Cue(const std::shared_ptr<TOpenALSound>& sound);

  // A channel on a recycled or new source; a static channel keeps its source
  // out of the pool until stopped.
  static std::shared_ptr<TOpenALChannel> Create(int isStatic);

  // The channel still owns its source (nothing recycled it) and the context lives.
  bool Valid() const;

  std::shared_ptr<TOpenALSource> _source;
  int _seq = 0;
  int _static = 0;
};

// Head of the source pool, newest first (for inspection).
std::shared_ptr<TOpenALSource> OpenALSourcePool();
