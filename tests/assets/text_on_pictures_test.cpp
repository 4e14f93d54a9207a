// Texts the game draws over its pictures, rendered glyph by glyph the way
// the image fonts place them: every inked pixel must land on the picture's
// plain fill, clear of rims, ornaments and transparent corners, with enough
// contrast to read.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/assets/decode.h"

namespace assettest {
namespace {

struct Placed {
  std::string picture;  // program-folder file, or an archive record name
  int x, y;             // where the game draws it
};

struct Line {
  std::string text;
  int x, y;  // pen: left end and top of the line
};

struct Ink {
  int pixels = 0;     // inked pixels (coverage of half or more)
  int off_panel = 0;  // of them over a pixel that is not fully opaque
  double worst = 100; // lowest contrast between the text colour and the picture under it
  int worst_x = 0, worst_y = 0;  // screen pixel of the lowest contrast
};

class Font {
 public:
  Font(const std::string& file, int px) {
    FT_Init_FreeType(&lib_);
    ok_ = FT_New_Face(lib_, (ProgramDir() + "/" + file).c_str(), 0, &face_) == 0 &&
          FT_Set_Pixel_Sizes(face_, 0, px) == 0;
    if (ok_) ascend_ = static_cast<int>(face_->size->metrics.ascender >> 6);
  }
  ~Font() {
    if (face_) FT_Done_Face(face_);
    FT_Done_FreeType(lib_);
  }
  bool ok() const { return ok_; }
  int Width(const std::string& t) const {
    int w = 0;
    for (unsigned char c : t) {
      FT_UInt i = FT_Get_Char_Index(face_, c);
      if (i == 0 || FT_Load_Glyph(face_, i, FT_LOAD_RENDER) != 0) continue;
      w += static_cast<int>(face_->glyph->advance.x >> 6);
    }
    return w;
  }
  // Calls f(x, y) for every screen pixel the line inks.
  template <typename F>
  void ForEachInk(const Line& l, F f) const {
    int pen = l.x;
    for (unsigned char c : l.text) {
      FT_UInt i = FT_Get_Char_Index(face_, c);
      if (i == 0 || FT_Load_Glyph(face_, i, FT_LOAD_RENDER) != 0) continue;
      const FT_GlyphSlot g = face_->glyph;
      const FT_Bitmap& bm = g->bitmap;
      for (unsigned r = 0; r < bm.rows; ++r) {
        for (unsigned k = 0; k < bm.width; ++k) {
          if (bm.buffer[r * bm.pitch + k] >= 128) f(pen + g->bitmap_left + static_cast<int>(k), l.y + ascend_ - g->bitmap_top + static_cast<int>(r));
        }
      }
      pen += static_cast<int>(g->advance.x >> 6);
    }
  }

