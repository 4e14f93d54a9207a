// The game's sounds, synthesised from scratch and encoded as Ogg Vorbis.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace assetgen {

constexpr int kSampleRate = 44100;

// Interleaved float samples in -1..1.
struct Pcm {
  int channels = 1;
  std::vector<float> samples;
  size_t Frames() const { return samples.size() / static_cast<size_t>(channels); }
};

Pcm SynthPairBell();      // fx/elevator_bell.ogg: about 1 s
Pcm SynthLevelCleared();  // fx/icewinds.ogg: 3-4 s
Pcm SynthMusic();         // music/defuse.ogg: 80 s, a seamless loop

// The stream serial number is fixed so the same PCM gives the same bytes.
std::vector<uint8_t> EncodeVorbis(const Pcm& pcm, float quality, int serial, const char* title);

}  // namespace assetgen
