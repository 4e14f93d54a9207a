// Writes the engine's built-in 8 x 16 font as C++ source: 16 rows of 96
// bytes, byte n of row y holding row y of character 32 + n, bit 0 the leftmost
// pixel. The glyphs come from a bitmap font's 16-pixel strike, rendered
// monochrome by FreeType and placed on the font's baseline.
//
//   quillory_fontgen FONT_FILE OUTPUT.cpp
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H

#include <cstdio>
#include <string>

namespace {

constexpr int kFirst = 32, kCount = 96, kWidth = 8, kHeight = 16;

// An English name-table entry (copyright, licence) as plain ASCII, or "".
std::string SfntName(FT_Face face, FT_UShort id) {
  const FT_UInt count = FT_Get_Sfnt_Name_Count(face);
  for (FT_UInt i = 0; i < count; ++i) {
    FT_SfntName name;
    if (FT_Get_Sfnt_Name(face, i, &name) != 0 || name.name_id != id) continue;
    const bool wide = name.platform_id == TT_PLATFORM_MICROSOFT;
    if (!wide && name.platform_id != TT_PLATFORM_MACINTOSH) continue;
    std::string text;
    for (FT_UInt k = wide ? 1 : 0; k < name.string_len; k += wide ? 2 : 1) {
      const unsigned char c = name.string[k];
      if (wide && name.string[k - 1] != 0) continue;
      text += (c >= 32 && c < 127) ? char(c) : ' ';  // one comment line, whatever the name holds
    }
    if (!text.empty()) return text;
  }
  return "";
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "quillory_fontgen: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return Fail("usage: quillory_fontgen FONT_FILE OUTPUT.cpp");
  const std::string fontPath = argv[1], outPath = argv[2];
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return Fail("FreeType does not start");
  FT_Face face = nullptr;
  if (FT_New_Face(library, fontPath.c_str(), 0, &face) != 0) {
    FT_Done_FreeType(library);
    return Fail("cannot open " + fontPath + " as a font");
  }
  unsigned char bits[kHeight * kCount] = {};
  const std::string copyright = SfntName(face, TT_NAME_ID_COPYRIGHT);
  const std::string licence = SfntName(face, TT_NAME_ID_LICENSE);
  int status = 0;
  if (FT_Set_Pixel_Sizes(face, 0, kHeight) != 0) {
    status = Fail(fontPath + " has no " + std::to_string(kHeight) + "-pixel size");
  } else {
    const int ascender = static_cast<int>(face->size->metrics.ascender >> 6);
    int inked = 0;
    for (int n = 0; n < kCount && status == 0; ++n) {
      const FT_UInt index = FT_Get_Char_Index(face, static_cast<FT_ULong>(kFirst + n));
      if (index == 0) continue;  // DEL and any other missing character stay blank
      if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) != 0) {
        status = Fail("cannot render character " + std::to_string(kFirst + n));
        break;
      }
      const FT_Bitmap& b = face->glyph->bitmap;
      const int left = face->glyph->bitmap_left, top = ascender - face->glyph->bitmap_top;
      for (int r = 0; r < static_cast<int>(b.rows); ++r) {
        const unsigned char* row = b.buffer + r * b.pitch;
        for (int c = 0; c < static_cast<int>(b.width); ++c) {
          const bool on = b.pixel_mode == FT_PIXEL_MODE_MONO ? (row[c >> 3] & (0x80 >> (c & 7))) != 0
                                                             : row[c] >= 128;
          const int x = left + c, y = top + r;
          if (!on || x < 0 || x >= kWidth || y < 0 || y >= kHeight) continue;
          bits[y * kCount + n] |= static_cast<unsigned char>(1u << x);
          ++inked;
        }
      }
    }
    if (status == 0 && inked == 0) status = Fail(fontPath + " gave blank glyphs");
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  if (status != 0) return status;

  std::FILE* out = std::fopen(outPath.c_str(), "w");
  if (!out) return Fail("cannot write " + outPath);
  std::fprintf(out, "// Generated at build time by quillory_fontgen from %s.\n", fontPath.c_str());
  if (!copyright.empty()) std::fprintf(out, "// %s\n", copyright.c_str());
  if (!licence.empty()) std::fprintf(out, "// %s\n", licence.c_str());
  std::fprintf(out, "#include \"engine/graphics/font.h\"\n\nconst uint8_t defaultFontBits[%d] = {\n",
               kHeight * kCount);
  for (int i = 0; i < kHeight * kCount; ++i)
    std::fprintf(out, "%s0x%02x,%s", i % 16 == 0 ? "  " : "", bits[i], i % 16 == 15 ? "\n" : " ");
  std::fprintf(out, "};\n");
  const bool ok = std::fclose(out) == 0;
  if (!ok) {
    std::remove(outPath.c_str());
    return Fail("cannot write " + outPath);
  }
  return 0;
}
