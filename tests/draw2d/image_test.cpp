// Images and their texture frames: loading, strips, masks, handles, texture
// sizing and padding, filters, mipmaps, source windows and the dead-texture list.
#include <vector>

#include "gl_fixture.h"

namespace {

std::shared_ptr<TPixmap> Solid(int w, int h, uint32_t argb, int format = PIXFMT_RGBA8888) {
  return MakePixmap(w, h, format, [argb](int, int) { return argb; });
}

// Texture level contents read back from GL.
std::vector<uint8_t> TexImage(const std::shared_ptr<TGLImageFrame>& f, int level, int& w, int& h) {
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(f->name));
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
  std::vector<uint8_t> bytes(static_cast<size_t>(w) * h * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
  GLDraw2DDriver()->ResetGLContext(TDraw2DGraphics::Current());
  return bytes;
}

Rgba TexelAt(const std::vector<uint8_t>& t, int w, int x, int y) {
  const uint8_t* p = &t[(static_cast<size_t>(y) * w + x) * 4];
  return Rgba{p[0], p[1], p[2], p[3]};
}

std::shared_ptr<TGLImageFrame> GLFrame(const std::shared_ptr<TImage>& image, int index = 0) {
  return std::dynamic_pointer_cast<TGLImageFrame>(image->Frame(index));
}

TEST(Image, StripCellsNumberedAcrossThenDown) {
  auto sheet = MakePixmap(64, 32, PIXFMT_RGBA8888, [](int x, int y) { return Argb(255, x / 16, y / 16, 0); });
  auto strip = LoadImageStrip(sheet, 16, 16, 2, 6, 0);
  ASSERT_TRUE(strip);
  EXPECT_EQ(strip->FrameCount(), 6);
  EXPECT_EQ(strip->width, 16);
  EXPECT_EQ(PixelOf(strip->pixmaps[0], 0, 0), (Rgba{2, 0, 0, 255}));  // the cell at (32, 0)
  EXPECT_EQ(PixelOf(strip->pixmaps[2], 5, 5), (Rgba{0, 1, 0, 255}));  // the cell at (0, 16)
  EXPECT_EQ(PixelOf(strip->pixmaps[5], 15, 15), (Rgba{3, 1, 0, 255}));
  // Copies, not windows over the sheet.
  sheet->WritePixel(32, 0, static_cast<int>(Argb(255, 9, 9, 9)));
  EXPECT_EQ(PixelOf(strip->pixmaps[0], 0, 0), (Rgba{2, 0, 0, 255}));

  EXPECT_EQ(LoadImageStrip(sheet, 16, 16, 2, 7, 0), nullptr);
  EXPECT_EQ(LoadImageStrip(sheet, 0, 16, 0, 1, 0), nullptr);
  EXPECT_EQ(LoadImageStrip(sheet, 16, 0, 0, 1, 0), nullptr);
  EXPECT_EQ(LoadImageStrip(sheet, 16, 16, -1, 2, 0), nullptr);
  EXPECT_EQ(LoadImageStrip(sheet, 16, 16, 0x7fffffff, 2, 0), nullptr);
  EXPECT_EQ(LoadImageStrip(sheet, 100, 100, 0, 1, 0), nullptr);
  EXPECT_EQ(LoadImageStrip(std::string("/nonexistent/strip.png"), 16, 16, 0, 1, 0), nullptr);
}

TEST(Image, MaskKeysOnlyPixmapsWithoutAlphaWithTheColourOfTheirMaking) {
  ASSERT_EQ(GetDefaultImageFlags(), IMAGE_MASKED | IMAGE_FILTERED);
  // Red, black, green in a row: the black key takes its neighbours' average.
  auto rgb = MakePixmap(3, 1, PIXFMT_RGB888, [](int x, int) {
    return x == 0 ? Argb(255, 100, 0, 0) : x == 1 ? Argb(255, 0, 0, 0) : Argb(255, 0, 200, 1);
  });
  auto keyed = LoadImageFile(rgb);
  ASSERT_TRUE(keyed);
  EXPECT_EQ(keyed->flags, 3);
  EXPECT_EQ(PixelOf(keyed->pixmaps[0], 1, 0), (Rgba{50, 100, 0, 0}));
  EXPECT_EQ(PixelOf(keyed->pixmaps[0], 2, 0), (Rgba{0, 200, 1, 255}));
  // A picture with its own alpha is not masked: its black stays opaque.
  auto rgba = LoadImageFile(Solid(2, 2, Argb(255, 0, 0, 0)));
  EXPECT_EQ(PixelOf(rgba->pixmaps[0], 0, 0), (Rgba{0, 0, 0, 255}));
  // Not masked without the flag.
  auto plain = LoadImageFile(rgb, IMAGE_FILTERED);
  EXPECT_EQ(plain->pixmaps[0]->format, PIXFMT_RGB888);

  SetImageMaskColor(255, 0, 255);
  int r, g, b;
  GetImageMaskColor(r, g, b);
  EXPECT_EQ(g, 0);
  auto magenta = MakePixmap(2, 1, PIXFMT_BGR888, [](int x, int) { return x ? Argb(255, 255, 0, 255) : Argb(255, 0, 0, 0); });
  auto later = LoadImageFile(magenta);
  EXPECT_EQ(PixelOf(later->pixmaps[0], 0, 0).a, 255);
  EXPECT_EQ(PixelOf(later->pixmaps[0], 1, 0).a, 0);
  EXPECT_EQ(keyed->mask_r, 0);  // earlier images keep their black key
  keyed->SetPixmap(0, rgb);
  EXPECT_EQ(PixelOf(keyed->pixmaps[0], 1, 0).a, 0);
  SetImageMaskColor(0, 0, 0);
}

TEST(Image, HandlesFlagsAndBadArguments) {
  auto image = NewImage(65, 65, 2, IMAGE_MASKED);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->flags, IMAGE_MASKED | IMAGE_DYNAMIC);
  CentreImageHandle(image);
  EXPECT_EQ(image->handle_x, 32.5f);
  EXPECT_EQ(image->handle_y, 32.5f);
  SetAutoCentreHandle(true);
  auto centred = LoadImageFile(Solid(10, 4, Argb(255, 1, 1, 1)));
  SetAutoCentreHandle(false);
  EXPECT_EQ(centred->handle_x, 5.0f);
  EXPECT_EQ(centred->handle_y, 2.0f);
  SetDefaultImageFlags(-1);
  EXPECT_EQ(GetDefaultImageFlags(), 3);

