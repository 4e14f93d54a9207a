// Source fonts through FreeType, on Debian's free fonts and on damaged copies
// of them; the loader chain; the built-in 8 x 16 font.
#include <gtest/gtest.h>

#include <algorithm>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "engine/graphics/font.h"
#include "engine/graphics/font_bitmap.h"

namespace {

const std::string kScalable = "/usr/share/fonts/truetype/cabinsketch/CabinSketch-Bold.ttf";
const std::string kOpenType = "/usr/share/fonts/opentype/cantarell/Cantarell-Thin.otf";
const std::string kBitmap = "/usr/share/fonts/opentype/terminus/terminus-normal.otb";

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct TempFile {
  std::string path;
  // Builds and checkouts on one machine share the temporary folder.
  TempFile(const std::string& bytes, const std::string& name)
      : path(testing::TempDir() + std::to_string(getpid()) + "_" + name) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  ~TempFile() { std::remove(path.c_str()); }
};

// "fontmem::NAME" opens the bytes given to it.
class TFontMemoryFactory : public TStreamFactory {
 public:
  std::shared_ptr<TStream> CreateStream(const std::string&, const std::string& proto,
                                        const std::string& path, bool, bool) override {
    if (proto != "fontmem" || path != name) return nullptr;
    return std::make_shared<TMemoryStream>(bytes);
  }
  std::string name, bytes;
};

struct Rect {
  int x, y, w, h;
};
Rect RectOf(const std::shared_ptr<TGlyph>& g) {
  Rect r{};
  g->GetRect(r.x, r.y, r.w, r.h);
  return r;
}

std::shared_ptr<TGlyph> GlyphFor(const std::shared_ptr<TFont>& font, char16_t c) {
  const int n = font->CharToGlyph(c);
  return n < 0 ? nullptr : font->LoadGlyph(n);
}

}  // namespace

TEST(FreeTypeFont, MetricsAreFlooredSizeMetrics) {
  for (const auto& path : {kScalable, kOpenType}) {
    auto font = std::dynamic_pointer_cast<TFreeTypeFont>(LoadFont(TUrl{path}, 22, 1));
    ASSERT_TRUE(font) << path;
    EXPECT_EQ(font->Style(), 1);
    const FT_Size_Metrics& m = font->_ft_face->size->metrics;
    EXPECT_EQ(m.y_ppem, 22);
    EXPECT_EQ(font->Height(), static_cast<int>(m.height >> 6));
    EXPECT_EQ(font->_ascend, static_cast<int>(m.ascender >> 6));
    EXPECT_EQ(font->_descend, static_cast<int>(m.descender >> 6));  // shifted, so floored
    EXPECT_LT(font->_descend, 0);
    EXPECT_EQ(font->CountGlyphs(), font->_ft_face->num_glyphs);
  }
}

TEST(FreeTypeFont, GlyphsAreRasterisedOnceIntoA8Pixmaps) {
  auto font = LoadFont(TUrl{kScalable}, 28, 0);
  ASSERT_TRUE(font);
  EXPECT_EQ(font->CharToGlyph(u'A'), static_cast<int>(FT_Get_Char_Index(
                                          std::static_pointer_cast<TFreeTypeFont>(font)->_ft_face, 'A')) - 1);
  EXPECT_EQ(font->CharToGlyph(0x10FFFD), -1);  // a character the font lacks
  EXPECT_EQ(font->CharToGlyph(-3), -1);

  auto a = GlyphFor(font, u'A');
  ASSERT_TRUE(a);
  EXPECT_EQ(GlyphFor(font, u'A'), a);  // cached
  auto pixels = a->Pixels();
  ASSERT_TRUE(pixels);
  EXPECT_EQ(pixels->format, PIXFMT_A8);
  const Rect r = RectOf(a);
  EXPECT_EQ(r.w, pixels->width);
  EXPECT_EQ(r.h, pixels->height);
  EXPECT_GT(r.h, 10);
  EXPECT_GE(r.y, 0);  // below the top of the line
  EXPECT_GT(a->Advance(), 10.0f);
  EXPECT_EQ(a->Advance(), static_cast<float>(static_cast<int>(a->Advance())));
  int ink = 0;
  for (int y = 0; y < pixels->height; ++y)
    for (int x = 0; x < pixels->width; ++x) ink += pixels->PixelPtr(x, y)[0] > 128;
  EXPECT_GT(ink, 20);

  auto space = GlyphFor(font, u' ');
  ASSERT_TRUE(space);
  EXPECT_FALSE(space->Pixels());
  EXPECT_GT(space->Advance(), 0.0f);
  EXPECT_EQ(RectOf(space).w, 0);

  EXPECT_FALSE(font->LoadGlyph(-1));
  EXPECT_FALSE(font->LoadGlyph(font->CountGlyphs()));
  // The last slot maps past the face's glyphs: an empty glyph, not an error.
  auto last = font->LoadGlyph(font->CountGlyphs() - 1);
  ASSERT_TRUE(last);
  EXPECT_FALSE(last->Pixels());
  EXPECT_EQ(last->Advance(), 0.0f);
}

