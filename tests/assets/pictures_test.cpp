// Every picture start-up loads: present, decodable, at the size the game's
// layout needs, and drawn with the colour key and blend modes in mind.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <string>
#include <tuple>

#include "tests/assets/decode.h"

namespace assettest {
namespace {

enum Kind { kOpaque, kAlpha };

struct Expected {
  const char* name;
  int width, height;
  Kind kind;
};

const Expected kLoose[] = {
    {"gfx/bg.jpg", 1024, 768, kOpaque},
    {"gfx/message frame.png", 500, 80, kAlpha},
    {"gfx/square.png", 75, 75, kAlpha},
    {"gfx/square mark.png", 75, 75, kAlpha},
    {"gfx/Menu.png", 434, 336, kAlpha},
    {"gfx/Credits.png", 400, 300, kAlpha},
    {"gfx/instructions.png", 710, 460, kAlpha},
    {"gfx/quit.png", 582, 196, kAlpha},
    {"gfx/loading.png", 152, 40, kAlpha},
    {"gfx/pointer.png", 24, 24, kAlpha},
    {"gfx/ball.png", 14, 14, kAlpha},
    {"gfx/level-1-empty.png", 100, 100, kOpaque},
    {"gfx/littleframe.png", 106, 106, kAlpha},
    {"gfx/questionmark.png", 75, 75, kAlpha},
    {"gfx/4.png", 75, 75, kAlpha},
    {"gfx/model square.png", 75, 75, kAlpha},
    {"gfx/rowbonus.png", 75, 75, kAlpha},
    {"gfx/colbonus.png", 75, 75, kAlpha},
    {"gfx/M.png", 75, 75, kAlpha},
    {"gfx/pair.png", 75, 75, kAlpha},
};

Image Load(const std::string& name) {
  return DecodePicture(name, ReadBytes(ProgramDir() + "/" + name));
}

TEST(Pictures, EveryLoosePictureDecodesAtItsSize) {
  for (const Expected& e : kLoose) {
    SCOPED_TRACE(e.name);
    Image img = Load(e.name);
    ASSERT_GT(img.width, 0) << "missing or not decodable";
    EXPECT_EQ(img.width, e.width);
    EXPECT_EQ(img.height, e.height);
    EXPECT_EQ(img.has_alpha, e.kind == kAlpha);
  }
}

// Pictures without alpha lose pure black to the colour key when loaded:
// none of them may contain it, or holes would show.
TEST(Pictures, OpaquePicturesHoldNoPureBlack) {
  for (const Expected& e : kLoose) {
    if (e.kind != kOpaque) continue;
    SCOPED_TRACE(e.name);
    Image img = Load(e.name);
    ASSERT_GT(img.width, 0);
    size_t black = 0;
    for (size_t i = 0; i < img.rgba.size(); i += 4) {
      black += img.rgba[i] == 0 && img.rgba[i + 1] == 0 && img.rgba[i + 2] == 0;
    }
    EXPECT_EQ(black, 0u);
  }
}

// The menu, credits, instructions and loading pictures are first drawn while
// blending is off and only alpha >= 0.5 shows: their panels must be solid.
TEST(Pictures, TitleScreenPanelsAreSolidInside) {
  for (const char* name : {"gfx/Menu.png", "gfx/Credits.png", "gfx/instructions.png",
                           "gfx/loading.png", "gfx/quit.png"}) {
    SCOPED_TRACE(name);
    Image img = Load(name);
    ASSERT_GT(img.width, 0);
    const int inset = std::min(12, img.height / 4);
    int translucent = 0;
    for (int y = inset; y < img.height - inset; ++y) {
      for (int x = inset; x < img.width - inset; ++x) translucent += img.At(x, y)[3] != 255;
    }
    EXPECT_EQ(translucent, 0);
  }
}

// While the menu is open the title loop leaves out the hiscore rows: the menu
// picture must cover every place a row's name or score is drawn, or the
// empty table on the title picture shows beneath it.
TEST(Pictures, MenuCoversTheHiscoreRows) {
  Image menu = Load("gfx/Menu.png");
  ASSERT_GT(menu.width, 0);
  // Names from x 388, scores from x 588 and about 100 pixels wide; rows
  // from y 180 every 30, each about 24 pixels tall in the hiscore font.
  int uncovered = 0, first_y = -1;
  for (int y = 180; y < 180 + 7 * 30 + 24; ++y) {
    for (int x = 388; x < 688; ++x) {
      const int mx = x - 295, my = y - 101;
      const bool covered = mx >= 0 && my >= 0 && mx < menu.width && my < menu.height && menu.At(mx, my)[3] == 255;
      if (!covered && first_y < 0) first_y = y;
      uncovered += !covered;
    }
  }
  EXPECT_EQ(uncovered, 0) << "from screen row " << first_y;
}

TEST(Pictures, PointerTipIsTheTopLeftPixel) {
  Image img = Load("gfx/pointer.png");
  ASSERT_GT(img.width, 0);
  EXPECT_GT(img.At(0, 0)[3], 128) << "the hot spot must be visible";
  EXPECT_EQ(img.At(23, 0)[3], 0);
  EXPECT_EQ(img.At(0, 23)[3], 0);
}

TEST(Pictures, BallIsRoundWithTransparentCorners) {
  Image img = Load("gfx/ball.png");
  ASSERT_GT(img.width, 0);
  EXPECT_EQ(img.At(7, 7)[3], 255);
  for (auto [x, y] : {std::pair{0, 0}, {13, 0}, {0, 13}, {13, 13}}) EXPECT_EQ(img.At(x, y)[3], 0);
}

// The frame bonus shows the square's picture in a 65 x 65 window inside it:
// its rim is solid, its middle left to the game.
TEST(Pictures, ModelSquareIsAFrame) {
  Image img = Load("gfx/model square.png");
  ASSERT_GT(img.width, 0);
  EXPECT_EQ(img.At(37, 2)[3], 255);
  EXPECT_EQ(img.At(2, 37)[3], 255);
  EXPECT_EQ(img.At(37, 37)[3], 0);
}

// Shrunk by the pulse to a few pixels, the icons are told apart by colour:
// their average colours must differ clearly from each other and from the
// face-down square they sit on.
TEST(Pictures, BonusIconsDifferInColourAtTheSmallestScale) {
  const char* names[] = {"gfx/questionmark.png", "gfx/4.png", "gfx/rowbonus.png",
                         "gfx/colbonus.png",     "gfx/M.png", "gfx/pair.png", "gfx/square.png"};
  std::vector<std::array<double, 3>> mean;
  for (const char* name : names) {
    Image img = Load(name);
    ASSERT_GT(img.width, 0) << name;
    std::array<double, 3> sum{};
    double weight = 0;
    for (size_t i = 0; i < img.rgba.size(); i += 4) {
      double a = img.rgba[i + 3] / 255.0;
      for (int k = 0; k < 3; ++k) sum[k] += img.rgba[i + k] * a;
      weight += a;
    }
    for (double& s : sum) s /= weight;
    mean.push_back(sum);
  }
  for (size_t i = 0; i < mean.size(); ++i) {
    for (size_t j = i + 1; j < mean.size(); ++j) {
      double d = std::hypot(mean[i][0] - mean[j][0], mean[i][1] - mean[j][1], mean[i][2] - mean[j][2]);
      EXPECT_GT(d, 40.0) << names[i] << " and " << names[j] << " look alike";
    }
  }
}

// Numbers are drawn where a one- or two-digit number falls on a square
// (top +11, about 20 pixels tall): Show Numbers puts (140, 140, 210) straight
// on the face-down square, a mark (0, 80, 200) on the marked square.
TEST(Pictures, NumbersReadOnTheSquares) {
  const std::tuple<const char*, int, int, int> cases[] = {
      {"gfx/square.png", 140, 140, 210},
      {"gfx/square mark.png", 0, 80, 200},
  };
  for (auto [name, r, g, b] : cases) {
    SCOPED_TRACE(name);
    Image img = Load(name);
    ASSERT_GT(img.width, 0);
    double worst = 100;
    for (int y = 13; y < 33; ++y) {
      for (int x = 24; x < 51; ++x) {
        const uint8_t* p = img.At(x, y);
        worst = std::min(worst, Contrast(Luminance(p[0], p[1], p[2]), Luminance(r, g, b)));
      }
    }
    EXPECT_GE(worst, 3.0);
  }
}

// Filtered drawing mixes a transparent pixel's colour into the edge beside
// it: next to a visible pixel, a transparent one must carry that colour,
// not black, or scaled icons get a dark fringe.
TEST(Pictures, TransparentEdgesCarryTheirNeighboursColour) {
  for (const Expected& e : kLoose) {
    if (e.kind != kAlpha) continue;
    SCOPED_TRACE(e.name);
    Image img = Load(e.name);
    ASSERT_GT(img.width, 0);
    int checked = 0, fringe = 0;
    for (int y = 1; y < img.height - 1; ++y) {
      for (int x = 1; x < img.width - 1; ++x) {
        const uint8_t* p = img.At(x, y);
        if (p[3] != 0) continue;
        double sum[3] = {0, 0, 0};
        int n = 0;
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) {
            const uint8_t* q = img.At(x + dx, y + dy);
            if (q[3] == 0) continue;
            for (int k = 0; k < 3; ++k) sum[k] += q[k];
            ++n;
          }
        }
        if (n == 0) continue;
        ++checked;
        double d = std::hypot(p[0] - sum[0] / n, p[1] - sum[1] / n, p[2] - sum[2] / n);
        fringe += d > 60;
      }
    }
    EXPECT_EQ(fringe, 0) << "of " << checked << " edge pixels";
  }
}

}  // namespace
}  // namespace assettest
