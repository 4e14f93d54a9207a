#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "engine/system/stream.h"

namespace fs = std::filesystem;

namespace {

// A folder of its own under the system's temporary folder, removed afterwards.
class StreamFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "quillory-stream-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Put(const std::string& name, const std::string& bytes) const {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  std::string Get(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  fs::path dir_;
};

std::vector<std::u16string> AllLines(TStream& s) {
  std::vector<std::u16string> lines;
  for (int guard = 0; !s.Eof() && guard < 100000; ++guard) lines.push_back(s.ReadLine());
  return lines;
}

}  // namespace

TEST(StreamLines, SplitAtLineFeedAndZeroAndDropCarriageReturns) {
  const std::string big(3000, 'x');  // past two doublings of the line buffer
  struct Case {
    std::string bytes;
    std::vector<std::u16string> lines;
  } cases[] = {
      {std::string("ab\r\ncd"), {u"ab", u"cd"}},
      {std::string("a\rb"), {u"ab"}},
      {std::string("\r\r\n\n", 4), {u"", u""}},
      {std::string("one\0two\n", 8), {u"one", u"two"}},
      {std::string("\xE9\xFF\n"), {u"\u00E9\u00FF"}},
      {big + "\r\nz", {std::u16string(big.begin(), big.end()), u"z"}},
      {std::string(), {}},
  };
  for (const auto& c : cases) {
    TMemoryStream s(c.bytes);
    EXPECT_EQ(AllLines(s), c.lines) << "bytes: " << c.bytes.substr(0, 20);
    EXPECT_TRUE(s.Eof());
    EXPECT_EQ(s.ReadLine(), u"");
  }
}

TEST(StreamLines, RandomBytesSplitIntoLinesWithoutLoss) {
  // Lines joined again with their terminators give back the input without its
  // carriage returns; after the last terminator a further line is read only
  // when bytes remain, even if they are all carriage returns.
  std::mt19937 rng(1234);
  const char alphabet[] = {'a', 'b', '\r', '\n', '\0', '\xE9'};
  for (int round = 0; round < 200; ++round) {
    std::string bytes(rng() % 3000, '\0');
    for (char& c : bytes) c = alphabet[rng() % sizeof alphabet];
    TMemoryStream s(bytes);
    std::string joined;
    for (const auto& line : AllLines(s)) {
      for (char16_t ch : line) {
        ASSERT_LT(ch, 256);
        joined += static_cast<char>(ch);
      }
      joined += '|';
    }
    std::string expected;
    bool open = false;  // bytes (CRs too) read since the last terminator
    for (char c : bytes) {
      if (c == '\n' || c == '\0') {
        expected += '|';
        open = false;
      } else {
        if (c != '\r') expected += c;
        open = true;
      }
    }
    if (open) expected += '|';
    ASSERT_EQ(joined, expected) << "round " << round;
  }
}

TEST(StreamLines, ReadLineNeverRaisesOnAnUnreadableStream) {
  TStreamStream detached(nullptr);
  EXPECT_EQ(detached.ReadLine(), u"");
  struct WriteOnly : TStream {} w;  // base Read raises "Stream is not readable"
  EXPECT_EQ(w.ReadLine(), u"");
  EXPECT_EQ(w.WriteLine(u"x"), 0);
}

TEST(StreamLines, WriteLineKeepsLowEightBitsAndEndsWithCrLf) {
  TMemoryStream s;
  EXPECT_EQ(s.WriteLine(u"\u00E9"), 1);
  EXPECT_EQ(s.WriteLine(u"A\u0142"), 1);  // 0x142 keeps 0x42
  EXPECT_EQ(s.Bytes(), std::string("\xE9\r\nAB\r\n"));
  s.Seek(0);
  EXPECT_EQ(s.ReadLine(), u"\u00E9");
  EXPECT_EQ(s.ReadLine(), u"AB");
  EXPECT_TRUE(s.Eof());
}

TEST(StreamNumbers, LittleEndianRoundTrip) {
  TMemoryStream s;
  s.WriteInt(1);
  EXPECT_EQ(s.Bytes(), std::string("\x01\x00\x00\x00", 4));
  s.WriteByte(0x1FF);
  s.WriteShort(-2);
  s.WriteInt(INT32_MIN);
  s.WriteLong(-0x123456789ALL);
  s.WriteFloat(-1.5f);
  s.WriteDouble(3.25e300);
  s.WriteString(u"hi\u00E9");
  EXPECT_EQ(s.Bytes().substr(4, 3), std::string("\xFF\xFE\xFF"));
  EXPECT_EQ(s.Bytes().substr(7, 4), std::string("\x00\x00\x00\x80", 4));
  s.Seek(0);
  EXPECT_EQ(s.ReadInt(), 1);
  EXPECT_EQ(s.ReadByte(), 0xFF);
  EXPECT_EQ(s.ReadShort(), 0xFFFE);
  EXPECT_EQ(s.ReadInt(), INT32_MIN);
  EXPECT_EQ(s.ReadLong(), -0x123456789ALL);
  EXPECT_EQ(s.ReadFloat(), -1.5f);
  EXPECT_EQ(s.ReadDouble(), 3.25e300);
  EXPECT_EQ(s.ReadString(3), u"hi\u00E9");
  EXPECT_TRUE(s.Eof());
}

