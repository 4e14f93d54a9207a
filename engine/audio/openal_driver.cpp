#include "engine/audio/openal_driver.h"

#include <cmath>
#include <numbers>

namespace {

// Each context that starts gets a new epoch; objects remember the epoch they
// were made in and make no OpenAL call once it has ended (a sound kept in a
// global outlives the driver at exit).
int epochCounter = 0;
int liveEpoch = 0;  // 0 while no context runs

// Every sound and source alive, so that shutdown can release their OpenAL
// names before the device closes. Plain pointers: safe to touch at any time
// during exit.
TOpenALSound* liveSounds = nullptr;
TOpenALSource* liveSources = nullptr;

// The source pool, newest first. Never destroyed: the driver is shut down at
// exit, which may come after this file's globals are gone when the audio
// layer was first touched during static initialisation.
std::shared_ptr<TOpenALSource>& Pool() {
  static auto* head = new std::shared_ptr<TOpenALSource>();
  return *head;
}

template <class T>
void Link(T* obj, T*& head) {
  obj->_liveNext = head;
  if (head) head->_livePrev = obj;
  head = obj;
}

template <class T>
void Unlink(T* obj, T*& head) {
  if (obj->_livePrev) obj->_livePrev->_liveNext = obj->_liveNext;
  else if (head == obj) head = obj->_liveNext;
  if (obj->_liveNext) obj->_liveNext->_livePrev = obj->_livePrev;
  obj->_livePrev = obj->_liveNext = nullptr;
}

// Errors of buffer and source calls are read (so none lingers) and not acted on.
void ClearALError() { alGetError(); }

}  // namespace

std::shared_ptr<TOpenALSource> OpenALSourcePool() { return Pool(); }

// ---------------------------------------------------------------- driver

TOpenALAudioDriver::~TOpenALAudioDriver() { Shutdown(); }

TOpenALAudioDriver* TOpenALAudioDriver::Create(const std::string& name,
                                               const std::string& devname) {
  // Owned by the driver list (reached through its head) for the whole run.
  return new TOpenALAudioDriver(name, devname);
}

int TOpenALAudioDriver::Startup() {
  if (_context || _device) Shutdown();
  _device = nullptr;
  if (!_devname.empty()) {
    _device = alcOpenDevice(_devname.c_str());
  } else {
    _device = alcOpenDevice(nullptr);
    if (!_device) _device = alcOpenDevice("Generic Hardware");
    if (!_device) _device = alcOpenDevice("Generic Software");
  }
  if (!_device) return 0;
  _context = alcCreateContext(_device, nullptr);
  if (!_context || !alcMakeContextCurrent(_context)) {
    if (_context) alcDestroyContext(_context);
    alcCloseDevice(_device);
    _context = nullptr;
    _device = nullptr;
    return 0;
  }
  // Sounds are not attenuated by distance.
  alDistanceModel(AL_NONE);
  ClearALError();
  Pool().reset();
  liveEpoch = ++epochCounter;
  return 1;
}

void TOpenALAudioDriver::Shutdown() {
  if (_context) {
    alcMakeContextCurrent(_context);
    // Sources first: a buffer still attached to one cannot be deleted.
    for (TOpenALSource* s = liveSources; s; s = s->_liveNext) {
      if (s->Alive() && s->_id) {
        alSourceStop(s->_id);
        alSourcei(s->_id, AL_BUFFER, 0);
        alDeleteSources(1, &s->_id);
      }
    }
    for (TOpenALSound* s = liveSounds; s; s = s->_liveNext) {
      if (s->_epoch == liveEpoch && s->_buffer) alDeleteBuffers(1, &s->_buffer);
    }
    ClearALError();
    liveEpoch = 0;
    Pool().reset();
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(_context);
    _context = nullptr;
  }
  if (_device) {
    alcCloseDevice(_device);
    _device = nullptr;
  }
}

std::shared_ptr<TSound> TOpenALAudioDriver::CreateSound(
    const std::shared_ptr<TAudioSample>& sample, int flags) {
  return TOpenALSound::Create(sample, flags);
}

std::shared_ptr<TChannel> TOpenALAudioDriver::AllocChannel() {
  return TOpenALChannel::Create(1);
}

// ---------------------------------------------------------------- sound

TOpenALSound::TOpenALSound() { Link(this, liveSounds); }

