#include "engine/system/stream.h"
#include "engine/system/chain.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

// ---------------------------------------------------------------- TIO

bool TIO::Eof() { return Pos() == Size(); }

int64_t TIO::Read(void*, int64_t) { throw std::runtime_error("Stream is not readable"); }

int64_t TIO::Write(const void*, int64_t) { throw std::runtime_error("Stream is not writeable"); }

// ---------------------------------------------------------------- TStream

void TStream::ReadBytes(void* buffer, int64_t count) {
  if (count < 0) throw TStreamReadException();
  auto* p = static_cast<unsigned char*>(buffer);
  while (count > 0) {
    const int64_t n = Read(p, count);
    if (n <= 0 || n > count) throw TStreamReadException();
    p += n;
    count -= n;
  }
}

void TStream::WriteBytes(const void* buffer, int64_t count) {
  if (count < 0) throw TStreamWriteException();
  const auto* p = static_cast<const unsigned char*>(buffer);
  while (count > 0) {
    const int64_t n = Write(p, count);
    if (n <= 0 || n > count) throw TStreamWriteException();
    p += n;
    count -= n;
  }
}

void TStream::SkipBytes(int64_t count) {
  if (count < 0) throw TStreamReadException();
  unsigned char scratch[4096];
  while (count > 0) {
    const int64_t step = std::min<int64_t>(count, sizeof scratch);
    ReadBytes(scratch, step);
    count -= step;
  }
}

namespace {

// Little-endian byte order, independent of the host's.
template <int N>
uint64_t ReadLittle(TStream& s) {
  unsigned char b[N];
  s.ReadBytes(b, N);
  uint64_t v = 0;
  for (int i = N - 1; i >= 0; --i) v = (v << 8) | b[i];
  return v;
}

template <int N>
void WriteLittle(TStream& s, uint64_t v) {
  unsigned char b[N];
  for (int i = 0; i < N; ++i) {
    b[i] = static_cast<unsigned char>(v & 0xFF);
    v >>= 8;
  }
  s.WriteBytes(b, N);
}

}  // namespace

int TStream::ReadByte() { return static_cast<int>(ReadLittle<1>(*this)); }
void TStream::WriteByte(int value) { WriteLittle<1>(*this, static_cast<uint32_t>(value)); }

int TStream::ReadShort() { return static_cast<int>(ReadLittle<2>(*this)); }
void TStream::WriteShort(int value) { WriteLittle<2>(*this, static_cast<uint32_t>(value)); }

int32_t TStream::ReadInt() { return static_cast<int32_t>(static_cast<uint32_t>(ReadLittle<4>(*this))); }
void TStream::WriteInt(int32_t value) { WriteLittle<4>(*this, static_cast<uint32_t>(value)); }

int64_t TStream::ReadLong() { return static_cast<int64_t>(ReadLittle<8>(*this)); }
void TStream::WriteLong(int64_t value) { WriteLittle<8>(*this, static_cast<uint64_t>(value)); }

float TStream::ReadFloat() {
  const auto bits = static_cast<uint32_t>(ReadLittle<4>(*this));
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}
void TStream::WriteFloat(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  WriteLittle<4>(*this, bits);
}

double TStream::ReadDouble() {
  const uint64_t bits = ReadLittle<8>(*this);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}
void TStream::WriteDouble(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  WriteLittle<8>(*this, bits);
}

std::u16string TStream::ReadLine() {
  // Byte buffer of 1024 at first, doubled whenever it is full.
  std::string buf(1024, '\0');
  size_t used = 0;
  try {
    for (;;) {
      unsigned char c = 0;
      if (Read(&c, 1) != 1) break;
      if (c == 10 || c == 0) break;
      if (c == 13) continue;
      if (used == buf.size()) buf.resize(buf.size() * 2);
      buf[used++] = static_cast<char>(c);
    }
  } catch (...) {
    // A stream that cannot be read simply ends the line.
  }
  std::u16string line(used, u'\0');
  for (size_t i = 0; i < used; ++i) line[i] = static_cast<unsigned char>(buf[i]);
  return line;
}

namespace {

// Write as much as the stream takes; true when all of it went.
bool WriteAll(TStream& s, const unsigned char* p, int64_t count) {
  while (count > 0) {
    const int64_t n = s.Write(p, count);
    if (n <= 0 || n > count) return false;
    p += n;
    count -= n;
  }
  return true;
}

std::string ToBytes(const std::u16string& text) {
  std::string bytes(text.size(), '\0');
  for (size_t i = 0; i < text.size(); ++i) bytes[i] = static_cast<char>(text[i] & 0xFF);
  return bytes;
}

}  // namespace

