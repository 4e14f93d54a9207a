// JPEG through libjpeg. Errors leave libjpeg by longjmp from the error
// manager, so the functions that call setjmp hold plain data only; the pixmap
// and the row table belong to the caller, which libjpeg never leaves. A
// warning of corrupt or missing data fails the load as an error does: a
// damaged file gives Null rather than a half-grey picture.
#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "engine/graphics/pixmap.h"
#include "engine/graphics/pixmap_io.h"

namespace {

constexpr size_t kInputBufferSize = 64 * 1024;

struct JpegJob {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr errorManager;
  jmp_buf jump;
  jpeg_source_mgr source;
  TStream* stream = nullptr;
  JOCTET* buffer = nullptr;
  bool created = false;
};

JpegJob* JobOf(j_common_ptr cinfo) { return static_cast<JpegJob*>(cinfo->client_data); }

void JpegErrorExit(j_common_ptr cinfo) { longjmp(JobOf(cinfo)->jump, 1); }
void JpegEmitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  // Padding between segments and a newer JFIF revision leave every pixel
  // intact; any other warning means damaged or missing picture data.
  const int code = cinfo->err->msg_code;
  if (code == JWRN_EXTRANEOUS_DATA || code == JWRN_JFIF_MAJOR) return;
  longjmp(JobOf(cinfo)->jump, 1);
}
void JpegOutputMessage(j_common_ptr) {}

void JpegInitSource(j_decompress_ptr) {}
void JpegTermSource(j_decompress_ptr) {}

boolean JpegFillInput(j_decompress_ptr cinfo) {
  JpegJob* job = JobOf(reinterpret_cast<j_common_ptr>(cinfo));
  const size_t n = ReadAvailable(job->stream, job->buffer, kInputBufferSize);
  if (n == 0) longjmp(job->jump, 1);  // the data ended inside the picture
  job->source.next_input_byte = job->buffer;
  job->source.bytes_in_buffer = n;
  return TRUE;
}

void JpegSkipInput(j_decompress_ptr cinfo, long count) {
  JpegJob* job = JobOf(reinterpret_cast<j_common_ptr>(cinfo));
  while (count > 0) {
    if (job->source.bytes_in_buffer == 0) JpegFillInput(cinfo);
    const size_t step = static_cast<size_t>(count) < job->source.bytes_in_buffer
                            ? static_cast<size_t>(count)
                            : job->source.bytes_in_buffer;
    job->source.next_input_byte += step;
    job->source.bytes_in_buffer -= step;
    count -= static_cast<long>(step);
  }
}

// Creates the decompressor and reads the header; false on any error.
bool JpegReadHeader(JpegJob* job, size_t prefetched) {
  if (setjmp(job->jump)) return false;
  job->cinfo.err = jpeg_std_error(&job->errorManager);
  job->errorManager.error_exit = JpegErrorExit;
  job->errorManager.emit_message = JpegEmitMessage;
  job->errorManager.output_message = JpegOutputMessage;
  // Creating the decompressor keeps err and client_data; the error exit needs both.
  job->cinfo.client_data = job;
  jpeg_create_decompress(&job->cinfo);
  job->created = true;
  job->source.init_source = JpegInitSource;
  job->source.fill_input_buffer = JpegFillInput;
  job->source.skip_input_data = JpegSkipInput;
  job->source.resync_to_restart = jpeg_resync_to_restart;
  job->source.term_source = JpegTermSource;
  job->source.next_input_byte = job->buffer;
  job->source.bytes_in_buffer = prefetched;
  job->cinfo.src = &job->source;
  // Enough for the coefficients of the largest picture we accept.
  job->cinfo.mem->max_memory_to_use = 1024L * 1024 * 1024;
  return jpeg_read_header(&job->cinfo, TRUE) == JPEG_HEADER_OK;
}

bool JpegStart(JpegJob* job) {
  if (setjmp(job->jump)) return false;
  return jpeg_start_decompress(&job->cinfo) != 0;
}

bool JpegReadRows(JpegJob* job, JSAMPARRAY rows, JDIMENSION height) {
  if (setjmp(job->jump)) return false;
  while (job->cinfo.output_scanline < height) {
    const JDIMENSION line = job->cinfo.output_scanline;
    if (jpeg_read_scanlines(&job->cinfo, rows + line, height - line) == 0) return false;
  }
  jpeg_finish_decompress(&job->cinfo);
  return true;
}

struct JpegCleanup {
  JpegJob& job;
  ~JpegCleanup() {
    if (job.created) jpeg_destroy_decompress(&job.cinfo);
  }
};

}  // namespace

std::shared_ptr<TPixmap> TPixmapLoaderJPG::LoadPixmap(const std::shared_ptr<TStream>& stream) {
  if (!stream) return nullptr;
  std::vector<JOCTET> buffer(kInputBufferSize);
  // Every JPEG starts with the start-of-image marker; anything else is not ours.
  if (ReadAvailable(stream.get(), buffer.data(), 2) != 2 || buffer[0] != 0xFF || buffer[1] != 0xD8)
    return nullptr;

  JpegJob job;
  job.stream = stream.get();
  job.buffer = buffer.data();
  JpegCleanup cleanup{job};
  if (!JpegReadHeader(&job, 2)) return nullptr;

  int format = 0;
  int components = 0;
  if (job.cinfo.out_color_space == JCS_GRAYSCALE) {
    format = PIXFMT_I8, components = 1;
  } else if (job.cinfo.out_color_space == JCS_RGB) {
    format = PIXFMT_RGB888, components = 3;
  } else {
    return nullptr;  // CMYK and YCCK pictures
  }
  if (!PixmapSizeAllowed(job.cinfo.image_width, job.cinfo.image_height, format)) return nullptr;
  if (!JpegStart(&job)) return nullptr;
  if (job.cinfo.output_components != components || job.cinfo.output_width != job.cinfo.image_width ||
      job.cinfo.output_height != job.cinfo.image_height)
    return nullptr;

  const auto width = static_cast<int>(job.cinfo.output_width);
  const auto height = static_cast<int>(job.cinfo.output_height);
  auto pixmap = TPixmap::Create(width, height, format, 4);
  if (!pixmap) return nullptr;
  std::vector<JSAMPROW> rows(static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) rows[y] = pixmap->PixelPtr(0, y);
  if (!JpegReadRows(&job, rows.data(), job.cinfo.output_height)) return nullptr;
  return pixmap;
}
