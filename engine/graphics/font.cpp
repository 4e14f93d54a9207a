#include "engine/graphics/font.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/graphics/font_bitmap.h"

#include FT_TRUETYPE_TABLES_H

namespace {

// A glyph larger than this on a side is drawn as nothing rather than rendered.
constexpr FT_Pos kMaxGlyphSide = 4096;
// Fonts read from a stream into memory are at most this large.
constexpr size_t kMaxFontBytes = size_t{256} << 20;
// FreeType keeps pixel sizes in 16 bits.
constexpr int kMaxPixelSize = 0xFFFF;

FT_Library library = nullptr;

// The library stays open until the program ends: fonts may outlive any owner.
bool FreeTypeReady() {
  if (!library && FT_Init_FreeType(&library) != 0) {
    library = nullptr;
    return false;
  }
  return true;
}

std::shared_ptr<TFontLoader> fontLoaderHead;
bool fontChainMade = false;

void MakeFontChain() {
  if (fontChainMade) return;
  fontChainMade = true;
  fontLoaderHead = std::make_shared<TFreeTypeFontLoader>();
}

bool ReadWholeStream(TStream& stream, std::vector<uint8_t>& out) {
  const int64_t size = stream.Size();
  if (size > 0 && static_cast<uint64_t>(size) <= kMaxFontBytes) out.reserve(static_cast<size_t>(size));
  uint8_t chunk[64 * 1024];
  for (;;) {
    const int64_t n = stream.Read(chunk, sizeof chunk);
    if (n <= 0) break;
    if (out.size() + static_cast<size_t>(n) > kMaxFontBytes) return false;
    out.insert(out.end(), chunk, chunk + n);
  }
  return !out.empty();
}

// The number of tables an sfnt file's header (its first bytes in `head`)
// lists; -1 for anything else (a collection, another format).
int ListedTables(const uint8_t* head, size_t size) {
  if (size < 6) return -1;
  const uint32_t version = uint32_t{head[0]} << 24 | uint32_t{head[1]} << 16 | uint32_t{head[2]} << 8 | head[3];
  if (version != 0x00010000u && version != 0x4F54544Fu /* OTTO */ && version != 0x74727565u /* true */) return -1;
  return head[4] << 8 | head[5];
}

// FreeType leaves out each table of the directory that does not lie whole
// inside the file. A face missing some comes from a file cut short (or with
// a broken directory) and is refused, as a damaged picture is.
bool HoldsEveryListedTable(FT_Face face, int listed) {
  if (listed < 0 || !FT_IS_SFNT(face)) return true;
  FT_ULong kept = 0;
  if (FT_Sfnt_Table_Info(face, 0, nullptr, &kept) != 0) return false;
  return kept == static_cast<FT_ULong>(listed);
}

}  // namespace

