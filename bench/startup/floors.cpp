// The floors of start-up, each run alone in a fresh process: the process
// start itself, a bare GL context with one frame presented, the sound device,
// the bare decoders on the same files, and the same pixels uploaded as
// textures by plain GL.
#include <AL/al.h>
#include <AL/alc.h>
#include <GL/gl.h>
#include <SDL.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <jpeglib.h>
#include <png.h>
#include <sys/mman.h>
#include <unistd.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/startup/startup_bench.h"

namespace startup_bench {

const char* const FloorNames[] = {"exec", "gl", "openal", "jpeg", "png", "vorbis", "freetype", "upload", nullptr};

namespace {

const std::string kProgram = QUILLORY_PROGRAM_DIR "/";

// Decoded pixels: 1 to 4 bytes per pixel as the decoder gives them; a glyph
// holds coverage only.
struct TPixels {
  int width = 0, height = 0, channels = 0;
  bool glyph = false, smooth = false;
  std::vector<uint8_t> bytes;
};

// The fonts start-up loads, at its sizes; the game makes the first of them
// twice (two fonts of one file and size), the floor once.
struct TFace {
  const char* file;
  int size;
  bool smooth;
};
const TFace kFaces[] = {
    {"Mishmash BRK.ttf", 20, true},   {"Mishmash BRK.ttf", 28, true},      {"Mishmash BRK.ttf", 18, true},
    {"MODENINE.TTF", 16, true},       {"Anleterre Book.ttf", 56, true},    {"Cabin-Regular-TTF.ttf", 22, false},
    {"Glametrix.otf", 30, true},
};

std::vector<std::string> FilesIn(const std::string& folder, const char* extension) {
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec))
    if (e.path().extension() == extension) files.push_back(e.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

// The files start-up decodes: loose ones in the program folder, the
// archive's four in the unpacked folder.
std::vector<std::string> JpegFiles(const std::string& pictures) {
  auto files = FilesIn(kProgram + "gfx", ".jpg");
  for (auto& f : FilesIn(pictures, ".jpg")) files.push_back(f);
  return files;
}
std::vector<std::string> PngFiles(const std::string& pictures) {
  auto files = FilesIn(kProgram + "gfx", ".png");
  for (auto& f : FilesIn(pictures, ".png")) files.push_back(f);
  return files;
}
std::vector<std::string> OggFiles() {
  auto files = FilesIn(kProgram + "fx", ".ogg");
  for (auto& f : FilesIn(kProgram + "music", ".ogg")) files.push_back(f);
  return files;
}

// libjpeg's own error exit ends the process: the files are the build's own.
bool DecodeJpeg(const std::string& path, TPixels& out) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, file);
  jpeg_read_header(&cinfo, TRUE);
  jpeg_start_decompress(&cinfo);
  out.width = static_cast<int>(cinfo.output_width);
  out.height = static_cast<int>(cinfo.output_height);
  out.channels = cinfo.output_components;
  const size_t pitch = static_cast<size_t>(out.width) * out.channels;
  out.bytes.resize(pitch * out.height);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out.bytes.data() + pitch * cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::fclose(file);
  return true;
}

// Everything libpng may jump out of holds plain data; the rows belong to the caller.
bool ReadPng(png_structp png, png_infop info, FILE* file, TPixels& out, std::vector<png_bytep>& rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_read_info(png, info);
  png_set_strip_16(png);
  png_set_expand(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  out.width = static_cast<int>(png_get_image_width(png, info));
  out.height = static_cast<int>(png_get_image_height(png, info));
  out.channels = png_get_channels(png, info);
  const size_t pitch = png_get_rowbytes(png, info);
  out.bytes.resize(pitch * out.height);
  rows.resize(static_cast<size_t>(out.height));
  for (int y = 0; y < out.height; ++y) rows[y] = out.bytes.data() + pitch * y;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  return true;
}

bool DecodePng(const std::string& path, TPixels& out) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<png_bytep> rows;
  const bool ok = info && ReadPng(png, info, file, out, rows);
  png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  std::fclose(file);
  return ok;
}

// 16-bit PCM, as start-up keeps its sounds; the number of bytes decoded.
size_t DecodeOgg(const std::string& path) {
  OggVorbis_File vf;
  if (ov_fopen(path.c_str(), &vf) != 0) return 0;
  const vorbis_info* info = ov_info(&vf, -1);
  const size_t want = static_cast<size_t>(ov_pcm_total(&vf, -1)) * 2 * static_cast<size_t>(info->channels);
  // In huge pages where the system gives them, as the engine's sample
  // buffers are: faulting in 4 KiB pages one by one costs tens of ms here.
  constexpr size_t kHugePage = size_t{2} << 20;
  const size_t rounded = (want + kHugePage - 1) / kHugePage * kHugePage;
  std::unique_ptr<char, decltype(&std::free)> pcm(static_cast<char*>(std::aligned_alloc(kHugePage, rounded)), std::free);
  if (!pcm) return 0;
  madvise(pcm.get(), rounded, MADV_HUGEPAGE);
  size_t filled = 0;
  int link = 0;
  while (filled < want) {
    const long got = ov_read(&vf, pcm.get() + filled, static_cast<int>(std::min<size_t>(want - filled, 1 << 16)),
                             0, 2, 1, &link);
    if (got <= 0) break;
    filled += static_cast<size_t>(got);
  }
  ov_clear(&vf);
  return filled;
}

