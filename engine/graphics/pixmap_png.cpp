// PNG through libpng. libpng reports errors by longjmp, so everything it can
// jump out of lives in the small functions below that hold no C++ objects;
// the pixmap and the row table belong to the caller, which libpng never leaves.
#include <png.h>

#include <csetjmp>
#include <vector>

#include "engine/graphics/pixmap.h"
#include "engine/graphics/pixmap_io.h"

namespace {

struct PngJob {
  TStream* stream = nullptr;
  png_structp png = nullptr;
  png_infop info = nullptr;
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0;
  size_t rowBytes = 0;
};

void PngReadData(png_structp png, png_bytep data, size_t length) {
  auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
  if (ReadAvailable(job->stream, data, length) != length) png_error(png, "unexpected end of file");
}

void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

// Reads the header and sets up strip-16 and expand; false on any libpng error.
bool PngReadHeader(PngJob* job) {
  if (setjmp(png_jmpbuf(job->png))) return false;
  png_set_read_fn(job->png, job, PngReadData);
  png_set_sig_bytes(job->png, 8);
  png_set_user_limits(job->png, PIXMAP_MAX_SIDE, PIXMAP_MAX_SIDE);
  png_read_info(job->png, job->info);
  png_set_strip_16(job->png);
  png_set_expand(job->png);
  png_set_interlace_handling(job->png);
  png_read_update_info(job->png, job->info);
  job->width = png_get_image_width(job->png, job->info);
  job->height = png_get_image_height(job->png, job->info);
  job->bitDepth = png_get_bit_depth(job->png, job->info);
  job->colorType = png_get_color_type(job->png, job->info);
  job->rowBytes = png_get_rowbytes(job->png, job->info);
  return true;
}

bool PngReadRows(PngJob* job, png_bytepp rows) {
  if (setjmp(png_jmpbuf(job->png))) return false;
  png_read_image(job->png, rows);
  png_read_end(job->png, nullptr);
  return true;
}

struct PngStructs {
  PngJob& job;
  ~PngStructs() { png_destroy_read_struct(&job.png, job.info ? &job.info : nullptr, nullptr); }
};

}  // namespace

std::shared_ptr<TPixmap> TPixmapLoaderPNG::LoadPixmap(const std::shared_ptr<TStream>& stream) {
  if (!stream) return nullptr;
  png_byte signature[8];
  if (ReadAvailable(stream.get(), signature, 8) != 8 || png_sig_cmp(signature, 0, 8) != 0)
    return nullptr;

  PngJob job;
  job.stream = stream.get();
  job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (!job.png) return nullptr;
  PngStructs guard{job};
  job.info = png_create_info_struct(job.png);
  if (!job.info || !PngReadHeader(&job) || job.bitDepth != 8) return nullptr;

  int format = 0;
  size_t channels = 0;
  switch (job.colorType) {
    case PNG_COLOR_TYPE_GRAY: format = PIXFMT_I8, channels = 1; break;
    case PNG_COLOR_TYPE_RGB: format = PIXFMT_RGB888, channels = 3; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: format = PIXFMT_RGBA8888, channels = 4; break;
    case PNG_COLOR_TYPE_GRAY_ALPHA: format = PIXFMT_RGBA8888, channels = 2; break;
    default: return nullptr;
  }
  if (!PixmapSizeAllowed(job.width, job.height, format) || job.rowBytes != job.width * channels)
    return nullptr;
  auto pixmap = TPixmap::Create(static_cast<int>(job.width), static_cast<int>(job.height), format, 4);
  if (!pixmap) return nullptr;
  // Grey-with-alpha rows are decoded into the front half of each RGBA row.
  std::vector<png_bytep> rows(job.height);
  for (png_uint_32 y = 0; y < job.height; ++y) rows[y] = pixmap->PixelPtr(0, static_cast<int>(y));
  if (!PngReadRows(&job, rows.data())) return nullptr;

  if (job.colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    // Widen (grey, alpha) pairs to (grey, grey, grey, alpha), back to front so
    // no pair is overwritten before it is read.
    for (png_uint_32 y = 0; y < job.height; ++y) {
      uint8_t* row = rows[y];
      for (size_t x = job.width; x-- > 0;) {
        const uint8_t g = row[2 * x], a = row[2 * x + 1];
        row[4 * x] = row[4 * x + 1] = row[4 * x + 2] = g;
        row[4 * x + 3] = a;
      }
    }
  }
  return pixmap;
}