std::shared_ptr<TPixmap> GlyphBitmapToPixmap(const FT_Bitmap& bitmap) {
  const int w = static_cast<int>(bitmap.width), h = static_cast<int>(bitmap.rows);
  if (w <= 0 || h <= 0 || !bitmap.buffer) return nullptr;
  if (w > kMaxGlyphSide || h > kMaxGlyphSide) return nullptr;
  auto pixmap = TPixmap::Create(w, h, PIXFMT_A8, 4);
  if (!pixmap) return nullptr;
  // The pitch is the step from one row down to the next; for an upward flow the
  // top row is the last one in memory.
  const ptrdiff_t pitch = bitmap.pitch;
  const uint8_t* top = bitmap.buffer + (pitch < 0 ? -pitch * (h - 1) : 0);
  const int levels = bitmap.num_grays;
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = top + pitch * y;
    uint8_t* d = pixmap->PixelPtr(0, y);
    switch (bitmap.pixel_mode) {
      case FT_PIXEL_MODE_GRAY:
        if (levels == 256 || levels < 2) {
          std::memcpy(d, s, static_cast<size_t>(w));
        } else {
          for (int x = 0; x < w; ++x) d[x] = static_cast<uint8_t>(std::min(s[x], uint8_t(levels - 1)) * 255 / (levels - 1));
        }
        break;
      case FT_PIXEL_MODE_MONO:
        for (int x = 0; x < w; ++x) d[x] = (s[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
        break;
      case FT_PIXEL_MODE_GRAY2:
        for (int x = 0; x < w; ++x) d[x] = static_cast<uint8_t>(((s[x >> 2] >> (6 - 2 * (x & 3))) & 3) * 85);
        break;
      case FT_PIXEL_MODE_GRAY4:
        for (int x = 0; x < w; ++x) d[x] = static_cast<uint8_t>(((s[x >> 1] >> (4 - 4 * (x & 1))) & 15) * 17);
        break;
      case FT_PIXEL_MODE_BGRA:
        for (int x = 0; x < w; ++x) d[x] = s[4 * x + 3];
        break;
      default:
        return nullptr;
    }
  }
  return pixmap;
}

void RegisterFontLoader(const std::shared_ptr<TFontLoader>& loader) {
  if (!loader) return;
  MakeFontChain();
  // Looking through the chain (rather than at _succ alone) also keeps out the
  // last loader, whose _succ is empty; adding it again would close a loop.
  for (auto l = fontLoaderHead; l; l = l->_succ)
    if (l == loader) return;
  loader->_succ = fontLoaderHead;
  fontLoaderHead = loader;
}

std::shared_ptr<TFont> LoadFont(const TUrl& source, int size, int style) {
  MakeFontChain();
  for (auto l = fontLoaderHead; l; l = l->_succ)
    if (auto font = l->LoadFont(source, size, style)) return font;
  return nullptr;
}

std::shared_ptr<TFont> TFreeTypeFontLoader::LoadFont(const TUrl& source, int size, int style) {
  const auto* text = std::get_if<std::string>(&source);
  if (!text || text->empty()) return nullptr;
  return TFreeTypeFont::Load(*text, size, style);
}

TFreeTypeFont::~TFreeTypeFont() {
  if (_ft_face) FT_Done_Face(_ft_face);
}

std::shared_ptr<TFreeTypeFont> TFreeTypeFont::Load(const std::string& source, int size, int style) {
  // An embedded zero would silently name another file.
  if (size <= 0 || source.empty() || source.find('\0') != std::string::npos || !FreeTypeReady())
    return nullptr;
  auto font = std::make_shared<TFreeTypeFont>();
  FT_Face face = nullptr;
  int listed = -1;  // tables the file's header lists
  if (source.find("::", 1) != std::string::npos) {
    // A stream address: FreeType reads the face from the bytes in memory.
    std::shared_ptr<TStream> stream = OpenReader(source);
    if (!stream) return nullptr;
    std::vector<uint8_t> bytes;
    bool ok = false;
    try {
      ok = ReadWholeStream(*stream, bytes);
    } catch (const std::exception&) {
      ok = false;
    }
    stream->Close();
    if (!ok) return nullptr;
    font->_buf.reset(new (std::nothrow) uint8_t[bytes.size()]);
    if (!font->_buf) return nullptr;
    std::memcpy(font->_buf.get(), bytes.data(), bytes.size());
    font->_buf_size = bytes.size();
    if (FT_New_Memory_Face(library, font->_buf.get(), static_cast<FT_Long>(font->_buf_size), 0, &face) != 0)
      return nullptr;
    listed = ListedTables(font->_buf.get(), font->_buf_size);
  } else {
    std::string path = source;
    std::replace(path.begin(), path.end(), '\\', '/');
    if (FT_New_Face(library, path.c_str(), 0, &face) != 0) return nullptr;
    uint8_t head[6] = {};
    size_t got = 0;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
      got = std::fread(head, 1, sizeof head, f);
      std::fclose(f);
    }
    listed = ListedTables(head, got);
  }
  font->_ft_face = face;  // from here on the font closes the face
  if (!HoldsEveryListedTable(face, listed)) return nullptr;

  // The largest size from the one asked for down to 1 that the face takes
  // (a scalable face takes any; a bitmap face only its strikes).
  for (size = std::min(size, kMaxPixelSize); size > 0; --size)
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size)) == 0) break;
  if (size == 0 || !face->size || face->num_glyphs <= 0) return nullptr;

  const FT_Size_Metrics& m = face->size->metrics;
  font->_style = style;
  font->_height = static_cast<int>(m.height >> 6);
  font->_ascend = static_cast<int>(m.ascender >> 6);
  font->_descend = static_cast<int>(m.descender >> 6);
  font->_glyphs.resize(static_cast<size_t>(face->num_glyphs));
  return font;
}

