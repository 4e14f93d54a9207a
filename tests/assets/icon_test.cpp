// The desktop icon the install ships: every size a square PNG of that size
// with see-through corners and an opaque middle, an SVG document, and the
// same bytes when the tool draws it again.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/assets/decode.h"

namespace assettest {
namespace {

namespace fs = std::filesystem;

TEST(DesktopIcon, EverySizeIsDrawnAndASecondRunGivesTheSameBytes) {
  char tmpl[] = "/tmp/quillory-icons-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const fs::path again = tmpl, built = QUILLORY_ICON_DIR;
  const std::string cmd = std::string("\"") + QUILLORY_ASSETGEN + "\" --icons \"" + again.string() + "\"";
  ASSERT_EQ(std::system(cmd.c_str()), 0);

  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    const std::string name = "icon-" + std::to_string(size) + ".png";
    const std::vector<uint8_t> bytes = ReadBytes((built / name).string());
    EXPECT_EQ(ReadBytes((again / name).string()), bytes) << name << " differs between runs";
    const Image img = DecodePng(bytes);
    ASSERT_EQ(img.width, size) << name;
    ASSERT_EQ(img.height, size) << name;
    ASSERT_TRUE(img.has_alpha) << name;
    EXPECT_EQ(img.At(0, 0)[3], 0) << name << ": the plate's corner is rounded off";
    EXPECT_EQ(img.At(size - 1, size - 1)[3], 0) << name;
    EXPECT_EQ(img.At(size / 2, size / 2)[3], 255) << name;
    // The face-down square at the top left keeps the board's dark blue.
    const uint8_t* tile = img.At(size * 3 / 10, size * 3 / 10);
    EXPECT_GT(tile[2], tile[0] + 30) << name;
  }
  const std::vector<uint8_t> svg = ReadBytes((built / "icon.svg").string());
  EXPECT_EQ(ReadBytes((again / "icon.svg").string()), svg) << "icon.svg differs between runs";
  const std::string text(svg.begin(), svg.end());
  EXPECT_EQ(text.rfind("<?xml", 0), 0u);
  EXPECT_NE(text.find("viewBox=\"0 0 256 256\""), std::string::npos);
  EXPECT_NE(text.find("</svg>"), std::string::npos);
  fs::remove_all(again);
}

}  // namespace
}  // namespace assettest
