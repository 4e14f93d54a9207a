// Byte reading for the picture decoders. Picture files are untrusted: every
// read says whether the bytes were there instead of trusting sizes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/system/stream.h"

// Reads up to count bytes, looping over short reads; never raises (a stream
// error counts as the end). Returns how many bytes arrived.
inline size_t ReadAvailable(TStream* stream, void* buffer, size_t count) noexcept {
  auto* p = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  try {
    while (done < count) {
      const int64_t n = stream->Read(p + done, static_cast<int64_t>(count - done));
      if (n <= 0 || static_cast<size_t>(n) > count - done) break;
      done += static_cast<size_t>(n);
    }
  } catch (...) {
  }
  return done;
}

// A buffered reader for our own decoders, which read many small pieces.
class TPictureReader {
 public:
  explicit TPictureReader(TStream* stream)
      : _stream(stream), _buffer(64 * 1024), _start(stream->Pos()), _size(stream->Size()) {}

  // Bytes the stream holds after what has been read so far, or UINT64_MAX when
  // it cannot tell; lets a decoder refuse a header that promises more pixels
  // than the file can hold before it allocates them.
  uint64_t Remaining() const {
    if (_start < 0 || _size <= 0) return UINT64_MAX;
    const int64_t at = _start + static_cast<int64_t>(_consumed + _pos);
    return at >= _size ? 0 : static_cast<uint64_t>(_size - at);
  }

  // Exactly count bytes or false.
  bool Read(void* out, size_t count) {
    auto* p = static_cast<uint8_t*>(out);
    while (count > 0) {
      if (_pos == _len && !Fill()) return false;
      const size_t n = count < _len - _pos ? count : _len - _pos;
      std::memcpy(p, _buffer.data() + _pos, n);
      _pos += n;
      p += n;
      count -= n;
    }
    return true;
  }
  bool Skip(uint64_t count) {
    while (count > 0) {
      if (_pos == _len && !Fill()) return false;
      const uint64_t n = count < _len - _pos ? count : _len - _pos;
      _pos += static_cast<size_t>(n);
      count -= n;
    }
    return true;
  }
  bool Byte(uint8_t& out) { return Read(&out, 1); }

 private:
  bool Fill() {
    _consumed += _len;
    _pos = 0;
    _len = ReadAvailable(_stream, _buffer.data(), _buffer.size());
    return _len > 0;
  }

  TStream* _stream;
  std::vector<uint8_t> _buffer;
  size_t _pos = 0;
  size_t _len = 0;
  uint64_t _consumed = 0;  // bytes of the buffers before the current one
  int64_t _start;
  int64_t _size;
};

inline uint32_t Le16(const uint8_t* p) { return uint32_t{p[0]} | uint32_t{p[1]} << 8; }
inline uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