TEST(StreamNumbers, ReadsPastTheEndRaiseOnlyTheReadException) {
  // Each read is tried on a stream one byte too short for it.
  struct Case {
    const char* name;
    int bytes;
    void (*read)(TStream&);
  } cases[] = {
      {"ReadByte", 0, [](TStream& s) { s.ReadByte(); }},
      {"ReadShort", 1, [](TStream& s) { s.ReadShort(); }},
      {"ReadInt", 3, [](TStream& s) { s.ReadInt(); }},
      {"ReadLong", 7, [](TStream& s) { s.ReadLong(); }},
      {"ReadFloat", 3, [](TStream& s) { s.ReadFloat(); }},
      {"ReadDouble", 7, [](TStream& s) { s.ReadDouble(); }},
      {"ReadString", 9, [](TStream& s) { s.ReadString(10); }},
      {"SkipBytes", 9, [](TStream& s) { s.SkipBytes(10); }},
      {"negative ReadString", 9, [](TStream& s) { s.ReadString(-1); }},
      {"huge ReadString", 9, [](TStream& s) { s.ReadString(INT64_MAX); }},
      {"negative SkipBytes", 9, [](TStream& s) { s.SkipBytes(-1); }},
  };
  for (const auto& c : cases) {
    TMemoryStream s(std::string(c.bytes, 'q'));
    try {
      c.read(s);
      ADD_FAILURE() << c.name << " did not raise";
    } catch (const TStreamReadException& e) {
      EXPECT_STREQ(e.what(), "Error reading from stream") << c.name;
    } catch (...) {
      ADD_FAILURE() << c.name << " raised something else";
    }
  }
  unsigned char b[4];
  TMemoryStream s("abcd");
  EXPECT_THROW(s.ReadBytes(b, -1), TStreamReadException);
  EXPECT_THROW(s.WriteBytes(b, -1), TStreamWriteException);
  EXPECT_EQ(s.Pos(), 0);
}

TEST(StreamBase, DefaultsAndUnreadableStreams) {
  TIO io;
  EXPECT_EQ(io.Pos(), -1);
  EXPECT_EQ(io.Size(), 0);
  EXPECT_EQ(io.Seek(5), -1);
  EXPECT_EQ(io.Flush(), 0);
  EXPECT_EQ(io.Close(), 0);
  EXPECT_FALSE(io.Eof());
  char b = 0;
  try {
    io.Read(&b, 1);
    ADD_FAILURE();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Stream is not readable");
  }
  try {
    io.Write(&b, 1);
    ADD_FAILURE();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Stream is not writeable");
  }
}

TEST(StreamMemory, SeekStaysInsideAndWritesGrowTheBuffer) {
  TMemoryStream s("abc");
  EXPECT_EQ(s.Seek(-1), -1);
  EXPECT_EQ(s.Seek(10), 3);
  s.Seek(2);
  s.WriteBytes("XYZ", 3);
  EXPECT_EQ(s.Bytes(), "abXYZ");
  EXPECT_EQ(s.Size(), 5);
  EXPECT_TRUE(s.Eof());
}

TEST_F(StreamFiles, LinesOfAFileAndEof) {
  Put("lines.txt", "ab\r\ncd");
  auto s = OpenReader(Path("lines.txt"));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Size(), 6);
  EXPECT_EQ(ReadLine(s), u"ab");
  EXPECT_EQ(Eof(s), 0);
  EXPECT_EQ(ReadLine(s), u"cd");
  EXPECT_EQ(Eof(s), 1);
  EXPECT_EQ(ReadLine(s), u"");
  CloseFileStream(s);
}

TEST_F(StreamFiles, ALineReadPastWhereTheFileEndedAtOpeningStillReachesEof) {
  // The file grows after opening and the last line runs past the size known
  // then: the reading loop must still come to its end.
  Put("grow.txt", "ab");
  auto s = OpenReader(Path("grow.txt"));
  ASSERT_NE(s, nullptr);
  std::ofstream(dir_ / "grow.txt", std::ios::binary | std::ios::app) << "cd\nef\n";
  const std::vector<std::u16string> lines = AllLines(*s);
  ASSERT_GE(lines.size(), 2u);
  ASSERT_LT(lines.size(), 4u);
  EXPECT_EQ(lines[0], u"abcd");
  EXPECT_EQ(lines[1], u"ef");
  EXPECT_EQ(Eof(s), 1);
  EXPECT_EQ(s->Size(), 8);
}

