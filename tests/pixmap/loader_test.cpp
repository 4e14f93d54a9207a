// The picture loaders on fixtures made by the tests, and on truncated and
// damaged variants of them: a damaged file gives Null, never a crash (the
// sanitizer build checks every byte touched).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>

#include <zlib.h>

#include "engine/graphics/pixmap.h"
#include "fixtures.h"

namespace {

std::shared_ptr<TPixmap> Load(const std::string& bytes) { return LoadPixmap(TUrl{Memory(bytes)}); }

uint32_t Px(const std::shared_ptr<TPixmap>& p, int x, int y) {
  return static_cast<uint32_t>(p->ReadPixel(x, y));
}

// Opaque RGB rows: pixel (x, y) = (10x, 20y, 7).
std::vector<uint8_t> RgbRamp(int w, int h) {
  std::vector<uint8_t> v;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) v.insert(v.end(), {uint8_t(10 * x), uint8_t(20 * y), 7});
  return v;
}

std::string PaletteRgbPng(bool transparency) {
  PngFixture s;
  s.width = 3, s.height = 2, s.colorType = PNG_COLOR_TYPE_PALETTE;
  s.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  if (transparency) s.trns = {0, 128};  // blue has no entry: opaque
  s.pixels = {0, 1, 2, 2, 1, 0};
  return MakePng(s);
}

std::string Tga24() {
  // 2 x 2; file rows bottom-up, pixels blue first.
  std::string t = TgaHeader(2, 2, 2, 24);
  t += std::string("\x01\x02\x03\x04\x05\x06", 6);  // bottom row
  t += std::string("\x07\x08\x09\x0A\x0B\x0C", 6);  // top row
  return t;
}

std::string Bmp24() {
  // 3 x 2, rows padded from 9 to 12 bytes, bottom-up, blue first.
  std::string b = BmpHeader(3, 2, 24, 0, 0);
  b += std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\0\0\0", 12);
  b += std::string("\x11\x12\x13\x14\x15\x16\x17\x18\x19\0\0\0", 12);
  return b;
}

struct TempFile {
  std::string path;
  explicit TempFile(const std::string& bytes, const std::string& name) {
    // Builds and checkouts on one machine share the temporary folder.
    path = testing::TempDir() + std::to_string(getpid()) + "_" + name;
    std::ofstream(path, std::ios::binary) << bytes;
  }
  ~TempFile() { std::remove(path.c_str()); }
};

}  // namespace

TEST(PngLoader, ColourTypesAfterExpandAndStrip16) {
  auto rgb = Load(PaletteRgbPng(false));
  ASSERT_TRUE(rgb);
  EXPECT_EQ(rgb->format, PIXFMT_RGB888);
  EXPECT_EQ(Px(rgb, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(Px(rgb, 2, 0), 0xFF0000FFu);

  auto rgba = Load(PaletteRgbPng(true));
  ASSERT_TRUE(rgba);
  EXPECT_EQ(rgba->format, PIXFMT_RGBA8888);
  EXPECT_EQ(Px(rgba, 0, 0), 0x00FF0000u);
  EXPECT_EQ(Px(rgba, 1, 0), 0x8000FF00u);
  EXPECT_EQ(Px(rgba, 2, 0), 0xFF0000FFu);

  PngFixture deep;  // 16 bits per sample: the high byte stays
  deep.width = 2, deep.height = 1, deep.bitDepth = 16;
  deep.pixels = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xFF, 0xFF, 0x00, 0x01, 0x80, 0x00};
  auto d = Load(MakePng(deep));
  ASSERT_TRUE(d);
  EXPECT_EQ(d->format, PIXFMT_RGB888);
  EXPECT_EQ(Px(d, 0, 0), 0xFF12569Au);
  EXPECT_EQ(Px(d, 1, 0), 0xFFFF0080u);

  PngFixture ga;
  ga.width = 2, ga.height = 1, ga.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
  ga.pixels = {200, 50, 7, 255};
  auto g = Load(MakePng(ga));
  ASSERT_TRUE(g);
  EXPECT_EQ(g->format, PIXFMT_RGBA8888);
  EXPECT_EQ(Px(g, 0, 0), 0x32C8C8C8u);
  EXPECT_EQ(Px(g, 1, 0), 0xFF070707u);

  PngFixture grey2;  // 2-bit grey expands to 8 bits
  grey2.width = 4, grey2.height = 1, grey2.colorType = PNG_COLOR_TYPE_GRAY, grey2.bitDepth = 2;
  grey2.pixels = {0x1B};  // 0, 1, 2, 3
  auto g2 = Load(MakePng(grey2));
  ASSERT_TRUE(g2);
  EXPECT_EQ(g2->format, PIXFMT_I8);
  EXPECT_EQ(std::vector<uint8_t>(g2->pixels, g2->pixels + 4), (std::vector<uint8_t>{0, 85, 170, 255}));
}

TEST(PngLoader, InterlacedMatchesProgressiveRows) {
  PngFixture s;
  s.width = 13, s.height = 11, s.colorType = PNG_COLOR_TYPE_RGB;
  s.pixels = RgbRamp(13, 11);
  auto plain = Load(MakePng(s));
  s.interlaced = true;
  auto adam7 = Load(MakePng(s));
  ASSERT_TRUE(plain && adam7);
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 13; ++x) {
      ASSERT_EQ(Px(adam7, x, y), Px(plain, x, y));
      ASSERT_EQ(Px(plain, x, y), 0xFF000007u | uint32_t(10 * x) << 16 | uint32_t(20 * y) << 8);
    }
}