 private:
  FT_Library lib_ = nullptr;
  FT_Face face_ = nullptr;
  bool ok_ = false;
  int ascend_ = 0;
};

Image LoadPicture(const std::string& name) {
  if (name.find('/') != std::string::npos) return DecodePicture(name, ReadBytes(ProgramDir() + "/" + name));
  Archive a = ReadArchive(ReadBytes(ProgramDir() + "/data/qyv2demo.dat"), 4);
  for (const ArchiveRecord& r : a.records) {
    if (r.name == name) return DecodePicture(name, r.data);
  }
  return Image{};
}

Ink Measure(const Image& img, const Placed& at, const Font& font, const Line& line, int r, int g, int b) {
  Ink ink;
  const double text = Luminance(r, g, b);
  font.ForEachInk(line, [&](int sx, int sy) {
    ++ink.pixels;
    const int x = sx - at.x, y = sy - at.y;
    if (x < 0 || y < 0 || x >= img.width || y >= img.height || img.At(x, y)[3] != 255) {
      ++ink.off_panel;
      return;
    }
    const uint8_t* p = img.At(x, y);
    const double contrast = Contrast(Luminance(p[0], p[1], p[2]), text);
    if (contrast < ink.worst) {
      ink.worst = contrast;
      ink.worst_x = sx;
      ink.worst_y = sy;
    }
  });
  return ink;
}

struct Case {
  const char* what;
  Placed under;
  const char* font;
  int px;
  int r, g, b;
  std::vector<Line> lines;
};

std::vector<std::string> InstructionLines() {
  std::vector<uint8_t> bytes = ReadBytes(ProgramDir() + "/data/instructions.txt");
  std::vector<std::string> lines;
  std::string line;
  for (uint8_t c : bytes) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else if (c != '\r') {
      line += static_cast<char>(c);
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

std::vector<Case> Cases() {
  std::vector<Case> out;
  {
    Case c{"instruction lines", {"gfx/instructions.png", 157, 254}, "MODENINE.TTF", 16, 240, 100, 240, {}};
    std::vector<std::string> lines = InstructionLines();
    for (size_t i = 0; i < lines.size(); ++i) c.lines.push_back({lines[i], 164, 260 + 16 * static_cast<int>(i)});
    out.push_back(c);
  }
  {
    const char* messages[] = {
        "Game Over", "Square selected, select another square", "Showing Numbers", "Bonus clicked!",
        "Two squares selected, no pair", "Two squares selected, it's a pair!",
        "Showing numbers -- can't mark now!", "No marks left!", "Square marked", "These squares can't be marked!",
        "?-bonus: When clicked, shows one number", "4-bonus: Shows 4 squares, if possible",
        "Bonus: Shows individual numbers", "Row bonus: Show 7 squares, if possible",
        "Col bonus: Show 7 squares, if possible", "M-bonus: Decreases mistakes value",
        "Pair bonus: Finds a pair for selected square", "Demo finished!"};
    Font f("Cabin-Regular-TTF.ttf", 22);
    Case c{"status line", {"gfx/message frame.png", 95, 650}, "Cabin-Regular-TTF.ttf", 22, 240, 240, 0, {}};
    for (const char* m : messages) c.lines.push_back({m, 95 + (500 - f.Width(m)) / 2, 685});
    out.push_back(c);
    out.push_back({"pause", {"gfx/message frame.png", 95, 650}, "Cabin-Regular-TTF.ttf", 22, 255, 255, 255,
                   {{"Paused", 95 + (500 - f.Width("Paused")) / 2, 685}}});
  }
  {
    const char* names[] = {"Varnel", "Tobrin", "Ostrailen", "Dembly", "Hurlo", "Feskin", "Yorrel", "Lintorpe"};
    Case c{"hiscore rows", {"startscreen.jpg", 0, 0}, "Mishmash BRK.ttf", 18, 180, 80, 220, {}};
    for (int i = 0; i < 8; ++i) {
      c.lines.push_back({names[i], 388, 180 + 30 * i});
      c.lines.push_back({"99999", 588, 180 + 30 * i});
    }
    out.push_back(c);
  }
  {
    Font f("Glametrix.otf", 30);
    auto centred = [&f](const char* t, int y) { return Line{t, (1024 - f.Width(t)) / 2, y}; };
    out.push_back({"menu prompt", {"startscreen.jpg", 0, 0}, "Glametrix.otf", 30, 80, 240, 80, {centred("Press M for Menu", 674)}});
    out.push_back({"begin prompt", {"startscreen.jpg", 0, 0}, "Glametrix.otf", 30, 240, 240, 100,
                   {centred("Press Return to Begin", 700)}});
  }
  {
    Font f("Anleterre Book.ttf", 56);
    const char* q = "Are you sure you want to restore the hiscores?";
    out.push_back({"restore question", {"startscreen.jpg", 0, 0}, "Anleterre Book.ttf", 56, 180, 60, 40,
                   {{q, (1024 - f.Width(q)) / 2, 440}}});
  }
  {
    Font f("Mishmash BRK.ttf", 28);
    Case c{"side panel", {"gfx/bg.jpg", 0, 0}, "Mishmash BRK.ttf", 28, 200, 100, 220, {}};
    const std::pair<const char*, int> texts[] = {
        {"Score", 40}, {"99999", 88}, {"Level  1", 144}, {"Mistakes  25", 200}, {"Marks 20", 256},
        {"Password", 312}, {"Numbers Shown", 424}, {"Yes", 472}, {"No", 472}, {"Time", 536},
        {"20:00", 592}, {"Time Out", 592}};
    for (auto [t, y] : texts) c.lines.push_back({t, 648 + (376 - f.Width(t)) / 2, y});
    out.push_back(c);
    Font p("Mishmash BRK.ttf", 20);
    out.push_back({"password", {"gfx/bg.jpg", 0, 0}, "Mishmash BRK.ttf", 20, 200, 100, 220,
                   {{"---", 648 + (376 - p.Width("---")) / 2, 368}}});
  }
  return out;
}

TEST(TextOnPictures, EveryTextLandsOnPlainReadableFill) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.what);
    Image img = LoadPicture(c.under.picture);
    ASSERT_GT(img.width, 0) << c.under.picture;
    Font font(c.font, c.px);
    ASSERT_TRUE(font.ok()) << c.font;
    for (const Line& l : c.lines) {
      if (l.text.empty()) continue;
      Ink ink = Measure(img, c.under, font, l, c.r, c.g, c.b);
      EXPECT_GT(ink.pixels, 0) << l.text;
      EXPECT_EQ(ink.off_panel, 0) << l.text;
      EXPECT_GE(ink.worst, 3.0) << l.text << " at (" << ink.worst_x << ", " << ink.worst_y << ")";
    }
  }
}

}  // namespace
}  // namespace assettest