TEST_F(StreamFiles, IntsOnDiskAndAShortRemainder) {
  auto w = OpenWriter(Path("n.dat"));
  ASSERT_NE(w, nullptr);
  WriteInt(w, 1);
  WriteInt(w, -2);
  w->WriteBytes("xyz", 3);
  CloseFileStream(w);
  EXPECT_EQ(Get("n.dat"), std::string("\x01\0\0\0\xFE\xFF\xFF\xFFxyz", 11));

  auto r = OpenReader(Path("n.dat"));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(ReadInt(r), 1);
  EXPECT_EQ(ReadInt(r), -2);
  EXPECT_THROW(ReadInt(r), TStreamReadException);
}

TEST_F(StreamFiles, OpeningModes) {
  Put("old.txt", "previous contents");
  auto w = OpenWriter(Path("old.txt"));
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->Size(), 0);  // emptied on opening
  EXPECT_EQ(WriteLine(w, u"new"), 1);
  w.reset();  // destruction closes and keeps what was written
  EXPECT_EQ(Get("old.txt"), "new\r\n");

  EXPECT_EQ(OpenReader(Path("missing.txt")), nullptr);
  EXPECT_EQ(OpenUrlStream(Path("missing.txt"), true, true), nullptr);  // r+b does not create
  EXPECT_EQ(OpenReader(dir_.string()), nullptr);                      // a folder
  EXPECT_EQ(OpenReader(Path("old.txt") + std::string(1, '\0') + "x"), nullptr);

  // Reading and writing one stream in turn.
  Put("rw.dat", "abcdef");
  auto rw = OpenUrlStream(Path("rw.dat"), true, true);
  ASSERT_NE(rw, nullptr);
  EXPECT_EQ(rw->ReadByte(), 'a');
  rw->WriteBytes("XY", 2);
  EXPECT_EQ(rw->Pos(), 3);
  EXPECT_EQ(rw->ReadByte(), 'd');
  rw->Seek(5);
  rw->WriteBytes("!!", 2);
  EXPECT_EQ(rw->Size(), 7);
  CloseFileStream(rw);
  EXPECT_EQ(Get("rw.dat"), "aXYde!!");
}

TEST_F(StreamFiles, BackslashPaths) {
  fs::create_directory(dir_ / "sub");
  Put("sub/f.txt", "hello\n");
  std::string path = dir_.string() + "\\sub\\f.txt";
  auto s = OpenReader(path);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(ReadLine(s), u"hello");
}

TEST_F(StreamFiles, CloseIsIdempotentAndEndsTheStream) {
  Put("c.txt", "abc");
  auto s = TCStream::OpenFile(Path("c.txt"), true, false);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->_mode, TCStream::MODE_READ);
  EXPECT_EQ(s->Size(), 3);
  // Not handed down to programs started while it is open.
  EXPECT_TRUE(fcntl(fileno(s->_cstream), F_GETFD) & FD_CLOEXEC);
  EXPECT_EQ(s->Close(), 0);
  EXPECT_EQ(s->_cstream, nullptr);
  EXPECT_EQ(s->Pos(), 0);
  EXPECT_EQ(s->Size(), 0);
  EXPECT_EQ(s->Close(), 0);
  EXPECT_TRUE(s->Eof());
  EXPECT_THROW(s->ReadByte(), TStreamReadException);
  EXPECT_THROW(s->WriteByte(1), TStreamWriteException);
  EXPECT_EQ(s->WriteLine(u"x"), 0);
}

TEST_F(StreamFiles, WrongDirectionRaisesTheStreamExceptions) {
  Put("ro.txt", "abc");
  auto r = OpenReader(Path("ro.txt"));
  ASSERT_NE(r, nullptr);
  EXPECT_THROW(WriteInt(r, 5), TStreamWriteException);
  EXPECT_EQ(WriteLine(r, u"x"), 0);
  auto w = OpenWriter(Path("wo.txt"));
  ASSERT_NE(w, nullptr);
  EXPECT_THROW(ReadInt(w), TStreamReadException);
  EXPECT_EQ(ReadLine(w), u"");
}

TEST(StreamDevices, AFullDeviceReportsEveryWrite) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  auto s = OpenWriter(std::string("/dev/full"));
  ASSERT_NE(s, nullptr);
  EXPECT_THROW(WriteInt(s, 1), TStreamWriteException);
  EXPECT_EQ(WriteLine(s, u"score"), 0);
  EXPECT_EQ(WriteLine(s, u""), 0);  // even the bare line end
  CloseFileStream(s);
}

