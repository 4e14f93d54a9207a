// Ogg Vorbis files, decoded by libvorbisfile through callbacks over a TStream
// into 16-bit signed little-endian samples, mono or stereo.
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>

#include "engine/audio/audio_sample.h"

namespace {

// The stream handed to libvorbisfile. The decoder takes offsets from the
// start of its data, so positions are counted from where the sound starts
// (a sound may sit inside a larger stream). No exception may cross the C
// library: the first one is kept and raised again once the decoder is released.
struct OggSource {
  TStream* stream;
  int64_t start;
  std::exception_ptr error;
};

size_t ReadCallback(void* ptr, size_t size, size_t count, void* source) {
  auto* src = static_cast<OggSource*>(source);
  if (size == 0 || count == 0 || src->error) return 0;
  const size_t items = std::min<size_t>(count, (size_t{1} << 30) / size);
  try {
    const int64_t got = src->stream->Read(ptr, static_cast<int64_t>(items * size));
    return got > 0 ? static_cast<size_t>(got) / size : 0;
  } catch (...) {
    src->error = std::current_exception();
    return 0;
  }
}

int SeekCallback(void* source, ogg_int64_t offset, int whence) {
  auto* src = static_cast<OggSource*>(source);
  if (src->error) return -1;
  try {
    TStream& s = *src->stream;
    int64_t to = src->start + offset;
    if (whence == SEEK_CUR) to = s.Pos() + offset;
    if (whence == SEEK_END) to = s.Size() + offset;
    if (to < src->start) return -1;
    return s.Seek(to) == to ? 0 : -1;
  } catch (...) {
    src->error = std::current_exception();
    return -1;
  }
}

int CloseCallback(void*) { return 0; }  // the caller closes the stream

long TellCallback(void* source) {
  auto* src = static_cast<OggSource*>(source);
  try {
    const int64_t pos = src->stream->Pos();
    return pos < 0 ? -1 : static_cast<long>(pos - src->start);
  } catch (...) {
    if (!src->error) src->error = std::current_exception();
    return -1;
  }
}

struct Decoder {
  OggVorbis_File file{};
  bool open = false;
  ~Decoder() {
    if (open) ov_clear(&file);
  }
};

// Weights of each Vorbis channel (in its order for that channel count) in the
// left and right output. The low-frequency channel is left out.
void StereoWeights(int channels, std::vector<float>& left, std::vector<float>& right) {
  constexpr float H = 0.70710678f;  // -3 dB
  struct W {
    float l, r;
  };
  static const W k3[] = {{1, 0}, {H, H}, {0, 1}};
  static const W k4[] = {{1, 0}, {0, 1}, {H, 0}, {0, H}};
  static const W k5[] = {{1, 0}, {H, H}, {0, 1}, {H, 0}, {0, H}};
  static const W k6[] = {{1, 0}, {H, H}, {0, 1}, {H, 0}, {0, H}, {0, 0}};
  static const W k7[] = {{1, 0}, {H, H}, {0, 1}, {H, 0}, {0, H}, {0.5f, 0.5f}, {0, 0}};
  static const W k8[] = {{1, 0}, {H, H}, {0, 1}, {H, 0}, {0, H}, {H, 0}, {0, H}, {0, 0}};
  static const W* tables[] = {nullptr, nullptr, nullptr, k3, k4, k5, k6, k7, k8};
  left.assign(static_cast<size_t>(channels), 0.5f);
  right.assign(static_cast<size_t>(channels), 0.5f);
  if (channels == 1) {
    left[0] = right[0] = 1;
  } else if (channels == 2) {
    left = {1, 0};
    right = {0, 1};
  } else if (channels <= 8) {
    for (int c = 0; c < channels; ++c) {
      left[static_cast<size_t>(c)] = tables[channels][c].l;
      right[static_cast<size_t>(c)] = tables[channels][c].r;
    }
  }
  // Scaled so that full-scale input on every channel does not clip.
  float sl = 0, sr = 0;
  for (int c = 0; c < channels; ++c) {
    sl += left[static_cast<size_t>(c)];
    sr += right[static_cast<size_t>(c)];
  }
  for (int c = 0; c < channels; ++c) {
    left[static_cast<size_t>(c)] /= sl;
    right[static_cast<size_t>(c)] /= sr;
  }
}

// As libvorbisfile rounds and clips its own 16-bit output.
inline int16_t ToPcm16(float v) {
  const long i = std::lrint(v * 32768.f);
  return static_cast<int16_t>(std::clamp<long>(i, -32768, 32767));
}

void Put16(uint8_t* p, int16_t v) {
  const auto u = static_cast<uint16_t>(v);
  p[0] = static_cast<uint8_t>(u & 0xff);
  p[1] = static_cast<uint8_t>(u >> 8);
}

}  // namespace

