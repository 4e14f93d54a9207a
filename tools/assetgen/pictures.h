// Every picture the game shows, drawn with Cairo.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tools/assetgen/canvas.h"

namespace assetgen {

enum class Format { kPng, kPngAlpha, kJpeg };

struct Picture {
  std::string name;  // path under the program folder, or the archive record name
  Format format;
  bool archived;     // packed into data/qyv2demo.dat instead of written loose
  std::unique_ptr<Canvas> canvas;
};

std::vector<Picture> DrawPictures(Fonts& fonts);
// The desktop icon on a 256 x 256 grid, its numbers in the given font.
void DrawAppIcon(cairo_t* cr, Font& numbers);
const Picture& Find(const std::vector<Picture>& pictures, const std::string& name);

// Every picture at its real size, labelled, on a checkerboard that shows
// transparency.
std::unique_ptr<Canvas> ContactSheet(const std::vector<Picture>& pictures, Fonts& fonts);

// The title and game screens composed from the pictures at the positions the
// game draws them, with its texts in its fonts: for looking at the result.
void WritePreviews(const std::vector<Picture>& pictures, Fonts& fonts,
                   const std::vector<std::string>& instructions, const std::string& dir);

}  // namespace assetgen
