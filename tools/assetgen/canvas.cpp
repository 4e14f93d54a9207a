#include "tools/assetgen/canvas.h"

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace assetgen {

Rgb Hex(uint32_t rgb) {
  return {((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0, (rgb & 255) / 255.0};
}

void SetRgb(cairo_t* cr, Rgb c, double alpha) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

Rgb Mix(Rgb a, Rgb b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// ---------------------------------------------------------------- fonts

Font::Font(FT_Library lib, const std::string& path) {
  if (FT_New_Face(lib, path.c_str(), 0, &render_) != 0 ||
      FT_New_Face(lib, path.c_str(), 0, &measure_) != 0) {
    throw std::runtime_error("cannot open font " + path);
  }
  face_ = cairo_ft_font_face_create_for_ft_face(render_, 0);
  // Cairo may keep the face in its font cache after we let go of it: the
  // FreeType face is closed when Cairo releases the last reference.
  static cairo_user_data_key_t key;
  cairo_font_face_set_user_data(face_, &key, render_,
                                [](void* face) { FT_Done_Face(static_cast<FT_Face>(face)); });
}

Font::~Font() {
  cairo_font_face_destroy(face_);
  FT_Done_Face(measure_);
}

int Font::Ascender(int px) {
  FT_Set_Pixel_Sizes(measure_, 0, px);
  return static_cast<int>(measure_->size->metrics.ascender >> 6);
}

int Font::Height(int px) {
  FT_Set_Pixel_Sizes(measure_, 0, px);
  return static_cast<int>(measure_->size->metrics.height >> 6);
}

int Font::GameWidth(const std::string& latin1, int px) {
  FT_Set_Pixel_Sizes(measure_, 0, px);
  int w = 0;
  for (unsigned char ch : latin1) {
    FT_UInt index = FT_Get_Char_Index(measure_, ch);
    if (index == 0) continue;  // the game skips characters the font lacks
    if (FT_Load_Glyph(measure_, index, FT_LOAD_RENDER) != 0) continue;
    w += static_cast<int>(measure_->glyph->advance.x >> 6);
  }
  return w;
}

// ---------------------------------------------------------------- canvas

Canvas::Canvas(int w, int h) : w_(w), h_(h) {
  surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cr_ = cairo_create(surface_);
  cairo_font_options_t* opt = cairo_font_options_create();
  cairo_font_options_set_antialias(opt, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(opt, CAIRO_HINT_STYLE_SLIGHT);
  cairo_set_font_options(cr_, opt);
  cairo_font_options_destroy(opt);
}

Canvas::~Canvas() {
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
}

std::vector<uint8_t> Canvas::Rgba() const {
  cairo_surface_flush(surface_);
  const unsigned char* data = cairo_image_surface_get_data(surface_);
  int stride = cairo_image_surface_get_stride(surface_);
  std::vector<uint8_t> out(static_cast<size_t>(w_) * h_ * 4);
  for (int y = 0; y < h_; ++y) {
    const uint32_t* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
    for (int x = 0; x < w_; ++x) {
      uint32_t p = row[x];
      unsigned a = p >> 24, r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
      uint8_t* o = &out[(static_cast<size_t>(y) * w_ + x) * 4];
      if (a == 0) {
        o[0] = o[1] = o[2] = o[3] = 0;
      } else {
        // Undo Cairo's premultiplication, rounding to nearest.
        o[0] = static_cast<uint8_t>(std::min(255u, (r * 255 + a / 2) / a));
        o[1] = static_cast<uint8_t>(std::min(255u, (g * 255 + a / 2) / a));
        o[2] = static_cast<uint8_t>(std::min(255u, (b * 255 + a / 2) / a));
        o[3] = static_cast<uint8_t>(a);
      }
    }
  }
  return out;
}

// ---------------------------------------------------------------- encoders

namespace {

void PngWrite(png_structp png, png_bytep data, png_size_t len) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + len);
}
void PngFlush(png_structp) {}
// Only a bug in the tool can make the writer fail: stop the build loudly.
[[noreturn]] void PngError(png_structp, png_const_charp msg) {
  std::fprintf(stderr, "assetgen: PNG writer: %s\n", msg);
  std::exit(1);
}

// Gives fully transparent pixels the colour of their visible neighbours. The
// game draws these pictures filtered and scaled without premultiplied alpha,
// so a transparent pixel's colour bleeds into the edge next to it: black
// there would put a dark fringe around every shrinking bonus icon.
void BleedIntoTransparent(std::vector<uint8_t>& rgba, int w, int h, int passes) {
  std::vector<uint8_t> known(static_cast<size_t>(w) * h);
  for (size_t i = 0; i < known.size(); ++i) known[i] = rgba[i * 4 + 3] != 0;
  for (int pass = 0; pass < passes; ++pass) {
    std::vector<uint8_t> next = known;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        size_t i = static_cast<size_t>(y) * w + x;
        if (known[i]) continue;
        int sum[3] = {0, 0, 0}, n = 0;
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) {
            int nx = x + dx, ny = y + dy;
            if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
            size_t j = static_cast<size_t>(ny) * w + nx;
            if (!known[j]) continue;
            for (int k = 0; k < 3; ++k) sum[k] += rgba[j * 4 + k];
            ++n;
          }
        }
        if (n == 0) continue;
        for (int k = 0; k < 3; ++k) rgba[i * 4 + k] = static_cast<uint8_t>(sum[k] / n);
        next[i] = 1;
      }
    }
    known.swap(next);
  }
}

}  // namespace

