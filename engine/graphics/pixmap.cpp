#include "engine/graphics/pixmap.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace {

// Every format is read into and written from RGBA 8888 values; the compiler
// turns each pair of these into one tight loop.
template <int F>
inline void LoadRgba(const uint8_t* s, uint8_t* c);
template <>
inline void LoadRgba<PIXFMT_I8>(const uint8_t* s, uint8_t* c) {
  c[0] = c[1] = c[2] = s[0];
  c[3] = 255;
}
template <>
inline void LoadRgba<PIXFMT_A8>(const uint8_t* s, uint8_t* c) {
  c[0] = c[1] = c[2] = 255;
  c[3] = s[0];
}
template <>
inline void LoadRgba<PIXFMT_BGR888>(const uint8_t* s, uint8_t* c) {
  c[0] = s[2];
  c[1] = s[1];
  c[2] = s[0];
  c[3] = 255;
}
template <>
inline void LoadRgba<PIXFMT_RGB888>(const uint8_t* s, uint8_t* c) {
  c[0] = s[0];
  c[1] = s[1];
  c[2] = s[2];
  c[3] = 255;
}
template <>
inline void LoadRgba<PIXFMT_BGRA8888>(const uint8_t* s, uint8_t* c) {
  c[0] = s[2];
  c[1] = s[1];
  c[2] = s[0];
  c[3] = s[3];
}
template <>
inline void LoadRgba<PIXFMT_RGBA8888>(const uint8_t* s, uint8_t* c) {
  std::memcpy(c, s, 4);
}

template <int F>
inline void StoreRgba(const uint8_t* c, uint8_t* d);
template <>
inline void StoreRgba<PIXFMT_I8>(const uint8_t* c, uint8_t* d) {
  d[0] = static_cast<uint8_t>((c[0] + c[1] + c[2]) / 3);
}
template <>
inline void StoreRgba<PIXFMT_A8>(const uint8_t* c, uint8_t* d) {
  d[0] = c[3];
}
template <>
inline void StoreRgba<PIXFMT_BGR888>(const uint8_t* c, uint8_t* d) {
  d[0] = c[2];
  d[1] = c[1];
  d[2] = c[0];
}
template <>
inline void StoreRgba<PIXFMT_RGB888>(const uint8_t* c, uint8_t* d) {
  d[0] = c[0];
  d[1] = c[1];
  d[2] = c[2];
}
template <>
inline void StoreRgba<PIXFMT_BGRA8888>(const uint8_t* c, uint8_t* d) {
  d[0] = c[2];
  d[1] = c[1];
  d[2] = c[0];
  d[3] = c[3];
}
template <>
inline void StoreRgba<PIXFMT_RGBA8888>(const uint8_t* c, uint8_t* d) {
  std::memcpy(d, c, 4);
}

constexpr int kBytes[7] = {0, 1, 1, 3, 3, 4, 4};

bool ValidFormat(int format) { return format >= PIXFMT_I8 && format <= PIXFMT_RGBA8888; }

using RowConverter = void (*)(const uint8_t*, uint8_t*, int);

template <int S, int D>
void ConvertRow(const uint8_t* s, uint8_t* d, int count) {
  constexpr int sb = kBytes[S];
  constexpr int db = kBytes[D];
  uint8_t c[4];
  for (int i = 0; i < count; ++i, s += sb, d += db) {
    LoadRgba<S>(s, c);
    StoreRgba<D>(c, d);
  }
}

template <int S>
constexpr RowConverter ConverterFrom(int d) {
  switch (d) {
    case PIXFMT_I8: return &ConvertRow<S, PIXFMT_I8>;
    case PIXFMT_A8: return &ConvertRow<S, PIXFMT_A8>;
    case PIXFMT_BGR888: return &ConvertRow<S, PIXFMT_BGR888>;
    case PIXFMT_RGB888: return &ConvertRow<S, PIXFMT_RGB888>;
    case PIXFMT_BGRA8888: return &ConvertRow<S, PIXFMT_BGRA8888>;
    default: return &ConvertRow<S, PIXFMT_RGBA8888>;
  }
}

RowConverter Converter(int s, int d) {
  switch (s) {
    case PIXFMT_I8: return ConverterFrom<PIXFMT_I8>(d);
    case PIXFMT_A8: return ConverterFrom<PIXFMT_A8>(d);
    case PIXFMT_BGR888: return ConverterFrom<PIXFMT_BGR888>(d);
    case PIXFMT_RGB888: return ConverterFrom<PIXFMT_RGB888>(d);
    case PIXFMT_BGRA8888: return ConverterFrom<PIXFMT_BGRA8888>(d);
    default: return ConverterFrom<PIXFMT_RGBA8888>(d);
  }
}

