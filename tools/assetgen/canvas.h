// Drawing helpers for the asset tool: Cairo surfaces, the game's own fonts
// through FreeType, and writers for PNG and JPEG that give the same bytes on
// every run.
#pragma once

#include <cairo.h>
#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace assetgen {

struct Rgb {
  double r, g, b;
};
// 0xRRGGBB to 0..1 channels.
Rgb Hex(uint32_t rgb);
void SetRgb(cairo_t* cr, Rgb c, double alpha = 1.0);
Rgb Mix(Rgb a, Rgb b, double t);

// One font file, opened twice: a face Cairo renders with and a face the tool
// measures with, sized the way the game's image fonts are.
class Font {
 public:
  Font(FT_Library lib, const std::string& path);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  cairo_font_face_t* face() const { return face_; }
  // Size metrics in whole pixels, as the game's font loader reads them.
  int Ascender(int px);
  int Height(int px);
  // Width as the game measures it: whole-pixel advances of hinted glyphs.
  int GameWidth(const std::string& latin1, int px);

 private:
  FT_Face render_ = nullptr;
  FT_Face measure_ = nullptr;
  cairo_font_face_t* face_ = nullptr;
};

// The five fonts the game loads, by the role the pictures use them in.
struct Fonts {
  std::unique_ptr<Font> display;  // "Mishmash BRK.ttf": numbers, panel, hiscores
  std::unique_ptr<Font> mono;     // "MODENINE.TTF": the instructions
  std::unique_ptr<Font> serif;    // "Anleterre Book.ttf": the restore question
  std::unique_ptr<Font> sans;     // "Cabin-Regular-TTF.ttf": status line
  std::unique_ptr<Font> thin;     // "Glametrix.otf": title prompts
};

// A Cairo ARGB32 canvas of a fixed size.
class Canvas {
 public:
  Canvas(int w, int h);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  cairo_t* cr() const { return cr_; }
  cairo_surface_t* surface() const { return surface_; }
  int width() const { return w_; }
  int height() const { return h_; }

  // Straight (not premultiplied) RGBA bytes, row by row.
  std::vector<uint8_t> Rgba() const;

 private:
  int w_, h_;
  cairo_surface_t* surface_;
  cairo_t* cr_;
};

// Encoders. `alpha` false writes an RGB PNG whose pixels must then be opaque.
std::vector<uint8_t> EncodePng(const Canvas& c, bool alpha, int level = 9);
std::vector<uint8_t> EncodeJpeg(const Canvas& c, int quality);

// Text placed the way the game places it: (x, top) is the top-left of the
// line, the baseline lies the font's ascender below it.
void TextTop(cairo_t* cr, Font& f, int px, double x, double top, const std::string& utf8);
double TextWidth(cairo_t* cr, Font& f, double px, const std::string& utf8);
void TextCentred(cairo_t* cr, Font& f, int px, double cx, double top, const std::string& utf8);
// Text on a baseline at any size, as a path (for outlined or gradient text).
void TextPathAt(cairo_t* cr, Font& f, double px, double x, double baseline, const std::string& utf8);

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r);
// A soft shadow under a rounded rectangle, made of stacked translucent layers.
void SoftShadow(cairo_t* cr, double x, double y, double w, double h, double r, double spread,
                double alpha);
// Opaque rounded panel: gradient fill, gold rim and an inner highlight line
// `inset` pixels inside the panel's edge.
void Panel(cairo_t* cr, double x, double y, double w, double h, double r, Rgb top, Rgb bottom,
           Rgb rim, double inset = 4.5);
// Clamps every pixel's colour up to a floor so no opaque pixel is pure black
// (pure black is the game's colour key for pictures without alpha).
void LiftBlack(Canvas& c, int floor);

// Deterministic random numbers for the pictures and sounds.
class Rng {
 public:
  explicit Rng(uint64_t seed) : s_(seed) {}
  uint64_t Next();
  double Uniform();  // [0, 1)
  double Range(double lo, double hi) { return lo + (hi - lo) * Uniform(); }

 private:
  uint64_t s_;
};

}  // namespace assetgen
