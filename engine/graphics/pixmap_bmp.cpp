// BMP: uncompressed Windows bitmaps of 1, 4, 8 (palette), 24 and 32 bits,
// stored bottom-up. Top-down (negative height) and compressed files are not
// read; the pixel-data offset of the file header is honoured, and every
// palette index is checked against the palette.
#include <vector>

#include "engine/graphics/pixmap.h"
#include "engine/graphics/pixmap_io.h"

std::shared_ptr<TPixmap> TPixmapLoaderBMP::LoadPixmap(const std::shared_ptr<TStream>& stream) {
  if (!stream) return nullptr;
  TPictureReader in(stream.get());
  uint8_t fh[14];
  if (!in.Read(fh, sizeof fh) || fh[0] != 'B' || fh[1] != 'M') return nullptr;
  const uint64_t dataOffset = Le32(fh + 10);
  uint8_t ih[40];
  if (!in.Read(ih, sizeof ih)) return nullptr;
  const uint32_t infoSize = Le32(ih);
  const auto width = static_cast<int32_t>(Le32(ih + 4));
  const auto height = static_cast<int32_t>(Le32(ih + 8));
  const uint32_t bits = Le16(ih + 14);
  const uint32_t compression = Le32(ih + 16);
  const uint32_t colours = Le32(ih + 32);
  if (infoSize < 40 || compression != 0 || width < 1 || height < 1) return nullptr;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return nullptr;

  const int format = bits == 32 ? PIXFMT_BGRA8888 : PIXFMT_BGR888;
  if (!PixmapSizeAllowed(static_cast<size_t>(width), static_cast<size_t>(height), format))
    return nullptr;

  // Longer information headers (V4, V5) come before the palette.
  if (!in.Skip(infoSize - 40)) return nullptr;
  uint32_t paletteSize = 0;
  if (bits <= 8) {
    const uint32_t most = 1u << bits;
    paletteSize = bits == 1 ? 2 : (colours ? colours : most);
    if (colours > most) return nullptr;
  }
  uint8_t palette[256 * 4];
  if (!in.Read(palette, size_t{paletteSize} * 4)) return nullptr;
  const uint64_t headerEnd = 14 + uint64_t{infoSize} + uint64_t{paletteSize} * 4;
  if (dataOffset < headerEnd || !in.Skip(dataOffset - headerEnd)) return nullptr;

  const size_t rowBytes = (static_cast<size_t>(width) * bits + 31) / 32 * 4;
  const uint64_t left = in.Remaining();
  if (left != UINT64_MAX && uint64_t{rowBytes} * static_cast<uint64_t>(height) > left) return nullptr;
  auto pixmap = TPixmap::Create(width, height, format, 4);
  if (!pixmap) return nullptr;
  std::vector<uint8_t> row(rowBytes);
  bool anyAlpha = false;
  for (int32_t y = 0; y < height; ++y) {
    if (!in.Read(row.data(), rowBytes)) return nullptr;
    uint8_t* d = pixmap->PixelPtr(0, height - 1 - y);
    if (bits == 24) {
      std::memcpy(d, row.data(), static_cast<size_t>(width) * 3);
    } else if (bits == 32) {
      std::memcpy(d, row.data(), static_cast<size_t>(width) * 4);
      for (int32_t x = 0; x < width && !anyAlpha; ++x) anyAlpha = d[x * 4 + 3] != 0;
    } else {
      const uint32_t perByte = 8 / bits, mask = (1u << bits) - 1;
      for (int32_t x = 0; x < width; ++x, d += 3) {
        const uint32_t byte = row[static_cast<size_t>(x) / perByte];
        const uint32_t shift = 8 - bits * (static_cast<uint32_t>(x) % perByte + 1);
        const uint32_t index = (byte >> shift) & mask;
        if (index >= paletteSize) return nullptr;
        std::memcpy(d, palette + index * 4, 3);
      }
    }
  }
  // Most 32-bit bitmaps leave the fourth byte 0 as "reserved": such a picture
  // is opaque, not invisible.
  if (bits == 32 && !anyAlpha) {
    for (int32_t y = 0; y < height; ++y) {
      uint8_t* d = pixmap->PixelPtr(0, y);
      for (int32_t x = 0; x < width; ++x) d[x * 4 + 3] = 255;
    }
  }
  return pixmap;
}