TOpenALSound::~TOpenALSound() {
  Unlink(this, liveSounds);
  if (_buffer && _epoch == liveEpoch) {
    alDeleteBuffers(1, &_buffer);
    ClearALError();
  }
}

std::shared_ptr<TOpenALSound> TOpenALSound::Create(const std::shared_ptr<TAudioSample>& sample,
                                                   int flags) {
  if (!sample || !liveEpoch) return nullptr;
  std::shared_ptr<TAudioSample> data = sample;
  if (data->format == SF_MONO16BE) data = data->Convert(SF_MONO16LE);
  else if (data->format == SF_STEREO16BE) data = data->Convert(SF_STEREO16LE);
  if (!data) return nullptr;
  ALenum format = 0;
  switch (data->format) {
    case SF_MONO8: format = AL_FORMAT_MONO8; break;
    case SF_MONO16LE: format = AL_FORMAT_MONO16; break;
    case SF_STEREO8: format = AL_FORMAT_STEREO8; break;
    case SF_STEREO16LE: format = AL_FORMAT_STEREO16; break;
    default: return nullptr;
  }
  if (data->hertz <= 0 || data->length < 0 ||
      int64_t{data->length} * BytesPerFrame(data->format) > data->capacity)
    return nullptr;

  auto sound = std::make_shared<TOpenALSound>();
  sound->_epoch = liveEpoch;
  ClearALError();
  alGenBuffers(1, &sound->_buffer);
  if (alGetError() != AL_NO_ERROR) sound->_buffer = 0;
  if (sound->_buffer) {
    alBufferData(sound->_buffer, format, data->samples,
                 data->length * BytesPerFrame(data->format), data->hertz);
    ClearALError();
  }
  sound->_loop = (flags & SOUND_LOOP) ? 1 : 0;
  return sound;
}

std::shared_ptr<TChannel> TOpenALSound::Cue(std::shared_ptr<TChannel> channel) {
  auto self = weak_from_this().lock();
  // A sound of a context that has ended plays nothing, on a silent channel of
  // its own: starting the given one would play whatever was cued on it.
  if (!self || _epoch != liveEpoch) return std::make_shared<TChannel>();
  auto ch = std::dynamic_pointer_cast<TOpenALChannel>(channel);
  if (!ch) ch = TOpenALChannel::Create(0);
  ch->Cue(self);
  return ch;
}

std::shared_ptr<TChannel> TOpenALSound::Play(std::shared_ptr<TChannel> channel) {
  auto ch = Cue(std::move(channel));
  ch->SetPaused(0);
  return ch;
}

// ---------------------------------------------------------------- source

TOpenALSource::TOpenALSource() : _epoch(liveEpoch) { Link(this, liveSources); }

TOpenALSource::~TOpenALSource() {
  Unlink(this, liveSources);
  if (_id && Alive()) {
    alSourceStop(_id);
    alSourcei(_id, AL_BUFFER, 0);
    alDeleteSources(1, &_id);
    ClearALError();
  }
  // A long pool would otherwise be released by a recursion as deep as itself.
  while (_succ) _succ = std::move(_succ->_succ);
}

bool TOpenALSource::Alive() const { return _epoch != 0 && _epoch == liveEpoch; }

ALint TOpenALSource::State() {
  if (!_id || !Alive()) return AL_STOPPED;
  ALint state = AL_STOPPED;
  alGetSourcei(_id, AL_SOURCE_STATE, &state);
  return state;
}

bool TOpenALSource::Playing() { return State() == AL_PLAYING; }

bool TOpenALSource::Paused() {
  const ALint s = State();
  return s == AL_PAUSED || s == AL_INITIAL;
}

bool TOpenALSource::Active() {
  const ALint s = State();
  return s == AL_PLAYING || s == AL_PAUSED || s == AL_INITIAL;
}

// ---------------------------------------------------------------- channel

