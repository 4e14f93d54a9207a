// Unpacking the picture archive: the four records land in the temporary
// folder whatever white space separates them, and a missing, broken or hostile
// record leaves nothing behind and nothing outside that folder.
#include "game/shell/archive.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/shell/file_limit.h"

namespace fs = std::filesystem;

namespace {

// Picture-like bytes: a first byte that is no digit, then every byte value,
// white space and digits included.
std::string Data(size_t size, unsigned char first) {
  std::string data(size, '\0');
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 7 + 3) & 0xFF);
  if (size > 0) data[0] = static_cast<char>(first);
  return data;
}

std::string Record(const std::string& name, const std::string& data,
                   const std::string& beforeSize = " ") {
  return name + beforeSize + std::to_string(data.size()) + data;
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A fresh folder holding the archive and the temporary folder "temp"; the
// current folder is put back after each test.
class ArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "quillory-archive-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    root_ = fs::canonical(tmpl);
    temp_ = root_ / "temp";
    fs::create_directory(temp_);
    archive_ = root_ / "qyv2demo.dat";
    old_ = fs::current_path();
  }
  void TearDown() override {
    fs::current_path(old_);
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  void WriteArchive(const std::string& bytes) const {
    std::ofstream(archive_, std::ios::binary) << bytes;
  }
  int Extract() const { return ExtractPictureArchive(archive_.string(), temp_.string() + "/"); }

  static std::vector<std::string> Entries(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  // Back to a clean start between the cases of one test.
  void EmptyTemp() const {
    fs::current_path(old_);
    for (const auto& e : fs::directory_iterator(temp_)) fs::remove_all(e.path());
  }
  fs::path Cwd() const { return fs::current_path(); }

  fs::path root_, temp_, archive_, old_;
};

TEST_F(ArchiveTest, ExtractsFourRecordsWhateverSeparatesThem) {
  const std::string longName = std::string(46, 'n') + ".jpg";  // 50 bytes, the most
  const std::vector<std::pair<std::string, std::string>> records = {
      {"startscreen.jpg", Data(150000, 0xFF)},  // more than one chunk
      {"peite.png", Data(1, 0x89)},
      {longName, Data(65536, 0xFF)},
      {"demo-ending.jpg", Data(300, ' ')},  // data may start with white space
  };
  struct Case {
    const char* label;
    std::string before, between, beforeSize, after;
  };
  const Case cases[] = {
      {"a line feed between records", "", "\n", " ", ""},
      {"nothing between records", "", "", " ", ""},
      {"every kind of white space", " \t\n", " \t\n\v\f\r", "\t", ""},
      {"several spaces before the size", "", "\n", "     ", ""},
      {"bytes after the fourth record", "", "\n", " ", "\nmore.jpg 5\xFF\xFF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::string bytes = c.before;
    for (size_t i = 0; i < records.size(); ++i) {
      if (i > 0) bytes += c.between;
      bytes += Record(records[i].first, records[i].second, c.beforeSize);
    }
    WriteArchive(bytes + c.after);

    ASSERT_EQ(Extract(), 0);
    EXPECT_EQ(Cwd(), temp_);
    std::vector<std::string> expected;
    for (const auto& r : records) {
      expected.push_back(r.first);
      EXPECT_EQ(ReadFile(temp_ / r.first), r.second) << r.first;
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Entries(temp_), expected);
    EmptyTemp();
  }
}

TEST_F(ArchiveTest, ThreeRecordsFailAtTheFourthAndLeaveNoFile) {
  const std::string three = Record("a.jpg", Data(40, 0xFF)) + "\n" + Record("b.png", Data(50, 0x89)) +
                            "\n" + Record("c.jpg", Data(60, 0xFF));
  for (const std::string& tail : {std::string(), std::string("\n \t")}) {
    WriteArchive(three + tail);
    EXPECT_EQ(Extract(), -2);
    EXPECT_EQ(Cwd(), temp_);
    EXPECT_TRUE(Entries(temp_).empty());
    EmptyTemp();
  }
}

TEST_F(ArchiveTest, ArchiveThatCannotBeOpenedChangesNothing) {
  fs::create_directory(root_ / "folder.dat");
  for (const fs::path& path : {root_ / "absent.dat", root_ / "folder.dat"}) {
    SCOPED_TRACE(path.string());
    EXPECT_EQ(ExtractPictureArchive(path.string(), temp_.string() + "/"), -1);
    EXPECT_EQ(Cwd(), old_);
    EXPECT_TRUE(Entries(temp_).empty());
  }
  EXPECT_EQ(Entries(root_), (std::vector<std::string>{"folder.dat", "temp"}));
}

// A name from the archive never reaches outside the temporary folder, and
// the record written before it is taken away again.
TEST_F(ArchiveTest, RefusesNamesThatAreNoPlainFileName) {
  const std::string names[] = {
      "../x", "a/b", "/tmp", "a\\b", "..", ".", std::string("a\x01" "b"), "a\x7F",
      std::string(51, 'n'),
  };
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    WriteArchive(Record("a.jpg", Data(40, 0xFF)) + "\n" + Record(name, Data(50, 0xFF)) + "\n" +
                 Record("c.jpg", Data(60, 0xFF)) + "\n" + Record("d.jpg", Data(70, 0xFF)));
    EXPECT_EQ(Extract(), -2);
    EXPECT_EQ(Cwd(), temp_);
    EXPECT_TRUE(Entries(temp_).empty());
    EXPECT_EQ(Entries(root_), (std::vector<std::string>{"qyv2demo.dat", "temp"}));
    EmptyTemp();
  }
}

TEST_F(ArchiveTest, RefusesBrokenSizesAndArchivesThatEndInsideARecord) {
  const std::string first = Record("a.jpg", Data(40, 0xFF)) + "\n";
  const std::string rest = "\n" + Record("c.jpg", Data(60, 0xFF)) + "\n" + Record("d.jpg", Data(70, 0xFF));
  struct Case {
    const char* label;
    std::string second;
  };
  const Case cases[] = {
      {"a size beyond the end", "b.png 301" + Data(300, 0xFF)},
      {"a size one beyond the end", "b.png 51" + Data(50, 0xFF)},
      {"the end inside the size", "b.png 12"},
      {"the end before the size", "b.png  "},
      {"the end inside the name", "b.pn"},
      {"a negative size", "b.png -5" + Data(5, 0xFF) + rest},
      {"a signed size", "b.png +5" + Data(5, 0xFF) + rest},
      {"no digits", "b.png five" + rest},
      {"a size past every integer", "b.png 999999999999999999999999" + Data(5, 0xFF) + rest},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    WriteArchive(first + c.second);
    EXPECT_EQ(Extract(), -2);
    EXPECT_EQ(Cwd(), temp_);
    EXPECT_TRUE(Entries(temp_).empty());
    EmptyTemp();
  }
}

TEST_F(ArchiveTest, TemporaryFolderThatCannotBeEnteredFails) {
  WriteArchive(Record("a.jpg", Data(4, 0xFF)) + Record("b.jpg", Data(4, 0xFF)) +
               Record("c.jpg", Data(4, 0xFF)) + Record("d.jpg", Data(4, 0xFF)));
  const std::string archive = archive_.string();
  EXPECT_EQ(ExtractPictureArchive(archive, (root_ / "missing").string() + "/"), -2);
  EXPECT_EQ(ExtractPictureArchive(archive, ""), -2);
  EXPECT_EQ(Cwd(), old_);
  EXPECT_EQ(Entries(root_), (std::vector<std::string>{"qyv2demo.dat", "temp"}));
}

// Something already in a record's place that is not a plain file is neither
// written through nor removed; the records before it are.
TEST_F(ArchiveTest, LeavesFoldersAndLinksInARecordsPlaceAlone) {
  WriteArchive(Record("a.jpg", Data(40, 0xFF)) + "\n" + Record("b.png", Data(50, 0xFF)) + "\n" +
               Record("c.jpg", Data(60, 0xFF)) + "\n" + Record("d.jpg", Data(70, 0xFF)));
  std::ofstream(root_ / "outside.txt") << "keep";

  fs::create_directory(temp_ / "b.png");
  EXPECT_EQ(Extract(), -2);
  EXPECT_EQ(Entries(temp_), (std::vector<std::string>{"b.png"}));
  EmptyTemp();

  fs::create_symlink(root_ / "outside.txt", temp_ / "b.png");
  EXPECT_EQ(Extract(), -2);
  EXPECT_EQ(Entries(temp_), (std::vector<std::string>{"b.png"}));
  EXPECT_EQ(ReadFile(root_ / "outside.txt"), "keep");
}

TEST_F(ArchiveTest, FailedWriteRemovesTheFilesWritten) {
  WriteArchive(Record("a.jpg", Data(400, 0xFF)) + "\n" + Record("b.png", Data(5000, 0xFF)) + "\n" +
               Record("c.jpg", Data(60, 0xFF)) + "\n" + Record("d.jpg", Data(70, 0xFF)));
  const int result = shelltest::RunWithFileSizeLimit(1000, [this] { return -Extract(); });
  EXPECT_EQ(result, 2);
  EXPECT_TRUE(Entries(temp_).empty());
}

}  // namespace
