// Turning a FreeType glyph bitmap into an A8 pixmap (shared by the font and its tests).
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <memory>

#include "engine/graphics/pixmap.h"

// 8-bit grey levels are copied (other level counts scaled to 0-255), 1-bit
// bitmaps expanded most significant bit first to 255 / 0, 2- and 4-bit grey
// unpacked, colour bitmaps reduced to their alpha. Either sign of pitch.
// nullptr for an empty, oversized or unknown bitmap.
std::shared_ptr<TPixmap> GlyphBitmapToPixmap(const FT_Bitmap& bitmap);
