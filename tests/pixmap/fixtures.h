// Picture files made in memory by the tests: PNG through libpng, JPEG through
// libjpeg, and TGA / BMP bytes written by hand.
#pragma once

#include <png.h>
#include <jpeglib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/system/stream.h"

struct PngFixture {
  int width = 0, height = 0;
  int colorType = PNG_COLOR_TYPE_RGB;
  int bitDepth = 8;
  std::vector<uint8_t> pixels;  // packed rows, libpng's sample layout
  std::vector<png_color> palette;
  std::vector<uint8_t> trns;    // palette alphas
  bool interlaced = false;
};

inline void PngAppend(png_structp png, png_bytep data, size_t n) {
  auto* out = static_cast<std::string*>(png_get_io_ptr(png));
  out->append(reinterpret_cast<const char*>(data), n);
}
inline void PngFlush(png_structp) {}

inline std::string MakePng(const PngFixture& s) {
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("png fixture");
  }
  png_set_write_fn(png, &out, PngAppend, PngFlush);
  png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colorType,
               s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!s.palette.empty())
    png_set_PLTE(png, info, s.palette.data(), static_cast<int>(s.palette.size()));
  if (!s.trns.empty())
    png_set_tRNS(png, info, s.trns.data(), static_cast<int>(s.trns.size()), nullptr);
  png_write_info(png, info);
  const size_t rowBytes = s.pixels.size() / s.height;
  std::vector<png_bytep> rows(s.height);
  for (int y = 0; y < s.height; ++y) rows[y] = const_cast<png_bytep>(s.pixels.data() + y * rowBytes);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

// components 1 (grey), 3 (RGB) or 4 (CMYK).
inline std::string MakeJpeg(int width, int height, int components, const std::vector<uint8_t>& pixels,
                            int quality = 95, bool progressive = false) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buffer, &size);
  c.image_width = width;
  c.image_height = height;
  c.input_components = components;
  c.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + c.next_scanline * width * components);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::string out(reinterpret_cast<char*>(buffer), size);
  std::free(buffer);
  return out;
}

inline void Put16(std::string& s, uint32_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
inline void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

inline std::string TgaHeader(int type, int width, int height, int bits, int idLength = 0,
                             int mapType = 0, int descriptor = 0) {
  std::string h;
  h.push_back(static_cast<char>(idLength));
  h.push_back(static_cast<char>(mapType));
  h.push_back(static_cast<char>(type));
  h.append(5, '\0');  // colour-map fields (none)
  Put16(h, 0);
  Put16(h, 0);
  Put16(h, static_cast<uint32_t>(width));
  Put16(h, static_cast<uint32_t>(height));
  h.push_back(static_cast<char>(bits));
  h.push_back(static_cast<char>(descriptor));  // bit 4: right to left, bit 5: top row first
  return h;
}

// 14-byte file header and 40-byte information header; the palette and the
// rows follow. offset 0 means directly after the palette.
inline std::string BmpHeader(int32_t width, int32_t height, int bits, uint32_t colours,
                             uint32_t paletteEntries, uint32_t compression = 0, uint32_t offset = 0) {
  std::string h = "BM";
  Put32(h, 0);
  Put32(h, 0);
  Put32(h, offset ? offset : 54 + paletteEntries * 4);
  Put32(h, 40);
  Put32(h, static_cast<uint32_t>(width));
  Put32(h, static_cast<uint32_t>(height));
  Put16(h, 1);
  Put16(h, static_cast<uint32_t>(bits));
  Put32(h, compression);
  Put32(h, 0);
  Put32(h, 2835);
  Put32(h, 2835);
  Put32(h, colours);
  Put32(h, 0);
  return h;
}

// A BMP with an information header of infoSize bytes: 12 is the OS/2 1.x
// core header (16-bit sizes, no colour count, three-byte palette entries);
// any other size holds the fields of the 40-byte header as far as it reaches
// and zeros after them. palette holds 0xRRGGBB entries; rows are the file's
// rows, padded, bottom row first.
inline std::string BmpOfInfoSize(uint32_t infoSize, int32_t width, int32_t height, int bits,
                                 const std::vector<uint32_t>& palette, const std::string& rows) {
  const bool core = infoSize == 12;
  std::string info;
  Put32(info, infoSize);
  if (core) {
    Put16(info, static_cast<uint32_t>(width));
    Put16(info, static_cast<uint32_t>(height));
    Put16(info, 1);
    Put16(info, static_cast<uint32_t>(bits));
  } else {
    Put32(info, static_cast<uint32_t>(width));
    Put32(info, static_cast<uint32_t>(height));
    Put16(info, 1);
    Put16(info, static_cast<uint32_t>(bits));
    Put32(info, 0);  // no compression
    Put32(info, 0);
    Put32(info, 2835);
    Put32(info, 2835);
    Put32(info, static_cast<uint32_t>(palette.size()));
    Put32(info, 0);
    info.resize(infoSize, '\0');
  }
  std::string pal;
  for (uint32_t c : palette) {
    pal.push_back(static_cast<char>(c & 0xFF));
    pal.push_back(static_cast<char>((c >> 8) & 0xFF));
    pal.push_back(static_cast<char>((c >> 16) & 0xFF));
    if (!core) pal.push_back('\0');
  }
  std::string h = "BM";
  Put32(h, static_cast<uint32_t>(14 + info.size() + pal.size() + rows.size()));
  Put32(h, 0);
  Put32(h, static_cast<uint32_t>(14 + info.size() + pal.size()));
  return h + info + pal + rows;
}

inline std::shared_ptr<TStream> Memory(std::string bytes) {
  return std::make_shared<TMemoryStream>(std::move(bytes));
}
