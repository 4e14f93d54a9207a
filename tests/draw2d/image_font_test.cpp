// Image fonts and text: glyph placement with float pens, StringWidth's
// truncation, the built-in font, and FreeType fonts drawn on a real context.
#include "engine/graphics/font.h"
#include "engine/graphics/image_font.h"
#include "gl_fixture.h"

namespace {

const std::string kScalable = "/usr/share/fonts/truetype/cabinsketch/CabinSketch-Bold.ttf";

// 'a' to 'c' are 3 x 3 solid glyphs at (1, 2) with an advance of 7.6; 'z'
// maps to an index past the glyphs; anything else has no glyph.
class FractionalFont : public TFont {
 public:
  int Style() override { return 0; }
  int Height() override { return 12; }
  int CountGlyphs() override { return 3; }
  int CharToGlyph(int c) override {
    if (c >= 'a' && c <= 'c') return c - 'a';
    return c == 'z' ? 999 : -1;
  }
  std::shared_ptr<TGlyph> LoadGlyph(int index) override {
    ++loads;
    auto g = std::make_shared<TFreeTypeGlyph>();
    g->_advance = 7.6f;
    g->_x = 1, g->_y = 2, g->_w = 3, g->_h = 3;
    g->_pixmap = TPixmap::Create(3, 3, PIXFMT_A8);
    g->_pixmap->ClearPixels(static_cast<int>(0xFF000000u));
    (void)index;
    return g;
  }
  int loads = 0;
};

// Lit (non-black) columns of one screen row between x0 and x1.
std::vector<int> LitColumns(int y, int x0, int x1) {
  auto row = GrabPixmap(x0, y, x1 - x0, 1);
  std::vector<int> lit;
  for (int x = 0; x < x1 - x0; ++x)
    if (PixelOf(row, x, 0).r > 0) lit.push_back(x0 + x);
  return lit;
}

TEST(ImageFont, GlyphsAreMadeOnceAndIndicesCheckedAgainstTheCount) {
  auto src = std::make_shared<FractionalFont>();
  auto font = TImageFont::FromFont(src);
  ASSERT_TRUE(font);
  EXPECT_EQ(font->CountGlyphs(), 3);
  EXPECT_EQ(font->Height(), 12);
  auto g = font->LoadGlyph(1);
  ASSERT_TRUE(g);
  EXPECT_EQ(font->LoadGlyph(1), g);
  EXPECT_EQ(src->loads, 1);
  int x, y, w, h;
  g->GetRect(x, y, w, h);
  EXPECT_EQ(x, 1);
  EXPECT_EQ(h, 3);
  ASSERT_TRUE(g->Pixels());
  EXPECT_EQ(g->Pixels()->flags, 0);  // never masked: coverage is the alpha
  EXPECT_EQ(g->Pixels()->pixmaps[0]->format, PIXFMT_A8);
  EXPECT_EQ(static_cast<uint32_t>(g->Pixels()->pixmaps[0]->ReadPixel(1, 1)), 0xFFFFFFFFu);  // white, covered
  EXPECT_EQ(font->LoadGlyph(3), nullptr);
  EXPECT_EQ(font->LoadGlyph(999), nullptr);
  EXPECT_EQ(font->LoadGlyph(-1), nullptr);
  EXPECT_EQ(TImageFont::FromFont(nullptr), nullptr);
}

TEST(ImageFont, DefaultFontMapsPrintableAscii) {
  auto font = DefaultImageFont();
  EXPECT_EQ(font->CountGlyphs(), 96);
  EXPECT_EQ(font->Height(), 16);
  EXPECT_EQ(font->Style(), 0);
  EXPECT_EQ(font->CharToGlyph('A'), 33);
  EXPECT_EQ(font->CharToGlyph(233), -1);
  EXPECT_EQ(font->CharToGlyph(31), -1);
  EXPECT_EQ(font->CharToGlyph(128), -1);
  auto g = font->LoadGlyph(33);
  EXPECT_EQ(g->Advance(), 8.0f);
  EXPECT_EQ(g->Pixels()->width, 8);
  EXPECT_EQ(g->Pixels()->height, 16);
}

TEST(ImageFont, LoadFontFileFailures) {
  EXPECT_EQ(LoadFontFile(std::string(""), 16, 0), nullptr);
  EXPECT_EQ(LoadFontFile(std::string("/nonexistent/font.ttf"), 16, 0), nullptr);
  EXPECT_EQ(LoadFontFile(std::string("/usr/share/fonts"), 16, 0), nullptr);
  EXPECT_EQ(LoadFontFile(std::shared_ptr<TStream>(std::make_shared<TMemoryStream>("not a font")), 16, 0),
            nullptr);
}

TEST(ImageFont, SmoothStyleGrowsGlyphsByAPixelAndFiltersThem) {
  auto smooth = LoadFontFile(kScalable, 20, FONT_SMOOTH);
  auto plain = LoadFontFile(kScalable, 20, 1);
  ASSERT_TRUE(smooth);
  ASSERT_TRUE(plain);
  EXPECT_EQ(smooth->_imageFlags, IMAGE_FILTERED | IMAGE_MIPMAPPED);
  EXPECT_EQ(plain->_imageFlags, 0);
  EXPECT_EQ(plain->Style(), 1);
  const int n = plain->CharToGlyph('H');
  ASSERT_GE(n, 0);
  int x1, y1, w1, h1, x4, y4, w4, h4;
  plain->LoadGlyph(n)->GetRect(x1, y1, w1, h1);
  smooth->LoadGlyph(n)->GetRect(x4, y4, w4, h4);
  EXPECT_EQ(x4, x1 - 1);
  EXPECT_EQ(y4, y1 - 1);
  EXPECT_EQ(w4, w1 + 2);
  EXPECT_EQ(h4, h1 + 2);
  EXPECT_EQ(smooth->LoadGlyph(n)->Pixels()->flags, IMAGE_FILTERED | IMAGE_MIPMAPPED);
  EXPECT_EQ(smooth->LoadGlyph(n)->Advance(), plain->LoadGlyph(n)->Advance());
  // A space has an advance and no image.
  auto space = plain->LoadGlyph(plain->CharToGlyph(' '));
  EXPECT_GT(space->Advance(), 0.0f);
  EXPECT_EQ(space->Pixels(), nullptr);
}

using TextTest = GLTest;

TEST_F(TextTest, StringWidthTruncatesAfterEveryCharacterAndSkipsMissingGlyphs) {
  SetTextFont(TImageFont::FromFont(std::make_shared<FractionalFont>()));
  EXPECT_EQ(StringWidth(u"a"), 7);
  EXPECT_EQ(StringWidth(u"aaa"), 21);  // not 22
  EXPECT_EQ(StringWidth(u""), 0);
  EXPECT_EQ(StringWidth(u"azqb"), 14);  // 'z' is past the glyphs, 'q' has none
  EXPECT_EQ(StringHeight(u"anything"), 12);
  SetDrawScale(3, 3);
  EXPECT_EQ(StringWidth(u"aaa"), 21);  // unscaled
  DrawString(u"zzz", 0, 0);  // no crash, nothing drawn
  EXPECT_TRUE(LitColumns(5, 0, 40).empty());

  SetTextFont(nullptr);
  EXPECT_EQ(GetTextFont(), DefaultImageFont());
  EXPECT_EQ(StringWidth(u"Hi"), 16);
  EXPECT_EQ(StringWidth(u"\u00e9"), 0);
  EXPECT_EQ(StringHeight(u""), 16);
}

TEST_F(TextTest, GlyphsArePlacedFromFloatPens) {
  SetTextFont(TImageFont::FromFont(std::make_shared<FractionalFont>()));
  DrawString(u"ab", 10, 10);
  // 'a' covers x 11..13, y 12..14; 'b' starts at 10 + 7.6 + 1 = 18.6, so
  // its pixels are 19..21 (a rounded pen would light 18..20).
  EXPECT_EQ(LitColumns(13, 0, 40), (std::vector<int>{11, 12, 13, 19, 20, 21}));
  EXPECT_TRUE(LitColumns(11, 0, 40).empty());
  EXPECT_EQ(LitColumns(14, 0, 40).size(), 6u);
  EXPECT_TRUE(LitColumns(15, 0, 40).empty());

  // Scaled: offsets, sizes and advances double.
  Cls();
  SetDrawScale(2, 2);
  DrawString(u"aa", 10, 50);
  // 'a' at 10 + 2 = 12 for 6 pixels; the second at 10 + 15.2 + 2 = 27.2.
  EXPECT_EQ(LitColumns(56, 0, 60), (std::vector<int>{12, 13, 14, 15, 16, 17, 27, 28, 29, 30, 31, 32}));
  EXPECT_TRUE(LitColumns(53, 0, 60).empty());
  EXPECT_EQ(LitColumns(54, 0, 60).size(), 12u);

  // The drawing handle moves text; the origin too.
  Cls();
  SetDrawScale(1, 1);
  SetDrawHandle(5, 5);
  SetDrawOrigin(100, 0);
  DrawString(u"a", 10, 100);
  EXPECT_EQ(LitColumns(97, 100, 130), (std::vector<int>{106, 107, 108}));
  EXPECT_TRUE(LitColumns(96, 100, 130).empty());
}

TEST_F(TextTest, DefaultFontDrawsItsBitmap) {
  SetTextFont(nullptr);
  DrawString(u"A", 20, 30);
  auto shot = GrabPixmap(20, 30, 8, 16);
  int set = 0;
  for (int y = 0; y < 16; ++y) {
    const uint8_t bits = defaultFontBits[y * DEFAULT_FONT_GLYPHS + ('A' - DEFAULT_FONT_FIRST_CHAR)];
    for (int b = 0; b < 8; ++b) {
      const bool on = (bits >> b) & 1;
      set += on;
      EXPECT_EQ(PixelOf(shot, b, y).r, on ? 255 : 0) << b << "," << y;
    }
  }
  EXPECT_GT(set, 10);
  // The next character starts 8 pixels on.
  Cls();
  DrawString(u"\u00e9A", 20, 30);  // the unknown character takes no space
  auto again = GrabPixmap(20, 30, 8, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(PixelOf(again, x, y), PixelOf(shot, x, y));
}

TEST_F(TextTest, FreeTypeTextLandsInsideItsGlyphRectangles) {
  auto font = LoadFontFile(kScalable, 24, 0);
  ASSERT_TRUE(font);
  SetTextFont(font);
  EXPECT_EQ(StringHeight(u"x"), font->Height());
  EXPECT_EQ(StringHeight(u"xyz"), StringHeight(u""));
  const int space = static_cast<int>(font->LoadGlyph(font->CharToGlyph(' '))->Advance());
  EXPECT_EQ(StringWidth(u"   "), 3 * space);

  SetBlend(BLEND_ALPHA);
  DrawString(u"   H", 40, 40);
  int x, y, w, h;
  auto g = font->LoadGlyph(font->CharToGlyph('H'));
  g->GetRect(x, y, w, h);
  const int left = 40 + 3 * space + x, top = 40 + y;
  auto shot = GrabPixmap(0, 0, kWidth, kHeight);
  int inside = 0, outside = 0;
  for (int py = 0; py < kHeight; ++py) {
    for (int px = 0; px < kWidth; ++px) {
      if (PixelOf(shot, px, py).r == 0) continue;
      const bool in = px >= left && px < left + w && py >= top && py < top + h;
      (in ? inside : outside)++;
    }
  }
  EXPECT_GT(inside, w * h / 4);
  EXPECT_EQ(outside, 0);
}

}  // namespace