  // Lock makes a cleared pixmap; a bad index gives Null everywhere.
  auto p = LockImageFrame(image, 1);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->format, PIXFMT_RGBA8888);
  EXPECT_EQ(p->ReadPixel(64, 64), 0);
  EXPECT_EQ(LockImageFrame(image, 2), nullptr);
  EXPECT_EQ(LockImageFrame(image, -1), nullptr);
  EXPECT_EQ(image->Frame(7), nullptr);
  image->SetPixmap(9, p);  // ignored
  EXPECT_EQ(NewImage(-1, 4), nullptr);
  EXPECT_EQ(LoadImageFile(std::string("/nonexistent/picture.png")), nullptr);
  EXPECT_EQ(LoadImageFile(std::shared_ptr<TPixmap>()), nullptr);
  EXPECT_EQ(GetImageWidth(nullptr), 0);
  DrawImageFrame(nullptr, 0, 0);
}

TEST(Image, TexturePow2) {
  for (auto [n, p] : std::vector<std::pair<int, int>>{{-3, 1}, {0, 1}, {1, 1}, {2, 2}, {3, 4}, {65, 128}, {768, 1024}, {1024, 1024}})
    EXPECT_EQ(TexturePow2(n), p) << n;
}

using ImageGLTest = GLTest;

