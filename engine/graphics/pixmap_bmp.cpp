// BMP: uncompressed bitmaps of 1, 4, 8 (palette), 24 and 32 bits, stored
// bottom-up. The information header is the OS/2 1.x core header (12 bytes:
// 16-bit sizes, three-byte palette entries), the OS/2 2.x one (16 to 64
// bytes, whose leading fields are the Windows ones; fields it leaves out
// are 0) or a Windows one (40, 52, 56, 108, 124 bytes); a header of any
// other size is refused, since where its palette starts is unknown.
// Top-down (negative height) and compressed files are not read; the
// pixel-data offset of the file header is honoured, and every palette index
// is checked against the palette.
#include <algorithm>
#include <vector>

#include "engine/graphics/pixmap.h"
#include "engine/graphics/pixmap_io.h"

namespace {

constexpr uint32_t kCoreHeader = 12;
constexpr uint32_t kInfoHeader = 40;

bool KnownInfoSize(uint32_t size) {
  return size == kCoreHeader || (size >= 16 && size <= 64) || size == 108 || size == 124;
}

}  // namespace

std::shared_ptr<TPixmap> TPixmapLoaderBMP::LoadPixmap(const std::shared_ptr<TStream>& stream) {
  if (!stream) return nullptr;
  TPictureReader in(stream.get());
  uint8_t fh[14];
  if (!in.Read(fh, sizeof fh) || fh[0] != 'B' || fh[1] != 'M') return nullptr;
  const uint64_t dataOffset = Le32(fh + 10);
  uint8_t sizeField[4];
  if (!in.Read(sizeField, sizeof sizeField)) return nullptr;
  const uint32_t infoSize = Le32(sizeField);
  if (!KnownInfoSize(infoSize)) return nullptr;
  const bool core = infoSize == kCoreHeader;

  // The fields of the 40-byte header; those a shorter header leaves out stay 0.
  int32_t width = 0, height = 0;
  uint32_t bits = 0, compression = 0, colours = 0;
  if (core) {
    uint8_t ch[8];
    if (!in.Read(ch, sizeof ch)) return nullptr;
    width = static_cast<int32_t>(Le16(ch));
    height = static_cast<int32_t>(Le16(ch + 2));
    bits = Le16(ch + 6);
  } else {
    uint8_t ih[kInfoHeader] = {};
    const uint32_t fields = std::min(infoSize, kInfoHeader);
    if (!in.Read(ih + 4, fields - 4)) return nullptr;
    width = static_cast<int32_t>(Le32(ih + 4));
    height = static_cast<int32_t>(Le32(ih + 8));
    bits = Le16(ih + 14);
    compression = Le32(ih + 16);
    colours = Le32(ih + 32);
    // The rest of a longer header (colour masks, colour space) comes before the palette.
    if (infoSize > kInfoHeader && !in.Skip(infoSize - kInfoHeader)) return nullptr;
  }
  if (compression != 0 || width < 1 || height < 1) return nullptr;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return nullptr;

  const int format = bits == 32 ? PIXFMT_BGRA8888 : PIXFMT_BGR888;
  if (!PixmapSizeAllowed(static_cast<size_t>(width), static_cast<size_t>(height), format))
    return nullptr;

  const uint32_t entryBytes = core ? 3 : 4;
  uint32_t paletteSize = 0;
  if (bits <= 8) {
    const uint32_t most = 1u << bits;
    if (colours > most) return nullptr;
    if (core) {
      // No colour count: the palette runs to the pixel data, at most a full one.
      const uint64_t room = dataOffset > 14 + kCoreHeader ? (dataOffset - 14 - kCoreHeader) / 3 : 0;
      paletteSize = static_cast<uint32_t>(std::min<uint64_t>(most, room));
    } else {
      paletteSize = bits == 1 ? 2 : (colours ? colours : most);
    }
  }
  // Entries blue, green, red (and a fourth byte unless core), kept as four bytes.
  uint8_t raw[256 * 4];
  if (!in.Read(raw, size_t{paletteSize} * entryBytes)) return nullptr;
  uint8_t palette[256 * 4];
  for (uint32_t i = 0; i < paletteSize; ++i) std::memcpy(palette + i * 4, raw + i * entryBytes, 3);
  const uint64_t headerEnd = 14 + uint64_t{infoSize} + uint64_t{paletteSize} * entryBytes;
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
