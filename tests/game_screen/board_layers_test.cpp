// The board layers on a real frame: where the squares lie, what found and
// selected squares show, the pulsing bonus icon and the level thumbnail.
#include "tests/game_screen/game_screen_fixture.h"

namespace {

using BoardLayers = GameInPlay;

TEST_F(BoardLayers, SquaresLieOnTheGridAndAFoundCellShowsItsPartOfThePicture) {
  const MySquare a = FindNumber(BoardAt(2, 3) ? BoardAt(2, 3) : 1, std::nullopt);
  const MySquare b = FindNumber(BoardAt(a.x, a.y), a);
  ClearPair(a.x, a.y, b.x, b.y);
  ASSERT_TRUE(Frame());
  auto screen = Screen();
  for (int row = 0; row < BOARD_SIZE; ++row) {
    for (int col = 0; col < BOARD_SIZE; ++col) {
      SCOPED_TRACE(::testing::Message() << "square (" << col << ", " << row << ")");
      const bool found = (col == a.x && row == a.y) || (col == b.x && row == b.y);
      if (found) {
        EXPECT_GT(ShownShare(screen, Picture(), CellX(col), CellY(row), 75 * col, 75 * row, 75, 75), 0.99);
      } else {
        EXPECT_GT(ShownShare(screen, game.squareImage, 45 + 75 * col, 36 + 75 * row), 0.99);
      }
    }
  }
  // One pixel off the grid the squares no longer match.
  EXPECT_LT(ShownShare(screen, game.squareImage, 46, 36), 0.9);
  EXPECT_LT(ShownShare(screen, game.squareImage, 45, 37), 0.9);
}

TEST_F(BoardLayers, AnEmptyBoardShowsTheWholePicture) {
  ClearNumbers(1, 32);
  ASSERT_TRUE(Frame());
  EXPECT_GT(ShownShare(Screen(), Picture(), 45, 36, 0, 0, 600, 600), 0.99);
}

TEST_F(BoardLayers, ASelectedSquareFadesInOneStepPerFrameWithItsNumber) {
  const MySquare s = FindNumber(7);
  ClickSquare(s.x, s.y);
  ASSERT_TRUE(Frame());  // the click selects at the end of this frame
  ASSERT_EQ(game.firstSelected, 1);
  // A pixel of the window below the number.
  const int px = 10, py = 60;
  const Rgba sq = ImagePixel(game.squareImage, px, py);
  const Rgba pic = ImagePixel(Picture(), 75 * s.x + px, 75 * s.y + py);
  for (int frame = 0; frame <= 50; ++frame) {
    ASSERT_TRUE(Frame());
    if (frame % 10 != 0) continue;
    const float a = 0.02f * static_cast<float>(frame);
    auto mix = [a](int under, int over) { return static_cast<int>(under + (over - under) * a + 0.5f); };
    EXPECT_TRUE(Near(ScreenAt(CellX(s.x) + px, CellY(s.y) + py),
                     Rgb(mix(sq.r, pic.r), mix(sq.g, pic.g), mix(sq.b, pic.b)), 3))
        << "frame " << frame << ": " << ScreenAt(CellX(s.x) + px, CellY(s.y) + py);
  }
  // Opaque now: the window shows the picture and the number sits centred
  // near its top in the level's colour.
  auto screen = Screen();
  // (Left of where the pointer and its trail were when the square was clicked.)
  EXPECT_GT(ShownShare(screen, Picture(), CellX(s.x) + 5, CellY(s.y) + 40, 75 * s.x + 5, 75 * s.y + 40, 30, 30), 0.98);
  const Box ink = Ink(screen, Box{CellX(s.x), CellY(s.y), CellX(s.x) + 74, CellY(s.y) + 40}, Rgb(0, 80, 200));
  ASSERT_FALSE(ink.Empty());
  EXPECT_NEAR((ink.left + ink.right) / 2.0, CellX(s.x) + 37, 3);
  EXPECT_GE(ink.top, CellY(s.y) + 11);
}

TEST_F(BoardLayers, ANoPairStaysSevenSecondsAndGoesOnTheFirstFrameAfter) {
  const auto [a, b] = ClickANoPair();
  const int shown = game.noPairTime;
  game.firstAlpha = game.secondAlpha = 1.0f;  // as once a pair has been found
  ASSERT_TRUE(FrameAt(shown + 7000));
  EXPECT_EQ(game.secondSelected, 1);
  // Its left part: the pointer that clicked it lies at its middle.
  EXPECT_LT(ShownShare(Screen(), game.squareImage, CellX(b.x), CellY(b.y), 0, 0, 30, 75), 0.5);
  ASSERT_TRUE(FrameAt(shown + 7001));
  EXPECT_EQ(game.firstSelected, 0);
  EXPECT_EQ(game.secondSelected, 0);
  // Turned face down in that very frame.
  EXPECT_GT(ShownShare(Screen(), game.squareImage, CellX(b.x), CellY(b.y), 0, 0, 30, 75), 0.99);
}

// The cell's pixels that differ from a plain square, as a box relative to the cell.
Box Covered(const std::shared_ptr<TPixmap>& screen, const std::shared_ptr<TImage>& square, int col, int row) {
  auto sq = square->pixmaps.at(0)->Convert(PIXFMT_RGBA8888);
  Box b{75, 75, -1, -1};
  for (int y = 0; y < 75; ++y) {
    for (int x = 0; x < 75; ++x) {
      const Rgba want = PixelOf(sq, x, y);
      if (want.a != 255) continue;
      if (Near(GameScreenTest::At(screen, CellX(col) + x, CellY(row) + y), Rgb(want.r, want.g, want.b), 6)) continue;
      b.left = std::min(b.left, x), b.right = std::max(b.right, x);
      b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
    }
  }
  return b;
}

TEST_F(BoardLayers, TheBonusIconPulsesBetweenFullAndSmallSizeCentredInItsCell) {
  game.bonusKind = BONUS_QUESTION;
  game.qBonusX = 3, game.qBonusY = 4;
  game.bonusLifetime = 30;
  game.bonusSpawnTime = game.bonusHopTime = ClockMillis();
  std::vector<float> scales;
  Box smallest, largest;
  for (int frame = 1; frame <= 84; ++frame) {
    ASSERT_TRUE(Frame());
    scales.push_back(game.bonusPulse);
    if (frame == 41) smallest = Covered(Screen(), game.squareImage, 3, 4);
    if (frame == 82) largest = Covered(Screen(), game.squareImage, 3, 4);
  }
  // Single-precision steps of 0.02 drift by a few millionths.
  EXPECT_NEAR(scales[0], 0.98f, 1e-5);
  EXPECT_NEAR(scales[40], 0.18f, 1e-5);  // the turn at the bottom
  EXPECT_NEAR(scales[41], 0.20f, 1e-5);
  EXPECT_NEAR(scales[81], 1.00f, 1e-5);  // back at the top after 82 frames
  EXPECT_NEAR(scales[82], 0.98f, 1e-5);
  // At 0.18 the icon is about 13 pixels, 30 pixels in from the cell's corner.
  ASSERT_FALSE(smallest.Empty());
  EXPECT_GE(smallest.left, 30);
  EXPECT_GE(smallest.top, 30);
  EXPECT_LE(smallest.right, 30 + 14);
  EXPECT_LE(smallest.bottom, 30 + 14);
  EXPECT_GT(largest.Width(), 60);
}

TEST_F(BoardLayers, TheIndividualNumbersBonusShowsItsSquaresWindowWithoutPulsing) {
  game.bonusKind = BONUS_MODEL;
  game.modelBonusX = 2, game.modelBonusY = 5;
  game.bonusLifetime = 30;
  game.bonusSpawnTime = game.bonusHopTime = ClockMillis();
  ASSERT_TRUE(Frame());
  auto screen = Screen();
  // The window's source corner has no 5-pixel inset: compare below the number.
  EXPECT_GT(ShownShare(screen, Picture(), CellX(2) + 5, CellY(5) + 40, 150, 375 + 35, 65, 30), 0.98);
  EXPECT_LT(ShownShare(screen, Picture(), CellX(2) + 5, CellY(5) + 40, 155, 375 + 40, 65, 30), 0.8);
  EXPECT_FALSE(Ink(screen, Box{CellX(2), CellY(5), CellX(2) + 74, CellY(5) + 40}, Rgb(0, 80, 200)).Empty());
}

// The mean colour of a box of the screen or of a picture.
Rgba Mean(const std::shared_ptr<TPixmap>& p, Box b) {
  long sum[3] = {0, 0, 0}, n = 0;
  for (int y = b.top; y <= b.bottom; ++y)
    for (int x = b.left; x <= b.right; ++x) {
      const Rgba c = PixelOf(p, x, y);
      sum[0] += c.r, sum[1] += c.g, sum[2] += c.b, ++n;
    }
  return Rgb(static_cast<int>(sum[0] / n), static_cast<int>(sum[1] / n), static_cast<int>(sum[2] / n));
}

TEST_F(BoardLayers, TheThumbnailShowsTheEmptySlotOnLevelOneAndTheReducedPictureAfter) {
  ASSERT_TRUE(Frame());
  auto screen = Screen();
  EXPECT_GT(ShownShare(screen, game.levelEmptyImage, 789, 653), 0.99);
  EXPECT_GT(ShownShare(screen, game.littleFrameImage, 786, 650), 0.99);

  game.level = 2;
  DrawLevelThumbnail();
  screen = Screen();
  auto picture = Picture()->pixmaps.at(0)->Convert(PIXFMT_RGBA8888);
  // 600 pixels at 0.167 are 100: the thumbnail's colours are the picture's.
  for (const auto& [part, cell] : {std::pair{Box{0, 0, 599, 299}, Box{789, 653, 888, 702}},
                                   std::pair{Box{0, 300, 599, 599}, Box{789, 703, 888, 752}}}) {
    EXPECT_TRUE(Near(Mean(screen, cell), Mean(picture, part), 10))
        << Mean(screen, cell) << " vs " << Mean(picture, part);
  }
  EXPECT_EQ(GetDrawRotation(), 0.0f);
  float sx = 0, sy = 0;
  GetDrawScale(sx, sy);
  EXPECT_EQ(sx, 1.0f);
}

}  // namespace