std::vector<uint8_t> EncodePng(const Canvas& c, bool alpha, int level) {
  std::vector<uint8_t> rgba = c.Rgba();
  const int w = c.width(), h = c.height();
  if (alpha) BleedIntoTransparent(rgba, w, h, 3);
  const int channels = alpha ? 4 : 3;
  std::vector<uint8_t> rows(static_cast<size_t>(w) * h * channels);
  for (size_t i = 0, n = static_cast<size_t>(w) * h; i < n; ++i) {
    for (int k = 0; k < channels; ++k) rows[i * channels + k] = rgba[i * 4 + k];
  }
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, PngWrite, PngFlush);
  png_set_compression_level(png, level);
  png_set_IHDR(png, info, w, h, 8, alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < h; ++y) png_write_row(png, &rows[static_cast<size_t>(y) * w * channels]);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::vector<uint8_t> EncodeJpeg(const Canvas& c, int quality) {
  std::vector<uint8_t> rgba = c.Rgba();
  const int w = c.width(), h = c.height();
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  for (size_t i = 0, n = static_cast<size_t>(w) * h; i < n; ++i) {
    for (int k = 0; k < 3; ++k) rgb[i * 3 + k] = rgba[i * 4 + k];
  }
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &mem, &size);
  cinfo.image_width = w;
  cinfo.image_height = h;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  // Full-resolution colour keeps coloured edges and small text crisp.
  for (int i = 0; i < 3; ++i) {
    cinfo.comp_info[i].h_samp_factor = 1;
    cinfo.comp_info[i].v_samp_factor = 1;
  }
  cinfo.optimize_coding = TRUE;
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = &rgb[static_cast<size_t>(cinfo.next_scanline) * w * 3];
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<uint8_t> out(mem, mem + size);
  jpeg_destroy_compress(&cinfo);
  free(mem);
  return out;
}

// ---------------------------------------------------------------- text and shapes

void TextTop(cairo_t* cr, Font& f, int px, double x, double top, const std::string& utf8) {
  cairo_set_font_face(cr, f.face());
  cairo_set_font_size(cr, px);
  cairo_move_to(cr, x, top + f.Ascender(px));
  cairo_show_text(cr, utf8.c_str());
}

double TextWidth(cairo_t* cr, Font& f, double px, const std::string& utf8) {
  cairo_set_font_face(cr, f.face());
  cairo_set_font_size(cr, px);
  cairo_text_extents_t e;
  cairo_text_extents(cr, utf8.c_str(), &e);
  return e.x_advance;
}

void TextCentred(cairo_t* cr, Font& f, int px, double cx, double top, const std::string& utf8) {
  double w = TextWidth(cr, f, px, utf8);
  TextTop(cr, f, px, std::round(cx - w / 2), top, utf8);
}

void TextPathAt(cairo_t* cr, Font& f, double px, double x, double baseline,
                const std::string& utf8) {
  cairo_set_font_face(cr, f.face());
  cairo_set_font_size(cr, px);
  cairo_move_to(cr, x, baseline);
  cairo_text_path(cr, utf8.c_str());
}

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  r = std::min({r, w / 2, h / 2});
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

void SoftShadow(cairo_t* cr, double x, double y, double w, double h, double r, double spread,
                double alpha) {
  const int layers = 8;
  for (int i = layers; i >= 1; --i) {
    double s = spread * i / layers;
    RoundedRect(cr, x - s, y - s, w + 2 * s, h + 2 * s, r + s);
    cairo_set_source_rgba(cr, 0.02, 0.01, 0.06, alpha / layers);
    cairo_fill(cr);
  }
}

void Panel(cairo_t* cr, double x, double y, double w, double h, double r, Rgb top, Rgb bottom,
           Rgb rim, double inset) {
  cairo_pattern_t* g = cairo_pattern_create_linear(0, y, 0, y + h);
  cairo_pattern_add_color_stop_rgb(g, 0, top.r, top.g, top.b);
  cairo_pattern_add_color_stop_rgb(g, 1, bottom.r, bottom.g, bottom.b);
  RoundedRect(cr, x, y, w, h, r);
  cairo_set_source(cr, g);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(g);
  cairo_set_line_width(cr, 3);
  SetRgb(cr, rim);
  cairo_stroke(cr);
  RoundedRect(cr, x + inset, y + inset, w - 2 * inset, h - 2 * inset, std::max(1.0, r - inset + 0.5));
  cairo_set_line_width(cr, 1);
  SetRgb(cr, Mix(rim, Hex(0xffffff), 0.35), 0.35);
  cairo_stroke(cr);
}

void LiftBlack(Canvas& c, int floor) {
  cairo_surface_flush(c.surface());
  unsigned char* data = cairo_image_surface_get_data(c.surface());
  int stride = cairo_image_surface_get_stride(c.surface());
  for (int y = 0; y < c.height(); ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
    for (int x = 0; x < c.width(); ++x) {
      uint32_t p = row[x];
      uint32_t a = p >> 24;
      if (a != 255) continue;
      uint32_t r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
      if (r + g + b < static_cast<uint32_t>(floor)) {
        // Raise the blue channel: dark areas stay dark, only bluish.
        b = std::max<uint32_t>(b, static_cast<uint32_t>(floor) - r - g);
        row[x] = (a << 24) | (r << 16) | (g << 8) | b;
      }
    }
  }
  cairo_surface_mark_dirty(c.surface());
}

uint64_t Rng::Next() {
  // splitmix64
  uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

double Rng::Uniform() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }

}  // namespace assetgen
