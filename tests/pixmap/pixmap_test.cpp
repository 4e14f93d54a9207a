// Pixmap memory layout, pixel access, format conversion, windows, mirrors,
// the colour-key mask and the bilinear resize.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/graphics/pixmap.h"

namespace {

std::vector<uint8_t> Bytes(const std::shared_ptr<TPixmap>& p, int x, int y) {
  const int n = PixelFormatBytes(p->format);
  const uint8_t* a = p->PixelPtr(x, y);
  return std::vector<uint8_t>(a, a + n);
}

std::shared_ptr<TPixmap> Filled(int w, int h, int format, const std::vector<uint32_t>& argb) {
  auto p = NewPixmap(w, h, format, 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p->WritePixel(x, y, static_cast<int>(argb[y * w + x]));
  return p;
}

}  // namespace

TEST(Pixmap, CreateRoundsPitchToAlignAndRefusesBadSizes) {
  auto p = NewPixmap(3, 2, PIXFMT_RGB888, 4);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->pitch, 12);
  EXPECT_EQ(p->capacity, 24);
  EXPECT_EQ(NewPixmap(5, 1, PIXFMT_A8, 4)->pitch, 8);
  EXPECT_EQ(NewPixmap(5, 1, PIXFMT_A8, 1)->pitch, 5);
  EXPECT_TRUE(NewPixmap(0, 0, PIXFMT_RGBA8888, 4));
  EXPECT_FALSE(NewPixmap(-1, 4, PIXFMT_RGBA8888, 4));
  EXPECT_FALSE(NewPixmap(4, 4, 7, 4));
  EXPECT_FALSE(NewPixmap(1 << 16, 1 << 16, PIXFMT_RGBA8888, 4));  // 16 GiB: no int capacity

  uint8_t memory[16] = {};
  auto wrapped = WrapPixmap(memory, 2, 2, 8, PIXFMT_RGBA8888);
  EXPECT_EQ(wrapped->capacity, -1);
  wrapped->WritePixel(1, 1, 0x11223344);
  EXPECT_EQ(memory[12], 0x22);  // red first
}

TEST(Pixmap, SizeLimitsOfLoadedPictures) {
  EXPECT_TRUE(PixmapSizeAllowed(16384, 4096, PIXFMT_RGBA8888));   // exactly 256 MiB
  EXPECT_FALSE(PixmapSizeAllowed(16384, 4097, PIXFMT_RGBA8888));  // one row more
  EXPECT_FALSE(PixmapSizeAllowed(16385, 1, PIXFMT_I8));
  EXPECT_TRUE(PixmapSizeAllowed(16384, 16384, PIXFMT_I8));
  EXPECT_FALSE(PixmapSizeAllowed(0, 5, PIXFMT_I8));
  EXPECT_FALSE(PixmapSizeAllowed(5, 5, 0));
}

TEST(Pixmap, ReadPixelGivesArgbForEveryFormat) {
  struct Case {
    int format;
    std::vector<uint8_t> bytes;
    uint32_t argb;
  };
  const Case cases[] = {
      {PIXFMT_I8, {77}, 0xFF4D4D4D},
      {PIXFMT_A8, {77}, 0x4DFFFFFF},
      {PIXFMT_BGR888, {10, 20, 30}, 0xFF1E140A},
      {PIXFMT_RGB888, {10, 20, 30}, 0xFF0A141E},
      {PIXFMT_BGRA8888, {10, 20, 30, 40}, 0x281E140A},
      {PIXFMT_RGBA8888, {10, 20, 30, 40}, 0x280A141E},
  };
  for (const auto& c : cases) {
    auto p = NewPixmap(2, 1, c.format, 4);
    std::memcpy(p->PixelPtr(1, 0), c.bytes.data(), c.bytes.size());
    EXPECT_EQ(static_cast<uint32_t>(p->ReadPixel(1, 0)), c.argb) << "format " << c.format;
  }
}