TEST(PngLoader, OversizedHeaderIsRefusedBeforeDecoding) {
  PngFixture s;
  s.width = 1, s.height = 1, s.pixels = {1, 2, 3};
  std::string png = MakePng(s);
  // IHDR starts at byte 8: length, "IHDR", width, height...; set width 20000 and fix the CRC.
  const uint32_t w = 20000;
  for (int i = 0; i < 4; ++i) png[16 + i] = static_cast<char>(w >> (24 - 8 * i));
  const uint32_t crc = static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17));
  for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
  EXPECT_FALSE(Load(png));
}

TEST(JpegLoader, GreyAndColourAndFourComponents) {
  std::vector<uint8_t> grey(16 * 8);
  for (size_t i = 0; i < grey.size(); ++i) grey[i] = 120;
  auto g = Load(MakeJpeg(16, 8, 1, grey));
  ASSERT_TRUE(g);
  EXPECT_EQ(g->format, PIXFMT_I8);
  EXPECT_EQ(g->width, 16);
  EXPECT_NEAR(g->pixels[5], 120, 2);
  auto asRgba = g->Convert(PIXFMT_RGBA8888);
  const uint8_t* p = asRgba->PixelPtr(3, 3);
  EXPECT_EQ(p[0], p[1]);
  EXPECT_EQ(p[1], p[2]);
  EXPECT_EQ(p[3], 255);

  std::vector<uint8_t> rgb;
  for (int i = 0; i < 24 * 16; ++i) rgb.insert(rgb.end(), {200, 40, 90});
  auto c = Load(MakeJpeg(24, 16, 3, rgb));
  ASSERT_TRUE(c);
  EXPECT_EQ(c->format, PIXFMT_RGB888);
  const uint8_t* q = c->PixelPtr(10, 10);
  EXPECT_NEAR(q[0], 200, 4);
  EXPECT_NEAR(q[1], 40, 4);
  EXPECT_NEAR(q[2], 90, 4);

  auto progressive = Load(MakeJpeg(24, 16, 3, rgb, 90, true));
  ASSERT_TRUE(progressive);
  EXPECT_NEAR(progressive->PixelPtr(5, 5)[0], 200, 4);

  std::vector<uint8_t> cmyk(8 * 8 * 4, 60);
  EXPECT_FALSE(Load(MakeJpeg(8, 8, 4, cmyk)));
}