int TStream::WriteLine(const std::u16string& text) {
  try {
    const std::string bytes = ToBytes(text);
    if (!WriteAll(*this, reinterpret_cast<const unsigned char*>(bytes.data()),
                  static_cast<int64_t>(bytes.size())))
      return 0;
    static const unsigned char kCrLf[2] = {13, 10};
    return WriteAll(*this, kCrLf, 2) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

std::u16string TStream::ReadString(int64_t length) {
  if (length < 0) throw TStreamReadException();
  // Read in chunks so that a length taken from a damaged file cannot make us
  // allocate more than the stream really holds.
  std::u16string text;
  unsigned char chunk[4096];
  while (length > 0) {
    const int64_t step = std::min<int64_t>(length, sizeof chunk);
    ReadBytes(chunk, step);
    text.append(chunk, chunk + step);
    length -= step;
  }
  return text;
}

void TStream::WriteString(const std::u16string& text) {
  const std::string bytes = ToBytes(text);
  WriteBytes(bytes.data(), static_cast<int64_t>(bytes.size()));
}

// ---------------------------------------------------------------- TCStream

TCStream::~TCStream() { TCStream::Close(); }

std::shared_ptr<TCStream> TCStream::OpenFile(const std::string& path, bool readable,
                                             bool writeable) {
  // An embedded zero would silently name another file.
  if (path.empty() || path.find('\0') != std::string::npos) return nullptr;
  std::string name = path;
  std::replace(name.begin(), name.end(), '\\', '/');
  const char* mode = "rb";
  int flags = MODE_READ;
  if (readable && writeable) {
    mode = "r+b";
    flags = MODE_READ | MODE_WRITE;
  } else if (writeable) {
    mode = "wb";
    flags = MODE_WRITE;
  }
  // "e": the descriptor is not inherited by programs we start (xdg-open).
  const std::string cmode = std::string(mode) + "e";
  std::FILE* file = std::fopen(name.c_str(), cmode.c_str());
  if (!file) return nullptr;
  // The C library opens a folder for reading; no stream over it makes sense.
  struct stat st {};
  if (fstat(fileno(file), &st) != 0 || S_ISDIR(st.st_mode)) {
    std::fclose(file);
    return nullptr;
  }
  return CreateWithCStream(file, flags);
}

std::shared_ptr<TCStream> TCStream::CreateWithCStream(std::FILE* file, int mode) {
  if (!file) return nullptr;
  auto s = std::make_shared<TCStream>();
  s->_cstream = file;
  s->_mode = mode;
  // Pipes and terminals cannot tell or seek: they start at 0 with no known size.
  const off_t start = ftello(file);
  if (start >= 0 && fseeko(file, 0, SEEK_END) == 0) {
    const off_t end = ftello(file);
    s->_pos = start;
    s->_size = end >= 0 ? end : 0;
    fseeko(file, start, SEEK_SET);
  }
  return s;
}

int64_t TCStream::Seek(int64_t pos) {
  if (!_cstream) return -1;
  if (pos >= 0 && fseeko(_cstream, static_cast<off_t>(pos), SEEK_SET) == 0) {
    _lastWasRead = false;
    const off_t now = ftello(_cstream);
    if (now >= 0) _pos = now;
  }
  return _pos;
}

int TCStream::Flush() {
  if (!_cstream) return 0;
  return std::fflush(_cstream) == 0 ? 0 : -1;
}

int TCStream::Close() {
  if (!_cstream) return 0;
  std::fflush(_cstream);
  std::fclose(_cstream);
  _cstream = nullptr;
  _pos = 0;
  _size = 0;
  return 0;
}

int64_t TCStream::Read(void* buffer, int64_t count) {
  // A stream opened only for writing has nothing to read (and must not take
  // the failed read for its end).
  if (!_cstream || count <= 0 || !(_mode & MODE_READ)) return 0;
  const size_t n = std::fread(buffer, 1, static_cast<size_t>(count), _cstream);
  _lastWasRead = true;
  _pos += static_cast<int64_t>(n);
  // The file ended somewhere else than we thought (it shrank, or grew and has
  // now been read past the size known at opening), or it cannot be read any
  // further (a failing device): take where reading stopped as the end, so that
  // Eof holds and a read-until-Eof loop ends.
  if (n < static_cast<size_t>(count) && (std::feof(_cstream) || std::ferror(_cstream))) {
    _size = _pos;
    std::clearerr(_cstream);
  }
  return static_cast<int64_t>(n);
}

int64_t TCStream::Write(const void* buffer, int64_t count) {
  if (!_cstream || count <= 0) return 0;
  if (_lastWasRead) {
    fseeko(_cstream, static_cast<off_t>(_pos), SEEK_SET);
    _lastWasRead = false;
  }
  const size_t n = std::fwrite(buffer, 1, static_cast<size_t>(count), _cstream);
  // Flushed now, so that a failing device (a full disk) is reported by this
  // write and not lost at Close.
  if (n == 0 || std::fflush(_cstream) != 0) {
    std::clearerr(_cstream);
    return 0;
  }
  _pos += static_cast<int64_t>(n);
  if (_pos > _size) _size = _pos;
  return static_cast<int64_t>(n);
}

// ---------------------------------------------------------------- wrappers

bool TStreamWrapper::Eof() { return _stream ? _stream->Eof() : true; }
int64_t TStreamWrapper::Pos() { return _stream ? _stream->Pos() : -1; }
int64_t TStreamWrapper::Size() { return _stream ? _stream->Size() : 0; }
int64_t TStreamWrapper::Seek(int64_t pos) { return _stream ? _stream->Seek(pos) : -1; }
int TStreamWrapper::Flush() { return _stream ? _stream->Flush() : 0; }
int TStreamWrapper::Close() { return _stream ? _stream->Close() : 0; }
int64_t TStreamWrapper::Read(void* buffer, int64_t count) {
  return _stream ? _stream->Read(buffer, count) : 0;
}
int64_t TStreamWrapper::Write(const void* buffer, int64_t count) {
  return _stream ? _stream->Write(buffer, count) : 0;
}

int TStreamStream::Close() {
  _stream = nullptr;
  return 0;
}

// ---------------------------------------------------------------- TMemoryStream

int64_t TMemoryStream::Seek(int64_t pos) {
  if (pos < 0) return -1;
  _pos = std::min<int64_t>(pos, Size());
  return _pos;
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || _pos >= Size()) return 0;
  const int64_t n = std::min<int64_t>(count, Size() - _pos);
  std::memcpy(buffer, _bytes.data() + _pos, static_cast<size_t>(n));
  _pos += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0 || count > INT64_MAX - _pos) return 0;
  const auto end = static_cast<size_t>(_pos + count);
  if (end > _bytes.size()) _bytes.resize(end);
  std::memcpy(_bytes.data() + _pos, buffer, static_cast<size_t>(count));
  _pos += count;
  return count;
}

