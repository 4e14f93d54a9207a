// Streams: every file the program reads or writes goes through a TStream.
// Numbers are little-endian; text is 8 bits per character on disk and 16 bits
// per character in memory.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>

class TStreamException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
class TStreamReadException : public TStreamException {
 public:
  TStreamReadException() : TStreamException("Error reading from stream") {}
};
class TStreamWriteException : public TStreamException {
 public:
  TStreamWriteException() : TStreamException("Error writing to stream") {}
};

class TIO {
 public:
  virtual ~TIO() = default;
  virtual bool Eof();  // Pos() == Size()
  virtual int64_t Pos() { return -1; }
  virtual int64_t Size() { return 0; }
  virtual int64_t Seek(int64_t /*pos*/) { return -1; }
  virtual int Flush() { return 0; }
  virtual int Close() { return 0; }
  // Move up to count bytes; return how many moved. The base versions raise
  // std::runtime_error "Stream is not readable" / "Stream is not writeable".
  virtual int64_t Read(void* buffer, int64_t count);
  virtual int64_t Write(const void* buffer, int64_t count);
};

class TStream : public TIO {
 public:
  // Move exactly count bytes or raise TStreamReadException / TStreamWriteException.
  void ReadBytes(void* buffer, int64_t count);
  void WriteBytes(const void* buffer, int64_t count);
  void SkipBytes(int64_t count);
  int ReadByte();  // 0-255
  void WriteByte(int value);
  int ReadShort();  // 0-65535
  void WriteShort(int value);
  int32_t ReadInt();
  void WriteInt(int32_t value);
  int64_t ReadLong();
  void WriteLong(int64_t value);
  float ReadFloat();
  void WriteFloat(float value);
  double ReadDouble();
  void WriteDouble(double value);
  // Up to a line feed, a zero byte or the end; carriage returns dropped. Never raises.
  std::u16string ReadLine();
  // The text's bytes then CR LF; 1 when all were written. Never raises.
  int WriteLine(const std::u16string& text);
  std::u16string ReadString(int64_t length);
  void WriteString(const std::u16string& text);
};

// A stream over a file of the C library's buffered interface.
class TCStream : public TStream {
 public:
  enum { MODE_READ = 1, MODE_WRITE = 2 };
  ~TCStream() override;
  int64_t Pos() override { return _pos; }
  int64_t Size() override { return _size; }
  int64_t Seek(int64_t pos) override;
  int Flush() override;
  int Close() override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;

  // nullptr when the file cannot be opened. Both flags: "r+b"; only writeable:
  // "wb" (creates or empties); otherwise "rb".
  static std::shared_ptr<TCStream> OpenFile(const std::string& path, bool readable, bool writeable);
  static std::shared_ptr<TCStream> CreateWithCStream(std::FILE* file, int mode);

  int64_t _pos = 0;
  int64_t _size = 0;
  std::FILE* _cstream = nullptr;
  int _mode = 0;
};

// Forwards every operation to the wrapped stream.
class TStreamWrapper : public TStream {
 public:
  explicit TStreamWrapper(std::shared_ptr<TStream> stream) : _stream(std::move(stream)) {}
  bool Eof() override;
  int64_t Pos() override;
  int64_t Size() override;
  int64_t Seek(int64_t pos) override;
  int Flush() override;
  int Close() override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;

  std::shared_ptr<TStream> _stream;
};

// What opening an existing stream returns; Close only lets go of the wrapped stream.
class TStreamStream : public TStreamWrapper {
 public:
  using TStreamWrapper::TStreamWrapper;
  int Close() override;
};

// Handlers for "proto::path" addresses; the newest factory is asked first.
class TStreamFactory {
 public:
  TStreamFactory();  // adds itself at the head of the factory list
  virtual ~TStreamFactory();
  virtual std::shared_ptr<TStream> CreateStream(const std::string& url, const std::string& proto,
                                                const std::string& path, bool readable,
                                                bool writeable) = 0;
  TStreamFactory* _succ = nullptr;
};

// A stream over bytes in memory, growing on write (tests, fuzzing, archives).
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string bytes) : _bytes(std::move(bytes)) {}
  int64_t Pos() override { return _pos; }
  int64_t Size() override { return static_cast<int64_t>(_bytes.size()); }
  int64_t Seek(int64_t pos) override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  const std::string& Bytes() const { return _bytes; }

  std::string _bytes;
  int64_t _pos = 0;
};

// An address: a path or "proto::path" text, or an existing stream.
using TUrl = std::variant<std::string, std::shared_ptr<TStream>>;

std::shared_ptr<TStream> OpenUrlStream(const TUrl& url, bool readable, bool writeable);
std::shared_ptr<TStream> OpenReader(const TUrl& url);
std::shared_ptr<TStream> OpenWriter(const TUrl& url);

int Eof(const std::shared_ptr<TStream>& stream);
void CloseFileStream(const std::shared_ptr<TStream>& stream);
int32_t ReadInt(const std::shared_ptr<TStream>& stream);
void WriteInt(const std::shared_ptr<TStream>& stream, int32_t value);
std::u16string ReadLine(const std::shared_ptr<TStream>& stream);
int WriteLine(const std::shared_ptr<TStream>& stream, const std::u16string& text);
