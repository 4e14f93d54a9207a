// TGA: uncompressed (type 2) and run-length encoded (type 10) true colour, no
// colour map, 15/16/24/32 bits. The descriptor's origin bits say where the
// first pixel of the file goes: bottom-left unless bit 5 (top row first) or
// bit 4 (right to left) is set. Pixels land in the pixmap in its own byte
// order (red first).
#include <algorithm>
#include <vector>

#include "engine/graphics/pixmap.h"
#include "engine/graphics/pixmap_io.h"

namespace {

constexpr int kMaxTgaSide = 4096;

// One file pixel (blue first, or a little-endian 5-5-5 word) into pixmap bytes.
inline void DecodeTgaPixel(const uint8_t* s, int bits, uint8_t* d) {
  switch (bits) {
    case 24:
      d[0] = s[2], d[1] = s[1], d[2] = s[0];
      break;
    case 32:
      d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = s[3];
      break;
    default: {
      const uint32_t v = Le16(s);
      d[0] = static_cast<uint8_t>(((v >> 10) & 31) << 3);
      d[1] = static_cast<uint8_t>(((v >> 5) & 31) << 3);
      d[2] = static_cast<uint8_t>((v & 31) << 3);
      if (bits == 16) d[3] = (v & 0x8000) ? 0 : 255;
      break;
    }
  }
}

}  // namespace

std::shared_ptr<TPixmap> TPixmapLoaderTGA::LoadPixmap(const std::shared_ptr<TStream>& stream) {
  if (!stream) return nullptr;
  TPictureReader in(stream.get());
  uint8_t h[18];
  if (!in.Read(h, sizeof h)) return nullptr;
  const int idLength = h[0], mapType = h[1], imageType = h[2], bits = h[16];
  const bool topFirst = (h[17] & 0x20) != 0, rightToLeft = (h[17] & 0x10) != 0;
  const int width = static_cast<int>(Le16(h + 12));
  const int height = static_cast<int>(Le16(h + 14));
  if (mapType != 0 || (imageType != 2 && imageType != 10)) return nullptr;
  if (bits != 15 && bits != 16 && bits != 24 && bits != 32) return nullptr;
  if (width < 1 || width > kMaxTgaSide || height < 1 || height > kMaxTgaSide) return nullptr;
  if (!in.Skip(static_cast<uint64_t>(idLength))) return nullptr;

  const int format = (bits == 16 || bits == 32) ? PIXFMT_RGBA8888 : PIXFMT_RGB888;
  const int fileBytes = (bits + 7) / 8;
  // What the rest of the file can hold at most: every byte a pixel, or every
  // packet of 1 + fileBytes bytes a run of 128.
  const uint64_t pixels = uint64_t(width) * uint64_t(height);
  const uint64_t left = in.Remaining();
  if (left != UINT64_MAX) {
    const uint64_t most = imageType == 2 ? left / fileBytes : left / (1 + fileBytes) * 128;
    if (pixels > most) return nullptr;
  }
  auto pixmap = TPixmap::Create(width, height, format, 4);
  if (!pixmap) return nullptr;

  // Where the file's pixel x of row y lands.
  auto pixelOut = [&](int fileRow, int x) {
    return pixmap->PixelPtr(rightToLeft ? width - 1 - x : x, topFirst ? fileRow : height - 1 - fileRow);
  };
  if (imageType == 2) {
    std::vector<uint8_t> row(static_cast<size_t>(width) * fileBytes);
    for (int y = 0; y < height; ++y) {
      if (!in.Read(row.data(), row.size())) return nullptr;
      for (int x = 0; x < width; ++x) DecodeTgaPixel(row.data() + x * fileBytes, bits, pixelOut(y, x));
    }
    return pixmap;
  }

  // Runs may cross rows; a run that goes past the last pixel is cut off there.
  const int64_t total = int64_t{width} * height;
  int64_t done = 0;
  uint8_t pixel[4];
  while (done < total) {
    uint8_t packet;
    if (!in.Byte(packet)) return nullptr;
    const int64_t count = std::min<int64_t>((packet & 0x7F) + 1, total - done);
    const bool repeat = (packet & 0x80) != 0;
    if (repeat && !in.Read(pixel, fileBytes)) return nullptr;
    for (int64_t i = 0; i < count; ++i, ++done) {
      if (!repeat && !in.Read(pixel, fileBytes)) return nullptr;
      const int y = static_cast<int>(done / width), x = static_cast<int>(done % width);
      DecodeTgaPixel(pixel, bits, pixelOut(y, x));
    }
  }
  return pixmap;
}
