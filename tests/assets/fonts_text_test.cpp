// The five font files and the instruction text: every text the game draws
// has its glyphs in its font and fits the place the game gives it.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/assets/decode.h"

namespace assettest {
namespace {

// A face opened the way the game's image fonts open it.
class Face {
 public:
  Face(const std::string& file, int px) {
    FT_Init_FreeType(&lib_);
    ok_ = FT_New_Face(lib_, (ProgramDir() + "/" + file).c_str(), 0, &face_) == 0 &&
          FT_IS_SCALABLE(face_) && FT_Set_Pixel_Sizes(face_, 0, px) == 0;
  }
  ~Face() {
    if (face_) FT_Done_Face(face_);
    FT_Done_FreeType(lib_);
  }
  bool ok() const { return ok_; }
  // Characters the font lacks are skipped by the game: report them.
  std::string Missing(const std::string& text) const {
    std::string missing;
    for (unsigned char c : text) {
      if (c != ' ' && FT_Get_Char_Index(face_, c) == 0) missing += static_cast<char>(c);
    }
    return missing;
  }
  // Whole-pixel advances of rendered glyphs, as the game measures text.
  int Width(const std::string& text) const {
    int w = 0;
    for (unsigned char c : text) {
      FT_UInt i = FT_Get_Char_Index(face_, c);
      if (i == 0 || FT_Load_Glyph(face_, i, FT_LOAD_RENDER) != 0) continue;
      w += static_cast<int>(face_->glyph->advance.x >> 6);
    }
    return w;
  }
  int Height() const { return static_cast<int>(face_->size->metrics.height >> 6); }

 private:
  FT_Library lib_ = nullptr;
  FT_Face face_ = nullptr;
  bool ok_ = false;
};

struct Fit {
  const char* font;
  int px;
  int room;  // pixels across the text gets
  std::vector<std::string> texts;
};

std::vector<Fit> Fits() {
  std::vector<std::string> numbers;
  for (int i = 1; i <= 32; ++i) numbers.push_back(std::to_string(i));
  return {
      // Numbers sit in the 65-pixel window of a 75-pixel square.
      {"Mishmash BRK.ttf", 20, 65, numbers},
      {"Mishmash BRK.ttf", 28, 376,
       {"Score", "99999", "Level  1", "Level", "Mistakes  25", "Marks 20", "Password", "Numbers Shown",
        "Yes", "No", "Time", "20:00", "Time Out"}},
      {"Mishmash BRK.ttf", 20, 376, {"---"}},
      // Hiscore names from x 388 and scores from x 588.
      {"Mishmash BRK.ttf", 18, 195,
       {"Varnel", "Tobrin", "Ostrailen", "Dembly", "Hurlo", "Feskin", "Yorrel", "Lintorpe", "100"}},
      {"Anleterre Book.ttf", 56, 1024, {"Are you sure you want to restore the hiscores?"}},
      // The status line's 500-pixel band.
      {"Cabin-Regular-TTF.ttf", 22, 500,
       {"Game Over", "Square selected, select another square", "Showing Numbers", "Bonus clicked!",
        "Two squares selected, no pair", "Two squares selected, it's a pair!",
        "Showing numbers -- can't mark now!", "No marks left!", "Square marked",
        "These squares can't be marked!", "?-bonus: When clicked, shows one number",
        "4-bonus: Shows 4 squares, if possible", "Bonus: Shows individual numbers",
        "Row bonus: Show 7 squares, if possible", "Col bonus: Show 7 squares, if possible",
        "M-bonus: Decreases mistakes value", "Pair bonus: Finds a pair for selected square",
        "Demo finished!", "Paused"}},
      {"Glametrix.otf", 30, 1024,
       {"Press M for Menu", "Press Return to Begin", "(c) 2026 Velmarch. All rights reserved."}},
  };
}

TEST(Fonts, EveryTextHasItsGlyphsAndFitsItsPlace) {
  for (const Fit& fit : Fits()) {
    Face face(fit.font, fit.px);
    ASSERT_TRUE(face.ok()) << fit.font << " does not open as a scalable font";
    for (const std::string& t : fit.texts) {
      SCOPED_TRACE(std::string(fit.font) + " at " + std::to_string(fit.px) + ": " + t);
      EXPECT_EQ(face.Missing(t), "");
      EXPECT_LE(face.Width(t), fit.room);
      EXPECT_GT(face.Width(t), 0);
    }
  }
}

std::vector<std::string> InstructionLines() {
  std::vector<uint8_t> bytes = ReadBytes(ProgramDir() + "/data/instructions.txt");
  std::vector<std::string> lines;
  std::string line;
  for (uint8_t b : bytes) {
    if (b == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += static_cast<char>(b);
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// The instructions panel holds 24 rows of 16 pixels, text from x 164 to
// the panel's inner edge at 860.
TEST(Instructions, FitThePanelInTheInstructionsFont) {
  std::vector<std::string> lines = InstructionLines();
  ASSERT_GE(lines.size(), 10u);
  EXPECT_LE(lines.size(), 24u);
  Face face("MODENINE.TTF", 16);
  ASSERT_TRUE(face.ok());
  EXPECT_LE(face.Height(), 18);
  for (const std::string& l : lines) {
    SCOPED_TRACE(l);
    for (unsigned char c : l) EXPECT_TRUE(c >= 32 && c < 127) << "byte " << int(c);
    EXPECT_EQ(face.Missing(l), "");
    EXPECT_LE(face.Width(l), 696);
  }
}

TEST(Instructions, CoverEveryControl) {
  std::string all;
  for (const std::string& l : InstructionLines()) all += l + "\n";
  for (const char* topic : {"Left-click", "right-click", "Space", "P pauses", "Esc", "BONUSES", "MARKS",
                            "SCORE", "20 minutes", "25 mistakes"}) {
    EXPECT_NE(all.find(topic), std::string::npos) << topic;
  }
}

TEST(Licences, EveryFontPackageHasItsCopyright) {
  std::vector<uint8_t> readme = ReadBytes(ProgramDir() + "/licenses/README.txt");
  std::string text(readme.begin(), readme.end());
  for (const char* pkg : {"fonts-comic-neue", "fonts-glasstty", "fonts-goudybookletter", "fonts-cabin",
                          "fonts-league-spartan"}) {
    SCOPED_TRACE(pkg);
    std::vector<uint8_t> copyright = ReadBytes(ProgramDir() + "/licenses/" + pkg + ".txt");
    EXPECT_GT(copyright.size(), 200u);
    EXPECT_NE(text.find(pkg), std::string::npos);
  }
  for (const char* font : {"Mishmash BRK.ttf", "MODENINE.TTF", "Anleterre Book.ttf", "Cabin-Regular-TTF.ttf",
                           "Glametrix.otf"}) {
    EXPECT_NE(text.find(font), std::string::npos) << font;
  }
}

}  // namespace
}  // namespace assettest
