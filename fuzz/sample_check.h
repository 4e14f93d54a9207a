// What the sample harnesses check on every sample a loader returns.
#pragma once

#include "engine/audio/audio_sample.h"
#include "fuzz/fuzz_common.h"

namespace fuzz {

inline void CheckSample(const TAudioSample& s) {
  const int bpf = BytesPerFrame(s.format);
  FUZZ_CHECK(bpf > 0);
  FUZZ_CHECK(s.length >= 1 && s.hertz >= 1 && s.hertz <= 1000000);
  FUZZ_CHECK(int64_t{s.capacity} == int64_t{s.length} * bpf);
  FUZZ_CHECK(s.capacity <= AUDIO_SAMPLE_MAX_BYTES);
  unsigned sum = 0;
  for (int i = 0; i < s.capacity; ++i) sum += s.samples[i];
  volatile unsigned sink = sum;
  (void)sink;
}

}  // namespace fuzz
