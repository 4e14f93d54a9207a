// Sound fixtures made at run time (Ogg Vorbis through libvorbisenc, RIFF
// WAVE by hand) and small signal measurements for checking what was decoded
// or recorded. Header only: shared by the audio test programs and the benchmark.
#pragma once

#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <numbers>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace fixtures {

// signal(channel, frame) in -1..1.
using Signal = std::function<float(int, int64_t)>;

inline Signal Tone(double hertz, int rate, float amplitude = 0.5f) {
  return [=](int, int64_t f) {
    return amplitude * static_cast<float>(std::sin(2 * std::numbers::pi * hertz * f / rate));
  };
}

// Encodes frames frames of signal as Ogg Vorbis.
inline std::string MakeOgg(int channels, int rate, int64_t frames, const Signal& signal,
                           float quality = 0.4f, int serial = 1234) {
  vorbis_info vi;
  vorbis_info_init(&vi);
  if (vorbis_encode_init_vbr(&vi, channels, rate, quality) != 0) {
    vorbis_info_clear(&vi);
    throw std::runtime_error("vorbis_encode_init_vbr refused the settings");
  }
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_dsp_state vd;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block vb;
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, serial);

  std::string out;
  ogg_page og;
  auto drainPages = [&](bool flush) {
    while (flush ? ogg_stream_flush(&os, &og) : ogg_stream_pageout(&os, &og)) {
      out.append(reinterpret_cast<const char*>(og.header), static_cast<size_t>(og.header_len));
      out.append(reinterpret_cast<const char*>(og.body), static_cast<size_t>(og.body_len));
    }
  };

  ogg_packet header, comments, codebooks;
  vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &comments);
  ogg_stream_packetin(&os, &codebooks);
  drainPages(true);

  const int64_t chunk = 4096;
  for (int64_t done = 0;; done += chunk) {
    const int64_t n = std::min(chunk, frames - done);
    if (n <= 0) {
      vorbis_analysis_wrote(&vd, 0);
    } else {
      float** buf = vorbis_analysis_buffer(&vd, static_cast<int>(n));
      for (int c = 0; c < channels; ++c)
        for (int64_t i = 0; i < n; ++i) buf[c][i] = signal(c, done + i);
      vorbis_analysis_wrote(&vd, static_cast<int>(n));
    }
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet op;
      while (vorbis_bitrate_flushpacket(&vd, &op)) {
        ogg_stream_packetin(&os, &op);
        drainPages(false);
      }
    }
    if (n <= 0) break;
  }
  drainPages(true);

  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return out;
}

// Offsets of every Ogg page in bytes.
inline std::vector<size_t> OggPages(const std::string& ogg) {
  std::vector<size_t> pages;
  size_t at = 0;
  while (at + 27 <= ogg.size() && ogg.compare(at, 4, "OggS") == 0) {
    const auto segs = static_cast<uint8_t>(ogg[at + 26]);
    size_t body = 0;
    for (int i = 0; i < segs && at + 27 + i < ogg.size(); ++i)
      body += static_cast<uint8_t>(ogg[at + 27 + i]);
    pages.push_back(at);
    at += 27 + segs + body;
  }
  return pages;
}

// Sets the granule position (the frame count so far) of the last page and
// mends its checksum, so that the file states a length it does not hold.
inline std::string WithLastGranule(std::string ogg, int64_t granule) {
  const size_t at = OggPages(ogg).back();
  for (int i = 0; i < 8; ++i)
    ogg[at + 6 + i] = static_cast<char>((static_cast<uint64_t>(granule) >> (8 * i)) & 0xff);
  ogg_page page;
  page.header = reinterpret_cast<unsigned char*>(&ogg[at]);
  page.header_len = 27 + static_cast<uint8_t>(ogg[at + 26]);
  page.body = page.header + page.header_len;
  page.body_len = static_cast<long>(ogg.size() - at) - page.header_len;
  ogg_page_checksum_set(&page);
  return ogg;
}

// A well-formed Ogg stream whose one packet is not Vorbis.
inline std::string MakeOggOfOtherCodec() {
  ogg_stream_state os;
  ogg_stream_init(&os, 99);
  std::string payload = "OpusHead\x01\x02\x38\x01\x80\xbb\x00\x00\x00\x00\x00";
  ogg_packet op{};
  op.packet = reinterpret_cast<unsigned char*>(payload.data());
  op.bytes = static_cast<long>(payload.size());
  op.b_o_s = 1;
  op.e_o_s = 1;
  ogg_stream_packetin(&os, &op);
  std::string out;
  ogg_page og;
  while (ogg_stream_flush(&os, &og)) {
    out.append(reinterpret_cast<const char*>(og.header), static_cast<size_t>(og.header_len));
    out.append(reinterpret_cast<const char*>(og.body), static_cast<size_t>(og.body_len));
  }
  ogg_stream_clear(&os);
  return out;
}