// A file of 100 bytes whose reads fail after the first 10, like a failing disk.
TEST(StreamDevices, AReadErrorEndsAReadUntilEofLoop) {
  struct Disk {
    off_t pos = 0;
  };
  cookie_io_functions_t io{};
  io.read = [](void* c, char* buf, size_t n) -> ssize_t {
    auto* d = static_cast<Disk*>(c);
    if (d->pos >= 10) return -1;
    const size_t k = std::min<size_t>(n, static_cast<size_t>(10 - d->pos));
    std::fill(buf, buf + k, 'a');
    buf[k - 1] = '\n';
    d->pos += static_cast<off_t>(k);
    return static_cast<ssize_t>(k);
  };
  io.seek = [](void* c, off64_t* off, int whence) -> int {
    auto* d = static_cast<Disk*>(c);
    d->pos = whence == SEEK_END ? 100 + *off : whence == SEEK_CUR ? d->pos + *off : *off;
    *off = d->pos;
    return 0;
  };
  Disk disk;
  auto s = TCStream::CreateWithCStream(fopencookie(&disk, "rb", io), TCStream::MODE_READ);
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->Size(), 100);
  int lines = 0;
  while (!s->Eof() && lines < 1000) {
    s->ReadLine();
    ++lines;
  }
  EXPECT_TRUE(s->Eof());
  EXPECT_LT(lines, 1000);
  EXPECT_THROW(s->ReadInt(), TStreamReadException);
}

TEST(StreamWrapping, OpeningAStreamWrapsItAndCloseOnlyDetaches) {
  auto mem = std::make_shared<TMemoryStream>("12\n34\n");
  auto s = OpenReader(std::static_pointer_cast<TStream>(mem));
  ASSERT_NE(s, nullptr);
  ASSERT_NE(dynamic_cast<TStreamStream*>(s.get()), nullptr);
  EXPECT_EQ(s->Size(), 6);
  EXPECT_EQ(ReadLine(s), u"12");
  EXPECT_EQ(mem->Pos(), 3);
  CloseFileStream(s);
  EXPECT_EQ(Eof(s), 1);
  EXPECT_THROW(ReadInt(s), TStreamReadException);
  EXPECT_EQ(mem->ReadLine(), u"34");  // the wrapped stream is still open

  // Forwarding of the other operations.
  TStreamWrapper w(mem);
  w.Seek(0);
  EXPECT_EQ(w.ReadLine(), u"12");
  EXPECT_EQ(w.Pos(), 3);
  w.WriteBytes("X", 1);
  EXPECT_EQ(mem->Bytes(), "12\nX4\n");
}

TEST(StreamForwarders, NullStreamsAreEmpty) {
  std::shared_ptr<TStream> none;
  EXPECT_EQ(Eof(none), 1);
  EXPECT_EQ(ReadLine(none), u"");
  EXPECT_EQ(WriteLine(none, u"x"), 0);
  EXPECT_THROW(ReadInt(none), TStreamReadException);
  EXPECT_THROW(WriteInt(none, 1), TStreamWriteException);
  CloseFileStream(none);
  EXPECT_EQ(OpenReader(none), nullptr);
  EXPECT_EQ(OpenReader(std::string()), nullptr);
}

namespace {

struct RecordingFactory : TStreamFactory {
  explicit RecordingFactory(std::string answers) : answers_(std::move(answers)) {}
  std::shared_ptr<TStream> CreateStream(const std::string& url, const std::string& proto,
                                        const std::string& path, bool readable,
                                        bool writeable) override {
    seen.push_back(url + "|" + proto + "|" + path + "|" + (readable ? "r" : "") +
                   (writeable ? "w" : ""));
    if (proto != answers_) return nullptr;
    return std::make_shared<TMemoryStream>(path);
  }
  std::string answers_;
  std::vector<std::string> seen;
};

}  // namespace

TEST(StreamFactories, NewestIsAskedFirstAndProtoIsLowerCased) {
  RecordingFactory older("mem");
  {
    RecordingFactory newer("other");
    auto s = OpenReader(std::string("MeM::a::b"));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->ReadString(4), u"a::b");
    EXPECT_EQ(newer.seen, std::vector<std::string>{"MeM::a::b|mem|a::b|r"});
    EXPECT_EQ(older.seen, std::vector<std::string>{"MeM::a::b|mem|a::b|r"});

    // The empty address goes to the factories too, with empty parts.
    EXPECT_EQ(OpenWriter(std::string()), nullptr);
    EXPECT_EQ(newer.seen.back(), "|||w");
    EXPECT_EQ(older.seen.back(), "|||w");
  }
  // A destroyed factory has left the list.
  older.seen.clear();
  EXPECT_EQ(OpenReader(std::string("none::x")), nullptr);
  EXPECT_EQ(older.seen, std::vector<std::string>{"none::x|none|x|r"});
}
