#include "tools/assetgen/sounds.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "tools/assetgen/canvas.h"

namespace assetgen {
namespace {

constexpr double kTwoPi = 6.283185307179586;

double MidiHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

// A sine table with linear interpolation: the music needs tens of millions
// of oscillator steps and std::sin would dominate the build.
class SineTable {
 public:
  SineTable() {
    for (int i = 0; i <= kSize; ++i) table_[i] = static_cast<float>(std::sin(kTwoPi * i / kSize));
  }
  // phase in cycles
  float operator()(double phase) const {
    double p = (phase - std::floor(phase)) * kSize;
    int i = static_cast<int>(p);
    float t = static_cast<float>(p - i);
    return table_[i] + (table_[i + 1] - table_[i]) * t;
  }

 private:
  static constexpr int kSize = 4096;
  std::array<float, kSize + 1> table_;
};

const SineTable& Sine() {
  static const SineTable table;
  return table;
}

// A stereo buffer that wraps around: a note that rings past the end of the
// loop carries on at its start, so the music loops without a seam.
class LoopBuffer {
 public:
  explicit LoopBuffer(size_t frames) : l_(frames, 0.0f), r_(frames, 0.0f) {}
  size_t frames() const { return l_.size(); }
  void Add(size_t frame, float left, float right) {
    size_t i = frame % l_.size();
    l_[i] += left;
    r_[i] += right;
  }
  std::vector<float>& left() { return l_; }
  std::vector<float>& right() { return r_; }

