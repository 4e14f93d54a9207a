// Font files through FreeType: the input is opened at a pixel size, as a
// file or (for inputs of odd length) as a stream address whose bytes the
// font reads into memory, and a handful of glyphs rendered, each checked
// against the rectangle it reports.
#include <cstdint>
#include <string>

#include "engine/graphics/font.h"
#include "fuzz/fuzz_common.h"

namespace {

// Answers "fuzz::font" with the current input.
class InputStreams : public TStreamFactory {
 public:
  std::shared_ptr<TStream> CreateStream(const std::string&, const std::string& proto,
                                        const std::string& path, bool readable, bool writeable) override {
    if (proto != "fuzz" || path != "font" || !readable || writeable) return nullptr;
    return std::make_shared<TMemoryStream>(bytes);
  }
  std::string bytes;
};

void CheckGlyph(TFont& font, int index) {
  auto glyph = font.LoadGlyph(index);
  if (index < 0 || index >= font.CountGlyphs()) {
    FUZZ_CHECK(!glyph);
    return;
  }
  FUZZ_CHECK(glyph);
  FUZZ_CHECK(font.LoadGlyph(index) == glyph);  // kept
  int x, y, w, h;
  glyph->GetRect(x, y, w, h);
  auto pixels = glyph->Pixels();
  if (!pixels) return;
  FUZZ_CHECK(pixels->format == PIXFMT_A8 && pixels->width == w && pixels->height == h);
  unsigned sum = 0;
  for (int row = 0; row < h; ++row) {
    const uint8_t* p = pixels->PixelPtr(0, row);
    for (int i = 0; i < w; ++i) sum += p[i];
  }
  volatile unsigned sink = sum;
  (void)sink;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string file = fuzz::PrivateFolder() + "/font.bin";
  static InputStreams streams;
  std::string path = file;
  if (size & 1) {
    streams.bytes.assign(reinterpret_cast<const char*>(data), size);
    path = "fuzz::font";
  } else {
    fuzz::WriteWholeFile(file, data, size);
  }
  // The game's fonts are opened at sizes like these, smoothed and not.
  const int pixelSize = size > 0 ? 8 + data[size - 1] % 40 : 16;
  const int style = size > 1 && (data[size - 2] & 1) ? FONT_SMOOTH : 0;
  auto font = TFreeTypeFont::Load(path, pixelSize, style);
  if (!font) return 0;
  FUZZ_CHECK(font->CountGlyphs() >= 1);
  for (int c : {int('A'), int('g'), int('W'), int('0'), int(' '), int('.'), 0xE9, 0x20AC, 0x1F600})
    CheckGlyph(*font, font->CharToGlyph(c));
  CheckGlyph(*font, 0);
  CheckGlyph(*font, font->CountGlyphs() - 1);
  CheckGlyph(*font, font->CountGlyphs());
  return 0;
}
