// Drawing state and primitives on a real GL context, proved by reading back
// the back buffer.
#include <cmath>
#include <vector>

#include "engine/graphics/image_font.h"
#include "gl_fixture.h"

namespace {

TEST(Draw2DDriver, OpenGLIsTheCurrentDriverFromStartWithBackBufferFlag) {
  EXPECT_EQ(ActiveGraphicsDriver(), GLDraw2DDriver());
  EXPECT_EQ(GetDefaultGraphicsFlags(), GFX_BACKBUFFER);
  EXPECT_EQ(GLDraw2DDriver()->ToString(), u"OpenGL");
  EXPECT_EQ(TGLDraw2DDriver::Create(), GLDraw2DDriver());
}

TEST(Draw2DDriver, OperationsWithoutDisplayDoNothing) {
  ASSERT_EQ(TDraw2DGraphics::Current(), nullptr);
  SetColor(1, 2, 3);
  DrawRect(0, 0, 10, 10);
  DrawString(u"abc", 0, 0);
  EXPECT_EQ(StringWidth(u"abc"), 0);
  EXPECT_EQ(GrabPixmap(0, 0, 4, 4), nullptr);
  auto image = TImage::Create(4, 4, 1, 0, 0, 0, 0);
  EXPECT_EQ(image->Frame(0), nullptr);
}

TEST(OvalSegments, CountsTruncatedAtLeastTwelveMultipleOfFour) {
  struct Case {
    float xr, yr;
    int n;
  } cases[] = {{2, 2, 12}, {50, 50, 100}, {15, 15, 28}, {-20, 3, 20}, {0, 0, 12}, {1e30f, 1, 65536}};
  for (const Case& c : cases) EXPECT_EQ(OvalSegments(c.xr, c.yr), c.n) << c.xr << "," << c.yr;
}

// The real driver, counting what MakeCurrent asks of it.
class CountingDriver : public TGLDraw2DDriver {
 public:
  void Cls() override {
    ++clears;
    TGLDraw2DDriver::Cls();
  }
  void Flip(int sync) override {
    flips.push_back(sync);
    TGLDraw2DDriver::Flip(sync);
  }
  int clears = 0;
  std::vector<int> flips;
};

TEST(Draw2DDriver, MakeCurrentClearsBothBuffersOnlyTheFirstTime) {
  auto counting = std::make_shared<CountingDriver>();
  SelectGraphicsDriver(counting, GFX_BACKBUFFER);
  auto g = std::dynamic_pointer_cast<TDraw2DGraphics>(Graphics(64, 48, 0, 0, 0));
  ASSERT_TRUE(g);
  EXPECT_EQ(g->_driver, counting);
  EXPECT_EQ(counting->clears, 2);
  EXPECT_EQ(counting->flips, (std::vector<int>{0, 0}));
  // Made current again: validated, not cleared.
  SetClsColor(40, 0, 0);
  SetGraphics(nullptr);
  EXPECT_EQ(TDraw2DGraphics::Current(), nullptr);
  SetGraphics(g);
  EXPECT_EQ(TDraw2DGraphics::Current(), g);
  EXPECT_EQ(counting->clears, 2);
  EXPECT_EQ(counting->flips.size(), 2u);
  GLfloat clear[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_NEAR(clear[0] * 255, 40, 0.5);  // state re-applied by Validate
  EndDisplay();
  SelectGraphicsDriver(GLDraw2DDriver(), GFX_BACKBUFFER);
}

using Draw2DTest = GLTest;

TEST_F(Draw2DTest, GraphicsOpensA2DObjectWithDefaultsAndClearedBuffer) {
  auto gc = TDraw2DGraphics::Current();
  ASSERT_TRUE(gc);
  EXPECT_EQ(gc, graphics);
  EXPECT_EQ(gc->_setup, 1);
  EXPECT_EQ(GetDrawBlend(), BLEND_MASK);
  EXPECT_EQ(GetDrawAlpha(), 1.0f);
  int x, y, w, h;
  GetDrawViewport(x, y, w, h);
  EXPECT_EQ(w, kWidth);
  EXPECT_EQ(h, kHeight);
  EXPECT_EQ(GetTextFont(), DefaultImageFont());
  EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
  EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
  auto all = GrabPixmap(0, 0, kWidth, kHeight);
  for (int yy = 0; yy < kHeight; yy += 7)
    for (int xx = 0; xx < kWidth; xx += 5) ASSERT_EQ(PixelOf(all, xx, yy), (Rgba{0, 0, 0, 255}));
}

TEST_F(Draw2DTest, ColourAndAlphaClampedOnSendStoredUnclamped) {
  SetColor(300, -5, 128);
  int r, g, b;
  GetDrawColor(r, g, b);
  EXPECT_EQ(r, 300);
  EXPECT_EQ(g, -5);
  EXPECT_EQ(b, 128);
  SetBlend(BLEND_SOLID);
  DrawRect(10, 10, 5, 5);
  EXPECT_EQ(ScreenAt(12, 12), Rgb(255, 0, 128));

  GLfloat current[4];
  SetAlpha(0.5f);
  glGetFloatv(GL_CURRENT_COLOR, current);
  EXPECT_NEAR(current[3] * 255.0f, 127.0f, 0.01f);
  SetAlpha(1.5f);
  EXPECT_EQ(GetDrawAlpha(), 1.5f);
  glGetFloatv(GL_CURRENT_COLOR, current);
  EXPECT_EQ(current[3], 1.0f);
  SetAlpha(-2.0f);
  glGetFloatv(GL_CURRENT_COLOR, current);
  EXPECT_EQ(current[3], 0.0f);

  SetClsColor(-1, 999, 64);
  GetClearColor(r, g, b);
  EXPECT_EQ(g, 999);
  Cls();
  EXPECT_EQ(ScreenAt(100, 100), Rgb(0, 255, 64));
}

TEST_F(Draw2DTest, BlendModesCombineAsTheirTable) {
  struct Case {
    int mode;
    float alpha;
    Rgba expect;
  } cases[] = {
      {BLEND_SOLID, 0.5f, Rgb(200, 50, 0)},
      {BLEND_MASK, 0.5f, Rgb(100, 100, 100)},  // alpha byte 127 fails the test at 0.5
      {BLEND_MASK, 0.6f, Rgb(200, 50, 0)},     // passes and draws opaque
      {BLEND_ALPHA, 0.5f, Rgb(150, 75, 50)},   // 127/255 of the source over the rest
      {BLEND_LIGHT, 0.5f, Rgb(200, 125, 100)},
      {BLEND_SHADE, 0.5f, Rgb(78, 20, 0)},     // source times destination
      {99, 0.5f, Rgb(200, 50, 0)},             // unknown: solid
  };
  for (const Case& c : cases) {
    SetClsColor(100, 100, 100);
    Cls();
    SetBlend(c.mode);
    SetAlpha(c.alpha);
    SetColor(200, 50, 0);
    DrawRect(20, 20, 10, 10);
    EXPECT_TRUE(Near(ScreenAt(25, 25), c.expect, 1)) << "mode " << c.mode << " alpha " << c.alpha << " got "
                                                      << ScreenAt(25, 25);
    EXPECT_EQ(ScreenAt(35, 25), Rgb(100, 100, 100));
  }
}

TEST_F(Draw2DTest, MaskAlphaTestAppliesToTexelAlphaTimesDrawingAlpha) {
  // Texels of alpha 100 and 200; at drawing alpha 0.8 only 200 (160 >= 127.5) passes.
  auto image = LoadImageFile(MakePixmap(2, 1, PIXFMT_RGBA8888,
                                        [](int x, int) { return Argb(x ? 200 : 100, 255, 255, 255); }),
                             0);
  SetBlend(BLEND_MASK);
  SetAlpha(0.8f);
  SetDrawScale(10, 10);
  DrawImageFrame(image, 0, 0);
  EXPECT_EQ(ScreenAt(5, 5), Rgb(0, 0, 0));
  EXPECT_EQ(ScreenAt(15, 5), Rgb(255, 255, 255));
  // Under BLEND_MASK alpha 0.4 draws nothing; under BLEND_ALPHA 40 %.
  auto solid = LoadImageFile(MakePixmap(2, 2, PIXFMT_RGBA8888, [](int, int) { return Argb(255, 250, 0, 0); }),
                             0);
  SetDrawScale(1, 1);
  SetAlpha(0.4f);
  DrawImageFrame(solid, 50, 50);
  EXPECT_EQ(ScreenAt(50, 50), Rgb(0, 0, 0));
  SetBlend(BLEND_ALPHA);
  DrawImageFrame(solid, 50, 50);
  EXPECT_TRUE(Near(ScreenAt(50, 50), Rgb(100, 0, 0), 1)) << ScreenAt(50, 50);
}

TEST_F(Draw2DTest, RedundantBlendAndTextureChangesSendNothing) {
  SetBlend(BLEND_ALPHA);
  glDisable(GL_BLEND);  // behind the driver's back
  SetBlend(BLEND_ALPHA);  // same mode: filtered, so blending stays off
  SetAlpha(0.5f);
  SetColor(200, 200, 200);
  DrawRect(0, 0, 4, 4);
  EXPECT_EQ(ScreenAt(1, 1), Rgb(200, 200, 200));
  // A reset forgets the applied mode: the next SetBlend applies again.
  GLDraw2DDriver()->ResetGLContext(graphics);
  SetBlend(BLEND_ALPHA);
  DrawRect(10, 0, 4, 4);
  EXPECT_TRUE(Near(ScreenAt(11, 1), Rgb(100, 100, 100), 1)) << ScreenAt(11, 1);

  SetBlend(BLEND_SOLID);
  SetAlpha(1);
  SetColor(255, 255, 255);
  auto red = LoadImageFile(MakePixmap(1, 1, PIXFMT_RGBA8888, [](int, int) { return Argb(255, 255, 0, 0); }), 0);
  auto blue = LoadImageFile(MakePixmap(1, 1, PIXFMT_RGBA8888, [](int, int) { return Argb(255, 0, 0, 255); }), 0);
  DrawImageFrame(blue, 40, 40);
  DrawImageFrame(red, 41, 40);
  auto blueFrame = std::dynamic_pointer_cast<TGLImageFrame>(blue->Frame(0));
  ASSERT_TRUE(blueFrame);
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(blueFrame->name));  // behind the driver's back
  DrawImageFrame(red, 42, 40);  // red is recorded as bound: no bind, so blue shows
  EXPECT_EQ(ScreenAt(41, 40), Rgb(255, 0, 0));
  EXPECT_EQ(ScreenAt(42, 40), Rgb(0, 0, 255));
}

TEST_F(Draw2DTest, ScaleAndRotationTurnAboutTheImageHandle) {
  SetBlend(BLEND_SOLID);
  auto image = LoadImageFile(MakePixmap(10, 10, PIXFMT_RGBA8888, [](int, int) { return Argb(255, 0, 255, 0); }), 0);
  PlaceImageHandle(image, 5, 5);
  SetDrawScale(2, 2);
  DrawImageFrame(image, 100, 100);
  for (int v : {90, 109}) {
    EXPECT_EQ(ScreenAt(v, 100), Rgb(0, 255, 0)) << v;
    EXPECT_EQ(ScreenAt(100, v), Rgb(0, 255, 0)) << v;
  }
  for (int v : {89, 110}) {
    EXPECT_EQ(ScreenAt(v, 100), Rgb(0, 0, 0)) << v;
    EXPECT_EQ(ScreenAt(100, v), Rgb(0, 0, 0)) << v;
  }

  // A 20 x 10 bar turned 90 degrees clockwise about its top-left corner
  // hangs down and to the left of the anchor.
  Cls();
  auto bar = LoadImageFile(MakePixmap(20, 10, PIXFMT_RGBA8888, [](int, int) { return Argb(255, 255, 0, 0); }), 0);
  SetTransform(90, 1, 1);
  DrawImageFrame(bar, 100, 100);
  EXPECT_EQ(ScreenAt(95, 110), Rgb(255, 0, 0));
  EXPECT_EQ(ScreenAt(91, 118), Rgb(255, 0, 0));
  EXPECT_EQ(ScreenAt(105, 110), Rgb(0, 0, 0));
  EXPECT_EQ(ScreenAt(95, 122), Rgb(0, 0, 0));
  EXPECT_EQ(GetDrawRotation(), 90.0f);
  auto gc = TDraw2DGraphics::Current();
  EXPECT_NEAR(gc->tform_iy, -1.0f, 1e-6);
  EXPECT_NEAR(gc->tform_jx, 1.0f, 1e-6);
}

TEST_F(Draw2DTest, DrawHandleAppliesToPrimitivesAndTextNotImages) {
  SetBlend(BLEND_SOLID);
  SetDrawHandle(5, 5);
  float hx, hy;
  GetDrawHandle(hx, hy);
  EXPECT_EQ(hx, 5.0f);
  EXPECT_EQ(TDraw2DGraphics::Current()->handle_x, -5.0f);
  DrawRect(50, 50, 10, 10);
  EXPECT_EQ(ScreenAt(45, 45), Rgb(255, 255, 255));
  EXPECT_EQ(ScreenAt(54, 54), Rgb(255, 255, 255));
  EXPECT_EQ(ScreenAt(55, 55), Rgb(0, 0, 0));
  auto image = LoadImageFile(MakePixmap(4, 4, PIXFMT_RGBA8888, [](int, int) { return Argb(255, 0, 0, 255); }), 0);
  DrawImageFrame(image, 100, 100);
  EXPECT_EQ(ScreenAt(100, 100), Rgb(0, 0, 255));
  EXPECT_EQ(ScreenAt(99, 99), Rgb(0, 0, 0));
  // Origin moves everything, Plot included.
  SetDrawHandle(0, 0);
  SetDrawOrigin(30, 40);
  Plot(1, 1);
  EXPECT_EQ(ScreenAt(31, 41), Rgb(255, 255, 255));
}

TEST_F(Draw2DTest, DrawLineLightsItsLastPixelOnlyWhenAsked) {
  SetBlend(BLEND_SOLID);
  auto count = [](int y) {
    auto row = GrabPixmap(0, y, kWidth, 1);
    int n = 0, first = -1, last = -1;
    for (int x = 0; x < kWidth; ++x) {
      if (PixelOf(row, x, 0).r == 255) {
        if (first < 0) first = x;
        last = x;
        ++n;
      }
    }
    return std::vector<int>{n, first, last};
  };
  DrawLine(0, 10, 10, 10, true);
  EXPECT_EQ(count(10), (std::vector<int>{11, 0, 10}));
  DrawLine(0, 20, 10, 20, false);
  EXPECT_EQ(count(20), (std::vector<int>{10, 0, 9}));
  // Vertical, scaled: the last pixel follows the transform.
  SetDrawScale(2, 2);
  DrawLine(50, 30, 50, 35, true);
  EXPECT_EQ(ScreenAt(50, 40), Rgb(255, 255, 255));
  EXPECT_EQ(ScreenAt(50, 41), Rgb(0, 0, 0));
}

TEST_F(Draw2DTest, ViewportScissorsAndFullViewportTurnsItOff) {
  SetViewport(10, 20, 30, 40);
  EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
  SetClsColor(255, 0, 0);
  Cls();
  EXPECT_EQ(ScreenAt(10, 20), Rgb(255, 0, 0));
  EXPECT_EQ(ScreenAt(39, 59), Rgb(255, 0, 0));
  EXPECT_EQ(ScreenAt(9, 20), Rgb(0, 0, 0));
  EXPECT_EQ(ScreenAt(40, 30), Rgb(0, 0, 0));
  EXPECT_EQ(ScreenAt(20, 60), Rgb(0, 0, 0));
  EXPECT_EQ(ScreenAt(20, 19), Rgb(0, 0, 0));
  SetViewport(0, 0, kWidth, kHeight);
  EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
  Cls();
  EXPECT_EQ(ScreenAt(0, 0), Rgb(255, 0, 0));
}

TEST_F(Draw2DTest, LogicalResolutionScalesDrawingAndViewport) {
  SetBlend(BLEND_SOLID);
  SetLogicalResolution(kWidth / 2.0f, kHeight / 2.0f);
  DrawRect(10, 10, 10, 10);
  EXPECT_EQ(ScreenAt(20, 20), Rgb(255, 255, 255));
  EXPECT_EQ(ScreenAt(39, 39), Rgb(255, 255, 255));
  EXPECT_EQ(ScreenAt(40, 40), Rgb(0, 0, 0));
  EXPECT_EQ(ScreenAt(19, 19), Rgb(0, 0, 0));
  // The viewport is given in logical units.
  SetViewport(0, 0, 5, 5);
  SetClsColor(0, 0, 255);
  Cls();
  EXPECT_EQ(ScreenAt(9, 9), Rgb(0, 0, 255));
  EXPECT_EQ(ScreenAt(10, 10), Rgb(0, 0, 0));
  EXPECT_EQ(ScreenAt(20, 20), Rgb(255, 255, 255));
}

TEST_F(Draw2DTest, OvalAndPolygonFill) {
  SetBlend(BLEND_SOLID);
  DrawOval(100, 50, 40, 20);
  EXPECT_EQ(ScreenAt(120, 60), Rgb(255, 255, 255));
  EXPECT_EQ(ScreenAt(101, 60), Rgb(255, 255, 255));
  EXPECT_EQ(ScreenAt(102, 51), Rgb(0, 0, 0));  // corner of the box lies outside
  DrawPoly({10, 100, 30, 100, 10, 120});
  EXPECT_EQ(ScreenAt(12, 102), Rgb(255, 255, 255));
  EXPECT_EQ(ScreenAt(28, 118), Rgb(0, 0, 0));
  // Too few or an odd number of values: nothing.
  DrawPoly({50, 100, 70, 100});
  DrawPoly({50, 100, 70, 100, 50, 120, 9});
  EXPECT_EQ(ScreenAt(52, 102), Rgb(0, 0, 0));
}

TEST_F(Draw2DTest, PixmapDrawnAndGrabbedRowsDownwards) {
  auto p = MakePixmap(16, 8, PIXFMT_RGB888, [](int x, int y) { return Argb(255, x * 16, y * 32, 7); });
  SetBlend(BLEND_ALPHA);
  SetAlpha(0.2f);
  DrawPixmap(p, 30, 40);
  EXPECT_EQ(GetDrawBlend(), BLEND_ALPHA);
  EXPECT_EQ(GLDraw2DDriver()->appliedBlend, BLEND_ALPHA);  // restored
  auto back = GrabPixmap(30, 40, 16, 8);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->format, PIXFMT_RGBA8888);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(PixelOf(back, x, y), (Rgba{x * 16, y * 32, 7, 255})) << x << "," << y;
  EXPECT_EQ(ScreenAt(29, 40), Rgb(0, 0, 0));
  EXPECT_EQ(ScreenAt(30, 48), Rgb(0, 0, 0));