TEST(JpegLoader, OddButWholeFilesLoadDamagedOnesDoNot) {
  std::vector<uint8_t> rgb;
  for (int i = 0; i < 16 * 16; ++i) rgb.insert(rgb.end(), {30, 160, 220});
  const std::string good = MakeJpeg(16, 16, 3, rgb);
  const size_t sos = good.find("\xFF\xDA");
  const size_t jfif = good.find(std::string("JFIF\0", 5));
  ASSERT_NE(sos, std::string::npos);
  ASSERT_NE(jfif, std::string::npos);
  // Padding bytes between two segments and a newer JFIF revision: libjpeg
  // warns and decodes every pixel, as any viewer shows them.
  std::string padded = good;
  padded.insert(sos, std::string("\0\0\0", 3));
  std::string revised = good;
  revised[jfif + 5] = 2;
  for (const auto& [name, bytes] : {std::pair{"padded", padded}, std::pair{"revised", revised}}) {
    auto p = Load(bytes);
    ASSERT_TRUE(p) << name;
    EXPECT_NEAR(p->PixelPtr(8, 8)[1], 160, 4) << name;
  }
  // Scan data that ends early: the rest would be grey, so no picture.
  std::string cut = good.substr(0, good.size() - 40) + "\xFF\xD9";
  EXPECT_FALSE(Load(cut));
}

TEST(TgaLoader, DepthsRowOrderAndChannelOrder) {
  auto p = Load(Tga24());
  ASSERT_TRUE(p);
  EXPECT_EQ(p->format, PIXFMT_RGB888);
  EXPECT_EQ(Px(p, 0, 1), 0xFF030201u);  // first file row is the bottom row
  EXPECT_EQ(Px(p, 1, 0), 0xFF0C0B0Au);
  EXPECT_EQ(p->PixelPtr(0, 1)[0], 0x03);  // red really first in an RGB888 pixmap

  std::string t32 = TgaHeader(2, 1, 1, 32, 3);
  t32 += "id!";
  t32 += std::string("\x10\x20\x30\x40", 4);
  auto p32 = Load(t32);
  ASSERT_TRUE(p32);
  EXPECT_EQ(p32->format, PIXFMT_RGBA8888);
  EXPECT_EQ(Px(p32, 0, 0), 0x40302010u);

  // 5-5-5 words: red 31, green 0, blue 1; bit 15 set gives alpha 0 at 16 bits.
  const uint32_t word = (31u << 10) | 1u;
  std::string t16 = TgaHeader(2, 2, 1, 16);
  Put16(t16, word | 0x8000);
  Put16(t16, word);
  auto p16 = Load(t16);
  ASSERT_TRUE(p16);
  EXPECT_EQ(Px(p16, 0, 0), 0x00F80008u);
  EXPECT_EQ(Px(p16, 1, 0), 0xFFF80008u);
  std::string t15 = TgaHeader(2, 1, 1, 15);
  Put16(t15, word | 0x8000);
  auto p15 = Load(t15);
  ASSERT_TRUE(p15);
  EXPECT_EQ(p15->format, PIXFMT_RGB888);
  EXPECT_EQ(Px(p15, 0, 0), 0xFFF80008u);
}

TEST(TgaLoader, RunLengthPacketsCrossRowsAndAreClampedAtTheEnd) {
  // 3 x 2: a run of 4 (crosses into the top row), then 2 literals. Then a
  // second image's worth of run that must be cut at the last pixel.
  std::string t = TgaHeader(10, 3, 2, 24);
  t += std::string("\x83\x01\x02\x03", 4);
  t += std::string("\x01\x0A\x0B\x0C\x0D\x0E\x0F", 7);
  auto p = Load(t);
  ASSERT_TRUE(p);
  EXPECT_EQ(Px(p, 0, 1), 0xFF030201u);
  EXPECT_EQ(Px(p, 2, 1), 0xFF030201u);
  EXPECT_EQ(Px(p, 0, 0), 0xFF030201u);
  EXPECT_EQ(Px(p, 1, 0), 0xFF0C0B0Au);
  EXPECT_EQ(Px(p, 2, 0), 0xFF0F0E0Du);

  std::string over = TgaHeader(10, 3, 2, 24);
  over += std::string("\xFF\x05\x06\x07", 4);  // 128 pixels for an image of 6
  auto q = Load(over);
  ASSERT_TRUE(q);
  EXPECT_EQ(Px(q, 2, 0), 0xFF070605u);
  std::string literalOver = TgaHeader(10, 1, 1, 24);
  literalOver += std::string("\x05\x01\x02\x03", 4);  // 6 literals promised, only 1 needed
  EXPECT_TRUE(Load(literalOver));
}