inline void PutLE(std::string& s, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

// A RIFF WAVE file: a format chunk (tag 1 PCM, 3 float, 0xFFFE extensible
// with the PCM sub-format) and a data chunk of the given bytes; dataSize
// overrides the stated data size.
inline std::string MakeWav(int tag, int channels, int hertz, int bits, const std::string& data,
                           int64_t dataSize = -1) {
  std::string fmt;
  PutLE(fmt, static_cast<uint32_t>(tag), 2);
  PutLE(fmt, static_cast<uint32_t>(channels), 2);
  PutLE(fmt, static_cast<uint32_t>(hertz), 4);
  PutLE(fmt, static_cast<uint32_t>(hertz * channels * bits / 8), 4);
  PutLE(fmt, static_cast<uint32_t>(channels * bits / 8), 2);
  PutLE(fmt, static_cast<uint32_t>(bits), 2);
  if (tag == 0xFFFE) {
    PutLE(fmt, 22, 2);
    PutLE(fmt, static_cast<uint32_t>(bits), 2);
    PutLE(fmt, channels == 1 ? 4 : 3, 4);
    static const unsigned char guid[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                           0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    fmt.append(reinterpret_cast<const char*>(guid), 16);
  }
  std::string body = "WAVE";
  body += "fmt ";
  PutLE(body, static_cast<uint32_t>(fmt.size()), 4);
  body += fmt;
  body += "data";
  PutLE(body, static_cast<uint32_t>(dataSize >= 0 ? dataSize : static_cast<int64_t>(data.size())),
        4);
  body += data;
  std::string out = "RIFF";
  PutLE(out, static_cast<uint32_t>(body.size()), 4);
  return out + body;
}

// 16-bit little-endian samples of a channel of interleaved frames.
inline std::vector<float> Channel16(const uint8_t* bytes, int frames, int channels, int channel) {
  std::vector<float> v(static_cast<size_t>(frames));
  for (int i = 0; i < frames; ++i) {
    const uint8_t* p = bytes + (static_cast<size_t>(i) * channels + channel) * 2;
    v[static_cast<size_t>(i)] = static_cast<int16_t>(p[0] | p[1] << 8) / 32768.f;
  }
  return v;
}

inline double Rms(const std::vector<float>& v, size_t from = 0, size_t to = SIZE_MAX) {
  to = std::min(to, v.size());
  if (from >= to) return 0;
  double sum = 0;
  for (size_t i = from; i < to; ++i) sum += double{v[i]} * v[i];
  return std::sqrt(sum / static_cast<double>(to - from));
}

// Amplitude of the hertz component of v[from, to) (Goertzel); a pure sine of
// amplitude a gives about a.
inline double ToneLevel(const std::vector<float>& v, double hertz, int rate, size_t from = 0,
                        size_t to = SIZE_MAX) {
  to = std::min(to, v.size());
  if (from >= to) return 0;
  const double w = 2 * std::numbers::pi * hertz / rate, k = 2 * std::cos(w);
  double s1 = 0, s2 = 0;
  for (size_t i = from; i < to; ++i) {
    const double s0 = v[i] + k * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  const double power = s1 * s1 + s2 * s2 - k * s1 * s2;
  return 2 * std::sqrt(std::max(power, 0.0)) / static_cast<double>(to - from);
}

// First and last frame of the 5 ms windows whose level is above threshold;
// {0, 0} when none is.
struct Span {
  size_t first = 0, last = 0;
  size_t Frames() const { return last - first; }
};
inline Span Loud(const std::vector<float>& v, int rate, double threshold) {
  const size_t win = static_cast<size_t>(rate / 200);
  Span s;
  bool any = false;
  for (size_t at = 0; at + win <= v.size(); at += win) {
    if (Rms(v, at, at + win) > threshold) {
      if (!any) s.first = at;
      any = true;
      s.last = at + win;
    }
  }
  return s;
}

// Polls until done() holds or limitMs passed; whether it held.
inline bool WaitFor(const std::function<bool()>& done, int limitMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace fixtures