 private:
  std::vector<float> l_, r_;
};

// Equal-power pan, -1 left .. 1 right.
void PanGains(double pan, float& gl, float& gr) {
  double a = (pan + 1.0) * M_PI / 4.0;
  gl = static_cast<float>(std::cos(a));
  gr = static_cast<float>(std::sin(a));
}

struct Partial {
  double ratio, amp, decay;  // decay: time constant in seconds
};

// A struck or plucked tone: partials decaying exponentially after a short attack.
void AddStruck(LoopBuffer& out, double start_s, double hz, double gain, double pan, double length_s,
               const Partial* partials, int count, double attack_s = 0.004) {
  float gl, gr;
  PanGains(pan, gl, gr);
  const size_t first = static_cast<size_t>(std::llround(start_s * kSampleRate));
  const size_t n = static_cast<size_t>(length_s * kSampleRate);
  const double release_s = std::min(0.08, length_s / 4);
  for (size_t i = 0; i < n; ++i) {
    double t = static_cast<double>(i) / kSampleRate;
    double env = std::min(1.0, t / attack_s);
    double tail = length_s - t;
    if (tail < release_s) env *= tail / release_s;
    double v = 0;
    for (int k = 0; k < count; ++k) {
      v += partials[k].amp * std::exp(-t / partials[k].decay) * Sine()(hz * partials[k].ratio * t);
    }
    float s = static_cast<float>(v * env * gain);
    out.Add(first + i, s * gl, s * gr);
  }
}

// A held tone with slow attack and release, slightly detuned left and right.
void AddPad(LoopBuffer& out, double start_s, double hz, double gain, double hold_s,
            double attack_s, double release_s) {
  const size_t first = static_cast<size_t>(std::llround(start_s * kSampleRate));
  const double total = hold_s + release_s;
  const size_t n = static_cast<size_t>(total * kSampleRate);
  const double detune = std::pow(2.0, 4.0 / 1200.0);
  for (size_t i = 0; i < n; ++i) {
    double t = static_cast<double>(i) / kSampleRate;
    double env;
    if (t < attack_s) {
      env = 0.5 - 0.5 * std::cos(M_PI * t / attack_s);
    } else if (t < hold_s) {
      env = 1.0;
    } else {
      env = 0.5 + 0.5 * std::cos(M_PI * (t - hold_s) / release_s);
    }
    // A slow swell keeps long chords alive.
    env *= 0.85 + 0.15 * Sine()(0.2 * t + 0.25);
    double pl = hz / detune * t, pr = hz * detune * t;
    double l = Sine()(pl) + 0.22 * Sine()(2 * pl) + 0.07 * Sine()(3 * pl) + 0.03 * Sine()(4 * pl);
    double r = Sine()(pr) + 0.22 * Sine()(2 * pr) + 0.07 * Sine()(3 * pr) + 0.03 * Sine()(4 * pr);
    out.Add(first + i, static_cast<float>(l * env * gain), static_cast<float>(r * env * gain));
  }
}

// A soft flute-like lead with a late, gentle vibrato.
void AddLead(LoopBuffer& out, double start_s, double hz, double gain, double pan, double dur_s) {
  float gl, gr;
  PanGains(pan, gl, gr);
  const size_t first = static_cast<size_t>(std::llround(start_s * kSampleRate));
  const double release_s = 0.35;
  const size_t n = static_cast<size_t>((dur_s + release_s) * kSampleRate);
  double phase = 0;
  for (size_t i = 0; i < n; ++i) {
    double t = static_cast<double>(i) / kSampleRate;
    double env = std::min(1.0, t / 0.06);
    if (t > dur_s) env *= std::max(0.0, 1.0 - (t - dur_s) / release_s);
    env *= std::exp(-t * 0.5);
    double vib = 1.0 + 0.004 * std::min(1.0, std::max(0.0, (t - 0.25) * 2)) * Sine()(5.2 * t);
    phase += hz * vib / kSampleRate;
    double v = Sine()(phase) + 0.18 * Sine()(2 * phase) + 0.05 * Sine()(3 * phase);
    float s = static_cast<float>(v * env * gain);
    out.Add(first + i, s * gl, s * gr);
  }
}

void AddKick(LoopBuffer& out, double start_s, double gain) {
  const size_t first = static_cast<size_t>(std::llround(start_s * kSampleRate));
  const size_t n = static_cast<size_t>(0.35 * kSampleRate);
  double phase = 0;
  for (size_t i = 0; i < n; ++i) {
    double t = static_cast<double>(i) / kSampleRate;
    double hz = 48 + 60 * std::exp(-t / 0.03);
    phase += hz / kSampleRate;
    double env = std::min(1.0, t / 0.002) * std::exp(-t / 0.09);
    if (t > 0.3) env *= (0.35 - t) / 0.05;
    float s = static_cast<float>(Sine()(phase) * env * gain);
    out.Add(first + i, s, s);
  }
}

// A shaker: high-passed noise with a quick decay.
void AddShaker(LoopBuffer& out, Rng& rng, double start_s, double gain, double pan) {
  float gl, gr;
  PanGains(pan, gl, gr);
  const size_t first = static_cast<size_t>(std::llround(start_s * kSampleRate));
  const size_t n = static_cast<size_t>(0.09 * kSampleRate);
  double prev = 0, lp = 0;
  for (size_t i = 0; i < n; ++i) {
    double t = static_cast<double>(i) / kSampleRate;
    double noise = rng.Range(-1, 1);
    lp += 0.5 * (noise - lp);  // gentle top cut
    double hp = lp - prev;     // and no low end
    prev = lp;
    double env = std::min(1.0, t / 0.006) * std::exp(-t / 0.022);
    if (t > 0.07) env *= (0.09 - t) / 0.02;
    float s = static_cast<float>(hp * env * gain);
    out.Add(first + i, s * gl, s * gr);
  }
}

// A ping-pong echo run twice around the loop, so the echoes that fall past
// the end arrive at the start as well and the result is periodic.
void LoopEcho(std::vector<float>& l, std::vector<float>& r, size_t delay, float feedback,
              float mix) {
  const size_t n = l.size();
  std::vector<float> dl(delay, 0.0f), dr(delay, 0.0f);
  std::vector<float> outl(n), outr(n);
  size_t pos = 0;
  for (int pass = 0; pass < 3; ++pass) {
    for (size_t i = 0; i < n; ++i) {
      float el = dl[pos], er = dr[pos];
      dl[pos] = r[i] * 0.5f + er * feedback;  // crossing sides each repeat
      dr[pos] = l[i] * 0.5f + el * feedback;
      pos = (pos + 1) % delay;
      if (pass == 2) {
        outl[i] = l[i] + mix * el;
        outr[i] = r[i] + mix * er;
      }
    }
  }
  l.swap(outl);
  r.swap(outr);
}

Pcm Interleave(std::vector<float>& l, std::vector<float>& r, double peak) {
  float m = 1e-9f;
  for (size_t i = 0; i < l.size(); ++i) m = std::max({m, std::fabs(l[i]), std::fabs(r[i])});
  float g = static_cast<float>(peak / m);
  Pcm pcm;
  pcm.channels = 2;
  pcm.samples.resize(l.size() * 2);
  for (size_t i = 0; i < l.size(); ++i) {
    pcm.samples[2 * i] = l[i] * g;
    pcm.samples[2 * i + 1] = r[i] * g;
  }
  return pcm;
}

}  // namespace

// ------------------------------------------------------------------ effects

Pcm SynthPairBell() {
  // A bright, clear strike with a soft hum under it; about a second long.
  const double length = 1.1;
  LoopBuffer buf(static_cast<size_t>(length * kSampleRate) + kSampleRate);  // never wraps
  static const Partial bell[] = {
      {0.5, 0.22, 0.55}, {1.0, 1.0, 0.42}, {2.0, 0.42, 0.26}, {2.76, 0.22, 0.16},
      {4.07, 0.12, 0.09}, {5.43, 0.06, 0.06},
  };
  AddStruck(buf, 0.0, MidiHz(83), 1.0, 0.0, length, bell, 6, 0.002);    // B5
  AddStruck(buf, 0.0, MidiHz(90), 0.25, 0.0, length, bell, 6, 0.002);   // F#6, a fifth above
  Pcm pcm;
  pcm.channels = 1;
  const size_t n = static_cast<size_t>(length * kSampleRate);
  float m = 1e-9f;
  for (size_t i = 0; i < n; ++i) m = std::max(m, std::fabs(buf.left()[i]));
  pcm.samples.resize(n);
  for (size_t i = 0; i < n; ++i) pcm.samples[i] = buf.left()[i] * (0.7f / m);
  return pcm;
}

Pcm SynthLevelCleared() {
  // Wind rising and falling under a glassy chime that climbs a pentatonic scale.
  const double length = 3.6;
  const size_t n = static_cast<size_t>(length * kSampleRate);
  LoopBuffer buf(n + kSampleRate);
  Rng rng(0x1CE5);
  double lpl = 0, lpr = 0, bpl = 0, bpr = 0;
  for (size_t i = 0; i < n; ++i) {
    double t = static_cast<double>(i) / kSampleRate;
    // Band-limited noise: two one-pole low-passes, the difference taken.
    double nl = rng.Range(-1, 1), nr = rng.Range(-1, 1);
    double sweep = 0.22 + 0.2 * std::sin(M_PI * t / length);  // a breath of high air
    lpl += sweep * (nl - lpl);
    lpr += sweep * (nr - lpr);
    bpl += 0.08 * (lpl - bpl);
    bpr += 0.08 * (lpr - bpr);
    double env = std::pow(std::sin(M_PI * std::min(1.0, t / length)), 2.0);
    buf.Add(i, static_cast<float>((lpl - bpl) * env * 0.3), static_cast<float>((lpr - bpr) * env * 0.3));
  }
  static const Partial glass[] = {{1.0, 1.0, 0.9}, {2.01, 0.3, 0.5}, {3.98, 0.12, 0.25},
                                  {5.03, 0.05, 0.12}};
  const int notes[] = {84, 86, 88, 91, 93, 96, 98, 100};  // C6 D6 E6 G6 A6 C7 D7 E7
  for (int k = 0; k < 8; ++k) {
    double start = 0.01 + 0.16 * k;  // the first chime answers the last pair at once
    AddStruck(buf, start, MidiHz(notes[k]), 0.18, (k % 2 ? 0.45 : -0.45), length - start, glass, 4);
  }
  // A closing chord that rings out.
  for (int note : {84, 88, 91, 96}) {
    AddStruck(buf, 1.4, MidiHz(note), 0.11, 0.0, length - 1.4, glass, 4, 0.01);
  }
  buf.left().resize(n);
  buf.right().resize(n);
  LoopEcho(buf.left(), buf.right(), static_cast<size_t>(0.19 * kSampleRate), 0.3f, 0.35f);
  // The echo pass wraps; fade the first few milliseconds in and the end out.
  Pcm pcm = Interleave(buf.left(), buf.right(), 0.7);
  const size_t fade = static_cast<size_t>(0.25 * kSampleRate);
  for (size_t i = 0; i < fade; ++i) {
    float g = static_cast<float>(i) / fade;
    size_t j = n - 1 - i;
    pcm.samples[2 * j] *= g;
    pcm.samples[2 * j + 1] *= g;
  }
  for (size_t i = 0; i < 64; ++i) {
    float g = static_cast<float>(i) / 64;
    pcm.samples[2 * i] *= g;
    pcm.samples[2 * i + 1] *= g;
  }
  return pcm;
}

// ------------------------------------------------------------------ music

Pcm SynthMusic() {
  // 32 bars at 96 beats a minute: 128 beats, exactly 80 seconds.
  const double beat = 60.0 / 96.0;
  const int bars = 32;
  const size_t frames = static_cast<size_t>(bars * 4 * beat * kSampleRate);  // 3 528 000
  LoopBuffer dry(frames), wet(frames);
  Rng rng(0x51F1A7);

  struct Chord {
    int bass;
    std::array<int, 4> pad;
  };
  // Two bars per chord, an eight-chord cycle heard twice.
  static const Chord cycle[8] = {
      {41, {53, 57, 60, 64}},  // Fmaj7
      {45, {55, 57, 60, 64}},  // Am7
      {38, {57, 60, 62, 65}},  // Dm7
      {46, {53, 57, 58, 62}},  // Bbmaj7
      {43, {53, 55, 58, 62}},  // Gm7
      {48, {53, 55, 58, 60}},  // C7sus4
      {38, {53, 57, 60, 62}},  // Dm7
      {48, {52, 55, 60, 62}},  // Cadd9
  };

  static const Partial pluck[] = {{1.0, 1.0, 0.45}, {2.0, 0.35, 0.2}, {3.0, 0.12, 0.1},
                                  {4.0, 0.05, 0.06}};
  static const Partial bassTone[] = {{1.0, 1.0, 0.9}, {2.0, 0.3, 0.4}, {3.0, 0.08, 0.2}};
  // Arpeggio patterns over the four pad notes an octave up: index into the
  // chord, -1 a rest.
  static const int patternA[8] = {0, 2, 1, 3, 2, 1, 3, 2};
  static const int patternB[8] = {0, 1, 2, 3, 2, 3, 1, -1};
  static const int patternC[8] = {3, 2, 0, 2, 1, 2, 0, -1};

  for (int bar = 0; bar < bars; ++bar) {
    const Chord& ch = cycle[(bar / 2) % 8];
    const double t0 = bar * 4 * beat;
    const bool second_cycle = bar >= 16;
    const bool intro = (bar % 16) < 2;

    if (bar % 2 == 0) {
      for (int note : ch.pad) AddPad(dry, t0, MidiHz(note), 0.05, 8 * beat, 1.4, 1.8);
    }
    // Bass: a long root and a short answer an octave up.
    const int root = ch.bass >= 43 ? ch.bass - 12 : ch.bass;  // keep it within 49-87 Hz
    AddStruck(dry, t0, MidiHz(root), 0.22, 0.0, 3.2 * beat, bassTone, 3, 0.012);
    AddStruck(dry, t0 + 3 * beat, MidiHz(root + 12), 0.12, 0.0, 0.9 * beat, bassTone, 3, 0.012);

    const int* pattern = intro ? patternC : ((bar % 4 < 2) ? patternA : patternB);
    for (int step = 0; step < 8; ++step) {
      int idx = pattern[step];
      if (idx < 0) continue;
      double accent = (step % 2 == 0) ? 1.0 : 0.75;
      double pan = (step % 2 == 0) ? -0.3 : 0.3;
      AddStruck(wet, t0 + step * beat / 2, MidiHz(ch.pad[idx] + 12), 0.085 * accent, pan, 1.3,
                pluck, 4);
    }

    if (!intro) {
      AddKick(dry, t0, 0.2);
      AddKick(dry, t0 + 2 * beat, 0.14);
      for (int step = 0; step < 8; ++step) {
        double g = (step % 2 == 1) ? 0.09 : 0.045;
        AddShaker(dry, rng, t0 + step * beat / 2, g, 0.25);
      }
    }

    // Melody: phrases of two bars on the chord tones and the F major
    // pentatonic, sparse in the first cycle, fuller in the second.
    const bool play_melody = second_cycle ? true : (bar % 4 >= 2);
    if (play_melody && bar % 2 == 0) {
      static const int scale[] = {65, 67, 69, 72, 74, 77, 79, 81};
      int pos = 2 + static_cast<int>(rng.Next() % 3);
      double t = t0;
      const double phrase_end = t0 + 7 * beat;
      while (t < phrase_end) {
        double len = beat * (rng.Uniform() < 0.35 ? 2.0 : (rng.Uniform() < 0.5 ? 1.0 : 1.5));
        if (t + len > phrase_end) len = phrase_end - t;
        int note = scale[pos];
        if (t == t0) {
          // Start each phrase on a tone of its chord.
          note = ch.pad[static_cast<size_t>(rng.Next() % 4)] + 12;
        }
        AddLead(wet, t, MidiHz(note), second_cycle ? 0.07 : 0.06, 0.1, len * 0.92);
        t += len;
        int stepdir = static_cast<int>(rng.Next() % 5) - 2;
        pos = std::clamp(pos + stepdir, 0, 7);
      }
    }
  }

  // Echo on the plucks and the melody, then everything together.
  LoopEcho(wet.left(), wet.right(), static_cast<size_t>(0.75 * beat * kSampleRate), 0.38f, 0.45f);
  std::vector<float>& l = dry.left();
  std::vector<float>& r = dry.right();
  for (size_t i = 0; i < frames; ++i) {
    l[i] += wet.left()[i];
    r[i] += wet.right()[i];
  }
  // Gentle saturation keeps the rare peaks from dominating the level.
  float m = 1e-9f;
  for (size_t i = 0; i < frames; ++i) m = std::max({m, std::fabs(l[i]), std::fabs(r[i])});
  for (size_t i = 0; i < frames; ++i) {
    l[i] = std::tanh(1.2f * l[i] / m);
    r[i] = std::tanh(1.2f * r[i] / m);
  }
  return Interleave(l, r, 0.72);
}

// ------------------------------------------------------------------ encoder

std::vector<uint8_t> EncodeVorbis(const Pcm& pcm, float quality, int serial, const char* title) {
  vorbis_info vi;
  vorbis_info_init(&vi);
  if (vorbis_encode_init_vbr(&vi, pcm.channels, kSampleRate, quality) != 0) {
    std::fprintf(stderr, "assetgen: the Vorbis encoder refused its settings\n");
    std::exit(1);
  }
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_comment_add_tag(&vc, "TITLE", title);
  vorbis_comment_add_tag(&vc, "ARTIST", "Velmarch");

  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, serial);

