// The picture loader chain (TGA, PNG, JPEG, BMP) over arbitrary bytes. A
// picture that loads is checked for a sane shape and every pixel byte is
// read, so a buffer smaller than its rows shows under AddressSanitizer.
#include <cstdint>
#include <string>

#include "engine/graphics/pixmap.h"
#include "fuzz/fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto stream = std::make_shared<TMemoryStream>(std::string(reinterpret_cast<const char*>(data), size));
  const std::shared_ptr<TPixmap> p = LoadPixmap(TUrl{std::shared_ptr<TStream>(stream)});
  if (!p) return 0;
  const int bpp = PixelFormatBytes(p->format);
  FUZZ_CHECK(bpp > 0);
  FUZZ_CHECK(p->width >= 1 && p->height >= 1);
  FUZZ_CHECK(PixmapSizeAllowed(static_cast<size_t>(p->width), static_cast<size_t>(p->height), p->format));
  FUZZ_CHECK(p->pitch >= p->width * bpp);
  unsigned sum = 0;
  for (int y = 0; y < p->height; ++y) {
    const uint8_t* row = p->PixelPtr(0, y);
    for (int i = 0; i < p->width * bpp; ++i) sum += row[i];
  }
  // Keeps the reads from being optimised away.
  volatile unsigned sink = sum;
  (void)sink;
  return 0;
}