TEST(FreeTypeFont, SmoothStyleAddsATransparentBorder) {
  auto plain = LoadFont(TUrl{kScalable}, 20, 1);
  auto zero = LoadFont(TUrl{kScalable}, 20, 0);
  auto smooth = LoadFont(TUrl{kScalable}, 20, FONT_SMOOTH);
  ASSERT_TRUE(plain && zero && smooth);
  for (char16_t c : std::u16string(u"Ag?!")) {
    auto p = GlyphFor(plain, c), z = GlyphFor(zero, c), s = GlyphFor(smooth, c);
    const Rect rp = RectOf(p), rs = RectOf(s);
    EXPECT_EQ(rs.x, rp.x - 1);
    EXPECT_EQ(rs.y, rp.y - 1);
    EXPECT_EQ(rs.w, rp.w + 2);
    EXPECT_EQ(rs.h, rp.h + 2);
    EXPECT_EQ(s->Advance(), p->Advance());
    auto pp = p->Pixels(), sp = s->Pixels(), zp = z->Pixels();
    for (int y = 0; y < sp->height; ++y)
      for (int x = 0; x < sp->width; ++x) {
        const uint8_t v = sp->PixelPtr(x, y)[0];
        if (x == 0 || y == 0 || x == sp->width - 1 || y == sp->height - 1) {
          ASSERT_EQ(v, 0);
        } else {
          ASSERT_EQ(v, pp->PixelPtr(x - 1, y - 1)[0]);
          ASSERT_EQ(zp->PixelPtr(x - 1, y - 1)[0], pp->PixelPtr(x - 1, y - 1)[0]);  // style 1 = style 0
        }
      }
  }
}

TEST(FreeTypeFont, BitmapFacesSearchDownForAStrike) {
  auto font = LoadFont(TUrl{kBitmap}, 17, 0);  // strikes are 12, 14, 16, 18...
  ASSERT_TRUE(font);
  EXPECT_EQ(std::static_pointer_cast<TFreeTypeFont>(font)->_ft_face->size->metrics.y_ppem, 16);
  EXPECT_EQ(font->Height(), 16);
  auto a = GlyphFor(font, u'A');
  ASSERT_TRUE(a && a->Pixels());
  auto p = a->Pixels();
  int on = 0;
  for (int y = 0; y < p->height; ++y)
    for (int x = 0; x < p->width; ++x) {
      const uint8_t v = p->PixelPtr(x, y)[0];
      ASSERT_TRUE(v == 0 || v == 255);  // one-bit glyphs
      on += v == 255;
    }
  EXPECT_GT(on, 10);
  EXPECT_FALSE(LoadFont(TUrl{kBitmap}, 11, 0));  // no strike at 11 or below
}

TEST(FreeTypeFont, BitmapConversionHandlesEveryPitchAndDepth) {
  // Two rows of 10 pixels; the top row is 1010000001, the bottom row 0100000000.
  unsigned char mono[] = {0xA0, 0x40, 0, 0, 0x40, 0x00, 0, 0};
  FT_Bitmap b{};
  b.rows = 2, b.width = 10, b.pitch = 4, b.buffer = mono, b.pixel_mode = FT_PIXEL_MODE_MONO;
  auto down = GlyphBitmapToPixmap(b);
  // Upward flow: the buffer starts with the bottom row, the pitch is negative.
  unsigned char monoUp[] = {0x40, 0x00, 0, 0, 0xA0, 0x40, 0, 0};
  b.pitch = -4, b.buffer = monoUp;
  auto up = GlyphBitmapToPixmap(b);
  ASSERT_TRUE(down && up);
  const int top[10] = {1, 0, 1, 0, 0, 0, 0, 0, 0, 1};
  for (int x = 0; x < 10; ++x) {
    EXPECT_EQ(down->PixelPtr(x, 0)[0], top[x] ? 255 : 0) << x;
    EXPECT_EQ(up->PixelPtr(x, 0)[0], top[x] ? 255 : 0) << x;
    EXPECT_EQ(up->PixelPtr(x, 1)[0], x == 1 ? 255 : 0) << x;
  }

  unsigned char grey[] = {1, 2, 3, 0, 4, 5, 6, 0};
  FT_Bitmap g{};
  g.rows = 2, g.width = 3, g.pitch = -4, g.buffer = grey, g.pixel_mode = FT_PIXEL_MODE_GRAY;
  g.num_grays = 256;
  auto gp = GlyphBitmapToPixmap(g);
  ASSERT_TRUE(gp);
  EXPECT_EQ(gp->PixelPtr(0, 0)[0], 4);
  EXPECT_EQ(gp->PixelPtr(2, 1)[0], 3);

  unsigned char two[] = {0x1B};  // 0, 1, 2, 3
  FT_Bitmap t{};
  t.rows = 1, t.width = 4, t.pitch = 1, t.buffer = two, t.pixel_mode = FT_PIXEL_MODE_GRAY2;
  auto tp = GlyphBitmapToPixmap(t);
  ASSERT_TRUE(tp);
  EXPECT_EQ(tp->PixelPtr(3, 0)[0], 255);
  EXPECT_EQ(tp->PixelPtr(1, 0)[0], 85);

  FT_Bitmap empty{};
  EXPECT_FALSE(GlyphBitmapToPixmap(empty));
}