std::shared_ptr<TAudioSample> TAudioSampleLoaderOGG::LoadAudioSample(TStream& stream) {
  const int64_t start = stream.Pos();
  if (start < 0) return nullptr;
  OggSource src{&stream, start, nullptr};
  const ov_callbacks callbacks{ReadCallback, SeekCallback, CloseCallback, TellCallback};
  Decoder dec;
  // A failure caused by the stream raises what the stream raised.
  auto fail = [&src]() -> std::shared_ptr<TAudioSample> {
    if (src.error) std::rethrow_exception(src.error);
    return nullptr;
  };
  if (ov_open_callbacks(&src, &dec.file, nullptr, 0, callbacks) != 0) return fail();
  dec.open = true;
  const vorbis_info* info = ov_info(&dec.file, 0);  // the first link sets the format
  const ogg_int64_t frames = ov_pcm_total(&dec.file, -1);
  if (!info || info->channels < 1 || info->rate < 1 || info->rate > 1000000 || frames <= 0)
    return fail();
  const int outChannels = info->channels == 1 ? 1 : 2;
  const int format = outChannels == 1 ? SF_MONO16LE : SF_STEREO16LE;
  const int bpf = BytesPerFrame(format);
  if (frames > AUDIO_SAMPLE_MAX_BYTES / bpf) return nullptr;
  const auto want = static_cast<size_t>(frames * bpf);

  // The frame count comes from the file's last page and may lie: start from
  // what the compressed size can plausibly hold and grow as data arrives.
  const int64_t fileBytes = std::max<int64_t>(stream.Size() - start, 0);
  size_t room = static_cast<size_t>(std::min<int64_t>(
      static_cast<int64_t>(want), std::max<int64_t>(fileBytes * 64, int64_t{16} << 20)));
  TSampleBuffer pcm = AllocSampleBuffer(room);
  if (!pcm) return nullptr;
  size_t filled = 0;

  // Mixing is needed when a link has other than the output's channels (more
  // than two, or a chained file whose links differ).
  bool mix = info->channels > 2;
  const int links = static_cast<int>(ov_streams(&dec.file));
  for (int i = 0; i < links && !mix; ++i) {
    const vorbis_info* li = ov_info(&dec.file, i);
    mix = !li || li->channels != info->channels;
  }
  // Opening a chained file can leave the decoder at a later link. A byte seek
  // back to the start: a sample seek there leaves libvorbisfile 1.3.7's page
  // state broken for some damaged chains, and the next read crashes in libogg.
  if (links > 1 && ov_raw_seek(&dec.file, 0) != 0) return fail();
  std::vector<float> wl, wr;
  int weightsFor = 0;

  while (filled < want) {
    if (filled == room) {
      const size_t bigger = std::min(want, room * 2);
      TSampleBuffer grown = AllocSampleBuffer(bigger);
      if (!grown) return nullptr;
      std::memcpy(grown.get(), pcm.get(), filled);
      pcm = std::move(grown);
      room = bigger;
    }
    const size_t free = room - filled;
    int link = 0;
    if (!mix) {
      const int ask = static_cast<int>(std::min<size_t>(free, 1 << 16));
      const long got = ov_read(&dec.file, reinterpret_cast<char*>(pcm.get() + filled), ask,
                               0, 2, 1, &link);
      if (got < 0) return fail();  // a decoding error
      if (got == 0) break;          // the data ended before its stated length
      filled += static_cast<size_t>(got);
      continue;
    }
    float** channelsPcm = nullptr;
    const int maxFrames = static_cast<int>(std::min<size_t>(free / bpf, 4096));
    const long got = ov_read_float(&dec.file, &channelsPcm, maxFrames, &link);
    if (got < 0) return fail();
    if (got == 0) break;
    const vorbis_info* li = ov_info(&dec.file, link);
    if (!li || li->channels < 1) return nullptr;
    if (weightsFor != li->channels) {
      StereoWeights(li->channels, wl, wr);
      weightsFor = li->channels;
    }
    uint8_t* out = pcm.get() + filled;
    for (long f = 0; f < got; ++f) {
      float l = 0, r = 0;
      for (int c = 0; c < li->channels; ++c) {
        l += wl[static_cast<size_t>(c)] * channelsPcm[c][f];
        r += wr[static_cast<size_t>(c)] * channelsPcm[c][f];
      }
      if (outChannels == 1) {
        Put16(out, ToPcm16((l + r) * 0.5f));
      } else {
        Put16(out, ToPcm16(l));
        Put16(out + 2, ToPcm16(r));
      }
      out += bpf;
    }
    filled += static_cast<size_t>(got) * bpf;
  }
  if (src.error || filled < static_cast<size_t>(bpf)) return fail();
  if (filled < room / 2) {
    // Far less than stated arrived: keep only that.
    TSampleBuffer exact = AllocSampleBuffer(filled);
    if (!exact) return nullptr;
    std::memcpy(exact.get(), pcm.get(), filled);
    pcm = std::move(exact);
  }
  return TAudioSample::Adopt(std::move(pcm), filled, static_cast<int>(info->rate), format);
}
