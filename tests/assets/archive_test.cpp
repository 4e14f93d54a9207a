// The picture archive: exactly the four pictures start-up unpacks, in the
// record format, and none of them shipped loose.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <stdexcept>

#include "engine/graphics/pixmap.h"
#include "tests/assets/decode.h"
#include "tools/assetgen/archive.h"

namespace assettest {
namespace {

const std::map<std::string, std::pair<int, int>> kArchived = {
    {"startscreen.jpg", {1024, 768}},
    {"peite.png", {600, 600}},
    {"stockimage_s_32662469.jpg", {600, 600}},
    {"demo-ending.jpg", {600, 600}},
};

TEST(Archive, HoldsExactlyTheFourPicturesAtTheirSizes) {
  std::vector<uint8_t> bytes = ReadBytes(ProgramDir() + "/data/qyv2demo.dat");
  ASSERT_FALSE(bytes.empty());
  Archive a = ReadArchive(bytes, 4);
  ASSERT_TRUE(a.ok);
  EXPECT_TRUE(a.rest.empty()) << "bytes after the fourth record";
  std::set<std::string> names;
  for (const ArchiveRecord& r : a.records) {
    SCOPED_TRACE(r.name);
    names.insert(r.name);
    auto it = kArchived.find(r.name);
    ASSERT_NE(it, kArchived.end());
    Image img = DecodePicture(r.name, r.data);
    ASSERT_GT(img.width, 0);
    EXPECT_EQ(img.width, it->second.first);
    EXPECT_EQ(img.height, it->second.second);
    // None of them has alpha: pure black would turn into holes.
    EXPECT_FALSE(img.has_alpha);
    size_t black = 0;
    for (size_t i = 0; i < img.rgba.size(); i += 4) {
      black += img.rgba[i] == 0 && img.rgba[i + 1] == 0 && img.rgba[i + 2] == 0;
    }
    EXPECT_EQ(black, 0u);
  }
  EXPECT_EQ(names.size(), 4u);
}

// A selected square shows its 65 x 65 window of the level's picture with
// the number in the level's colour (0, 80, 200) near its top: the picture
// must leave that number readable on every one of the 64 squares.
TEST(Archive, LevelPictureLeavesTheNumbersReadable) {
  Archive a = ReadArchive(ReadBytes(ProgramDir() + "/data/qyv2demo.dat"), 4);
  ASSERT_TRUE(a.ok);
  const ArchiveRecord* level = nullptr;
  for (const ArchiveRecord& r : a.records) {
    if (r.name == "stockimage_s_32662469.jpg") level = &r;
  }
  ASSERT_NE(level, nullptr);
  Image img = DecodeJpeg(level->data);
  ASSERT_EQ(img.width, 600);
  const double number = Luminance(0, 80, 200);
  for (int row = 0; row < 8; ++row) {
    for (int col = 0; col < 8; ++col) {
      // Where a one- or two-digit number falls: top +11, about 20 pixels tall.
      double sum[3] = {0, 0, 0};
      int n = 0;
      for (int y = row * 75 + 13; y < row * 75 + 33; ++y) {
        for (int x = col * 75 + 24; x < col * 75 + 51; ++x) {
          for (int k = 0; k < 3; ++k) sum[k] += img.At(x, y)[k];
          ++n;
        }
      }
      EXPECT_GE(Contrast(Luminance(sum[0] / n, sum[1] / n, sum[2] / n), number), 2.0) << "square (" << col << ", " << row << ")";
    }
  }
}

// Unpacked the way start-up unpacks it, with C stdio on the file itself: per
// record a name of at most 50 bytes after white space, a decimal size after
// more white space, then exactly that many bytes from the one after the last
// digit, copied one at a time. Each file is then loaded by the name start-up
// asks for.
TEST(Archive, UnpacksWithTheStartUpReadingIntoTheFourPictures) {
  namespace fs = std::filesystem;
  char tmpl[] = "/tmp/quillory-unpack-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const fs::path dir = tmpl;
  FILE* in = std::fopen((ProgramDir() + "/data/qyv2demo.dat").c_str(), "rb");
  ASSERT_NE(in, nullptr);
  for (int j = 0; j < 4; ++j) {
    SCOPED_TRACE("record " + std::to_string(j));
    char name[51] = "";
    ASSERT_EQ(std::fscanf(in, "%50s", name), 1);
    FILE* out = std::fopen((dir / name).c_str(), "wb");
    ASSERT_NE(out, nullptr) << name;
    int size = -1;
    ASSERT_EQ(std::fscanf(in, "%d", &size), 1) << name;
    ASSERT_GT(size, 0) << name;
    for (int k = 0; k < size; ++k) {
      int c = std::fgetc(in);
      ASSERT_NE(c, EOF) << name << " ends after " << k << " of " << size << " bytes";
      std::fputc(c, out);
    }
    std::fclose(out);
  }
  EXPECT_EQ(std::fgetc(in), EOF) << "bytes after the fourth record";
  std::fclose(in);
  for (const auto& [name, size] : kArchived) {
    SCOPED_TRACE(name);
    std::shared_ptr<TPixmap> p = LoadPixmap(TUrl((dir / name).string()));
    ASSERT_NE(p, nullptr) << "not unpacked under its name, or not a picture";
    EXPECT_EQ(p->width, size.first);
    EXPECT_EQ(p->height, size.second);
  }
  fs::remove_all(dir);
}

TEST(Archive, PicturesAreNotShippedLoose) {
  for (const auto& entry : std::filesystem::recursive_directory_iterator(ProgramDir())) {
    EXPECT_EQ(kArchived.count(entry.path().filename().string()), 0u) << entry.path();
  }
}

TEST(ArchivePacker, RecordsReadBackWhateverTheirBytes) {
  // Data full of white space and digits after the first byte, and a record
  // whose data ends the file.
  std::vector<assetgen::ArchiveRecord> in = {
      {"a.png", {0x89, ' ', '1', '2', '\n', 0}},
      {std::string(50, 'n'), {0xFF, '9', '9'}},
      {"x", {'z'}},
  };
  Archive out = ReadArchive(assetgen::PackArchive(in), 3);
  ASSERT_TRUE(out.ok);
  ASSERT_EQ(out.records.size(), 3u);
  for (size_t i = 0; i < in.size(); ++i) {
    EXPECT_EQ(out.records[i].name, in[i].name);
    EXPECT_EQ(out.records[i].data, in[i].data);
  }
  EXPECT_TRUE(out.rest.empty());
}

TEST(ArchivePacker, RefusesRecordsTheGameCouldNotReadBack) {
  const std::vector<assetgen::ArchiveRecord> bad[] = {
      {{"", {0xFF}}},                         // no name
      {{std::string(51, 'n'), {0xFF}}},       // name too long for the reader
      {{"two words.jpg", {0xFF}}},            // white space in the name
      {{"tab\tname", {0xFF}}},
      {{"digit.bin", {'7', 1, 2}}},           // data would run into the size
      {{"empty.bin", {}}},                    // nothing to unpack
  };
  for (const auto& records : bad) {
    EXPECT_THROW(assetgen::PackArchive(records), std::invalid_argument) << records[0].name;
  }
}

}  // namespace
}  // namespace assettest
