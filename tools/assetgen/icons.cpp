#include "tools/assetgen/icons.h"

#include <cairo-svg.h>

#include <stdexcept>

#include "tools/assetgen/pictures.h"

namespace assetgen {
namespace {

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
  auto* out = static_cast<std::vector<uint8_t>*>(closure);
  out->insert(out->end(), data, data + length);
  return CAIRO_STATUS_SUCCESS;
}

std::vector<uint8_t> DrawSvg(Font& numbers) {
  std::vector<uint8_t> bytes;
  cairo_surface_t* surface = cairo_svg_surface_create_for_stream(AppendBytes, &bytes, 256, 256);
  cairo_svg_surface_set_document_unit(surface, CAIRO_SVG_UNIT_PX);
  cairo_t* cr = cairo_create(surface);
  DrawAppIcon(cr, numbers);
  const cairo_status_t drawn = cairo_status(cr);
  cairo_destroy(cr);
  // The document is complete only once the surface is finished.
  cairo_surface_finish(surface);
  const cairo_status_t finished = cairo_surface_status(surface);
  cairo_surface_destroy(surface);
  if (drawn != CAIRO_STATUS_SUCCESS || finished != CAIRO_STATUS_SUCCESS) {
    throw std::runtime_error(std::string("the SVG icon could not be drawn: ") +
                             cairo_status_to_string(drawn != CAIRO_STATUS_SUCCESS ? drawn : finished));
  }
  return bytes;
}

}  // namespace

std::vector<std::pair<std::string, std::vector<uint8_t>>> DrawIcons(Font& numbers) {
  std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
  for (int size : kIconSizes) {
    Canvas c(size, size);
    cairo_scale(c.cr(), size / 256.0, size / 256.0);
    DrawAppIcon(c.cr(), numbers);
    files.emplace_back("icon-" + std::to_string(size) + ".png", EncodePng(c, true));
  }
  files.emplace_back("icon.svg", DrawSvg(numbers));
  return files;
}

}  // namespace assetgen
