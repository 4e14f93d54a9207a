// Image fonts: a source font whose glyphs become images on first use and are
// then drawn like any other image, one textured quad per visible glyph.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/graphics/font.h"
#include "engine/graphics/image.h"

class TImageGlyph {
 public:
  // The glyph's image, Null for an empty glyph (a space).
  std::shared_ptr<TImage> Pixels() const { return _image; }
  float Advance() const { return _advance; }
  // Relative to the pen position at the top of the line.
  void GetRect(int& x, int& y, int& w, int& h) const {
    x = _x, y = _y, w = _w, h = _h;
  }

  std::shared_ptr<TImage> _image;
  float _advance = 0.0f;
  int _x = 0, _y = 0, _w = 0, _h = 0;
};

class TImageFont {
 public:
  virtual ~TImageFont() = default;
  // Without a source font (the default font): 0 and 16.
  virtual int Style();
  virtual int Height();
  virtual int CountGlyphs();
  // -1 when the font has no glyph for c.
  virtual int CharToGlyph(int c);
  // Made on first use and kept; Null for an index outside 0 ... CountGlyphs() - 1.
  virtual std::shared_ptr<TImageGlyph> LoadGlyph(int index);
  // Draws the text with (x, y) the top-left of the line and the glyphs
  // transformed by ix, iy, jx, jy; positions stay floats throughout.
  virtual void Draw(const std::u16string& text, float x, float y, float ix, float iy, float jx, float jy);

  // Null when no font loader opens the source at any size from size down to 1.
  static std::shared_ptr<TImageFont> Load(const TUrl& source, int size, int style);
  // A font over any source font (the loader chain's, or one made in code).
  static std::shared_ptr<TImageFont> FromFont(const std::shared_ptr<TFont>& font);
  // The built-in 8 x 16 font for characters 32 to 127.
  static std::shared_ptr<TImageFont> CreateDefault();

  std::shared_ptr<TFont> _src_font;
  std::vector<std::shared_ptr<TImageGlyph>> _glyphs;
  int _imageFlags = 0;
};

std::shared_ptr<TImageFont> LoadFontFile(const TUrl& source, int size, int style = 0);

// The default font, made on first use (the first 2D graphics object makes it).
std::shared_ptr<TImageFont> DefaultImageFont();