TEST(Pixmap, WritePixelStoresInTheFormat) {
  struct Case {
    int format;
    std::vector<uint8_t> bytes;
  };
  const int colour = static_cast<int>(0x80102030u);  // a 0x80, r 0x10, g 0x20, b 0x30
  const Case cases[] = {
      {PIXFMT_I8, {0x20}},  // (0x10 + 0x20 + 0x30) / 3
      {PIXFMT_A8, {0x80}},
      {PIXFMT_BGR888, {0x30, 0x20, 0x10}},
      {PIXFMT_RGB888, {0x10, 0x20, 0x30}},
      {PIXFMT_BGRA8888, {0x30, 0x20, 0x10, 0x80}},
      {PIXFMT_RGBA8888, {0x10, 0x20, 0x30, 0x80}},
  };
  for (const auto& c : cases) {
    auto p = NewPixmap(1, 1, c.format, 4);
    p->WritePixel(0, 0, colour);
    EXPECT_EQ(Bytes(p, 0, 0), c.bytes) << "format " << c.format;
  }
  // Outside the pixmap nothing is read or written.
  auto p = NewPixmap(1, 1, PIXFMT_RGBA8888, 4);
  p->ClearPixels(0x01020304);
  p->WritePixel(1, 0, -1);
  p->WritePixel(0, -1, -1);
  EXPECT_EQ(p->ReadPixel(0, 0), 0x01020304);
  EXPECT_EQ(p->ReadPixel(5, 5), 0);
}

TEST(Pixmap, ConversionGoesThroughRgba8888) {
  struct Case {
    int from;
    std::vector<uint8_t> in;
    int to;
    std::vector<uint8_t> out;
  };
  const Case cases[] = {
      {PIXFMT_I8, {90}, PIXFMT_RGBA8888, {90, 90, 90, 255}},
      {PIXFMT_A8, {90}, PIXFMT_RGBA8888, {255, 255, 255, 90}},
      {PIXFMT_BGR888, {1, 2, 3}, PIXFMT_RGBA8888, {3, 2, 1, 255}},
      {PIXFMT_RGB888, {1, 2, 3}, PIXFMT_RGBA8888, {1, 2, 3, 255}},
      {PIXFMT_BGRA8888, {1, 2, 3, 4}, PIXFMT_RGBA8888, {3, 2, 1, 4}},
      {PIXFMT_RGBA8888, {1, 1, 2, 9}, PIXFMT_I8, {1}},  // integer division
      {PIXFMT_RGBA8888, {1, 2, 3, 9}, PIXFMT_A8, {9}},
      {PIXFMT_RGBA8888, {1, 2, 3, 9}, PIXFMT_BGR888, {3, 2, 1}},
      {PIXFMT_RGBA8888, {1, 2, 3, 9}, PIXFMT_BGRA8888, {3, 2, 1, 9}},
      {PIXFMT_I8, {90}, PIXFMT_A8, {255}},   // grey is opaque
      {PIXFMT_A8, {90}, PIXFMT_I8, {255}},   // alpha carries white
      {PIXFMT_BGR888, {1, 2, 3}, PIXFMT_RGB888, {3, 2, 1}},
      {PIXFMT_BGRA8888, {1, 2, 3, 4}, PIXFMT_BGR888, {1, 2, 3}},
  };
  for (const auto& c : cases) {
    auto src = NewPixmap(1, 1, c.from, 4);
    std::memcpy(src->pixels, c.in.data(), c.in.size());
    auto dst = src->Convert(c.to);
    ASSERT_TRUE(dst);
    EXPECT_EQ(dst->format, c.to);
    EXPECT_EQ(Bytes(dst, 0, 0), c.out) << c.from << " -> " << c.to;
  }
}

