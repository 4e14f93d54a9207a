#include "game/shell/archive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <vector>

#include "engine/system/files.h"
#include "game/shell/write_all.h"

namespace {

constexpr int kRecordCount = 4;
constexpr size_t kMaxNameBytes = 50;
constexpr size_t kChunkBytes = 64 * 1024;

bool IsSpace(int c) { return c == ' ' || (c >= 9 && c <= 13); }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }

// The name is used as a file name inside the temporary folder: it must stay
// there and name an ordinary file.
bool IsPlainName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (unsigned char c : name) {
    if (c == '/' || c == '\\' || c < 32 || c == 127) return false;
  }
  return true;
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  int Get() const { return fd_; }
  // Closes now; false when the system reports the close failed.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || close(fd) == 0;
  }

 private:
  int fd_;
};

// Buffered reading of the archive, one byte at a time for the record heads
// and in chunks for the data. A read error ends the archive like its end does.
class ArchiveReader {
 public:
  ArchiveReader(int fd, uint64_t size) : fd_(fd), size_(size), buf_(kChunkBytes) {}

  // The next byte without taking it; -1 at the end.
  int Peek() { return Fill() ? buf_[at_] : -1; }
  void Skip() {
    if (Fill()) {
      ++at_;
      ++pos_;
    }
  }
  // Bytes the archive holds after what has been taken.
  uint64_t Left() const { return size_ > pos_ ? size_ - pos_ : 0; }
  // Takes up to count bytes (at least one unless the archive has ended).
  size_t Take(const unsigned char** data, size_t count) {
    if (!Fill()) return 0;
    const size_t n = std::min(count, end_ - at_);
    *data = buf_.data() + at_;
    at_ += n;
    pos_ += n;
    return n;
  }

 private:
  bool Fill() {
    if (at_ < end_) return true;
    for (;;) {
      const ssize_t n = read(fd_, buf_.data(), buf_.size());
      if (n > 0) {
        at_ = 0;
        end_ = static_cast<size_t>(n);
        return true;
      }
      if (n < 0 && errno == EINTR) continue;
      return false;
    }
  }

  int fd_;
  uint64_t size_;
  uint64_t pos_ = 0;
  std::vector<unsigned char> buf_;
  size_t at_ = 0;
  size_t end_ = 0;
};

// Optional white space, then the name up to the white space that ends it.
bool ReadName(ArchiveReader& in, std::string& name) {
  while (IsSpace(in.Peek())) in.Skip();
  int c;
  while ((c = in.Peek()) != -1 && !IsSpace(c)) {
    if (name.size() == kMaxNameBytes) return false;
    name.push_back(static_cast<char>(c));
    in.Skip();
  }
  // An archive that ends here has no size and no data for this record.
  return c != -1 && IsPlainName(name);
}

// White space, then decimal digits; the data starts right after the last
// one. The size may not promise more bytes than the archive still holds.
bool ReadSize(ArchiveReader& in, uint64_t& size) {
  while (IsSpace(in.Peek())) in.Skip();
  if (!IsDigit(in.Peek())) return false;
  size = 0;
  int c;
  while (IsDigit(c = in.Peek())) {
    // Whatever follows only makes the size larger and what is left smaller.
    if (size > in.Left() / 10) return false;
    size = size * 10 + static_cast<uint64_t>(c - '0');
    in.Skip();
    if (size > in.Left()) return false;
  }
  return true;
}

bool CopyData(ArchiveReader& in, int out, uint64_t size) {
  while (size > 0) {
    const unsigned char* data = nullptr;
    const size_t n = in.Take(&data, static_cast<size_t>(std::min<uint64_t>(size, kChunkBytes)));
    if (n == 0 || !WriteAll(out, data, n)) return false;
    size -= n;
  }
  return true;
}

}  // namespace

int ExtractPictureArchive(const std::string& archivePath, const std::string& tempDir) {
  const std::string path = NormalisePath(archivePath);
  if (path.empty() || path.find('\0') != std::string::npos) return -1;
  // Non-blocking, so that a pipe put in the archive's place cannot hang
  // start-up; it has no effect on the regular file required here.
  FileDescriptor archive(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (archive.Get() < 0) return -1;
  struct stat st {};
  if (fstat(archive.Get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) return -1;

  if (!EnterFolder(tempDir)) return -2;

  ArchiveReader in(archive.Get(), static_cast<uint64_t>(st.st_size));
  std::vector<std::string> written;
  auto fail = [&written] {
    for (const std::string& name : written) unlink(name.c_str());
    return -2;
  };
  for (int record = 0; record < kRecordCount; ++record) {
    std::string name;
    uint64_t size = 0;
    if (!ReadName(in, name) || !ReadSize(in, size)) return fail();
    // A link of the record's name is not followed out of the folder, and
    // anything there but an ordinary file is left alone.
    FileDescriptor out(
        open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666));
    if (out.Get() < 0) return fail();
    struct stat ost {};
    if (fstat(out.Get(), &ost) != 0 || !S_ISREG(ost.st_mode)) return fail();
    written.push_back(name);
    const bool copied = CopyData(in, out.Get(), size);
    if (!out.Close() || !copied) return fail();
  }
  return 0;
}