TEST(TgaLoader, OriginBitsPlaceTheFirstPixel) {
  // 2 x 2 picture, pixels a b c d in file order; each origin puts them elsewhere.
  const std::string body("\x01\x01\x01\x02\x02\x02\x03\x03\x03\x04\x04\x04", 12);
  struct Case {
    int descriptor;
    uint8_t topLeft, topRight, bottomLeft, bottomRight;
  } cases[] = {
      {0x00, 3, 4, 1, 2},  // bottom-left origin
      {0x20, 1, 2, 3, 4},  // top-left
      {0x10, 4, 3, 2, 1},  // bottom-right
      {0x30, 2, 1, 4, 3},  // top-right
      {0x28, 1, 2, 3, 4},  // attribute bits alongside
  };
  for (const Case& c : cases) {
    for (int type : {2, 10}) {
      std::string t = TgaHeader(type, 2, 2, 24, 0, 0, c.descriptor);
      if (type == 10) {
        for (int i = 0; i < 4; ++i) t += '\0' + body.substr(static_cast<size_t>(i) * 3, 3);
      } else {
        t += body;
      }
      auto p = Load(t);
      ASSERT_TRUE(p) << c.descriptor;
      EXPECT_EQ(p->PixelPtr(0, 0)[0], c.topLeft) << c.descriptor << " type " << type;
      EXPECT_EQ(p->PixelPtr(1, 0)[0], c.topRight) << c.descriptor << " type " << type;
      EXPECT_EQ(p->PixelPtr(0, 1)[0], c.bottomLeft) << c.descriptor << " type " << type;
      EXPECT_EQ(p->PixelPtr(1, 1)[0], c.bottomRight) << c.descriptor << " type " << type;
    }
  }
}

TEST(TgaLoader, HeadersItDoesNotDecode) {
  const std::string body(4 * 4 * 4, '\x11');
  EXPECT_FALSE(Load(TgaHeader(2, 4, 4, 24, 0, 1) + body));  // colour map
  EXPECT_FALSE(Load(TgaHeader(1, 4, 4, 24) + body));        // colour-mapped type
  EXPECT_FALSE(Load(TgaHeader(3, 4, 4, 8) + body));         // greyscale
  EXPECT_FALSE(Load(TgaHeader(2, 4, 4, 8) + body));
  EXPECT_FALSE(Load(TgaHeader(2, 0, 4, 24) + body));
  EXPECT_FALSE(Load(TgaHeader(2, 4097, 1, 24) + body));
  EXPECT_TRUE(Load(TgaHeader(2, 4, 4, 32) + body));
}