TEST(Pixmap, WindowSharesMemoryAndKeepsItsParentAlive) {
  auto parent = NewPixmap(4, 4, PIXFMT_RGBA8888, 4);
  parent->ClearPixels(0);
  auto window = parent->Window(1, 1, 2, 2);
  EXPECT_EQ(window->width, 2);
  EXPECT_EQ(window->pitch, parent->pitch);
  EXPECT_EQ(window->capacity, -1);
  EXPECT_EQ(window->pixels, parent->PixelPtr(1, 1));
  window->WritePixel(1, 1, 0x7F010203);
  EXPECT_EQ(parent->ReadPixel(2, 2), 0x7F010203);

  window->ClearPixels(static_cast<int>(0xFFFFFFFF));  // rows with gaps: only the window changes
  EXPECT_EQ(parent->ReadPixel(0, 0), 0);
  EXPECT_EQ(parent->ReadPixel(3, 1), 0);
  EXPECT_EQ(parent->ReadPixel(1, 3), 0);
  EXPECT_EQ(parent->ReadPixel(1, 1), -1);

  // Clipped to the parent.
  auto edge = parent->Window(3, 2, 5, 5);
  EXPECT_EQ(edge->width, 1);
  EXPECT_EQ(edge->height, 2);
  EXPECT_EQ(parent->Window(9, 9, 2, 2)->width, 0);

  parent.reset();
  EXPECT_EQ(window->ReadPixel(0, 0), -1);  // still valid memory (ASan checks)
}

TEST(Pixmap, CopyPasteAndClear) {
  auto src = Filled(2, 2, PIXFMT_BGR888, {0x010203, 0x040506, 0x070809, 0x0A0B0C});
  auto copy = src->Copy();
  EXPECT_NE(copy->pixels, src->pixels);
  EXPECT_EQ(copy->format, PIXFMT_BGR888);
  EXPECT_EQ(copy->ReadPixel(1, 1), src->ReadPixel(1, 1));

  auto dst = NewPixmap(3, 3, PIXFMT_RGBA8888, 4);
  dst->ClearPixels(0);
  dst->Paste(src, 1, 1);
  EXPECT_EQ(dst->ReadPixel(1, 1), static_cast<int>(0xFF010203));
  EXPECT_EQ(dst->ReadPixel(2, 2), static_cast<int>(0xFF0A0B0C));
  EXPECT_EQ(dst->ReadPixel(0, 0), 0);

  // Partly outside: only the overlap is written.
  dst->ClearPixels(0);
  dst->Paste(src, -1, 2);
  EXPECT_EQ(dst->ReadPixel(0, 2), static_cast<int>(0xFF040506));
  EXPECT_EQ(dst->ReadPixel(1, 2), 0);
  dst->Paste(src, 100, -100);

  auto grey = NewPixmap(3, 1, PIXFMT_I8, 4);
  grey->ClearPixels(0x00306090);  // (0x30 + 0x60 + 0x90) / 3
  EXPECT_EQ(grey->pixels[2], 0x60);
  grey->ClearPixels(0);
  EXPECT_EQ(grey->pixels[1], 0);
}

TEST(Pixmap, Mirrors) {
  auto p = Filled(3, 2, PIXFMT_RGB888, {1, 2, 3, 4, 5, 6});
  auto x = MirrorPixmapX(p);
  auto y = MirrorPixmapY(p);
  const int wantX[] = {3, 2, 1, 6, 5, 4};
  const int wantY[] = {4, 5, 6, 1, 2, 3};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(x->ReadPixel(i % 3, i / 3) & 0xFFFFFF, wantX[i]);
    EXPECT_EQ(y->ReadPixel(i % 3, i / 3) & 0xFFFFFF, wantY[i]);
  }
  EXPECT_EQ(x->format, PIXFMT_RGB888);
}

