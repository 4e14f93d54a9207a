// The RIFF WAVE sample loader over arbitrary bytes in memory. A stream error
// is how the loader reports data it cannot read; anything else escaping it,
// or a sample that does not hold its own frames, is a fault. The same bytes
// behind other data, the stream standing at their start, give the same sample.
#include <cstring>
#include <string>

#include "engine/audio/audio_sample.h"
#include "fuzz/sample_check.h"

namespace {

std::shared_ptr<TAudioSample> LoadAt(const std::string& lead, const uint8_t* data, size_t size) {
  static TAudioSampleLoaderWAV loader;
  TMemoryStream stream(lead + std::string(reinterpret_cast<const char*>(data), size));
  stream.Seek(static_cast<int64_t>(lead.size()));
  try {
    return loader.LoadAudioSample(stream);
  } catch (const TStreamException&) {
    return nullptr;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto sample = LoadAt("", data, size);
  const auto behind = LoadAt("RIFFOggS", data, size);
  FUZZ_CHECK(!sample == !behind);
  if (!sample) return 0;
  fuzz::CheckSample(*sample);
  FUZZ_CHECK(behind->length == sample->length && behind->hertz == sample->hertz &&
             behind->format == sample->format);
  FUZZ_CHECK(std::memcmp(behind->samples, sample->samples, static_cast<size_t>(sample->capacity)) == 0);
  return 0;
}
