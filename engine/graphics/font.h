// Source fonts: a font file opened at one pixel size, whose glyphs are
// rasterised into pixmaps on first use. Image fonts (image_font.h) turn these
// glyphs into images and draw them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/graphics/pixmap.h"
#include "engine/system/stream.h"

struct FT_FaceRec_;

// Style bit: glyphs get a transparent one-pixel border (and image fonts filter
// and mipmap their glyph images). Other bits are kept and change nothing.
constexpr int FONT_SMOOTH = 4;

class TGlyph {
 public:
  virtual ~TGlyph() = default;
  // The glyph's coverage as a PIXFMT_A8 pixmap, or nullptr for an empty glyph.
  virtual std::shared_ptr<TPixmap> Pixels() = 0;
  virtual float Advance() = 0;
  // The pixel rectangle relative to the pen position at the top of the line.
  virtual void GetRect(int& x, int& y, int& w, int& h) = 0;
};

class TFont {
 public:
  virtual ~TFont() = default;
  virtual int Style() = 0;
  virtual int Height() = 0;
  virtual int CountGlyphs() = 0;
  // Glyph index of a character code, -1 when the font has none.
  virtual int CharToGlyph(int c) = 0;
  // nullptr for an index outside 0 ... CountGlyphs() - 1.
  virtual std::shared_ptr<TGlyph> LoadGlyph(int index) = 0;
};

class TFontLoader {
 public:
  virtual ~TFontLoader() = default;
  virtual std::shared_ptr<TFont> LoadFont(const TUrl& source, int size, int style) = 0;

  std::shared_ptr<TFontLoader> _succ;
};

// Puts a loader at the head of the chain; a loader already in it is not added
// again. The chain starts with one TFreeTypeFontLoader, made on first use.
void RegisterFontLoader(const std::shared_ptr<TFontLoader>& loader);
// Asks each loader, head first; the first font that is not nullptr.
std::shared_ptr<TFont> LoadFont(const TUrl& source, int size, int style);

class TFreeTypeGlyph : public TGlyph {
 public:
  std::shared_ptr<TPixmap> Pixels() override { return _pixmap; }
  float Advance() override { return _advance; }
  void GetRect(int& x, int& y, int& w, int& h) override {
    x = _x, y = _y, w = _w, h = _h;
  }

  std::shared_ptr<TPixmap> _pixmap;
  float _advance = 0.0f;
  int _x = 0, _y = 0, _w = 0, _h = 0;
};

class TFreeTypeFont : public TFont {
 public:
  TFreeTypeFont() = default;
  TFreeTypeFont(const TFreeTypeFont&) = delete;
  TFreeTypeFont& operator=(const TFreeTypeFont&) = delete;
  ~TFreeTypeFont() override;  // closes the face, then frees the font bytes

  int Style() override { return _style; }
  int Height() override { return _height; }
  int CountGlyphs() override { return static_cast<int>(_glyphs.size()); }
  int CharToGlyph(int c) override;
  std::shared_ptr<TGlyph> LoadGlyph(int index) override;

  // Opens a font file (or, for a "proto::path" address, the whole stream read
  // into memory) at the largest pixel size from size down to 1 that the face
  // accepts. nullptr when the file is no font or no size can be set.
  static std::shared_ptr<TFreeTypeFont> Load(const std::string& source, int size, int style);

  FT_FaceRec_* _ft_face = nullptr;
  int _style = 0;
  int _height = 0;
  int _ascend = 0;
  int _descend = 0;
  std::vector<std::shared_ptr<TFreeTypeGlyph>> _glyphs;  // filled on first use
  std::unique_ptr<uint8_t[]> _buf;  // the font bytes, when opened from a stream
  size_t _buf_size = 0;
};

class TFreeTypeFontLoader : public TFontLoader {
 public:
  // A non-empty path or address; a stream object or empty text gives nullptr.
  std::shared_ptr<TFont> LoadFont(const TUrl& source, int size, int style) override;
};

// The built-in 8 x 16 font for characters 32 to 127: 16 rows of 96 bytes; byte
// n of row y holds row y of character 32 + n, bit 0 being the leftmost pixel.
constexpr int DEFAULT_FONT_FIRST_CHAR = 32;
constexpr int DEFAULT_FONT_GLYPHS = 96;
extern const uint8_t defaultFontBits[16 * DEFAULT_FONT_GLYPHS];

// The default font's glyphs side by side in one 768 x 16 PIXFMT_RGBA8888
// pixmap: a set bit is opaque white (every bit of the pixel set), a clear bit 0.
// Glyph n is the 8 x 16 window at (8n, 0).
std::shared_ptr<TPixmap> DefaultFontPixmap();