std::shared_ptr<TOpenALChannel> TOpenALChannel::Create(int isStatic) {
  std::shared_ptr<TOpenALSource> source;
  if (liveEpoch) {
    for (std::shared_ptr<TOpenALSource>* link = &Pool(); *link; link = &(*link)->_succ) {
      const std::shared_ptr<TOpenALSource> s = *link;
      if (s->_avail == 1 || !s->Active()) {
        *link = s->_succ;
        s->_succ.reset();
        source = s;
        break;
      }
    }
  }
  if (source) {
    // Changing hands: every older channel on it is now invalid.
    ++source->_seq;
    alSourceRewind(source->_id);
    alSourcei(source->_id, AL_BUFFER, 0);
    ClearALError();
    source->_sound.reset();
  } else {
    source = std::make_shared<TOpenALSource>();
    if (liveEpoch) {
      ClearALError();
      ALuint id = 0;
      alGenSources(1, &id);
      source->_id = alGetError() == AL_NO_ERROR ? id : 0;
    }
  }

  auto ch = std::make_shared<TOpenALChannel>();
  ch->_source = source;
  ch->_seq = source->_seq;
  ch->_static = isStatic ? 1 : 0;
  if (source->_id) {
    const ALuint id = source->_id;
    alSourcei(id, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcef(id, AL_GAIN, 1.0f);
    alSourcef(id, AL_PITCH, 1.0f);
    // Centre balance, in front of the listener (who faces -z): +z would put
    // every unpanned sound behind, quieter on stereo output.
    alSource3f(id, AL_POSITION, 0.0f, 0.0f, -1.0f);
    ClearALError();
    source->_avail = 0;
    if (!isStatic) {
      source->_succ = Pool();
      Pool() = source;
    }
  } else {
    // No source to be had: the channel silently does nothing.
    ++ch->_seq;
  }
  return ch;
}

bool TOpenALChannel::Valid() const {
  return _source && _seq == _source->_seq && _source->_id && _source->Alive();
}

TOpenALChannel::~TOpenALChannel() {
  if (!Valid()) return;
  if (_static) {
    Stop();
  } else if (!_source->Playing()) {
    // Cued or paused and then dropped: nothing will ever start it again.
    alSourceStop(_source->_id);
    alSourcei(_source->_id, AL_BUFFER, 0);
    ClearALError();
    _source->_sound.reset();
    // Stopping a source still in its initial state leaves it there, where it
    // counts as active: hand it back explicitly or it is never reused.
    _source->_avail = 1;
  }
  // A playing effect is left to finish; its source is recycled afterwards.
}

int TOpenALChannel::Cue(const std::shared_ptr<TOpenALSound>& sound) {
  if (!Valid() || !sound || sound->_epoch != liveEpoch) return 0;
  const ALuint id = _source->_id;
  alSourceRewind(id);
  alSourcei(id, AL_LOOPING, sound->_loop ? AL_TRUE : AL_FALSE);
  alSourcei(id, AL_BUFFER, static_cast<ALint>(sound->_buffer));
  ClearALError();
  // Replaced only now: the old sound's buffer is detached and may go.
  _source->_sound = sound;
  return 1;
}

int TOpenALChannel::Stop() {
  if (!Valid()) return 0;
  ++_source->_seq;
  alSourceStop(_source->_id);
  alSourcei(_source->_id, AL_BUFFER, 0);
  ClearALError();
  _source->_sound.reset();
  // Handed back in every case: a cued, never started source stays initial
  // (active) after a stop and would otherwise never be reused.
  _source->_avail = 1;
  if (_static) {
    _source->_succ = Pool();
    Pool() = _source;
  }
  return 1;
}

int TOpenALChannel::SetPaused(int paused) {
  if (!Valid()) return 0;
  if (paused) {
    alSourcePause(_source->_id);
  } else if (_source->Paused()) {
    // A finished or stopped source is not started again.
    alSourcePlay(_source->_id);
  }
  ClearALError();
  return 1;
}

int TOpenALChannel::SetVolume(float volume) {
  if (!Valid()) return 0;
  alSourcef(_source->_id, AL_GAIN, volume);
  ClearALError();
  return 1;
}

int TOpenALChannel::SetPan(float pan) {
  if (!Valid()) return 0;
  const double a = pan * std::numbers::pi / 2;
  alSource3f(_source->_id, AL_POSITION, static_cast<float>(std::sin(a)), 0.0f,
             static_cast<float>(-std::cos(a)));
  ClearALError();
  return 1;
}

int TOpenALChannel::SetDepth(float) { return Valid() ? 1 : 0; }

int TOpenALChannel::SetRate(float rate) {
  if (!Valid()) return 0;
  alSourcef(_source->_id, AL_PITCH, rate);
  ClearALError();
  return 1;
}

int TOpenALChannel::Playing() { return Valid() && _source->Playing() ? 1 : 0; }