TEST_F(ImageGLTest, PaddedTextureRepeatsLastColumnAndRowAndZeroesTheRest) {
  auto image = LoadImageFile(MakePixmap(65, 65, PIXFMT_RGB888, [](int x, int y) { return Argb(255, x, y, 50); }), 0);
  auto f = GLFrame(image);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->texWidth, 128);
  EXPECT_EQ(f->texHeight, 128);
  EXPECT_FLOAT_EQ(f->u1, 65.0f / 128);
  EXPECT_FLOAT_EQ(f->uscale, 1.0f / 128);
  int w, h;
  auto t = TexImage(f, 0, w, h);
  ASSERT_EQ(w, 128);
  EXPECT_EQ(TexelAt(t, w, 64, 10), (Rgba{64, 10, 50, 255}));
  EXPECT_EQ(TexelAt(t, w, 65, 10), (Rgba{64, 10, 50, 255}));
  EXPECT_EQ(TexelAt(t, w, 10, 65), (Rgba{10, 64, 50, 255}));
  EXPECT_EQ(TexelAt(t, w, 65, 65), (Rgba{64, 64, 50, 255}));
  EXPECT_EQ(TexelAt(t, w, 66, 10), (Rgba{0, 0, 0, 0}));
  EXPECT_EQ(TexelAt(t, w, 100, 100), (Rgba{0, 0, 0, 0}));

  auto one = GLFrame(LoadImageFile(Solid(1, 1, Argb(255, 3, 4, 5)), 0));
  ASSERT_TRUE(one);
  EXPECT_EQ(one->texWidth, 1);
  EXPECT_EQ(one->u1, 1.0f);
  EXPECT_EQ(one->v1, 1.0f);
}

TEST_F(ImageGLTest, FilterTableAndFullMipmapChain) {
  struct Case {
    int flags;
    GLint mag, min;
  } cases[] = {{0, GL_NEAREST, GL_NEAREST},
               {IMAGE_FILTERED, GL_LINEAR, GL_LINEAR},
               {IMAGE_MIPMAPPED, GL_NEAREST, GL_NEAREST_MIPMAP_NEAREST},
               {IMAGE_FILTERED | IMAGE_MIPMAPPED, GL_LINEAR, GL_LINEAR_MIPMAP_LINEAR}};
  for (const Case& c : cases) {
    auto f = GLFrame(LoadImageFile(Solid(4, 2, Argb(255, 9, 9, 9)), c.flags));
    ASSERT_TRUE(f);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(f->name));
    GLint mag = 0, min = 0, wrap = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
    EXPECT_EQ(mag, c.mag) << c.flags;
    EXPECT_EQ(min, c.min) << c.flags;
    EXPECT_EQ(wrap, GL_CLAMP_TO_EDGE);
  }
  GLDraw2DDriver()->ResetGLContext(graphics);

  // 4 x 2 of two colours: level 1 is 2 x 1, level 2 the 1 x 1 average.
  auto image = LoadImageFile(MakePixmap(4, 2, PIXFMT_RGBA8888, [](int x, int) {
                               return x < 2 ? Argb(255, 200, 0, 0) : Argb(255, 0, 100, 0);
                             }),
                             IMAGE_MIPMAPPED);
  auto f = GLFrame(image);
  int w, h;
  auto l1 = TexImage(f, 1, w, h);
  EXPECT_EQ(w, 2);
  EXPECT_EQ(h, 1);
  EXPECT_EQ(TexelAt(l1, w, 0, 0), (Rgba{200, 0, 0, 255}));
  auto l2 = TexImage(f, 2, w, h);
  EXPECT_EQ(w, 1);
  EXPECT_EQ(h, 1);
  EXPECT_TRUE(Near(TexelAt(l2, w, 0, 0), Rgb(100, 50, 0), 1)) << TexelAt(l2, w, 0, 0);
  // The minified image samples the small levels.
  SetBlend(BLEND_SOLID);
  DrawImageStretched(image, 10, 10, 1, 1);
  EXPECT_TRUE(Near(ScreenAt(10, 10), Rgb(100, 50, 0), 2)) << ScreenAt(10, 10);
}

TEST_F(ImageGLTest, NearestAndLinearSampling) {
  auto pair = MakePixmap(2, 1, PIXFMT_RGBA8888, [](int x, int) { return x ? Argb(255, 255, 255, 255) : Argb(255, 0, 0, 0); });
  SetBlend(BLEND_SOLID);
  DrawImageStretched(LoadImageFile(pair, IMAGE_MASKED), 0, 0, 200, 4);  // flags 1: nearest
  DrawImageStretched(LoadImageFile(pair, -1), 0, 10, 200, 4);           // flags 3: linear
  EXPECT_EQ(ScreenAt(99, 0), Rgb(0, 0, 0));
  EXPECT_EQ(ScreenAt(100, 0), Rgb(255, 255, 255));
  EXPECT_EQ(ScreenAt(10, 10), Rgb(0, 0, 0));  // clamped to the edge texel
  EXPECT_EQ(ScreenAt(190, 10), Rgb(255, 255, 255));
  const Rgba mid = ScreenAt(100, 10);
  EXPECT_TRUE(Near(mid, Rgb(128, 128, 128), 3)) << mid;
}