void LoadPixel(const uint8_t* s, int format, uint8_t* c) {
  switch (format) {
    case PIXFMT_I8: LoadRgba<PIXFMT_I8>(s, c); break;
    case PIXFMT_A8: LoadRgba<PIXFMT_A8>(s, c); break;
    case PIXFMT_BGR888: LoadRgba<PIXFMT_BGR888>(s, c); break;
    case PIXFMT_RGB888: LoadRgba<PIXFMT_RGB888>(s, c); break;
    case PIXFMT_BGRA8888: LoadRgba<PIXFMT_BGRA8888>(s, c); break;
    default: LoadRgba<PIXFMT_RGBA8888>(s, c); break;
  }
}

void StorePixel(const uint8_t* c, int format, uint8_t* d) {
  switch (format) {
    case PIXFMT_I8: StoreRgba<PIXFMT_I8>(c, d); break;
    case PIXFMT_A8: StoreRgba<PIXFMT_A8>(c, d); break;
    case PIXFMT_BGR888: StoreRgba<PIXFMT_BGR888>(c, d); break;
    case PIXFMT_RGB888: StoreRgba<PIXFMT_RGB888>(c, d); break;
    case PIXFMT_BGRA8888: StoreRgba<PIXFMT_BGRA8888>(c, d); break;
    default: StoreRgba<PIXFMT_RGBA8888>(c, d); break;
  }
}

void UnpackArgb(int argb, uint8_t* c) {
  const auto v = static_cast<uint32_t>(argb);
  c[0] = static_cast<uint8_t>(v >> 16);
  c[1] = static_cast<uint8_t>(v >> 8);
  c[2] = static_cast<uint8_t>(v);
  c[3] = static_cast<uint8_t>(v >> 24);
}

int PackArgb(const uint8_t* c) {
  return static_cast<int>((uint32_t{c[3]} << 24) | (uint32_t{c[0]} << 16) | (uint32_t{c[1]} << 8) |
                          uint32_t{c[2]});
}

// A pixmap that owns its memory.
class TOwnedPixmap final : public TPixmap {
 public:
  explicit TOwnedPixmap(uint8_t* memory) : _memory(memory) {}
  ~TOwnedPixmap() override { delete[] _memory; }

 private:
  uint8_t* _memory;
};

}  // namespace

int PixelFormatBytes(int format) { return ValidFormat(format) ? kBytes[format] : 0; }

int PixelFormatAlphaBits(int format) {
  return format == PIXFMT_A8 || format == PIXFMT_BGRA8888 || format == PIXFMT_RGBA8888 ? 8 : 0;
}

bool PixmapSizeAllowed(size_t width, size_t height, int format) {
  const size_t bpp = static_cast<size_t>(PixelFormatBytes(format));
  if (bpp == 0 || width < 1 || height < 1) return false;
  if (width > PIXMAP_MAX_SIDE || height > PIXMAP_MAX_SIDE) return false;
  // Both sides are at most 2^14, so the product cannot overflow a size_t.
  const size_t pitch = (width * bpp + 3) & ~size_t{3};
  return pitch * height <= PIXMAP_MAX_BYTES;
}

void ConvertPixels(const uint8_t* src, int srcFormat, uint8_t* dst, int dstFormat, int count) {
  if (count <= 0 || !ValidFormat(srcFormat) || !ValidFormat(dstFormat)) return;
  if (srcFormat == dstFormat) {
    std::memmove(dst, src, static_cast<size_t>(count) * kBytes[srcFormat]);
    return;
  }
  Converter(srcFormat, dstFormat)(src, dst, count);
}

TPixmap::~TPixmap() = default;

uint8_t* TPixmap::PixelPtr(int x, int y) {
  return pixels + static_cast<ptrdiff_t>(y) * pitch + static_cast<ptrdiff_t>(x) * PixelFormatBytes(format);
}

