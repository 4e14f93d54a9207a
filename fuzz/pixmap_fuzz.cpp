// The picture loader chain (TGA, PNG, JPEG, BMP) over arbitrary bytes. A
// picture that loads is checked for a sane shape and every pixel byte is
// read, so a buffer smaller than its rows shows under AddressSanitizer. The
// same bytes behind other data, with the stream standing at their start,
// must give the same picture: loaders count from where the stream stands.
#include <cstdint>
#include <cstring>
#include <string>

#include "engine/graphics/pixmap.h"
#include "fuzz/fuzz_common.h"

namespace {

std::shared_ptr<TPixmap> LoadAt(const std::string& lead, const uint8_t* data, size_t size) {
  auto stream = std::make_shared<TMemoryStream>(lead + std::string(reinterpret_cast<const char*>(data), size));
  stream->Seek(static_cast<int64_t>(lead.size()));
  return LoadPixmap(TUrl{std::shared_ptr<TStream>(stream)});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::shared_ptr<TPixmap> p = LoadAt("", data, size);
  const std::shared_ptr<TPixmap> behind = LoadAt("BM\x89PNG", data, size);
  FUZZ_CHECK(!p == !behind);
  if (!p) return 0;
  FUZZ_CHECK(behind->width == p->width && behind->height == p->height && behind->format == p->format);
  const int bpp = PixelFormatBytes(p->format);
  FUZZ_CHECK(bpp > 0);
  FUZZ_CHECK(p->width >= 1 && p->height >= 1);
  FUZZ_CHECK(PixmapSizeAllowed(static_cast<size_t>(p->width), static_cast<size_t>(p->height), p->format));
  FUZZ_CHECK(p->pitch >= p->width * bpp);
  unsigned sum = 0;
  for (int y = 0; y < p->height; ++y) {
    const uint8_t* row = p->PixelPtr(0, y);
    for (int i = 0; i < p->width * bpp; ++i) sum += row[i];
    FUZZ_CHECK(std::memcmp(row, behind->PixelPtr(0, y), static_cast<size_t>(p->width * bpp)) == 0);
  }
  // Keeps the reads from being optimised away.
  volatile unsigned sink = sum;
  (void)sink;
  return 0;
}
