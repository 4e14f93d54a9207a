#include "engine/graphics/image_font.h"

namespace {

constexpr int kDefaultFontHeight = 16;

}  // namespace

int TImageFont::Style() { return _src_font ? _src_font->Style() : 0; }

int TImageFont::Height() { return _src_font ? _src_font->Height() : kDefaultFontHeight; }

int TImageFont::CountGlyphs() { return static_cast<int>(_glyphs.size()); }

int TImageFont::CharToGlyph(int c) {
  if (_src_font) return _src_font->CharToGlyph(c);
  return c >= DEFAULT_FONT_FIRST_CHAR && c < DEFAULT_FONT_FIRST_CHAR + DEFAULT_FONT_GLYPHS
             ? c - DEFAULT_FONT_FIRST_CHAR
             : -1;
}

std::shared_ptr<TImageGlyph> TImageFont::LoadGlyph(int index) {
  // A source font may map characters to indices it does not have.
  if (index < 0 || index >= CountGlyphs()) return nullptr;
  std::shared_ptr<TImageGlyph>& slot = _glyphs[static_cast<size_t>(index)];
  if (slot) return slot;
  slot = std::make_shared<TImageGlyph>();
  if (!_src_font) return slot;  // the default font's glyphs are all made up front
  std::shared_ptr<TGlyph> src = _src_font->LoadGlyph(index);
  if (!src) return slot;
  slot->_advance = src->Advance();
  src->GetRect(slot->_x, slot->_y, slot->_w, slot->_h);
  if (std::shared_ptr<TPixmap> pixels = src->Pixels()) {
    // Never masked: an A8 glyph becomes white texels with the coverage as alpha.
    if (auto copy = pixels->Copy()) slot->_image = TImage::Load(copy, _imageFlags, 0, 0, 0);
  }
  return slot;
}

void TImageFont::Draw(const std::u16string& text, float x, float y, float ix, float iy, float jx, float jy) {
  for (char16_t c : text) {
    const int n = CharToGlyph(c);
    if (n < 0) continue;
    std::shared_ptr<TImageGlyph> g = LoadGlyph(n);
    if (!g) continue;
    if (g->_image) {
      if (std::shared_ptr<TImageFrame> frame = g->_image->Frame(0)) {
        const float gx = static_cast<float>(g->_x) * ix + static_cast<float>(g->_y) * iy;
        const float gy = static_cast<float>(g->_x) * jx + static_cast<float>(g->_y) * jy;
        const float w = static_cast<float>(g->_image->width), h = static_cast<float>(g->_image->height);
        frame->Draw(0.0f, 0.0f, w, h, x + gx, y + gy, 0.0f, 0.0f, w, h);
      }
    }
    x += g->_advance * ix;
    y += g->_advance * jx;
  }
}

std::shared_ptr<TImageFont> TImageFont::FromFont(const std::shared_ptr<TFont>& font) {
  if (!font) return nullptr;
  auto f = std::make_shared<TImageFont>();
  f->_src_font = font;
  const int count = font->CountGlyphs();
  f->_glyphs.resize(count > 0 ? static_cast<size_t>(count) : 0);
  f->_imageFlags = (font->Style() & FONT_SMOOTH) ? (IMAGE_FILTERED | IMAGE_MIPMAPPED) : 0;
  return f;
}

std::shared_ptr<TImageFont> TImageFont::Load(const TUrl& source, int size, int style) {
  return FromFont(LoadFont(source, size, style));
}

std::shared_ptr<TImageFont> TImageFont::CreateDefault() {
  auto f = std::make_shared<TImageFont>();
  f->_glyphs.resize(DEFAULT_FONT_GLYPHS);
  std::shared_ptr<TPixmap> strip = DefaultFontPixmap();
  for (int n = 0; n < DEFAULT_FONT_GLYPHS; ++n) {
    auto g = std::make_shared<TImageGlyph>();
    g->_advance = 8.0f;
    g->_w = 8;
    g->_h = kDefaultFontHeight;
    if (strip) {
      if (auto window = strip->Window(8 * n, 0, 8, kDefaultFontHeight))
        g->_image = TImage::Load(window->Copy(), 0, 0, 0, 0);
    }
    f->_glyphs[static_cast<size_t>(n)] = g;
  }
  return f;
}

std::shared_ptr<TImageFont> LoadFontFile(const TUrl& source, int size, int style) {
  return TImageFont::Load(source, size, style);
}

std::shared_ptr<TImageFont> DefaultImageFont() {
  static auto* font = new std::shared_ptr<TImageFont>(TImageFont::CreateDefault());
  return *font;
}