TEST(BmpLoader, DepthsPaddingAndRowOrder) {
  auto p = Load(Bmp24());
  ASSERT_TRUE(p);
  EXPECT_EQ(p->format, PIXFMT_BGR888);
  EXPECT_EQ(Px(p, 0, 1), 0xFF030201u);
  EXPECT_EQ(Px(p, 2, 1), 0xFF090807u);
  EXPECT_EQ(Px(p, 0, 0), 0xFF131211u);

  // 8 bits, two palette entries named in the header.
  std::string b8 = BmpHeader(3, 1, 8, 2, 2);
  b8 += std::string("\x10\x20\x30\0\x40\x50\x60\0", 8);
  b8 += std::string("\x01\x00\x01\0", 4);
  auto p8 = Load(b8);
  ASSERT_TRUE(p8);
  EXPECT_EQ(Px(p8, 0, 0), 0xFF605040u);
  EXPECT_EQ(Px(p8, 1, 0), 0xFF302010u);

  // 4 bits with the full 16-entry palette, high nibble first.
  std::string b4 = BmpHeader(3, 1, 4, 0, 16);
  for (int i = 0; i < 16; ++i) b4 += std::string{char(i), char(i), char(i), 0};
  b4 += std::string("\xF1\x20\0\0", 4);
  auto p4 = Load(b4);
  ASSERT_TRUE(p4);
  EXPECT_EQ(Px(p4, 0, 0), 0xFF0F0F0Fu);
  EXPECT_EQ(Px(p4, 1, 0), 0xFF010101u);
  EXPECT_EQ(Px(p4, 2, 0), 0xFF020202u);

  // 1 bit, most significant bit first, 10 pixels over two bytes.
  std::string b1 = BmpHeader(10, 1, 1, 0, 2);
  b1 += std::string("\0\0\0\0\xFF\xFF\xFF\0", 8);
  b1 += std::string("\xA0\x40\0\0", 4);
  auto p1 = Load(b1);
  ASSERT_TRUE(p1);
  const int want[10] = {1, 0, 1, 0, 0, 0, 0, 0, 0, 1};
  for (int x = 0; x < 10; ++x) EXPECT_EQ(Px(p1, x, 0), want[x] ? 0xFFFFFFFFu : 0xFF000000u) << x;
}

TEST(BmpLoader, ThirtyTwoBitsAndThePixelDataOffset) {
  std::string noAlpha = BmpHeader(2, 1, 32, 0, 0);
  noAlpha += std::string("\x01\x02\x03\0\x04\x05\x06\0", 8);
  auto p = Load(noAlpha);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->format, PIXFMT_BGRA8888);
  EXPECT_EQ(Px(p, 0, 0), 0xFF030201u);  // reserved bytes of 0: opaque

  std::string withAlpha = BmpHeader(2, 1, 32, 0, 0);
  withAlpha += std::string("\x01\x02\x03\x80\x04\x05\x06\0", 8);
  auto q = Load(withAlpha);
  ASSERT_TRUE(q);
  EXPECT_EQ(Px(q, 0, 0), 0x80030201u);
  EXPECT_EQ(Px(q, 1, 0), 0x00060504u);

  // Six bytes of something between header and pixels.
  std::string gap = BmpHeader(1, 1, 24, 0, 0, 0, 60);
  gap += "GAPGAP";
  gap += std::string("\x07\x08\x09\0", 4);
  auto g = Load(gap);
  ASSERT_TRUE(g);
  EXPECT_EQ(Px(g, 0, 0), 0xFF090807u);
  // An offset pointing back into the headers is damage.
  EXPECT_FALSE(Load(BmpHeader(1, 1, 24, 0, 0, 0, 20) + std::string(4, '\0')));
}

TEST(BmpLoader, RefusesWhatItCannotReadFaithfully) {
  const std::string row(64, '\0');
  EXPECT_FALSE(Load(BmpHeader(2, -2, 24, 0, 0) + row));                // top-down
  EXPECT_FALSE(Load(BmpHeader(2, 2, 24, 0, 0, 1) + row));              // RLE8
  EXPECT_FALSE(Load(BmpHeader(2, 2, 32, 0, 0, 3) + row));              // bit fields
  EXPECT_FALSE(Load(BmpHeader(2, 2, 16, 0, 0) + row));                 // 16 bits
  EXPECT_FALSE(Load(BmpHeader(2, 2, 4, 17, 17) + std::string(17 * 4, '\0') + row));  // palette too big
  EXPECT_FALSE(Load(BmpHeader(0, 2, 24, 0, 0) + row));
  EXPECT_FALSE(Load(BmpHeader(20000, 1, 24, 0, 0) + row));             // refused before allocating
  // Index 2 in a two-entry palette.
  std::string past = BmpHeader(1, 1, 8, 2, 2) + std::string(8, '\0');
  past += std::string("\x02\0\0\0", 4);
  EXPECT_FALSE(Load(past));
}

