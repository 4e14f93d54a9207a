// The RIFF WAVE sample loader over arbitrary bytes in memory. A stream error
// is how the loader reports data it cannot read; anything else escaping it,
// or a sample that does not hold its own frames, is a fault.
#include <string>

#include "engine/audio/audio_sample.h"
#include "fuzz/sample_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TAudioSampleLoaderWAV loader;
  TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
  try {
    if (auto sample = loader.LoadAudioSample(stream)) fuzz::CheckSample(*sample);
  } catch (const TStreamException&) {
  }
  return 0;
}
