// RIFF WAVE files holding PCM: 8-bit unsigned or 16-bit signed, mono or
// stereo, with a plain or an extensible format header. Anything else, and any
// file whose chunks do not fit in it, is refused.
#include <cstring>

#include "engine/audio/audio_sample.h"

namespace {

constexpr int WAVE_FORMAT_PCM = 1;
constexpr int WAVE_FORMAT_EXTENSIBLE = 0xFFFE;
// The PCM sub-format's GUID after its first two bytes (which hold the tag).
constexpr uint8_t PCM_GUID_TAIL[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                       0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

uint32_t ReadU32(TStream& s) { return static_cast<uint32_t>(s.ReadInt()); }

bool Tag(const char got[4], const char* want) { return std::memcmp(got, want, 4) == 0; }

}  // namespace

std::shared_ptr<TAudioSample> TAudioSampleLoaderWAV::LoadAudioSample(TStream& stream) {
  char id[4];
  if (stream.Read(id, 4) != 4 || !Tag(id, "RIFF")) return nullptr;
  ReadU32(stream);  // RIFF size: often wrong in files cut short, so the chunks decide
  if (stream.Read(id, 4) != 4 || !Tag(id, "WAVE")) return nullptr;

  int channels = 0, hertz = 0, bits = 0;
  bool haveFormat = false;
  for (;;) {
    if (stream.Read(id, 4) != 4) return nullptr;  // no data chunk
    const uint32_t size = ReadU32(stream);
    const int64_t here = stream.Pos();
    const int64_t left = stream.Size() - here;
    if (here < 0 || int64_t{size} > left) return nullptr;  // truncated or lying

    if (Tag(id, "fmt ")) {
      if (size < 16) return nullptr;
      int tag = stream.ReadShort();
      channels = stream.ReadShort();
      hertz = stream.ReadInt();
      stream.ReadInt();  // bytes per second
      const int blockAlign = stream.ReadShort();
      bits = stream.ReadShort();
      if (tag == WAVE_FORMAT_EXTENSIBLE) {
        if (size < 40) return nullptr;
        stream.ReadShort();  // extension size
        const int validBits = stream.ReadShort();
        stream.ReadInt();  // speaker mask
        uint8_t guid[16];
        stream.ReadBytes(guid, 16);
        if (validBits != bits || std::memcmp(guid + 2, PCM_GUID_TAIL, 14) != 0) return nullptr;
        tag = guid[0] | guid[1] << 8;
      }
      if (tag != WAVE_FORMAT_PCM) return nullptr;
      if (channels < 1 || channels > 2 || (bits != 8 && bits != 16)) return nullptr;
      if (blockAlign != channels * bits / 8) return nullptr;
      if (hertz < 1 || hertz > 1000000) return nullptr;
      haveFormat = true;
    } else if (Tag(id, "data")) {
      if (!haveFormat) return nullptr;
      const int format = channels == 1 ? (bits == 8 ? SF_MONO8 : SF_MONO16LE)
                                       : (bits == 8 ? SF_STEREO8 : SF_STEREO16LE);
      const int bpf = BytesPerFrame(format);
      const int64_t frames = int64_t{size} / bpf;
      if (frames == 0 || frames * bpf > AUDIO_SAMPLE_MAX_BYTES) return nullptr;
      auto sample = TAudioSample::Create(static_cast<int>(frames), hertz, format);
      if (!sample) return nullptr;
      stream.ReadBytes(sample->samples, sample->capacity);
      return sample;
    }
    // Chunks are padded to an even size; the pad of the last one may be missing.
    const int64_t next = here + size + (size & 1);
    if (stream.Seek(next) != next && stream.Pos() != stream.Size()) return nullptr;
  }
}