// The information header's size says which header it is: the OS/2 1.x core
// header (12), the OS/2 2.x one (16 to 64 bytes, the Windows fields first),
// the Windows ones (40, 52, 56, 108, 124). Any other size is no header this
// loader knows, and guessing where its palette starts gives wrong colours.
TEST(BmpLoader, InformationHeaderSizes) {
  // 2 x 2 at 24 bits: rows of 6 bytes padded to 8, bottom row first.
  const std::string rows24("\x01\x02\x03\x04\x05\x06\0\0\x11\x12\x13\x14\x15\x16\0\0", 16);
  // 3 x 1 at 4 bits over a full 16-entry palette: indices 15, 1, 2.
  std::vector<uint32_t> palette16;
  for (uint32_t i = 0; i < 16; ++i) palette16.push_back(0x100000u * i + 0x0200u * i + 0x03u * i);
  const std::string row4("\xF1\x20\0\0", 4);

  for (uint32_t size : {12u, 16u, 20u, 40u, 48u, 52u, 56u, 64u, 108u, 124u}) {
    SCOPED_TRACE(size);
    auto p = Load(BmpOfInfoSize(size, 2, 2, 24, {}, rows24));
    ASSERT_TRUE(p);
    ASSERT_EQ(p->width, 2);
    ASSERT_EQ(p->height, 2);
    EXPECT_EQ(Px(p, 0, 1), 0xFF030201u);
    EXPECT_EQ(Px(p, 1, 1), 0xFF060504u);
    EXPECT_EQ(Px(p, 0, 0), 0xFF131211u);
    EXPECT_EQ(Px(p, 1, 0), 0xFF161514u);

    auto q = Load(BmpOfInfoSize(size, 3, 1, 4, palette16, row4));
    ASSERT_TRUE(q);
    ASSERT_EQ(q->width, 3);
    EXPECT_EQ(Px(q, 0, 0), 0xFFF01E2Du);
    EXPECT_EQ(Px(q, 1, 0), 0xFF100203u);
    EXPECT_EQ(Px(q, 2, 0), 0xFF200406u);
  }
  // A core header's palette may be shorter than the depth allows: the pixel
  // data's offset says where it ends.
  const std::vector<uint32_t> three = {0x102030, 0x405060, 0x708090};
  EXPECT_FALSE(Load(BmpOfInfoSize(12, 3, 1, 4, three, row4)));  // index 15 is past its three entries
  auto core3 = Load(BmpOfInfoSize(12, 3, 1, 4, three, std::string("\x21\x00\0\0", 4)));
  ASSERT_TRUE(core3);
  EXPECT_EQ(Px(core3, 0, 0), 0xFF708090u);
  EXPECT_EQ(Px(core3, 1, 0), 0xFF405060u);
  EXPECT_EQ(Px(core3, 2, 0), 0xFF102030u);

  // Sizes of no known header, with the pixel data where such a header would end.
  const std::string fields = BmpOfInfoSize(40, 2, 2, 24, {}, "").substr(14);
  for (uint32_t size : {0u, 11u, 13u, 15u, 65u, 100u, 107u, 109u, 125u, 4096u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(size);
    std::string info;
    Put32(info, size);
    info += fields.substr(4);
    if (size > 40 && size <= 4096) info.resize(size, '\0');
    std::string bytes = "BM";
    Put32(bytes, 0);
    Put32(bytes, 0);
    Put32(bytes, static_cast<uint32_t>(14 + info.size()));
    EXPECT_FALSE(Load(bytes + info + rows24));
  }
}

TEST(LoaderChain, TruncatedFilesGiveNull) {
  PngFixture s;
  s.width = 9, s.height = 7, s.pixels = RgbRamp(9, 7);
  std::vector<uint8_t> grey(16 * 16, 99);
  std::string rle = TgaHeader(10, 4, 2, 24) + std::string("\x83\x01\x02\x03\x03\x0A\x0B\x0C\x0D\x0E\x0F\x01\x02\x03\x04\x05\x06", 17);
  ASSERT_TRUE(Load(rle));
  const std::pair<const char*, std::string> files[] = {
      {"png", MakePng(s)},     {"png palette", PaletteRgbPng(true)}, {"jpeg", MakeJpeg(16, 16, 1, grey)},
      {"tga", Tga24()},        {"tga rle", rle},                      {"bmp", Bmp24()},
  };
  for (const auto& [name, bytes] : files) {
    ASSERT_TRUE(Load(bytes)) << name;
    for (size_t n = 0; n < bytes.size(); ++n)
      ASSERT_FALSE(Load(bytes.substr(0, n))) << name << " cut at " << n;
  }
}

TEST(LoaderChain, DamagedBytesNeverCrash) {
  PngFixture s;
  s.width = 12, s.height = 9, s.pixels = RgbRamp(12, 9);
  std::vector<uint8_t> rgb = RgbRamp(32, 16);
  std::string rle = TgaHeader(10, 5, 5, 32) + std::string(64, '\x84');
  const std::string files[] = {MakePng(s), PaletteRgbPng(true), MakeJpeg(32, 16, 3, rgb),
                               MakeJpeg(32, 16, 3, rgb, 80, true), Tga24(), rle, Bmp24()};
  std::mt19937 random(12345);
  for (const auto& bytes : files) {
    for (int round = 0; round < 300; ++round) {
      std::string damaged = bytes;
      const int flips = 1 + static_cast<int>(random() % 4);
      for (int i = 0; i < flips; ++i) damaged[random() % damaged.size()] = static_cast<char>(random());
      auto p = Load(damaged);
      if (p) {
        ASSERT_TRUE(PixmapSizeAllowed(p->width, p->height, p->format));
      }
    }
  }
  // Damage that each decoder must notice.
  std::string png = MakePng(s);
  png[png.size() - 20] ^= 0x55;  // inside IDAT: the CRC no longer matches
  EXPECT_FALSE(Load(png));
  std::string jpeg = MakeJpeg(32, 16, 3, rgb);
  std::string bigJpeg = jpeg;
  for (size_t i = 0; i + 9 < bigJpeg.size(); ++i)
    if (uint8_t(bigJpeg[i]) == 0xFF && uint8_t(bigJpeg[i + 1]) == 0xC0) {  // frame header
      bigJpeg[i + 5] = bigJpeg[i + 6] = bigJpeg[i + 7] = bigJpeg[i + 8] = '\xFF';
      break;
    }
  EXPECT_FALSE(Load(bigJpeg));  // 65535 x 65535: refused before decoding
}

TEST(LoaderChain, EveryLoaderStartsFromTheRememberedPosition) {
  // A picture after other bytes in one stream: the loaders begin where the stream was.
  auto stream = std::make_shared<TMemoryStream>("some header bytes" + Bmp24());
  stream->Seek(17);
  auto p = LoadPixmap(TUrl{std::shared_ptr<TStream>(stream)});
  ASSERT_TRUE(p);
  EXPECT_EQ(p->width, 3);
  EXPECT_FALSE(Load("this is no picture at all, just text"));
  EXPECT_FALSE(Load(""));

  // Order: TGA, PNG, JPEG, BMP.
  int n = 0;
  const char* order[4] = {};
  for (TPixmapLoader* l = PixmapLoaders(); l && n < 4; l = l->_succ, ++n) {
    order[n] = dynamic_cast<TPixmapLoaderTGA*>(l)   ? "tga"
               : dynamic_cast<TPixmapLoaderPNG*>(l) ? "png"
               : dynamic_cast<TPixmapLoaderJPG*>(l) ? "jpg"
               : dynamic_cast<TPixmapLoaderBMP*>(l) ? "bmp"
                                                     : "?";
  }
  EXPECT_STREQ(order[0], "tga");
  EXPECT_STREQ(order[1], "png");
  EXPECT_STREQ(order[2], "jpg");
  EXPECT_STREQ(order[3], "bmp");
}

namespace {

// Fails every loader it sees with a stream error, counting the calls.
class TThrowingLoader : public TPixmapLoader {
 public:
  std::shared_ptr<TPixmap> LoadPixmap(const std::shared_ptr<TStream>& stream) override {
    ++calls;
    stream->SkipBytes(5);
    throw TStreamReadException();
  }
  int calls = 0;
};

// A stream whose reads fail after a few bytes, or which has no position.
class TBrokenStream : public TMemoryStream {
 public:
  TBrokenStream(std::string bytes, int64_t failAt, bool noPos)
      : TMemoryStream(std::move(bytes)), _failAt(failAt), _noPos(noPos) {}
  int64_t Pos() override { return _noPos ? -1 : TMemoryStream::Pos(); }
  int64_t Read(void* buffer, int64_t count) override {
    if (TMemoryStream::Pos() + count > _failAt) throw TStreamReadException();
    return TMemoryStream::Read(buffer, count);
  }
  int64_t _failAt;
  bool _noPos;
};

}  // namespace

TEST(LoaderChain, StreamErrorsFailOneLoaderOnly) {
  {
    TThrowingLoader first;  // now at the head of the chain
    EXPECT_EQ(PixmapLoaders(), &first);
    auto p = Load(Bmp24());
    ASSERT_TRUE(p);
    EXPECT_EQ(first.calls, 1);
  }
  EXPECT_NE(dynamic_cast<TPixmapLoaderTGA*>(PixmapLoaders()), nullptr);  // left the chain

  const std::string files[] = {Bmp24(), Tga24(), PaletteRgbPng(false)};
  for (const auto& bytes : files) {
    for (int64_t at : {int64_t{3}, int64_t{20}, static_cast<int64_t>(bytes.size()) - 1}) {
      std::shared_ptr<TStream> s = std::make_shared<TBrokenStream>(bytes, at, false);
      EXPECT_FALSE(LoadPixmap(TUrl{s}));
    }

    std::shared_ptr<TStream> noPos = std::make_shared<TBrokenStream>(bytes, 1 << 30, true);
    EXPECT_FALSE(LoadPixmap(TUrl{noPos}));
  }
}

namespace {

// A stream that cannot tell its size.
class TSizelessStream : public TMemoryStream {
 public:
  using TMemoryStream::TMemoryStream;
  int64_t Size() override { return 0; }
  int64_t Read(void* buffer, int64_t count) override {
    const int64_t left = static_cast<int64_t>(_bytes.size()) - _pos;
    const int64_t n = std::min(count, left);
    if (n <= 0) return 0;
    std::memcpy(buffer, _bytes.data() + _pos, static_cast<size_t>(n));
    _pos += n;
    return n;
  }
};

}  // namespace

TEST(LoaderChain, HeadersArePlausibleForTheFileSize) {
  // A header promising far more pixels than the file holds is refused.
  EXPECT_FALSE(Load(BmpHeader(16384, 4096, 32, 0, 0) + std::string(100, '\1')));
  EXPECT_FALSE(Load(TgaHeader(2, 4096, 4096, 32) + std::string(100, '\1')));
  EXPECT_FALSE(Load(TgaHeader(10, 4096, 4096, 32) + std::string(100, '\xFF')));
  // Without a known size the decoders still read what is there.
  for (const auto& bytes : {Bmp24(), Tga24()}) {
    std::shared_ptr<TStream> s = std::make_shared<TSizelessStream>(bytes);
    auto p = LoadPixmap(TUrl{s});
    ASSERT_TRUE(p);
    EXPECT_EQ(p->height, 2);
  }
}

TEST(LoaderChain, LoadsFilesByPath) {
  TempFile png(PaletteRgbPng(true), "pixmap_loader_test.png");
  auto p = LoadPixmap(TUrl{png.path});
  ASSERT_TRUE(p);
  EXPECT_EQ(p->format, PIXFMT_RGBA8888);
  EXPECT_FALSE(LoadPixmap(TUrl{png.path + ".missing"}));
  EXPECT_FALSE(LoadPixmap(TUrl{testing::TempDir()}));
}
