#include "engine/audio/audio_sample.h"
#include "engine/system/chain.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <cstdlib>
#include <stdexcept>

#include <sys/mman.h>

int BytesPerFrame(int format) {
  switch (format) {
    case SF_MONO8: return 1;
    case SF_MONO16LE:
    case SF_MONO16BE:
    case SF_STEREO8: return 2;
    case SF_STEREO16LE:
    case SF_STEREO16BE: return 4;
    default: return 0;
  }
}

void TSampleBufferFree::operator()(uint8_t* p) const { std::free(p); }

TSampleBuffer AllocSampleBuffer(size_t bytes) {
  constexpr size_t HUGE_PAGE = size_t{2} << 20;
  if (bytes >= 2 * HUGE_PAGE) {
    const size_t rounded = (bytes + HUGE_PAGE - 1) / HUGE_PAGE * HUGE_PAGE;
    if (void* p = std::aligned_alloc(HUGE_PAGE, rounded)) {
      madvise(p, rounded, MADV_HUGEPAGE);  // a hint; refused where unsupported
      return TSampleBuffer(static_cast<uint8_t*>(p));
    }
  }
  return TSampleBuffer(static_cast<uint8_t*>(std::malloc(bytes > 0 ? bytes : 1)));
}

namespace {

// Bytes for length frames, or -1 when that does not fit in an int.
int64_t SampleBytes(int length, int format) {
  const int bpf = BytesPerFrame(format);
  if (bpf == 0 || length < 0) return -1;
  const int64_t bytes = int64_t{length} * bpf;
  return bytes <= INT_MAX ? bytes : -1;
}

int Channels(int format) { return format >= SF_STEREO8 ? 2 : 1; }
int Bits(int format) { return format == SF_MONO8 || format == SF_STEREO8 ? 8 : 16; }
bool BigEndian(int format) { return format == SF_MONO16BE || format == SF_STEREO16BE; }

int ReadValue(const uint8_t* p, int format) {
  if (Bits(format) == 8) return (p[0] - 128) * 256;
  const int hi = BigEndian(format) ? p[0] : p[1];
  const int lo = BigEndian(format) ? p[1] : p[0];
  return static_cast<int16_t>(static_cast<uint16_t>(hi << 8 | lo));
}

void WriteValue(uint8_t* p, int format, int v) {
  if (Bits(format) == 8) {
    p[0] = static_cast<uint8_t>((v >> 8) + 128);
    return;
  }
  const auto u = static_cast<uint16_t>(v);
  p[BigEndian(format) ? 0 : 1] = static_cast<uint8_t>(u >> 8);
  p[BigEndian(format) ? 1 : 0] = static_cast<uint8_t>(u & 0xff);
}

}  // namespace

std::shared_ptr<TAudioSample> TAudioSample::Create(int length, int hertz, int format) {
  const int64_t bytes = SampleBytes(length, format);
  if (bytes < 0) return nullptr;
  auto s = std::make_shared<TAudioSample>();
  // Silence: 8-bit samples are unsigned, centred on 128.
  s->_owned = AllocSampleBuffer(static_cast<size_t>(bytes));
  if (!s->_owned) return nullptr;
  std::memset(s->_owned.get(), Bits(format) == 8 ? 128 : 0, static_cast<size_t>(bytes));
  s->samples = s->_owned.get();
  s->length = length;
  s->hertz = hertz;
  s->format = format;
  s->capacity = static_cast<int>(bytes);
  return s;
}

std::shared_ptr<TAudioSample> TAudioSample::CreateStatic(uint8_t* buffer, int length, int hertz,
                                                         int format) {
  const int64_t bytes = SampleBytes(length, format);
  if (bytes < 0 || (!buffer && bytes > 0)) return nullptr;
  auto s = std::make_shared<TAudioSample>();
  s->samples = buffer;
  s->length = length;
  s->hertz = hertz;
  s->format = format;
  s->capacity = static_cast<int>(bytes);
  return s;
}

std::shared_ptr<TAudioSample> TAudioSample::Adopt(TSampleBuffer bytes, size_t size,
                                                  int hertz, int format) {
  const int bpf = BytesPerFrame(format);
  if (bpf == 0 || !bytes || size > static_cast<size_t>(INT_MAX)) return nullptr;
  auto s = std::make_shared<TAudioSample>();
  s->length = static_cast<int>(size / static_cast<size_t>(bpf));
  s->capacity = s->length * bpf;
  s->_owned = std::move(bytes);
  s->samples = s->_owned.get();
  s->hertz = hertz;
  s->format = format;
  return s;
}

std::shared_ptr<TAudioSample> TAudioSample::Copy() const {
  auto s = Create(length, hertz, format);
  if (s && capacity > 0) std::memcpy(s->samples, samples, static_cast<size_t>(capacity));
  return s;
}

std::shared_ptr<TAudioSample> TAudioSample::Convert(int to) const {
  if (BytesPerFrame(to) == 0 || BytesPerFrame(format) == 0) return nullptr;
  if (to == format) return Copy();
  auto s = Create(length, hertz, to);
  if (!s) return nullptr;
  const int inBpf = BytesPerFrame(format), outBpf = BytesPerFrame(to);
  const int inStep = inBpf / Channels(format), outStep = outBpf / Channels(to);
  for (int i = 0; i < length; ++i) {
    const uint8_t* in = samples + static_cast<size_t>(i) * inBpf;
    uint8_t* out = s->samples + static_cast<size_t>(i) * outBpf;
    const int left = ReadValue(in, format);
    const int right = Channels(format) == 2 ? ReadValue(in + inStep, format) : left;
    if (Channels(to) == 1) {
      WriteValue(out, to, (left + right) / 2);
    } else {
      WriteValue(out, to, left);
      WriteValue(out + outStep, to, right);
    }
  }
  return s;
}

// ---------------------------------------------------------------- loaders

namespace {
// A plain pointer, so that loaders leaving the list at exit never touch a
// destroyed object.
TAudioSampleLoader* loaderHead = nullptr;

// The built-in loaders count as made at start, before any of the program's
// own: WAV, then Ogg (asked first). They live for the whole run.
void RegisterLoaders() {
  static bool done = false;
  if (done) return;
  done = true;
  new TAudioSampleLoaderWAV();
  new TAudioSampleLoaderOGG();
}
}  // namespace

TAudioSampleLoader::TAudioSampleLoader() {
  RegisterLoaders();
  LinkAtHead(loaderHead, this);
}

TAudioSampleLoader::~TAudioSampleLoader() {
  Unlink(loaderHead, this);
}

TAudioSampleLoader* AudioSampleLoaders() {
  RegisterLoaders();
  return loaderHead;
}

std::shared_ptr<TAudioSample> LoadAudioSample(const TUrl& url) {
  TAudioSampleLoader* head = AudioSampleLoaders();
  std::shared_ptr<TStream> stream = OpenReader(url);
  if (!stream) return nullptr;
  struct Closer {
    TStream& s;
    ~Closer() { s.Close(); }
  } closer{*stream};

  const int64_t start = stream->Pos();
  if (start < 0) throw std::runtime_error("Stream is not seekable");
  for (TAudioSampleLoader* loader = head; loader; loader = loader->_succ) {
    if (stream->Seek(start) != start) break;
    try {
      if (auto sample = loader->LoadAudioSample(*stream)) return sample;
    } catch (const TStreamException&) {
      // Data this loader could not read is data it does not take.
    }
  }
  return nullptr;
}
