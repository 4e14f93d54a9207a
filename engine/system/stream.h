// Streams: every file the program reads or writes goes through a TStream.
// Numbers are little-endian; text is 8 bits per character on disk and 16 bits
// per character in memory.
#pragma once

#include <cstdint>
#include <cstdio>
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
  // Move exactly count bytes or raise TStreamReadException / TStreamWriteException
  // (also for a negative count).
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
  // length bytes as 8-bit characters; raises like ReadBytes.
  std::u16string ReadString(int64_t length);
  // The low 8 bits of each character; raises like WriteBytes.
  void WriteString(const std::u16string& text);
};

// A stream over a file of the C library's buffered interface.
// Every Write is flushed at once, so a full disk shows at the write that hit it
// rather than being lost at Close.
class TCStream : public TStream {
 public:
  enum { MODE_READ = 1, MODE_WRITE = 2 };
  TCStream() = default;
  TCStream(const TCStream&) = delete;
  TCStream& operator=(const TCStream&) = delete;
  ~TCStream() override;
  int64_t Pos() override { return _pos; }
  int64_t Size() override { return _size; }
  int64_t Seek(int64_t pos) override;
  int Flush() override;
  int Close() override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;

  // nullptr when the file cannot be opened (or names a folder). Both flags:
  // "r+b"; only writeable: "wb" (creates or empties); otherwise "rb".
  static std::shared_ptr<TCStream> OpenFile(const std::string& path, bool readable, bool writeable);
  // Takes ownership of file (closed by Close); nullptr for a null file.
  static std::shared_ptr<TCStream> CreateWithCStream(std::FILE* file, int mode);

  int64_t _pos = 0;
  int64_t _size = 0;
  std::FILE* _cstream = nullptr;
  int _mode = 0;

 private:
  // The C library needs a seek between a read and a following write.
  bool _lastWasRead = false;
};

// Forwards every operation to the wrapped stream. Once detached (_stream is
// nullptr) it is an empty stream: Eof, nothing to read, nothing written.
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
  TStreamFactory(const TStreamFactory&) = delete;
  TStreamFactory& operator=(const TStreamFactory&) = delete;
  virtual ~TStreamFactory();  // leaves the list
  virtual std::shared_ptr<TStream> CreateStream(const std::string& url, const std::string& proto,
                                                const std::string& path, bool readable,
                                                bool writeable) = 0;
  TStreamFactory* _succ = nullptr;
};

// A stream over bytes in memory, growing on write (tests, fuzzing, archives).
// Seek stays within 0..Size().
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

// nullptr when nothing can be opened; never raises.
std::shared_ptr<TStream> OpenUrlStream(const TUrl& url, bool readable, bool writeable);
std::shared_ptr<TStream> OpenReader(const TUrl& url);
std::shared_ptr<TStream> OpenWriter(const TUrl& url);

// Forwarders; a nullptr stream is empty: Eof 1, ReadLine "", WriteLine 0,
// ReadInt / WriteInt raise.
int Eof(const std::shared_ptr<TStream>& stream);
void CloseFileStream(const std::shared_ptr<TStream>& stream);
int32_t ReadInt(const std::shared_ptr<TStream>& stream);
void WriteInt(const std::shared_ptr<TStream>& stream, int32_t value);
std::u16string ReadLine(const std::shared_ptr<TStream>& stream);
int WriteLine(const std::shared_ptr<TStream>& stream, const std::u16string& text);
