// The bonus reveals on a real frame: which squares each one shows, how they
// fade in, how the line reveals grow, and the frame on which each one ends.
#include "tests/game_screen/game_screen_fixture.h"

namespace {

class Reveals : public GameInPlay {
 protected:
  // Whether the square shows its picture window (the part below the number).
  bool ShowsWindow(const std::shared_ptr<TPixmap>& screen, int col, int row) const {
    return ShownShare(screen, Picture(), CellX(col) + 5, CellY(row) + 40, 75 * col + 5, 75 * row + 40, 65, 30) >
           0.98;
  }
  bool ShowsSquare(const std::shared_ptr<TPixmap>& screen, int col, int row) const {
    return ShownShare(screen, game.squareImage, CellX(col), CellY(row)) > 0.99;
  }
  // A line reveal as a click on its bonus starts it.
  static void StartLine(int& active, int& growing, int& reach, int& stepTime, std::array<float, 7>& alpha) {
    active = growing = 1;
    reach = 0;
    stepTime = ClockMillis();
    alpha.fill(0.0f);
  }
  void StartFour(int x, int y) {
    game.fourBonusX = x, game.fourBonusY = y;
    game.fourRevealActive = 1;
    game.fourRevealStart = ClockMillis();
    game.fourRevealAlpha = 0.0f;
  }
};

struct FourCase {
  int x, y;
  std::vector<MySquare> shown;
};

TEST_F(Reveals, TheFourSquareBlockStaysOnTheBoardAndFadesInOverFiftyFrames) {
  const std::vector<FourCase> cases = {
      {3, 2, {{3, 2}, {4, 2}, {3, 3}, {4, 3}}},
      {7, 3, {{7, 3}, {7, 4}}},
      {2, 7, {{2, 7}, {3, 7}}},
      {7, 7, {{7, 7}}},
  };
  for (const FourCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << "4-bonus at (" << c.x << ", " << c.y << ")");
    StartFour(c.x, c.y);
    ASSERT_TRUE(Frame());
    EXPECT_FLOAT_EQ(game.fourRevealAlpha, 0.02f);
    Frames(49);
    auto screen = Screen();
    for (int row = 0; row < BOARD_SIZE; ++row) {
      for (int col = 0; col < BOARD_SIZE; ++col) {
        const bool want = std::find(c.shown.begin(), c.shown.end(), MySquare{col, row}) != c.shown.end();
        EXPECT_EQ(ShowsWindow(screen, col, row), want) << "(" << col << ", " << row << ")";
      }
    }
    game.fourRevealActive = 0;
  }
}

TEST_F(Reveals, TheFourSquareRevealShowsNeitherFoundNorMarkedSquaresAndEndsAfterTenSeconds) {
  StartFour(4, 4);
  const MySquare found = {5, 4};
  ClearPair(found.x, found.y, FindNumber(BoardAt(found.x, found.y), found).x,
            FindNumber(BoardAt(found.x, found.y), found).y);
  MarkSquare(4, 5);
  const int start = game.fourRevealStart;
  Frames(50);
  ASSERT_TRUE(FrameAt(start + 9999));
  auto screen = Screen();
  EXPECT_TRUE(ShowsWindow(screen, 4, 4));
  EXPECT_TRUE(ShowsWindow(screen, 5, 5));
  EXPECT_GT(ShownShare(screen, game.squareMarkImage, CellX(4), CellY(5) + 40, 0, 40, 75, 35), 0.98);
  ASSERT_TRUE(FrameAt(start + 10000));
  EXPECT_EQ(game.fourRevealActive, 0);
  EXPECT_TRUE(ShowsSquare(Screen(), 4, 4)) << "not drawn in its ending frame";
  EXPECT_EQ(game.bonusAllowed, 1);
}

TEST_F(Reveals, TheQuestionRevealShowsItsSquareForFiveSeconds) {
  game.qBonusX = 6, game.qBonusY = 1;
  game.qRevealActive = 1;
  game.qRevealStart = ClockMillis();
  game.bonusKind = 0;
  const int start = game.qRevealStart;
  ASSERT_TRUE(FrameAt(start + 4999));
  EXPECT_TRUE(ShowsWindow(Screen(), 6, 1));
  EXPECT_FALSE(Ink(Screen(), Box{CellX(6), CellY(1), CellX(6) + 74, CellY(1) + 40}, Rgb(0, 80, 200)).Empty());
  ASSERT_TRUE(FrameAt(start + 5000));
  EXPECT_EQ(game.qRevealActive, 0);
  EXPECT_TRUE(ShowsSquare(Screen(), 6, 1));
}