// The printable ASCII glyphs of every face, rendered; faces stay open as the
// game's do.
bool RenderGlyphs(std::vector<TPixels>& glyphs) {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return false;
  for (const TFace& f : kFaces) {
    FT_Face face = nullptr;
    if (FT_New_Face(library, (kProgram + f.file).c_str(), 0, &face) != 0) return false;
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(f.size));
    for (FT_ULong c = 32; c < 127; ++c) {
      const FT_UInt index = FT_Get_Char_Index(face, c);
      if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_RENDER) != 0) continue;
      const FT_Bitmap& b = face->glyph->bitmap;
      if (b.width == 0 || b.rows == 0) continue;
      TPixels g;
      g.width = static_cast<int>(b.width);
      g.height = static_cast<int>(b.rows);
      g.channels = 1;
      g.glyph = true;
      g.smooth = f.smooth;
      g.bytes.resize(static_cast<size_t>(g.width) * g.height);
      for (int y = 0; y < g.height; ++y) std::memcpy(&g.bytes[static_cast<size_t>(y) * g.width], b.buffer + y * b.pitch, b.width);
      glyphs.push_back(std::move(g));
    }
  }
  return true;  // the library and faces live until the process ends
}

// A GL context as the engine asks for one (compatibility 2.1, double
// buffered, nothing else), its window shown with one cleared frame.
bool OpenContext() {
  SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
  SDL_Window* window = SDL_CreateWindow("bench_startup", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 1024, 768,
                                        SDL_WINDOW_OPENGL);
  if (!window || !SDL_GL_CreateContext(window)) return false;
  SDL_GL_SetSwapInterval(0);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  SDL_GL_SwapWindow(window);
  glFinish();
  return true;
}

// Opened, timed by the caller, and closed again.
bool OpenSoundDevice(const double start) {
  ALCdevice* device = alcOpenDevice(nullptr);
  ALCcontext* context = device ? alcCreateContext(device, nullptr) : nullptr;
  const bool ok = context && alcMakeContextCurrent(context);
  Report("ms", NowMs() - start);
  alcMakeContextCurrent(nullptr);
  if (context) alcDestroyContext(context);
  if (device) alcCloseDevice(device);
  return ok;
}

int Pow2(int n) {
  int p = 1;
  while (p < n) p <<= 1;
  return p;
}

// The texels of one texture: power-of-two RGBA, the last column and row
// repeated into the padding; pictures without alpha get black transparent,
// glyphs are white with their coverage as alpha and, smooth, a clear border.
std::vector<uint8_t> Texels(const TPixels& p, int& tw, int& th) {
  const int border = p.smooth ? 1 : 0;
  const int w = p.width + 2 * border, h = p.height + 2 * border;
  tw = Pow2(w);
  th = Pow2(h);
  std::vector<uint8_t> t(static_cast<size_t>(tw) * th * 4);
  for (int y = 0; y < p.height; ++y) {
    const uint8_t* s = &p.bytes[static_cast<size_t>(y) * p.width * p.channels];
    uint8_t* d = &t[(static_cast<size_t>(y + border) * tw + border) * 4];
    for (int x = 0; x < p.width; ++x, s += p.channels, d += 4) {
      switch (p.channels) {
        case 1:
          if (p.glyph) {
            d[0] = d[1] = d[2] = 255;
            d[3] = s[0];
          } else {
            d[0] = d[1] = d[2] = s[0];
            d[3] = s[0] ? 255 : 0;
          }
          break;
        case 2: d[0] = d[1] = d[2] = s[0], d[3] = s[1]; break;
        case 3: d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = (s[0] | s[1] | s[2]) ? 255 : 0; break;
        default: std::memcpy(d, s, 4); break;
      }
    }
  }
  uint32_t* px = reinterpret_cast<uint32_t*>(t.data());
  if (w < tw)
    for (int y = 0; y < h; ++y) px[static_cast<size_t>(y) * tw + w] = px[static_cast<size_t>(y) * tw + w - 1];
  if (h < th) std::memcpy(&px[static_cast<size_t>(h) * tw], &px[static_cast<size_t>(h - 1) * tw], static_cast<size_t>(std::min(w + 1, tw)) * 4);
  return t;
}