TEST(FreeTypeFont, StreamAddressesAreReadIntoMemory) {
  TFontMemoryFactory factory;
  factory.name = "sketch";
  factory.bytes = FileBytes(kScalable);
  auto font = std::dynamic_pointer_cast<TFreeTypeFont>(LoadFont(TUrl{"fontmem::sketch"}, 18, 0));
  ASSERT_TRUE(font);
  EXPECT_EQ(font->_buf_size, factory.bytes.size());
  auto a = GlyphFor(font, u'A');
  ASSERT_TRUE(a && a->Pixels());
  EXPECT_FALSE(LoadFont(TUrl{"fontmem::other"}, 18, 0));  // no stream: Null, nothing raised
  factory.name = "garbage";
  factory.bytes = "not a font";
  EXPECT_FALSE(LoadFont(TUrl{"fontmem::garbage"}, 18, 0));
}

TEST(FreeTypeFont, BadSourcesAndSizesGiveNull) {
  std::string windowsStyle = kScalable;  // asset paths are written with backslashes
  std::replace(windowsStyle.begin(), windowsStyle.end(), '/', '\\');
  EXPECT_TRUE(LoadFont(TUrl{windowsStyle}, 20, 0));
  EXPECT_FALSE(LoadFont(TUrl{std::string()}, 20, 0));
  EXPECT_FALSE(LoadFont(TUrl{"/no/such/font.ttf"}, 20, 0));
  EXPECT_FALSE(LoadFont(TUrl{kScalable + std::string(1, '\0') + ".png"}, 20, 0));
  EXPECT_FALSE(LoadFont(TUrl{"::" + kScalable}, 20, 0));  // "::" at the start is a path
  EXPECT_FALSE(LoadFont(TUrl{kScalable}, 0, 0));
  EXPECT_FALSE(LoadFont(TUrl{kScalable}, -20, 0));
  std::shared_ptr<TStream> stream = std::make_shared<TMemoryStream>(FileBytes(kScalable));
  EXPECT_FALSE(LoadFont(TUrl{stream}, 20, 0));  // the FreeType loader takes addresses only
  auto huge = LoadFont(TUrl{kScalable}, 1 << 30, 0);  // clamped to FreeType's largest size
  ASSERT_TRUE(huge);
  EXPECT_TRUE(GlyphFor(huge, u'.'));  // too large to render: an empty glyph
}

TEST(FreeTypeFont, DamagedFontFilesNeverCrash) {
  const std::string good = FileBytes(kScalable);
  ASSERT_GT(good.size(), 1000u);
  std::vector<std::string> variants = {"", "OTTO", std::string(64, '\0'), good.substr(0, 12),
                                       good.substr(0, 300), good.substr(0, good.size() / 2),
                                       good.substr(0, good.size() - 1)};
  std::mt19937 random(777);
  for (int i = 0; i < 40; ++i) {
    std::string damaged = good;
    for (int k = 0; k < 8; ++k) damaged[random() % 2048] = static_cast<char>(random());
    variants.push_back(damaged);
  }
  int loaded = 0;
  for (size_t i = 0; i < variants.size(); ++i) {
    TempFile file(variants[i], "damaged_font.ttf");
    auto font = LoadFont(TUrl{file.path}, 24, FONT_SMOOTH);
    if (i < 3) {
      EXPECT_FALSE(font) << i;
    }
    if (!font) continue;
    ++loaded;
    for (char16_t c : std::u16string(u"Aa?! 09"))
      if (auto g = GlyphFor(font, c); g && g->Pixels()) {
        const Rect r = RectOf(g);
        ASSERT_EQ(r.w, g->Pixels()->width);
      }
    for (int n = 0; n < font->CountGlyphs(); n += 7) font->LoadGlyph(n);
  }
  SUCCEED() << loaded << " damaged variants still opened";
}

