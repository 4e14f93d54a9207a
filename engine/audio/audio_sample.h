// Sound samples in memory and the loaders that decode them from streams.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/system/stream.h"

// Sample formats.
enum : int {
  SF_MONO8 = 1,     // unsigned
  SF_MONO16LE = 2,  // signed little-endian
  SF_MONO16BE = 3,
  SF_STEREO8 = 4,
  SF_STEREO16LE = 5,
  SF_STEREO16BE = 6,
};

// Bytes per sample frame of a format; 0 for an unknown format.
int BytesPerFrame(int format);

// The largest sample a loader makes (about 25 minutes of 44.1 kHz stereo):
// a file claiming more is refused rather than allocated.
constexpr int64_t AUDIO_SAMPLE_MAX_BYTES = int64_t{256} << 20;

// Uninitialised memory for sample data (nullptr when there is none to be had).
// Large buffers are placed on huge pages where the system offers them: page
// faults, not decoding, would otherwise dominate loading a long sound.
struct TSampleBufferFree {
  void operator()(uint8_t* p) const;
};
using TSampleBuffer = std::unique_ptr<uint8_t[], TSampleBufferFree>;
TSampleBuffer AllocSampleBuffer(size_t bytes);

class TAudioSample {
 public:
  // nullptr for a negative length, an unknown format or a size that does not
  // fit in an int. The samples start silent.
  static std::shared_ptr<TAudioSample> Create(int length, int hertz, int format);
  // Wraps buffer, which the caller keeps alive for the sample's life.
  static std::shared_ptr<TAudioSample> CreateStatic(uint8_t* buffer, int length, int hertz,
                                                    int format);
  // Takes over the first size bytes of bytes, of which the whole frames
  // become the sample.
  static std::shared_ptr<TAudioSample> Adopt(TSampleBuffer bytes, size_t size,
                                             int hertz, int format);

  std::shared_ptr<TAudioSample> Copy() const;
  // The sample in another format (channels mixed or doubled, bits widened or
  // narrowed); nullptr for an unknown format.
  std::shared_ptr<TAudioSample> Convert(int format) const;

  uint8_t* samples = nullptr;
  int length = 0;  // frames
  int hertz = 0;
  int format = 0;
  int capacity = 0;  // bytes: length * BytesPerFrame(format)

 private:
  TSampleBuffer _owned;
};

class TAudioSampleLoader {
 public:
  TAudioSampleLoader();  // adds itself at the head of the loader list
  virtual ~TAudioSampleLoader();
  TAudioSampleLoader(const TAudioSampleLoader&) = delete;
  TAudioSampleLoader& operator=(const TAudioSampleLoader&) = delete;
  // The sample, or nullptr when the data is not of this loader's kind.
  virtual std::shared_ptr<TAudioSample> LoadAudioSample(TStream& stream) = 0;

  TAudioSampleLoader* _succ = nullptr;
};

// RIFF WAVE, PCM 8 or 16 bit, mono or stereo.
class TAudioSampleLoaderWAV : public TAudioSampleLoader {
 public:
  std::shared_ptr<TAudioSample> LoadAudioSample(TStream& stream) override;
};

// Ogg Vorbis through libvorbisfile; more than two channels are mixed down to stereo.
class TAudioSampleLoaderOGG : public TAudioSampleLoader {
 public:
  std::shared_ptr<TAudioSample> LoadAudioSample(TStream& stream) override;
};

// Head of the loader list, newest first; the built-in loaders stand behind every
// loader the program makes, whenever it makes them.
TAudioSampleLoader* AudioSampleLoaders();

// Opens url and asks each loader in turn; nullptr when it cannot be opened or
// no loader accepts it. Raises std::runtime_error "Stream is not seekable"
// for a stream without a position.
std::shared_ptr<TAudioSample> LoadAudioSample(const TUrl& url);
