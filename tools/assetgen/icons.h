// The desktop icon at the sizes desktops look for, and as SVG.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tools/assetgen/canvas.h"

namespace assetgen {

// The square sizes, in pixels, the icon is drawn at as PNG.
inline constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

// Files named "icon-<N>.png" for each size and "icon.svg", with their bytes.
std::vector<std::pair<std::string, std::vector<uint8_t>>> DrawIcons(Font& numbers);

}  // namespace assetgen
