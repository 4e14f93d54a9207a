#include "tests/assets/decode.h"

#include <jpeglib.h>
#include <png.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace assettest {

std::string ProgramDir() { return QUILLORY_PROGRAM_DIR; }

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Image DecodePng(const std::vector<uint8_t>& bytes) {
  Image img;
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (bytes.empty() || !png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) {
    return img;
  }
  const bool alpha = (png.format & PNG_FORMAT_FLAG_ALPHA) != 0;
  png.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr)) {
    png_image_free(&png);
    return img;
  }
  img.width = static_cast<int>(png.width);
  img.height = static_cast<int>(png.height);
  img.has_alpha = alpha;
  img.rgba = std::move(pixels);
  return img;
}

namespace {
struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};
void JpegExit(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }
void JpegSilent(j_common_ptr) {}
}  // namespace

Image DecodeJpeg(const std::vector<uint8_t>& bytes) {
  Image img;
  if (bytes.empty()) return img;
  jpeg_decompress_struct info;
  JpegError err;
  info.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegExit;
  err.mgr.output_message = JpegSilent;
  jpeg_create_decompress(&info);
  std::vector<uint8_t> rows;
  if (setjmp(err.jump) != 0) {
    jpeg_destroy_decompress(&info);
    return Image{};
  }
  jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  jpeg_start_decompress(&info);  // default settings, as the game decodes
  const int w = static_cast<int>(info.output_width), h = static_cast<int>(info.output_height);
  const int n = info.output_components;
  rows.resize(static_cast<size_t>(w) * h * n);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = &rows[static_cast<size_t>(info.output_scanline) * w * n];
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  img.width = w;
  img.height = h;
  img.rgba.resize(static_cast<size_t>(w) * h * 4);
  for (size_t i = 0, count = static_cast<size_t>(w) * h; i < count; ++i) {
    for (int k = 0; k < 3; ++k) img.rgba[i * 4 + k] = rows[i * n + (n == 3 ? k : 0)];
    img.rgba[i * 4 + 3] = 255;
  }
  return img;
}

Image DecodePicture(const std::string& name, const std::vector<uint8_t>& bytes) {
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".jpg") == 0) return DecodeJpeg(bytes);
  return DecodePng(bytes);
}

double Luminance(double r, double g, double b) {
  auto lin = [](double c) {
    c /= 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * lin(r) + 0.7152 * lin(g) + 0.0722 * lin(b);
}

double Contrast(double l1, double l2) {
  return (std::max(l1, l2) + 0.05) / (std::min(l1, l2) + 0.05);
}

namespace {
struct Memory {
  const std::vector<uint8_t>* bytes;
  size_t pos;
};
size_t MemRead(void* dst, size_t size, size_t count, void* src) {
  auto* m = static_cast<Memory*>(src);
  size_t want = size * count, left = m->bytes->size() - m->pos;
  size_t n = std::min(want, left) / (size ? size : 1) * size;
  std::memcpy(dst, m->bytes->data() + m->pos, n);
  m->pos += n;
  return size ? n / size : 0;
}
int MemSeek(void* src, ogg_int64_t off, int whence) {
  auto* m = static_cast<Memory*>(src);
  ogg_int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? static_cast<ogg_int64_t>(m->pos)
                                                                 : static_cast<ogg_int64_t>(m->bytes->size());
  ogg_int64_t to = base + off;
  if (to < 0 || to > static_cast<ogg_int64_t>(m->bytes->size())) return -1;
  m->pos = static_cast<size_t>(to);
  return 0;
}
long MemTell(void* src) { return static_cast<long>(static_cast<Memory*>(src)->pos); }
}  // namespace

Audio DecodeVorbis(const std::vector<uint8_t>& bytes) {
  Audio a;
  Memory mem{&bytes, 0};
  OggVorbis_File vf;
  ov_callbacks cb{MemRead, MemSeek, nullptr, MemTell};
  if (ov_open_callbacks(&mem, &vf, nullptr, 0, cb) != 0) return a;
  vorbis_info* vi = ov_info(&vf, -1);
  const int channels = vi->channels, rate = static_cast<int>(vi->rate);
  const ogg_int64_t total = ov_pcm_total(&vf, -1);
  std::vector<int16_t> pcm(static_cast<size_t>(total) * channels);
  size_t got = 0;
  int section = 0;
  while (got < pcm.size()) {
    long n = ov_read(&vf, reinterpret_cast<char*>(pcm.data() + got),
                     static_cast<int>((pcm.size() - got) * 2), 0, 2, 1, &section);
    if (n <= 0) break;
    got += static_cast<size_t>(n) / 2;
  }
  ov_clear(&vf);
  if (got != pcm.size()) return a;
  a.channels = channels;
  a.rate = rate;
  a.samples = std::move(pcm);
  return a;
}

namespace {
bool Space(uint8_t c) { return c == ' ' || (c >= 9 && c <= 13); }
}  // namespace

Archive ReadArchive(const std::vector<uint8_t>& b, int count) {
  Archive out;
  size_t i = 0;
  for (int r = 0; r < count; ++r) {
    while (i < b.size() && Space(b[i])) ++i;
    size_t start = i;
    while (i < b.size() && !Space(b[i])) ++i;
    if (i == start || i - start > 50) return out;
    ArchiveRecord rec;
    rec.name.assign(b.begin() + static_cast<long>(start), b.begin() + static_cast<long>(i));
    if (i >= b.size() || !Space(b[i])) return out;
    while (i < b.size() && Space(b[i])) ++i;
    size_t digits = i;
    uint64_t size = 0;
    while (i < b.size() && b[i] >= '0' && b[i] <= '9' && i - digits < 12) size = size * 10 + (b[i++] - '0');
    if (i == digits || size > b.size() - i) return out;
    rec.data.assign(b.begin() + static_cast<long>(i), b.begin() + static_cast<long>(i + size));
    i += size;
    out.records.push_back(std::move(rec));
  }
  out.rest.assign(b.begin() + static_cast<long>(i), b.end());
  out.ok = true;
  return out;
}

}  // namespace assettest