std::shared_ptr<TPixmap> TPixmap::Create(int width, int height, int format, int align) {
  if (width < 0 || height < 0 || !ValidFormat(format)) return nullptr;
  if (align < 1) align = 1;
  const size_t rowBytes = static_cast<size_t>(width) * kBytes[format];
  const size_t a = static_cast<size_t>(align);
  const size_t pitch = (rowBytes + a - 1) / a * a;
  if (pitch > static_cast<size_t>(INT_MAX)) return nullptr;
  if (height > 0 && pitch > static_cast<size_t>(INT_MAX) / static_cast<size_t>(height)) return nullptr;
  const size_t bytes = pitch * static_cast<size_t>(height);
  uint8_t* memory = new (std::nothrow) uint8_t[bytes > 0 ? bytes : 1];
  if (!memory) return nullptr;
  auto pixmap = std::make_shared<TOwnedPixmap>(memory);
  pixmap->pixels = memory;
  pixmap->width = width;
  pixmap->height = height;
  pixmap->pitch = static_cast<int>(pitch);
  pixmap->format = format;
  pixmap->capacity = static_cast<int>(bytes);
  return pixmap;
}

std::shared_ptr<TPixmap> TPixmap::CreateStatic(void* pixels, int width, int height, int pitch,
                                               int format) {
  if (width < 0 || height < 0 || !ValidFormat(format)) return nullptr;
  auto pixmap = std::make_shared<TPixmap>();
  pixmap->pixels = static_cast<uint8_t*>(pixels);
  pixmap->width = width;
  pixmap->height = height;
  pixmap->pitch = pitch;
  pixmap->format = format;
  pixmap->capacity = -1;
  return pixmap;
}

std::shared_ptr<TPixmap> TPixmap::Window(int x, int y, int w, int h) {
  // Clip in 64 bits so huge arguments cannot overflow.
  const int64_t x0 = std::clamp<int64_t>(x, 0, width);
  const int64_t y0 = std::clamp<int64_t>(y, 0, height);
  const int64_t x1 = std::clamp<int64_t>(int64_t{x} + std::max(w, 0), x0, width);
  const int64_t y1 = std::clamp<int64_t>(int64_t{y} + std::max(h, 0), y0, height);
  // An empty window points at the parent's first pixel, never past its memory.
  const bool empty = x1 == x0 || y1 == y0;
  uint8_t* first = empty ? pixels : PixelPtr(static_cast<int>(x0), static_cast<int>(y0));
  auto window = CreateStatic(first, static_cast<int>(x1 - x0), static_cast<int>(y1 - y0), pitch, format);
  if (window) window->_source = weak_from_this().lock();
  return window;
}

std::shared_ptr<TPixmap> TPixmap::Copy() {
  auto copy = Create(width, height, format, 4);
  if (!copy) return nullptr;
  const size_t rowBytes = static_cast<size_t>(width) * PixelFormatBytes(format);
  for (int y = 0; y < height; ++y) std::memcpy(copy->PixelPtr(0, y), PixelPtr(0, y), rowBytes);
  return copy;
}

void TPixmap::Paste(const std::shared_ptr<TPixmap>& source, int x, int y) {
  if (!source) return;
  const int64_t x0 = std::max<int64_t>(x, 0);
  const int64_t y0 = std::max<int64_t>(y, 0);
  const int64_t x1 = std::min<int64_t>(int64_t{x} + source->width, width);
  const int64_t y1 = std::min<int64_t>(int64_t{y} + source->height, height);
  if (x1 <= x0 || y1 <= y0) return;
  const int sx = static_cast<int>(x0 - x);
  const int sy = static_cast<int>(y0 - y);
  const int count = static_cast<int>(x1 - x0);
  for (int64_t row = y0; row < y1; ++row) {
    ConvertPixels(source->PixelPtr(sx, sy + static_cast<int>(row - y0)), source->format,
                  PixelPtr(static_cast<int>(x0), static_cast<int>(row)), format, count);
  }
}

std::shared_ptr<TPixmap> TPixmap::Convert(int toFormat) {
  auto result = Create(width, height, toFormat, 4);
  if (!result) return nullptr;
  for (int y = 0; y < height; ++y)
    ConvertPixels(PixelPtr(0, y), format, result->PixelPtr(0, y), toFormat, width);
  return result;
}

int TPixmap::ReadPixel(int x, int y) {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  uint8_t c[4];
  LoadPixel(PixelPtr(x, y), format, c);
  return PackArgb(c);
}

void TPixmap::WritePixel(int x, int y, int argb) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  uint8_t c[4];
  UnpackArgb(argb, c);
  StorePixel(c, format, PixelPtr(x, y));
}

