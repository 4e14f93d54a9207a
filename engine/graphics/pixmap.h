// Pixmaps: rectangles of pixels in memory, their six byte layouts and the
// conversions between them, bilinear resizing, the colour-key mask, and the
// chain of picture loaders (TGA, PNG, JPEG, BMP) that turns files into pixmaps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/system/stream.h"

// Pixel formats; bytes of a pixel in the order of the name, rows top first.
enum {
  PIXFMT_I8 = 1,        // intensity
  PIXFMT_A8 = 2,        // alpha
  PIXFMT_BGR888 = 3,    // blue, green, red
  PIXFMT_RGB888 = 4,    // red, green, blue
  PIXFMT_BGRA8888 = 5,  // blue, green, red, alpha
  PIXFMT_RGBA8888 = 6,  // red, green, blue, alpha: the working format
};

// Bytes per pixel of a format; 0 for a code that is no format.
int PixelFormatBytes(int format);
// Alpha bits of a format: 8 for A8, BGRA8888 and RGBA8888, else 0.
int PixelFormatAlphaBits(int format);

// Largest picture a loader accepts: a side of 16384 pixels and 256 MiB of pixel
// bytes. Loaders check before they allocate anything.
constexpr int PIXMAP_MAX_SIDE = 16384;
constexpr size_t PIXMAP_MAX_BYTES = size_t{256} << 20;
// True when width x height pixels of format fit those limits (both sides >= 1).
bool PixmapSizeAllowed(size_t width, size_t height, int format);

// Colours passed to and returned from ReadPixel, WritePixel and ClearPixels are
// 0xAARRGGBB in one 32-bit int.
class TPixmap : public std::enable_shared_from_this<TPixmap> {
 public:
  TPixmap() = default;
  TPixmap(const TPixmap&) = delete;
  TPixmap& operator=(const TPixmap&) = delete;
  virtual ~TPixmap();

  virtual void _pad() {}
  // pixels + y * pitch + x * bytes per pixel; no bounds check.
  virtual uint8_t* PixelPtr(int x, int y);
  // A pixmap over the sub-rectangle that shares this one's memory and keeps it
  // alive. The rectangle is clipped to this pixmap.
  virtual std::shared_ptr<TPixmap> Window(int x, int y, int w, int h);
  virtual std::shared_ptr<TPixmap> Copy();
  // Copies source into this pixmap at (x, y), converting formats. Whatever
  // would fall outside this pixmap is left out.
  virtual void Paste(const std::shared_ptr<TPixmap>& source, int x, int y);
  virtual std::shared_ptr<TPixmap> Convert(int format);
  // Outside the pixmap ReadPixel gives 0 and WritePixel does nothing.
  virtual int ReadPixel(int x, int y);
  virtual void WritePixel(int x, int y, int argb);

  // A new pixmap, contents undefined; pitch = width * bytes per pixel rounded up
  // to a multiple of align. nullptr for a negative size, an unknown format or a
  // size whose bytes do not fit an int.
  static std::shared_ptr<TPixmap> Create(int width, int height, int format, int align = 4);
  // A pixmap over memory it does not own (capacity -1); the memory must outlive it.
  static std::shared_ptr<TPixmap> CreateStatic(void* pixels, int width, int height, int pitch,
                                               int format);

  virtual void ClearPixels(int argb);

  uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;
  int format = 0;
  int capacity = 0;  // bytes owned; -1 when borrowed
  std::shared_ptr<void> _source;  // what a window borrows its memory from
};

// Converts count pixels from one format to another (through RGBA 8888 values).
void ConvertPixels(const uint8_t* src, int srcFormat, uint8_t* dst, int dstFormat, int count);

// Global forms.
std::shared_ptr<TPixmap> NewPixmap(int width, int height, int format, int align = 4);
std::shared_ptr<TPixmap> WrapPixmap(void* pixels, int width, int height, int pitch, int format);
std::shared_ptr<TPixmap> ConvertPixmapFormat(const std::shared_ptr<TPixmap>& pixmap, int format);
std::shared_ptr<TPixmap> DuplicatePixmap(const std::shared_ptr<TPixmap>& pixmap);
std::shared_ptr<TPixmap> PixmapRegion(const std::shared_ptr<TPixmap>& pixmap, int x, int y, int w,
                                      int h);
