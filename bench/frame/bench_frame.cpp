// One game-like frame: a 1024 x 768 background, a 600 x 600 picture, the 64
// board squares of 75 x 75 and 300 glyphs of text whose glyphs are cached,
// presented with swap interval 0. Prints milliseconds per frame.
//
//   bench_frame [frames]   (default 600; a few are enough under callgrind)
#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/graphics/display.h"
#include "engine/graphics/draw2d.h"
#include "engine/graphics/image.h"
#include "engine/graphics/image_font.h"
#include "engine/graphics/pixmap.h"

namespace {

std::shared_ptr<TPixmap> Picture(int w, int h, int seed) {
  auto p = TPixmap::Create(w, h, PIXFMT_RGB888);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = p->PixelPtr(0, y);
    for (int x = 0; x < w; ++x) {
      row[3 * x] = static_cast<uint8_t>(x + seed);
      row[3 * x + 1] = static_cast<uint8_t>(y * 2 + seed);
      row[3 * x + 2] = static_cast<uint8_t>((x ^ y) + 1);
    }
  }
  return p;
}

void DrawFrame(const std::shared_ptr<TImage>& background, const std::shared_ptr<TImage>& picture,
               const std::shared_ptr<TImage>& square, const std::shared_ptr<TImageFont>& font) {
  SetBlend(BLEND_ALPHA);
  SetColor(255, 255, 255);
  SetAlpha(1);
  DrawImageFrame(background, 0, 0);
  DrawImageFrame(picture, 45, 36);
  SetAlpha(0.8f);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) DrawImagePart(square, 45.0f + 75 * x, 36.0f + 75 * y, 75, 75, 0, 0, 75, 75);
  SetAlpha(1);
  SetTextFont(font);
  // 300 glyphs: six lines of fifty characters.
  static const std::u16string line = u"Two squares selected, it's a pair! Score 1234567";
  for (int i = 0; i < 6; ++i) {
    SetColor(255, 220 - 20 * i, 80);
    DrawString(line + u"!!", 660.0f, 100.0f + 30 * i);
  }
}

// The frames as the game runs them: drawing, then the swap. Not inlined so
// that callgrind can count just these (--toggle-collect='*RunFrames*').
[[gnu::noinline]] double RunFrames(int frames, const std::shared_ptr<TImage>& background,
                                   const std::shared_ptr<TImage>& picture, const std::shared_ptr<TImage>& square,
                                   const std::shared_ptr<TImageFont>& font) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  for (int i = 0; i < frames; ++i) {
    Cls();
    DrawFrame(background, picture, square, font);
    Flip(0);
  }
  glFinish();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 600;
  if (!Graphics(1024, 768, 0, 0, 0)) {
    std::fprintf(stderr, "bench_frame: no display\n");
    return 1;
  }
  auto background = LoadImageFile(Picture(1024, 768, 0));
  auto picture = LoadImageFile(Picture(600, 600, 77));
  auto square = LoadImageFile(Picture(75, 75, 150));
  auto font = LoadFontFile(std::string("/usr/share/fonts/truetype/cabinsketch/CabinSketch-Bold.ttf"), 20,
                           FONT_SMOOTH);
  if (!background || !picture || !square || !font) {
    std::fprintf(stderr, "bench_frame: could not make the pictures or the font\n");
    return 1;
  }
  // Warm-up: textures uploaded and glyphs rasterised once.
  for (int i = 0; i < 5; ++i) {
    DrawFrame(background, picture, square, font);
    Flip(0);
  }
  using Clock = std::chrono::steady_clock;
  const double ms = RunFrames(frames, background, picture, square, font);
  // Where it goes: our calls alone, the renderer finishing them, the swap.
  double calls = 0, render = 0, swap = 0;
  for (int i = 0; i < frames; ++i) {
    const auto t0 = Clock::now();
    Cls();
    DrawFrame(background, picture, square, font);
    const auto t1 = Clock::now();
    glFinish();
    const auto t2 = Clock::now();
    Flip(0);
    glFinish();
    const auto t3 = Clock::now();
    calls += std::chrono::duration<double, std::milli>(t1 - t0).count();
    render += std::chrono::duration<double, std::milli>(t2 - t1).count();
    swap += std::chrono::duration<double, std::milli>(t3 - t2).count();
  }
  std::printf("frame: %d frames, %.3f ms per frame (%.0f frames per second)\n", frames, ms / frames,
              1000.0 * frames / ms);
  std::printf("split: %.3f ms issuing the drawing, %.3f ms rasterising it, %.3f ms presenting\n",
              calls / frames, render / frames, swap / frames);
  EndDisplay();
  return 0;
}