TEST_F(ImageGLTest, ColourKeyEdgesCarryTheNeighbourColour) {
  auto rgb = MakePixmap(3, 1, PIXFMT_RGB888, [](int x, int) {
    return x == 0 ? Argb(255, 100, 0, 0) : x == 1 ? Argb(255, 0, 0, 0) : Argb(255, 0, 200, 0);
  });
  auto image = LoadImageFile(rgb, IMAGE_MASKED);
  SetDrawScale(10, 10);
  SetBlend(BLEND_SOLID);  // shows the transparent texel's colour
  DrawImageFrame(image, 0, 0);
  EXPECT_EQ(ScreenAt(15, 5), Rgb(50, 100, 0));
  SetClsColor(0, 0, 255);
  Cls();
  SetBlend(BLEND_MASK);
  DrawImageFrame(image, 0, 0);
  EXPECT_EQ(ScreenAt(5, 5), Rgb(100, 0, 0));
  EXPECT_EQ(ScreenAt(15, 5), Rgb(0, 0, 255));
  // Filtered and alpha-blended, the edge between red and the hole fades red,
  // never towards the black key.
  auto filtered = LoadImageFile(rgb, -1);
  Cls();
  SetBlend(BLEND_ALPHA);
  DrawImageFrame(filtered, 0, 20);
  // 45 % red texel, 55 % hole texel of colour (50, 100, 0), over blue; a
  // black hole would give (20, 0, 140).
  const Rgba edge = ScreenAt(10, 25);
  EXPECT_TRUE(Near(edge, Rgb(33, 25, 140), 4)) << edge;
}

TEST_F(ImageGLTest, DrawImagePartShowsTheSourceWindowStretched) {
  auto image = LoadImageFile(MakePixmap(64, 16, PIXFMT_RGBA8888, [](int x, int y) { return Argb(255, x * 4, y * 16, 0); }), 0);
  SetBlend(BLEND_SOLID);
  DrawImagePart(image, 10, 20, 64, 32, 16, 0, 32, 16, 0, 0, 0);
  for (int k = 0; k < 32; k += 5) {
    for (int r = 0; r < 16; r += 3) {
      EXPECT_EQ(ScreenAt(10 + 2 * k, 20 + 2 * r), Rgb((16 + k) * 4, r * 16, 0)) << k << "," << r;
      EXPECT_EQ(ScreenAt(11 + 2 * k, 21 + 2 * r), Rgb((16 + k) * 4, r * 16, 0)) << k << "," << r;
    }
  }
  EXPECT_EQ(ScreenAt(9, 20), Rgb(0, 0, 0));
  EXPECT_EQ(ScreenAt(74, 20), Rgb(0, 0, 0));
  EXPECT_EQ(ScreenAt(10, 52), Rgb(0, 0, 0));
  // The handle is in source pixels, scaled to the destination.
  Cls();
  DrawImagePart(image, 100, 100, 64, 32, 16, 0, 32, 16, 4, 2, 0);
  EXPECT_EQ(ScreenAt(92, 96), Rgb(64, 0, 0));
  EXPECT_EQ(ScreenAt(91, 96), Rgb(0, 0, 0));
  // An empty source window draws nothing.
  DrawImagePart(image, 0, 0, 10, 10, 0, 0, 0, 5);
}

TEST_F(ImageGLTest, PictureLargerThanTheLargestTextureIsResampledAndKeepsItsPixels) {
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  ASSERT_GT(maxSize, 0);
  const int wide = maxSize * 2;
  auto image = LoadImageFile(MakePixmap(wide, 2, PIXFMT_RGBA8888, [wide](int x, int) {
                               return x < wide / 2 ? Argb(255, 255, 0, 0) : Argb(255, 0, 255, 0);
                             }),
                             0);
  auto f = GLFrame(image);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->texWidth, maxSize);
  EXPECT_EQ(f->u1, 1.0f);
  SetBlend(BLEND_SOLID);
  // Source rectangles in the picture's own pixels: its right half is green.
  DrawImagePart(image, 0, 0, 20, 4, static_cast<float>(wide / 2), 0, static_cast<float>(wide / 2), 2);
  DrawImagePart(image, 0, 10, 20, 4, 0, 0, static_cast<float>(wide / 4), 2);
  EXPECT_EQ(ScreenAt(10, 2), Rgb(0, 255, 0));
  EXPECT_EQ(ScreenAt(10, 12), Rgb(255, 0, 0));
  DrawImageFrame(image, 0, 20);
  EXPECT_EQ(ScreenAt(0, 20), Rgb(255, 0, 0));
}

