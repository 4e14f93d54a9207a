#include "engine/audio/sound.h"

// The base sound is the Null driver's: it plays nothing, on a channel that does nothing.
std::shared_ptr<TChannel> TSound::Play(std::shared_ptr<TChannel> channel) {
  return channel ? channel : std::make_shared<TChannel>();
}

std::shared_ptr<TChannel> TSound::Cue(std::shared_ptr<TChannel> channel) {
  return channel ? channel : std::make_shared<TChannel>();
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