void TPixmap::ClearPixels(int argb) {
  if (width <= 0 || height <= 0 || !ValidFormat(format)) return;
  const int bpp = kBytes[format];
  const size_t rowBytes = static_cast<size_t>(width) * bpp;
  if (argb == 0 && static_cast<size_t>(pitch) == rowBytes) {
    std::memset(pixels, 0, rowBytes * static_cast<size_t>(height));
    return;
  }
  uint8_t c[4], stored[4];
  UnpackArgb(argb, c);
  StorePixel(c, format, stored);
  uint8_t* row0 = PixelPtr(0, 0);
  for (int x = 0; x < width; ++x) std::memcpy(row0 + x * bpp, stored, bpp);
  for (int y = 1; y < height; ++y) std::memcpy(PixelPtr(0, y), row0, rowBytes);
}

std::shared_ptr<TPixmap> NewPixmap(int width, int height, int format, int align) {
  return TPixmap::Create(width, height, format, align);
}

std::shared_ptr<TPixmap> WrapPixmap(void* pixels, int width, int height, int pitch, int format) {
  return TPixmap::CreateStatic(pixels, width, height, pitch, format);
}

std::shared_ptr<TPixmap> ConvertPixmapFormat(const std::shared_ptr<TPixmap>& pixmap, int format) {
  return pixmap ? pixmap->Convert(format) : nullptr;
}

std::shared_ptr<TPixmap> DuplicatePixmap(const std::shared_ptr<TPixmap>& pixmap) {
  return pixmap ? pixmap->Copy() : nullptr;
}

std::shared_ptr<TPixmap> PixmapRegion(const std::shared_ptr<TPixmap>& pixmap, int x, int y, int w,
                                      int h) {
  return pixmap ? pixmap->Window(x, y, w, h) : nullptr;
}

uint8_t* PixmapPixelAddress(const std::shared_ptr<TPixmap>& pixmap, int x, int y) {
  return pixmap ? pixmap->PixelPtr(x, y) : nullptr;
}

int GetPixmapWidth(const std::shared_ptr<TPixmap>& pixmap) { return pixmap ? pixmap->width : 0; }
int GetPixmapHeight(const std::shared_ptr<TPixmap>& pixmap) { return pixmap ? pixmap->height : 0; }
int GetPixmapPitch(const std::shared_ptr<TPixmap>& pixmap) { return pixmap ? pixmap->pitch : 0; }
int GetPixmapFormat(const std::shared_ptr<TPixmap>& pixmap) { return pixmap ? pixmap->format : 0; }

namespace {

// The source itself when it is already RGBA 8888, else a converted copy.
std::shared_ptr<TPixmap> AsRgba(const std::shared_ptr<TPixmap>& pixmap) {
  if (pixmap->format == PIXFMT_RGBA8888) return pixmap;
  return pixmap->Convert(PIXFMT_RGBA8888);
}

}  // namespace

std::shared_ptr<TPixmap> MaskPixmapColor(const std::shared_ptr<TPixmap>& pixmap, int red, int green,
                                         int blue) {
  if (!pixmap) return nullptr;
  auto src = AsRgba(pixmap);
  if (!src) return nullptr;
  const int w = src->width, h = src->height;
  auto out = TPixmap::Create(w, h, PIXFMT_RGBA8888, 4);
  if (!out) return nullptr;
  auto isKey = [&](const uint8_t* p) { return p[0] == red && p[1] == green && p[2] == blue; };
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = src->PixelPtr(0, y);
    uint8_t* d = out->PixelPtr(0, y);
    for (int x = 0; x < w; ++x, s += 4, d += 4) {
      if (!isKey(s)) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        d[3] = 255;
        continue;
      }
      int sum[3] = {0, 0, 0}, n = 0;
      for (int ny = std::max(y - 1, 0); ny <= std::min(y + 1, h - 1); ++ny) {
        for (int nx = std::max(x - 1, 0); nx <= std::min(x + 1, w - 1); ++nx) {
          if (nx == x && ny == y) continue;
          const uint8_t* q = src->PixelPtr(nx, ny);
          if (isKey(q)) continue;
          sum[0] += q[0];
          sum[1] += q[1];
          sum[2] += q[2];
          ++n;
        }
      }
      for (int k = 0; k < 3; ++k) d[k] = static_cast<uint8_t>(n ? sum[k] / n : 0);
      d[3] = 0;
    }
  }
  return out;
}