int TFreeTypeFont::CharToGlyph(int c) {
  if (c < 0) return -1;
  return static_cast<int>(FT_Get_Char_Index(_ft_face, static_cast<FT_ULong>(c))) - 1;
}

std::shared_ptr<TGlyph> TFreeTypeFont::LoadGlyph(int index) {
  if (index < 0 || index >= CountGlyphs()) return nullptr;
  auto& slot = _glyphs[static_cast<size_t>(index)];
  if (slot) return slot;
  // Stored before loading, so a glyph that fails stays empty and is not retried.
  slot = std::make_shared<TFreeTypeGlyph>();
  TFreeTypeGlyph& glyph = *slot;

  // Loading, checking the size, then rendering is what FT_LOAD_RENDER does in
  // one step, with a stop for glyphs too large to be real text.
  if (FT_Load_Glyph(_ft_face, static_cast<FT_UInt>(index) + 1, FT_LOAD_DEFAULT) != 0) return slot;
  FT_GlyphSlot g = _ft_face->glyph;
  if ((g->metrics.width >> 6) > kMaxGlyphSide || (g->metrics.height >> 6) > kMaxGlyphSide) return slot;
  if (g->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(g, FT_RENDER_MODE_NORMAL) != 0) return slot;

  glyph._x = g->bitmap_left;
  glyph._y = _ascend - g->bitmap_top;
  glyph._w = static_cast<int>(g->bitmap.width);
  glyph._h = static_cast<int>(g->bitmap.rows);
  glyph._advance = static_cast<float>(g->advance.x >> 6);
  if (g->bitmap.width == 0) return slot;  // a space

  auto pixels = GlyphBitmapToPixmap(g->bitmap);
  if (!pixels) {
    glyph._w = glyph._h = 0;
    return slot;
  }
  if (_style & FONT_SMOOTH) {
    // A transparent border, so filtered glyph edges fade out instead of being cut.
    auto framed = TPixmap::Create(pixels->width + 2, pixels->height + 2, PIXFMT_A8, 4);
    if (!framed) return slot;
    framed->ClearPixels(0);
    framed->Paste(pixels, 1, 1);
    pixels = framed;
    glyph._x -= 1;
    glyph._y -= 1;
    glyph._w += 2;
    glyph._h += 2;
  }
  glyph._pixmap = pixels;
  return slot;
}

std::shared_ptr<TPixmap> DefaultFontPixmap() {
  auto pixmap = TPixmap::Create(8 * DEFAULT_FONT_GLYPHS, 16, PIXFMT_RGBA8888, 4);
  if (!pixmap) return nullptr;
  for (int y = 0; y < 16; ++y) {
    uint8_t* row = pixmap->PixelPtr(0, y);
    for (int n = 0; n < DEFAULT_FONT_GLYPHS; ++n) {
      const uint8_t bits = defaultFontBits[y * DEFAULT_FONT_GLYPHS + n];
      for (int b = 0; b < 8; ++b) std::memset(row + 4 * (8 * n + b), (bits >> b) & 1 ? 0xFF : 0, 4);
    }
  }
  return pixmap;
}