void Upload(const TPixels& p, double& bytes) {
  int tw = 0, th = 0;
  const std::vector<uint8_t> texels = Texels(p, tw, th);
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  const bool filtered = !p.glyph || p.smooth, mipmapped = p.glyph && p.smooth;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filtered ? GL_LINEAR : GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                  mipmapped ? GL_LINEAR_MIPMAP_LINEAR : filtered ? GL_LINEAR : GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, tw, th, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  bytes += static_cast<double>(texels.size());
  if (!mipmapped) return;
  // The smooth fonts' glyphs carry a mipmap chain, each level the 2 x 2 mean
  // of the one before (GL's own generation is far slower on the software
  // renderer).
  std::vector<uint8_t> level = texels, next;
  for (int n = 1, w = tw, h = th; w > 1 || h > 1; ++n) {
    const int nw = std::max(1, w / 2), nh = std::max(1, h / 2);
    const int dx = w > 1 ? 4 : 0, dy = h > 1 ? w * 4 : 0;
    next.resize(static_cast<size_t>(nw) * nh * 4);
    for (int y = 0; y < nh; ++y) {
      const uint8_t* s = &level[static_cast<size_t>(y) * (h > 1 ? 2 : 1) * w * 4];
      uint8_t* d = &next[static_cast<size_t>(y) * nw * 4];
      for (int x = 0; x < nw; ++x, s += 2 * dx, d += 4)
        for (int c = 0; c < 4; ++c) d[c] = static_cast<uint8_t>((s[c] + s[c + dx] + s[c + dy] + s[c + dx + dy] + 2) / 4);
    }
    glTexImage2D(GL_TEXTURE_2D, n, GL_RGBA8, nw, nh, 0, GL_RGBA, GL_UNSIGNED_BYTE, next.data());
    bytes += static_cast<double>(next.size());
    level.swap(next);
    w = nw;
    h = nh;
  }
}

bool DecodeAll(const std::vector<std::string>& files, bool (*decode)(const std::string&, TPixels&),
               std::vector<TPixels>& out) {
  for (const std::string& f : files) {
    out.emplace_back();
    if (!decode(f, out.back())) {
      std::fprintf(stderr, "bench_startup: cannot decode %s\n", f.c_str());
      return false;
    }
  }
  return true;
}

}  // namespace

int RunFloor(const char* which, const std::string& pictures) {
  const double main = NowMs();
  alarm(120);
  const std::string w = which;
  if (w == "exec") {
    Report("main", main);
    return 0;
  }
  if (w == "gl") {
    const bool ok = OpenContext();
    Report("ms", NowMs() - main);
    return ok ? 0 : 1;
  }
  if (w == "openal") return OpenSoundDevice(main) ? 0 : 1;
  if (w == "jpeg" || w == "png") {
    const auto files = w == "jpeg" ? JpegFiles(pictures) : PngFiles(pictures);
    const double start = NowMs();
    std::vector<TPixels> decoded;
    const bool ok = DecodeAll(files, w == "jpeg" ? DecodeJpeg : DecodePng, decoded);
    Report("ms", NowMs() - start);
    Report("files", static_cast<double>(files.size()));
    return ok ? 0 : 1;
  }
  if (w == "vorbis") {
    const auto files = OggFiles();
    const double start = NowMs();
    double bytes = 0;
    for (const auto& f : files) bytes += static_cast<double>(DecodeOgg(f));
    Report("ms", NowMs() - start);
    Report("files", static_cast<double>(files.size()));
    Report("bytes", bytes);
    return bytes > 0 ? 0 : 1;
  }
  if (w == "freetype") {
    const double start = NowMs();
    std::vector<TPixels> glyphs;
    const bool ok = RenderGlyphs(glyphs);
    Report("ms", NowMs() - start);
    Report("files", static_cast<double>(std::size(kFaces)));
    Report("glyphs", static_cast<double>(glyphs.size()));
    return ok ? 0 : 1;
  }
  if (w == "upload") {
    std::vector<TPixels> all;
    if (!OpenContext() || !DecodeAll(JpegFiles(pictures), DecodeJpeg, all) ||
        !DecodeAll(PngFiles(pictures), DecodePng, all) || !RenderGlyphs(all)) {
      std::fprintf(stderr, "bench_startup: no GL context or pixels for the upload floor\n");
      return 1;
    }
    const double start = NowMs();
    double bytes = 0;
    double pictures = 0;
    for (const TPixels& p : all) {
      Upload(p, bytes);
      if (!p.glyph) pictures = NowMs() - start;
    }
    glFinish();
    Report("ms", NowMs() - start);
    Report("pictures_ms", pictures);
    Report("files", static_cast<double>(all.size()));
    Report("bytes", bytes);
    return 0;
  }
  std::fprintf(stderr, "bench_startup: no floor named %s\n", which);
  return 1;
}

}  // namespace startup_bench
