#include "engine/audio/sound.h"

#include <AL/alc.h>

#include <cstdlib>

#include "engine/audio/audio_sample.h"
#include "engine/audio/openal_driver.h"
#include "engine/system/chain.h"

// ---------------------------------------------------------------- base sound

// The base sound is the Null driver's: it plays nothing, on a new channel that
// does nothing. A channel it is given is left as it is.
std::shared_ptr<TChannel> TSound::Play(std::shared_ptr<TChannel>) {
  return std::make_shared<TChannel>();
}

std::shared_ptr<TChannel> TSound::Cue(std::shared_ptr<TChannel>) {
  return std::make_shared<TChannel>();
}

std::shared_ptr<TSound> TSound::Load(const TUrl& url, int flags) {
  return Load(LoadAudioSample(url), flags);
}

std::shared_ptr<TSound> TSound::Load(const std::shared_ptr<TAudioSample>& sample, int flags) {
  if (!sample) return nullptr;
  return CurrentAudioDriver().CreateSound(sample, flags);
}

// ---------------------------------------------------------------- drivers

namespace {

// Plain pointers: drivers may be constructed and destroyed at any time,
// including during exit.
TAudioDriver* driverHead = nullptr;
TAudioDriver* current = nullptr;
TAudioDriver* nullDriver = nullptr;
bool exiting = false;

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

void ShutdownAtExit() {
  ShutdownAudio();
  // Whatever asks for sound from here on gets the silent driver.
  exiting = true;
}

// The built-in drivers: the Null driver, then OpenAL (asked first).
void RegisterDrivers() {
  static bool done = false;
  if (done) return;
  done = true;
  nullDriver = new TAudioDriver();
  TOpenALAudioDriver::Create("OpenAL", "");
  std::atexit(ShutdownAtExit);
}

}  // namespace

TAudioDriver::TAudioDriver() {
  // The built-in drivers count as made at start, before any of the program's own.
  RegisterDrivers();
  LinkAtHead(driverHead, this);
}

TAudioDriver::~TAudioDriver() {
  Unlink(driverHead, this);
  if (current == this) current = nullptr;
  if (nullDriver == this) nullDriver = nullptr;
}

std::shared_ptr<TSound> TAudioDriver::CreateSound(const std::shared_ptr<TAudioSample>&, int) {
  return std::make_shared<TSound>();
}

std::shared_ptr<TChannel> TAudioDriver::AllocChannel() { return std::make_shared<TChannel>(); }

std::shared_ptr<TSound> TAudioDriver::LoadSound(const TUrl& url, int flags) {
  return TSound::Load(url, flags);
}

int SelectAudioDriver(const std::string& name) {
  RegisterDrivers();
  if (current) current->Shutdown();
  current = nullDriver;
  if (exiting) return SameName(name, "Null") ? 1 : 0;
  for (TAudioDriver* d = driverHead; d; d = d->_succ) {
    if (!SameName(d->Name(), name)) continue;
    if (!d->Startup()) return 0;
    current = d;
    return 1;
  }
  return 0;
}

TAudioDriver& CurrentAudioDriver() {
  RegisterDrivers();
  if (!current && !SelectAudioDriver("OpenAL")) SelectAudioDriver("Null");
  if (!current) {
    // Someone destroyed the Null driver itself: make a new one.
    nullDriver = new TAudioDriver();
    current = nullDriver;
  }
  return *current;
}

void ShutdownAudio() {
  if (current) current->Shutdown();
  current = nullptr;
}

std::vector<std::string> AudioDriverNames() {
  RegisterDrivers();
  std::vector<std::string> names;
  for (TAudioDriver* d = driverHead; d && names.size() < 100; d = d->_succ)
    names.push_back(d->Name());
  return names;
}

int HasAudioDriver(const std::string& name) {
  RegisterDrivers();
  for (TAudioDriver* d = driverHead; d; d = d->_succ)
    if (SameName(d->Name(), name)) return 1;
  return 0;
}

int RegisterOpenALDevices() {
  static int result = -1;
  if (result >= 0) return result;
  RegisterDrivers();
  result = 0;
  if (alcIsExtensionPresent(nullptr, "ALC_ENUMERATION_EXT") != ALC_TRUE) return result;
  // Names separated by one zero byte, the list ended by two.
  const ALCchar* list = alcGetString(nullptr, ALC_DEVICE_SPECIFIER);
  if (!list) return result;
  for (int n = 0; *list && n < 100; ++n) {
    const std::string device(list);
    TOpenALAudioDriver::Create("OpenAL " + device, device);
    list += device.size() + 1;
  }
  const ALCchar* def = alcGetString(nullptr, ALC_DEFAULT_DEVICE_SPECIFIER);
  TOpenALAudioDriver::Create("OpenAL Default", def ? def : "");
  result = 1;
  return result;
}

// ---------------------------------------------------------------- game functions

std::shared_ptr<TSound> LoadSound(const TUrl& url, int flags) {
  return CurrentAudioDriver().LoadSound(url, flags);
}

std::shared_ptr<TSound> LoadSound(const std::shared_ptr<TAudioSample>& sample, int flags) {
  return TSound::Load(sample, flags);
}

std::shared_ptr<TChannel> StartSound(const std::shared_ptr<TSound>& sound,
                                     std::shared_ptr<TChannel> channel) {
  if (!sound) return nullptr;
  return sound->Play(std::move(channel));
}

std::shared_ptr<TChannel> PrepareSound(const std::shared_ptr<TSound>& sound,
                                       std::shared_ptr<TChannel> channel) {
  if (!sound) return nullptr;
  return sound->Cue(std::move(channel));
}

void SetChannelLevel(const std::shared_ptr<TChannel>& channel, float volume) {
  if (channel) channel->SetVolume(volume);
}

void UnpauseChannel(const std::shared_ptr<TChannel>& channel) {
  if (channel) channel->SetPaused(0);
}

std::shared_ptr<TChannel> AllocChannel() { return CurrentAudioDriver().AllocChannel(); }

void HaltChannel(const std::shared_ptr<TChannel>& channel) {
  if (channel) channel->Stop();
}

int IsChannelPlaying(const std::shared_ptr<TChannel>& channel) {
  return channel ? channel->Playing() : 0;
}

void HoldChannel(const std::shared_ptr<TChannel>& channel) {
  if (channel) channel->SetPaused(1);
}

void SetChannelBalance(const std::shared_ptr<TChannel>& channel, float pan) {
  if (channel) channel->SetPan(pan);
}

void SetChannelDistance(const std::shared_ptr<TChannel>& channel, float depth) {
  if (channel) channel->SetDepth(depth);
}

void SetChannelSpeed(const std::shared_ptr<TChannel>& channel, float rate) {
  if (channel) channel->SetRate(rate);
}
