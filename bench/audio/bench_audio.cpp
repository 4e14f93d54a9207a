// Loading the music: LoadSound on a 60-second stereo 44.1 kHz Ogg Vorbis file
// against a bare libvorbisfile decode of the same bytes. The engine's load
// (stream callbacks, sample, buffer upload) may cost at most 10 % more.
// Both run in one process, alternately; the verdict is the median of the
// per-round ratios, which a machine whose load changes during the run
// disturbs least, and the best time of each is shown.
#include <malloc.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/audio/audio_sample.h"
#include "engine/audio/sound.h"
#include "tests/audio/audio_fixtures.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Memory {
  const std::string* bytes;
  size_t pos = 0;
};

size_t Read(void* out, size_t size, size_t count, void* src) {
  auto* m = static_cast<Memory*>(src);
  const size_t n = std::min(size * count, m->bytes->size() - m->pos);
  std::memcpy(out, m->bytes->data() + m->pos, n);
  m->pos += n;
  return n / size;
}

int Seek(void* src, ogg_int64_t offset, int whence) {
  auto* m = static_cast<Memory*>(src);
  const int64_t base = whence == SEEK_SET ? 0
                       : whence == SEEK_CUR ? static_cast<int64_t>(m->pos)
                                            : static_cast<int64_t>(m->bytes->size());
  const int64_t to = base + offset;
  if (to < 0) return -1;
  m->pos = std::min<size_t>(static_cast<size_t>(to), m->bytes->size());
  return 0;
}

long Tell(void* src) { return static_cast<long>(static_cast<Memory*>(src)->pos); }

// Decodes everything into one buffer of the stated size; the bytes decoded.
size_t BareDecode(const std::string& bytes) {
  Memory m{&bytes};
  OggVorbis_File vf;
  if (ov_open_callbacks(&m, &vf, nullptr, 0, ov_callbacks{Read, Seek, nullptr, Tell}) != 0)
    return 0;
  const size_t want = static_cast<size_t>(ov_pcm_total(&vf, -1)) * 2 * ov_info(&vf, -1)->channels;
  auto pcm = std::make_unique_for_overwrite<char[]>(want);
  size_t filled = 0;
  int link = 0;
  while (filled < want) {
    const long got = ov_read(&vf, pcm.get() + filled,
                             static_cast<int>(std::min<size_t>(want - filled, 1 << 16)), 0, 2, 1,
                             &link);
    if (got <= 0) break;
    filled += static_cast<size_t>(got);
  }
  ov_clear(&vf);
  return filled;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main() {
  // Freed memory stays with the process, so that every round after the first
  // finds its buffers already mapped: the times compare the work done, not
  // how the allocator happens to hand pages back between rounds.
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  const int rate = 44100;
  const int64_t frames = int64_t{rate} * 60;
  std::printf("encoding 60 s of stereo music...\n");
  const std::string ogg = fixtures::MakeOgg(2, rate, frames, [](int c, int64_t f) {
    // Two voices and a slow swell, so the encoder has real work.
    const double t = static_cast<double>(f) / rate;
    const double swell = 0.5 + 0.4 * std::sin(t * 0.7);
    return static_cast<float>(swell * (0.3 * std::sin(2 * std::numbers::pi * (c ? 330 : 220) * t) +
                                       0.15 * std::sin(2 * std::numbers::pi * 523.25 * t * (1 + 0.001 * std::sin(t)))));
  });
  std::printf("file: %zu bytes\n", ogg.size());
  std::printf("driver: %s\n", CurrentAudioDriver().Name().c_str());

  const int rounds = 15;
  double bare = 1e9, engine = 1e9, lastBare = 0, lastEngine = 0;
  std::vector<double> ratios;
  size_t bareBytes = 0;
  int engineFrames = 0;
  auto timeBare = [&] {
    const auto t0 = Clock::now();
    bareBytes = BareDecode(ogg);
    lastBare = Seconds(Clock::now() - t0);
    bare = std::min(bare, lastBare);
  };
  auto timeEngine = [&] {
    auto stream = std::make_shared<TMemoryStream>(ogg);
    const auto t0 = Clock::now();
    auto sound = LoadSound(std::static_pointer_cast<TStream>(stream), SOUND_LOOP);
    lastEngine = Seconds(Clock::now() - t0);
    engine = std::min(engine, lastEngine);
    return sound != nullptr;
  };
  for (int i = 0; i < rounds; ++i) {
    // Alternating which goes first, so neither always inherits the other's freed memory.
    if (i % 2) timeBare();
    if (!timeEngine()) {
      std::printf("LoadSound failed\n");
      return 1;
    }
    if (i % 2 == 0) timeBare();
    ratios.push_back(lastEngine / lastBare);
  }
  std::sort(ratios.begin(), ratios.end());
  // The decoded length, outside the timing.
  engineFrames = LoadAudioSample(std::make_shared<TMemoryStream>(ogg))->length;
  const double ratio = ratios[ratios.size() / 2];
  std::printf("bare libvorbisfile decode: %.1f ms (%zu bytes)\n", bare * 1000, bareBytes);
  std::printf("LoadSound:                 %.1f ms (%d frames)\n", engine * 1000, engineFrames);
  std::printf("ratio: %.3f (limit 1.100), median of %d rounds; best times %.3f\n", ratio, rounds,
              engine / bare);
  return ratio <= 1.1 && bareBytes == static_cast<size_t>(engineFrames) * 4 ? 0 : 1;
}
