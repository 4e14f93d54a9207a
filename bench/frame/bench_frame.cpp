// One game-like frame: a 1024 x 768 background, a 600 x 600 picture, the 64
// board squares of 75 x 75 and 300 glyphs of text whose glyphs are cached,
// presented with swap interval 0. Prints milliseconds per frame, and the
// same pixels drawn by plain GL calls on the same textures with every state
// set once, as the floor the renderer allows.
//
//   bench_frame [frames]   (default 600; a few are enough under callgrind)
#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bare_quads.h"
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

// One textured quad of the plain-GL frame.
// The engine's frame as plain GL: the same textures, colours and corners,
// worked out once. Quads in a row that share a texture and a colour go in one
// glBegin/glEnd block.
std::vector<TBareQuad> BareFrame(const std::shared_ptr<TImage>& background, const std::shared_ptr<TImage>& picture,
                                 const std::shared_ptr<TImage>& square, const std::shared_ptr<TImageFont>& font,
                                 bool text) {
  std::vector<TBareQuad> quads;
  const auto add = [&quads](const std::shared_ptr<TImage>& image, uint8_t r, uint8_t g, uint8_t b, uint8_t a,
                            float x, float y, float w, float h) {
    auto* f = dynamic_cast<TGLImageFrame*>(image->Frame(0).get());
    if (!f) return;
    const float sw = static_cast<float>(image->width), sh = static_cast<float>(image->height);
    quads.push_back({static_cast<unsigned>(f->name), {r, g, b, a}, {x, x + w, x + w, x}, {y, y, y + h, y + h}, 0.0f,
                     0.0f, sw * f->uscale, sh * f->vscale});
  };
  add(background, 255, 255, 255, 255, 0, 0, 1024, 768);
  add(picture, 255, 255, 255, 255, 45, 36, 600, 600);
  const auto alpha = static_cast<uint8_t>(0.8f * 255.0f);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) add(square, 255, 255, 255, alpha, 45.0f + 75 * x, 36.0f + 75 * y, 75, 75);
  if (!text) return quads;
  static const std::u16string line = u"Two squares selected, it's a pair! Score 1234567!!";
  for (int i = 0; i < 6; ++i) {
    float x = 660.0f;
    const float y = 100.0f + 30 * i;
    for (char16_t c : line) {
      auto g = font->LoadGlyph(font->CharToGlyph(c));
      if (!g) continue;
      if (g->_image)
        add(g->_image, 255, static_cast<uint8_t>(220 - 20 * i), 80, 255, x + static_cast<float>(g->_x),
            y + static_cast<float>(g->_y), static_cast<float>(g->_image->width),
            static_cast<float>(g->_image->height));
      x += g->_advance;
    }
  }
  return quads;
}

void DrawBare(const std::vector<TBareQuad>& quads) {
  glClear(GL_COLOR_BUFFER_BIT);
  DrawBareQuads(quads);
}

[[gnu::noinline]] double RunBareFrames(int frames, const std::vector<TBareQuad>& quads) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  for (int i = 0; i < frames; ++i) {
    DrawBare(quads);
    Flip(0);
  }
  glFinish();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::vector<uint8_t> BackBuffer() {
  std::vector<uint8_t> pixels(1024 * 768 * 4);
  glReadPixels(0, 0, 1024, 768, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
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

  // The same pixels from plain GL calls: blending and texturing on once, the
  // engine's own textures. It must draw exactly what the engine drew.
  Cls();
  DrawFrame(background, picture, square, font);
  const std::vector<uint8_t> engine = BackBuffer();
  Flip(0);
  const auto full = BareFrame(background, picture, square, font, true);
  const auto pictures = BareFrame(background, picture, square, font, false);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDisable(GL_ALPHA_TEST);
  DrawBare(full);
  const bool same = BackBuffer() == engine;
  Flip(0);
  for (int i = 0; i < 5; ++i) {
    DrawBare(full);
    Flip(0);
  }
  const double bare = RunBareFrames(frames, full);
  const double bareNoText = RunBareFrames(frames, pictures);
  std::printf("plain GL, same textures and state set once: %.3f ms per frame (pixels %s), %.3f ms without the text\n",
              bare / frames, same ? "identical" : "DIFFERENT", bareNoText / frames);
  EndDisplay();
  return 0;
}