TEST(Pixmap, ScaleAveragesWhenHalvingAndRepeatsEdgesWhenEnlarging) {
  // 2 x 2 to 1 x 1: the mean of the four, truncated.
  auto four = Filled(2, 2, PIXFMT_RGBA8888, {0x00000000, 0x01010101, 0x01010101, 0x01010101});
  EXPECT_EQ(ScalePixmap(four, 1, 1)->ReadPixel(0, 0), 0);  // 0.75 truncates to 0
  auto mean = Filled(2, 2, PIXFMT_RGBA8888, {0x0A141E28, 0x14283C50, 0x1E3C5A78, 0x28507896});
  EXPECT_EQ(static_cast<uint32_t>(ScalePixmap(mean, 1, 1)->ReadPixel(0, 0)), 0x19324B61u);  // blue 97.5

  // 4 x 4 to 2 x 2: each 2 x 2 block averaged.
  std::vector<uint32_t> grid(16);
  for (uint32_t i = 0; i < 16; ++i) grid[i] = 0xFF000000u | (i * 10);
  auto half = ScalePixmap(Filled(4, 4, PIXFMT_RGBA8888, grid), 2, 2);
  EXPECT_EQ(half->ReadPixel(0, 0) & 0xFF, (0 + 10 + 40 + 50) / 4);
  EXPECT_EQ(half->ReadPixel(1, 1) & 0xFF, (100 + 110 + 140 + 150) / 4);

  // 2 x 1 to 4 x 1: edges repeat, inner samples a quarter and three quarters across.
  auto row = Filled(2, 1, PIXFMT_BGR888, {0xFF000000, 0xFF000064});
  auto wide = ScalePixmap(row, 4, 1);
  EXPECT_EQ(wide->format, PIXFMT_BGR888);
  const int blue[] = {0, 25, 75, 100};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(wide->ReadPixel(x, 0) & 0xFF, blue[x]) << x;

  auto one = Filled(1, 1, PIXFMT_A8, {0x42000000});
  auto big = ScalePixmap(one, 3, 3);
  EXPECT_EQ(big->ReadPixel(2, 2), 0x42FFFFFF);
  EXPECT_FALSE(ScalePixmap(one, 0, 3));
  EXPECT_FALSE(ScalePixmap(nullptr, 3, 3));
}

TEST(Pixmap, MaskMakesKeyPixelsTransparentWithNeighbourColour) {
  const uint32_t k = 0xFF000000;  // black: the key
  auto p = Filled(3, 3, PIXFMT_RGB888,
                  {0x0A0000, 0x140000, k,  //
                   k, k, k,                //
                   0x1E0000, k, 0x010000});
  auto m = MaskPixmapColor(p, 0, 0, 0);
  ASSERT_EQ(m->format, PIXFMT_RGBA8888);
  EXPECT_EQ(static_cast<uint32_t>(m->ReadPixel(0, 0)), 0xFF0A0000u);
  // Centre: neighbours 0x0A, 0x14, 0x1E, 0x01 are not keys: (10 + 20 + 30 + 1) / 4 = 15.
  EXPECT_EQ(m->ReadPixel(1, 1), 0x000F0000);
  // Near-black is not black: it stays opaque.
  EXPECT_EQ(static_cast<uint32_t>(m->ReadPixel(2, 2)), 0xFF010000u);

  auto allKey = MaskPixmapColor(Filled(2, 1, PIXFMT_I8, {0, 0}), 0, 0, 0);
  EXPECT_EQ(allKey->ReadPixel(0, 0), 0);
  EXPECT_EQ(allKey->ReadPixel(1, 0), 0);
}

TEST(Pixmap, PadRepeatsTheLastColumnAndRowOnceAndZeroesTheRest) {
  auto p = Filled(3, 2, PIXFMT_RGB888, {1, 2, 3, 4, 5, 6});
  auto padded = PadPixmapEdges(p, 5, 4);
  ASSERT_TRUE(padded);
  EXPECT_EQ(padded->format, PIXFMT_RGBA8888);
  const uint32_t o = 0xFF000000;
  const uint32_t want[4][5] = {{o | 1, o | 2, o | 3, o | 3, 0},
                               {o | 4, o | 5, o | 6, o | 6, 0},
                               {o | 4, o | 5, o | 6, o | 6, 0},
                               {0, 0, 0, 0, 0}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(static_cast<uint32_t>(padded->ReadPixel(x, y)), want[y][x]) << x << "," << y;
  auto same = PadPixmapEdges(p, 3, 2);
  EXPECT_EQ(same->ReadPixel(2, 1), static_cast<int>(o | 6));
  auto cropped = PadPixmapEdges(p, 2, 1);
  EXPECT_EQ(cropped->ReadPixel(1, 0), static_cast<int>(o | 2));
  EXPECT_FALSE(PadPixmapEdges(p, 0, 4));
}