// FreeType opens a TrueType file cut anywhere after its tables' directory,
// leaving out the tables it no longer holds whole (the outlines among them):
// such a face would draw nothing. By path and from memory alike it is refused.
TEST(FreeTypeFont, AFileCutShortIsRefused) {
  TFontMemoryFactory factory;
  factory.name = "cut";
  for (const std::string& path : {kScalable, std::string("/usr/share/fonts/truetype/glasstty/Glass_TTY_VT220.ttf")}) {
    const std::string good = FileBytes(path);
    ASSERT_GT(good.size(), 1000u) << path;
    for (int eighths = 1; eighths < 8; ++eighths) {
      SCOPED_TRACE(path + " cut at " + std::to_string(eighths) + "/8");
      TempFile file(good.substr(0, good.size() * static_cast<size_t>(eighths) / 8), "cut_font.ttf");
      EXPECT_FALSE(LoadFont(TUrl{file.path}, 20, 0));
      factory.bytes = good.substr(0, good.size() * static_cast<size_t>(eighths) / 8);
      EXPECT_FALSE(LoadFont(TUrl{"fontmem::cut"}, 20, 0));
    }
    TempFile whole(good, "whole_font.ttf");
    EXPECT_TRUE(LoadFont(TUrl{whole.path}, 20, 0)) << path;
  }
}

namespace {

class TCountingLoader : public TFontLoader {
 public:
  std::shared_ptr<TFont> LoadFont(const TUrl&, int, int) override {
    ++calls;
    return nullptr;
  }
  int calls = 0;
};

}  // namespace

TEST(FontLoaderChain, HeadFirstAndNeverTwice) {
  auto counting = std::make_shared<TCountingLoader>();
  RegisterFontLoader(counting);
  RegisterFontLoader(counting);  // already in the chain
  EXPECT_FALSE(LoadFont(TUrl{"/no/such/font.ttf"}, 12, 0));
  EXPECT_EQ(counting->calls, 1);
  auto font = LoadFont(TUrl{kScalable}, 12, 0);  // asked first, then FreeType answers
  EXPECT_TRUE(font);
  EXPECT_EQ(counting->calls, 2);
}

TEST(DefaultFont, BitsExpandToWhiteGlyphsSideBySide) {
  auto p = DefaultFontPixmap();
  ASSERT_TRUE(p);
  EXPECT_EQ(p->width, 768);
  EXPECT_EQ(p->height, 16);
  EXPECT_EQ(p->format, PIXFMT_RGBA8888);
  auto inkOf = [&](int glyph) {
    int ink = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 8; ++x) {
        const uint32_t v = static_cast<uint32_t>(p->ReadPixel(8 * glyph + x, y));
        EXPECT_TRUE(v == 0 || v == 0xFFFFFFFFu);
        const bool bit = (defaultFontBits[y * 96 + glyph] >> x) & 1;
        EXPECT_EQ(v != 0, bit);
        ink += v != 0;
      }
    return ink;
  };
  EXPECT_EQ(inkOf(0), 0);  // space
  EXPECT_GT(inkOf('A' - 32), 10);
  EXPECT_GT(inkOf('~' - 32), 3);
  // Every printable character has ink, and no two of A-Z look alike.
  for (int c = 33; c < 127; ++c) EXPECT_GT(inkOf(c - 32), 0) << char(c);
  for (int a = 'A'; a <= 'Z'; ++a)
    for (int b = a + 1; b <= 'Z'; ++b) {
      bool same = true;
      for (int y = 0; y < 16; ++y) same &= defaultFontBits[y * 96 + a - 32] == defaultFontBits[y * 96 + b - 32];
      EXPECT_FALSE(same) << char(a) << char(b);
    }
  // The left column holds glyph pixels (bit 0 is the leftmost): "|" sits in the middle.
  int leftHalf = 0, rightHalf = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 8; ++x)
      if (p->ReadPixel(8 * ('[' - 32) + x, y)) (x < 4 ? leftHalf : rightHalf)++;
  EXPECT_GT(leftHalf, rightHalf);  // "[" leans left
}
