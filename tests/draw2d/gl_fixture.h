// A real window with an OpenGL context (Mesa under Xvfb) opened through
// Graphics, and reading back the back buffer before any Flip.
#pragma once

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstdint>
#include <memory>

#include "engine/graphics/display.h"
#include "engine/graphics/draw2d.h"
#include "engine/graphics/image.h"
#include "engine/graphics/pixmap.h"

struct Rgba {
  int r = 0, g = 0, b = 0, a = 0;
  bool operator==(const Rgba&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Rgba& c) {
  return os << "(" << c.r << "," << c.g << "," << c.b << "," << c.a << ")";
}

inline Rgba PixelOf(const std::shared_ptr<TPixmap>& p, int x, int y) {
  const uint8_t* q = p->PixelPtr(x, y);
  return Rgba{q[0], q[1], q[2], q[3]};
}

// The colour on screen at one pixel (alpha dropped: the window has none).
inline Rgba ScreenAt(int x, int y) {
  auto p = GrabPixmap(x, y, 1, 1);
  Rgba c = PixelOf(p, 0, 0);
  c.a = 0;
  return c;
}

inline Rgba Rgb(int r, int g, int b) { return Rgba{r, g, b, 0}; }

inline bool Near(const Rgba& a, const Rgba& b, int tolerance = 1) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

// An RGBA pixmap filled by f(x, y) -> 0xAARRGGBB.
template <typename F>
std::shared_ptr<TPixmap> MakePixmap(int w, int h, int format, F f) {
  auto p = TPixmap::Create(w, h, format);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p->WritePixel(x, y, static_cast<int>(f(x, y)));
  return p;
}

inline uint32_t Argb(int a, int r, int g, int b) {
  return static_cast<uint32_t>(a) << 24 | static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 |
         static_cast<uint32_t>(b);
}

class GLTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 256, kHeight = 192;
  void SetUp() override {
    graphics = Graphics(kWidth, kHeight, 0, 0, 0);
    ASSERT_TRUE(graphics) << "no display: run under xvfb-run";
  }
  void TearDown() override { EndDisplay(); }
  std::shared_ptr<TGraphics> graphics;
};