  // Partly outside the window: that part is drawn nowhere and grabbed as 0.
  DrawPixmap(p, -8, kHeight - 4);
  EXPECT_EQ(ScreenAt(0, kHeight - 4), Rgb(128, 0, 7));
  auto edge = GrabPixmap(kWidth - 2, -1, 4, 3);
  EXPECT_EQ(PixelOf(edge, 3, 1), (Rgba{0, 0, 0, 0}));
  EXPECT_EQ(PixelOf(edge, 0, 0), (Rgba{0, 0, 0, 0}));
  EXPECT_EQ(PixelOf(edge, 0, 1).a, 255);
  EXPECT_EQ(GrabPixmap(0, 0, -1, 3), nullptr);
}

TEST_F(Draw2DTest, ReopenedDisplayKeepsNoStaleStateAndClearsAgain) {
  SetClsColor(9, 9, 9);
  SetBlend(BLEND_ALPHA);
  auto first = TDraw2DGraphics::Current();
  ASSERT_TRUE(Graphics(kWidth, kHeight, 0, 0, 0));
  auto second = TDraw2DGraphics::Current();
  EXPECT_NE(first, second);
  EXPECT_EQ(first->_graphics, nullptr);  // closed
  EXPECT_EQ(GetDrawBlend(), BLEND_MASK);
  EXPECT_EQ(ScreenAt(3, 3), Rgb(0, 0, 0));
  EndDisplay();
  EXPECT_EQ(TDraw2DGraphics::Current(), nullptr);
  EXPECT_EQ(CurrentDraw2DDriver(), nullptr);
}

}  // namespace