uint8_t* PixmapPixelAddress(const std::shared_ptr<TPixmap>& pixmap, int x, int y);
int GetPixmapWidth(const std::shared_ptr<TPixmap>& pixmap);
int GetPixmapHeight(const std::shared_ptr<TPixmap>& pixmap);
int GetPixmapPitch(const std::shared_ptr<TPixmap>& pixmap);
int GetPixmapFormat(const std::shared_ptr<TPixmap>& pixmap);

// Colour-key mask: a new RGBA 8888 pixmap where pixels of exactly (red, green,
// blue) become transparent and take the average colour of their opaque
// neighbours, so filtering at a shape's edge does not bleed the key colour.
std::shared_ptr<TPixmap> MaskPixmapColor(const std::shared_ptr<TPixmap>& pixmap, int red, int green,
                                         int blue);
// New pixmaps with the column order (X) or the row order (Y) reversed.
std::shared_ptr<TPixmap> MirrorPixmapX(const std::shared_ptr<TPixmap>& pixmap);
std::shared_ptr<TPixmap> MirrorPixmapY(const std::shared_ptr<TPixmap>& pixmap);
// Bilinear resize with centred samples; the result keeps the source's format.
// nullptr when either size is below 1 or the source is empty.
std::shared_ptr<TPixmap> ScalePixmap(const std::shared_ptr<TPixmap>& pixmap, int width, int height);

// The pixmap as RGBA 8888 at the top-left of a larger width x height one (a
// texture's power-of-two size): its last column is repeated once to the right,
// its last row once below, its bottom-right pixel once diagonally, so filtering
// at the picture's edge samples the picture; everything else is 0. A size
// smaller than the pixmap crops it. nullptr for an empty pixmap or size.
std::shared_ptr<TPixmap> PadPixmapEdges(const std::shared_ptr<TPixmap>& pixmap, int width, int height);

// A picture decoder. Constructing one puts it at the head of the chain; the
// four built-in loaders are made first, in the order BMP, JPEG, PNG, TGA, so
// the chain is tried TGA, PNG, JPEG, BMP.
class TPixmapLoader {
 public:
  TPixmapLoader();
  TPixmapLoader(const TPixmapLoader&) = delete;
  TPixmapLoader& operator=(const TPixmapLoader&) = delete;
  virtual ~TPixmapLoader();
  // nullptr when the stream does not hold this loader's format or cannot be decoded.
  virtual std::shared_ptr<TPixmap> LoadPixmap(const std::shared_ptr<TStream>& stream) = 0;

  TPixmapLoader* _succ = nullptr;
};

class TPixmapLoaderPNG : public TPixmapLoader {
 public:
  std::shared_ptr<TPixmap> LoadPixmap(const std::shared_ptr<TStream>& stream) override;
};
class TPixmapLoaderJPG : public TPixmapLoader {
 public:
  std::shared_ptr<TPixmap> LoadPixmap(const std::shared_ptr<TStream>& stream) override;
};
class TPixmapLoaderTGA : public TPixmapLoader {
 public:
  std::shared_ptr<TPixmap> LoadPixmap(const std::shared_ptr<TStream>& stream) override;
};
class TPixmapLoaderBMP : public TPixmapLoader {
 public:
  std::shared_ptr<TPixmap> LoadPixmap(const std::shared_ptr<TStream>& stream) override;
};

// The head of the loader chain (the built-in loaders are made on first use).
TPixmapLoader* PixmapLoaders();

// Opens the source (a path, a "proto::path" address or a stream) and asks each
// loader in turn, every one from the same start position. nullptr when the
// source cannot be opened or no loader decodes it.
std::shared_ptr<TPixmap> LoadPixmap(const TUrl& source);