// ---------------------------------------------------------------- factories

namespace {
TStreamFactory* factoryHead = nullptr;
}

TStreamFactory::TStreamFactory() { LinkAtHead(factoryHead, this); }

TStreamFactory::~TStreamFactory() {
  Unlink(factoryHead, this);
}

// ---------------------------------------------------------------- opening

std::shared_ptr<TStream> OpenUrlStream(const TUrl& url, bool readable, bool writeable) {
  std::string text;
  if (const auto* stream = std::get_if<std::shared_ptr<TStream>>(&url)) {
    if (*stream) return std::make_shared<TStreamStream>(*stream);
    // A Null stream counts as the empty address.
  } else {
    text = std::get<std::string>(url);
  }
  const auto sep = text.find("::");
  if (!text.empty() && sep == std::string::npos)
    return TCStream::OpenFile(text, readable, writeable);

  std::string proto, path;
  if (sep != std::string::npos) {
    proto = text.substr(0, sep);
    path = text.substr(sep + 2);
    for (char& c : proto)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  for (TStreamFactory* f = factoryHead; f; f = f->_succ) {
    try {
      if (auto s = f->CreateStream(text, proto, path, readable, writeable)) return s;
    } catch (...) {
      // A handler that fails counts as one that does not answer.
    }
  }
  return nullptr;
}

std::shared_ptr<TStream> OpenReader(const TUrl& url) { return OpenUrlStream(url, true, false); }
std::shared_ptr<TStream> OpenWriter(const TUrl& url) { return OpenUrlStream(url, false, true); }

// ---------------------------------------------------------------- forwarders

int Eof(const std::shared_ptr<TStream>& stream) { return !stream || stream->Eof() ? 1 : 0; }

void CloseFileStream(const std::shared_ptr<TStream>& stream) {
  if (stream) stream->Close();
}

int32_t ReadInt(const std::shared_ptr<TStream>& stream) {
  if (!stream) throw TStreamReadException();
  return stream->ReadInt();
}

void WriteInt(const std::shared_ptr<TStream>& stream, int32_t value) {
  if (!stream) throw TStreamWriteException();
  stream->WriteInt(value);
}

std::u16string ReadLine(const std::shared_ptr<TStream>& stream) {
  return stream ? stream->ReadLine() : std::u16string();
}

int WriteLine(const std::shared_ptr<TStream>& stream, const std::u16string& text) {
  return stream ? stream->WriteLine(text) : 0;
}