std::shared_ptr<TPixmap> MirrorPixmapX(const std::shared_ptr<TPixmap>& pixmap) {
  if (!pixmap) return nullptr;
  auto out = TPixmap::Create(pixmap->width, pixmap->height, pixmap->format, 4);
  if (!out) return nullptr;
  const int bpp = PixelFormatBytes(pixmap->format);
  for (int y = 0; y < pixmap->height; ++y) {
    const uint8_t* s = pixmap->PixelPtr(0, y);
    uint8_t* d = out->PixelPtr(pixmap->width - 1, y);
    for (int x = 0; x < pixmap->width; ++x, s += bpp, d -= bpp) std::memcpy(d, s, bpp);
  }
  return out;
}

std::shared_ptr<TPixmap> MirrorPixmapY(const std::shared_ptr<TPixmap>& pixmap) {
  if (!pixmap) return nullptr;
  auto out = TPixmap::Create(pixmap->width, pixmap->height, pixmap->format, 4);
  if (!out) return nullptr;
  const size_t rowBytes = static_cast<size_t>(pixmap->width) * PixelFormatBytes(pixmap->format);
  for (int y = 0; y < pixmap->height; ++y)
    std::memcpy(out->PixelPtr(0, pixmap->height - 1 - y), pixmap->PixelPtr(0, y), rowBytes);
  return out;
}

std::shared_ptr<TPixmap> ScalePixmap(const std::shared_ptr<TPixmap>& pixmap, int width, int height) {
  if (!pixmap || width < 1 || height < 1 || pixmap->width < 1 || pixmap->height < 1) return nullptr;
  auto src = AsRgba(pixmap);
  if (!src) return nullptr;
  auto out = TPixmap::Create(width, height, pixmap->format, 4);
  if (!out) return nullptr;
  const int sw = src->width, sh = src->height;
  const float xr = static_cast<float>(sw) / static_cast<float>(width);
  const float yr = static_cast<float>(sh) / static_cast<float>(height);

  // Sample positions along a row are the same for every row.
  struct Sample {
    int i, next;
    float t;
  };
  auto sample = [](int d, float ratio, int size) {
    const float f = (static_cast<float>(d) + 0.5f) * ratio - 0.5f;
    const int i = static_cast<int>(std::floor(f));
    if (i < 0) return Sample{0, 0, 0.0f};
    if (i >= size - 1) return Sample{size - 1, size - 1, 0.0f};
    return Sample{i, i + 1, f - static_cast<float>(i)};
  };
  std::vector<Sample> columns(static_cast<size_t>(width));
  for (int x = 0; x < width; ++x) columns[x] = sample(x, xr, sw);

  const bool direct = out->format == PIXFMT_RGBA8888;
  std::vector<uint8_t> row(direct ? 0 : static_cast<size_t>(width) * 4);
  for (int y = 0; y < height; ++y) {
    const Sample r = sample(y, yr, sh);
    const uint8_t* top = src->PixelPtr(0, r.i);
    const uint8_t* bottom = src->PixelPtr(0, r.next);
    uint8_t* d = direct ? out->PixelPtr(0, y) : row.data();
    for (int x = 0; x < width; ++x, d += 4) {
      const Sample& c = columns[x];
      const uint8_t* a = top + c.i * 4;
      const uint8_t* b = top + c.next * 4;
      const uint8_t* cc = bottom + c.i * 4;
      const uint8_t* dd = bottom + c.next * 4;
      for (int k = 0; k < 4; ++k) {
        const float t = a[k] + (b[k] - a[k]) * c.t;
        const float u = cc[k] + (dd[k] - cc[k]) * c.t;
        d[k] = static_cast<uint8_t>(t + (u - t) * r.t);
      }
    }
    if (!direct) ConvertPixels(row.data(), PIXFMT_RGBA8888, out->PixelPtr(0, y), out->format, width);
  }
  return out;
}

std::shared_ptr<TPixmap> PadPixmapEdges(const std::shared_ptr<TPixmap>& pixmap, int width, int height) {
  if (!pixmap || pixmap->width < 1 || pixmap->height < 1 || width < 1 || height < 1) return nullptr;
  auto out = TPixmap::Create(width, height, PIXFMT_RGBA8888, 4);
  if (!out) return nullptr;
  out->ClearPixels(0);
  out->Paste(pixmap, 0, 0);
  const int w = std::min(pixmap->width, width), h = std::min(pixmap->height, height);
  if (w < width) out->Paste(pixmap->Window(w - 1, 0, 1, h), w, 0);
  if (h < height) out->Paste(pixmap->Window(0, h - 1, w, 1), 0, h);
  if (w < width && h < height) out->Paste(pixmap->Window(w - 1, h - 1, 1, 1), w, h);
  return out;
}