  std::vector<uint8_t> out;
  auto emit = [&out](const ogg_page& og) {
    out.insert(out.end(), og.header, og.header + og.header_len);
    out.insert(out.end(), og.body, og.body + og.body_len);
  };

  ogg_packet header, header_comm, header_code;
  vorbis_analysis_headerout(&vd, &vc, &header, &header_comm, &header_code);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &header_comm);
  ogg_stream_packetin(&os, &header_code);
  ogg_page og;
  while (ogg_stream_flush(&os, &og) != 0) emit(og);

  const size_t frames = pcm.Frames();
  const size_t chunk = 4096;
  size_t done = 0;
  bool eos = false, finished = false;
  while (!eos) {
    if (done < frames) {
      size_t n = std::min(chunk, frames - done);
      float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(n));
      for (size_t i = 0; i < n; ++i) {
        for (int c = 0; c < pcm.channels; ++c) {
          buffer[c][i] = pcm.samples[(done + i) * pcm.channels + c];
        }
      }
      vorbis_analysis_wrote(&vd, static_cast<int>(n));
      done += n;
    } else if (!finished) {
      vorbis_analysis_wrote(&vd, 0);  // end of stream
      finished = true;
    }
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet op;
      while (vorbis_bitrate_flushpacket(&vd, &op) != 0) {
        ogg_stream_packetin(&os, &op);
        while (ogg_stream_pageout(&os, &og) != 0) {
          emit(og);
          if (ogg_page_eos(&og)) eos = true;
        }
      }
    }
    if (finished && !eos) {
      while (ogg_stream_flush(&os, &og) != 0) emit(og);
      eos = true;
    }
  }
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return out;
}

}  // namespace assetgen