TEST_F(ImageGLTest, FramesFollowTheGraphicsSequence) {
  auto image = LoadImageFile(Solid(8, 8, Argb(255, 10, 20, 30)), 0);
  auto f1 = GLFrame(image);
  ASSERT_TRUE(f1);
  EXPECT_EQ(f1->seq, GraphicsSeq());
  EXPECT_EQ(image->Frame(0), f1);  // made once per context
  const GLuint oldName = static_cast<GLuint>(f1->name);
  // Changed pixels: the old texture waits on the dead list and is deleted at
  // the next texture creation, under the same context.
  LockImageFrame(image, 0, true, true)->WritePixel(0, 0, static_cast<int>(Argb(255, 1, 2, 3)));
  EXPECT_EQ(image->frames[0], nullptr);
  f1.reset();
  ASSERT_EQ(DeadTextures().names, std::vector<unsigned>{oldName});
  EXPECT_TRUE(glIsTexture(oldName));
  SetBlend(BLEND_SOLID);
  DrawImageFrame(image, 0, 0);
  EXPECT_FALSE(glIsTexture(oldName));
  EXPECT_TRUE(DeadTextures().names.empty());
  EXPECT_EQ(ScreenAt(0, 0), Rgb(1, 2, 3));

  // After a new display the image rebuilds its texture; the old name is not
  // deleted through the new context.
  const int oldSeq = GraphicsSeq();
  const int staleName = GLFrame(image)->name;
  ASSERT_TRUE(Graphics(kWidth, kHeight, 0, 0, 0));
  EXPECT_NE(GraphicsSeq(), oldSeq);
  // Live textures of the new context, up to one that has the stale name's number.
  std::vector<std::shared_ptr<TGLImageFrame>> keep;
  while (keep.size() < 64 && (keep.empty() || keep.back()->name != staleName))
    keep.push_back(TGLImageFrame::CreateFromPixmap(Solid(2, 2, Argb(255, 0, 0, 0)), 0));
  ASSERT_EQ(keep.back()->name, staleName);
  auto f2 = GLFrame(image);
  ASSERT_TRUE(f2);
  EXPECT_EQ(f2->seq, GraphicsSeq());
  EXPECT_TRUE(DeadTextures().names.empty());  // the stale name was dropped, not queued
  EXPECT_TRUE(glIsTexture(static_cast<GLuint>(staleName)));  // still the new context's texture
  SetBlend(BLEND_SOLID);
  DrawImageFrame(image, 5, 5);
  EXPECT_EQ(ScreenAt(5, 5), Rgb(1, 2, 3));
}

TEST_F(ImageGLTest, GrabScreenToImageMasksWithTheCurrentColour) {
  SetBlend(BLEND_SOLID);
  SetColor(0, 200, 0);
  DrawRect(10, 10, 2, 4);  // left half green, right half black
  auto image = NewImage(4, 4, 1, IMAGE_MASKED);
  GrabScreenToImage(image, 10, 10);
  EXPECT_EQ(PixelOf(image->pixmaps[0], 0, 0), (Rgba{0, 200, 0, 255}));
  EXPECT_EQ(PixelOf(image->pixmaps[0], 3, 0), (Rgba{0, 0, 0, 0}));
  EXPECT_EQ(PixelOf(image->pixmaps[0], 2, 0), (Rgba{0, 200, 0, 0}));  // the key beside green takes it
  SetColor(255, 255, 255);
  SetClsColor(0, 0, 255);
  Cls();
  SetBlend(BLEND_MASK);
  DrawImageFrame(image, 50, 50);
  EXPECT_EQ(ScreenAt(50, 50), Rgb(0, 200, 0));
  EXPECT_EQ(ScreenAt(53, 50), Rgb(0, 0, 255));
}

}  // namespace