// The course of a row reveal frame by frame: reach as drawn, and the squares
// shown once every distance is opaque.
TEST_F(Reveals, TheRowRevealGrowsAStepAQuarterSecondThenHoldsTenSeconds) {
  game.rowBonusX = 6, game.rowBonusY = 2;
  StartLine(game.rowRevealActive, game.rowRevealGrowing, game.rowRevealReach, game.rowRevealStepTime,
            game.rowRevealAlpha);
  const int click = ClockMillis();

  std::vector<int> reachDrawn;
  int holdFrom = 0;
  for (int frame = 0; frame < 80 && game.rowRevealHolding == 0; ++frame) {
    reachDrawn.push_back(game.rowRevealReach);  // the reach this frame draws
    ASSERT_TRUE(Frame());
    if (game.rowRevealHolding == 1) holdFrom = ClockDiff(ClockMillis(), click);
  }
  ASSERT_EQ(game.rowRevealHolding, 1);
  EXPECT_EQ(game.rowRevealReach, 3);
  EXPECT_EQ(*std::max_element(reachDrawn.begin(), reachDrawn.end()), 3) << "never 4 when drawn";
  EXPECT_EQ(std::count(reachDrawn.begin(), reachDrawn.end(), 0), 15) << "the first step comes after 250 ms";
  EXPECT_GT(holdFrom, 1000);
  EXPECT_LT(holdFrom, 1100);

  Frames(90);  // every distance opaque by now
  auto screen = Screen();
  for (int col = 0; col < BOARD_SIZE; ++col) {
    EXPECT_EQ(ShowsWindow(screen, col, 2), col >= 3) << "column " << col;
  }
  EXPECT_TRUE(ShowsSquare(screen, 6, 1));
  EXPECT_TRUE(ShowsSquare(screen, 6, 3));

  const int holdStart = game.rowRevealHoldStart;
  ASSERT_TRUE(FrameAt(holdStart + 9999));
  EXPECT_EQ(game.rowRevealActive, 1);
  ASSERT_TRUE(FrameAt(holdStart + 10000));
  EXPECT_EQ(game.rowRevealActive, 0);
  EXPECT_TRUE(ShowsSquare(Screen(), 5, 2));
}

TEST_F(Reveals, TheLineRevealsFadeEachDistanceInAtTheirOwnPace) {
  game.colBonusX = 1, game.colBonusY = 0;
  StartLine(game.colRevealActive, game.colRevealGrowing, game.colRevealReach, game.colRevealStepTime,
            game.colRevealAlpha);
  // Distance 1 joins after the first step; watch one of its pixels fade in.
  const int px = 10, py = 60;
  const Rgba sq = ImagePixel(game.squareImage, px, py);
  const Rgba pic = ImagePixel(Picture(), 75 * 1 + px, 75 * 1 + py);
  while (game.colRevealReach < 1) ASSERT_TRUE(Frame());
  for (int frame = 1; frame <= 41; ++frame) {
    ASSERT_TRUE(Frame());
    if (frame % 20 != 1) continue;
    const float a = 0.012f * static_cast<float>(frame);
    auto mix = [a](int under, int over) { return static_cast<int>(under + (over - under) * a + 0.5f); };
    EXPECT_TRUE(Near(ScreenAt(CellX(1) + px, CellY(1) + py), Rgb(mix(sq.r, pic.r), mix(sq.g, pic.g), mix(sq.b, pic.b)), 3))
        << "frame " << frame << " after the step: " << ScreenAt(CellX(1) + px, CellY(1) + py);
  }
  Frames(100);
  auto screen = Screen();
  // At the top edge only the squares below show.
  for (int row = 0; row < BOARD_SIZE; ++row) EXPECT_EQ(ShowsWindow(screen, 1, row), row <= 3) << "row " << row;
}

}  // namespace
