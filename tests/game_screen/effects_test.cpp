// Marks, the pointer's ball trail, the pointer itself and Show Numbers on a
// real frame.
#include "tests/game_screen/game_screen_fixture.h"

#include <climits>

namespace {

const Rgba kShownNumber = Rgb(140, 140, 210);

class Effects : public GameInPlay {
 protected:
  Box NumberArea(int col, int row) const { return Box{CellX(col), CellY(row), CellX(col) + 74, CellY(row) + 40}; }
};

TEST_F(Effects, AMarkShowsItsPictureAndNumberUntilShowNumbersHidesIt) {
  MarkSquare(2, 6);
  ASSERT_TRUE(Frame());
  auto screen = Screen();
  EXPECT_GT(ShownShare(screen, game.squareMarkImage, CellX(2), CellY(6) + 40, 0, 40, 75, 35), 0.98);
  EXPECT_FALSE(Ink(screen, NumberArea(2, 6), Rgb(0, 80, 200)).Empty());

  Press(KEY_SPACE);
  ASSERT_TRUE(Frame());
  ASSERT_EQ(game.showingNumbers, 1);
  ASSERT_TRUE(Frame());
  screen = Screen();
  EXPECT_LT(ShownShare(screen, game.squareMarkImage, CellX(2), CellY(6) + 40, 0, 40, 75, 35), 0.5);
  EXPECT_FALSE(Ink(screen, NumberArea(2, 6), kShownNumber).Empty()) << "a marked square shows its number too";
}

TEST_F(Effects, ShowNumbersShowsEveryNumberLeftForThirtySeconds) {
  const MySquare a = FindNumber(9), b = FindNumber(9, a);
  ClearPair(a.x, a.y, b.x, b.y);
  Press(KEY_SPACE);
  ASSERT_TRUE(Frame());
  ASSERT_EQ(game.showingNumbers, 1);
  EXPECT_EQ(game.statusText, u"Showing Numbers");
  const int start = game.showNumbersStart;
  ASSERT_TRUE(FrameAt(start + 29999));
  auto screen = Screen();
  for (int row = 0; row < BOARD_SIZE; ++row) {
    for (int col = 0; col < BOARD_SIZE; ++col) {
      const Box ink = Ink(screen, NumberArea(col, row), kShownNumber);
      EXPECT_EQ(ink.Empty(), BoardAt(col, row) == 0) << "(" << col << ", " << row << ")";
      if (ink.Empty()) continue;
      EXPECT_NEAR((ink.left + ink.right) / 2.0, CellX(col) + 37, 3);
      EXPECT_GE(ink.top, CellY(row) + 11);
    }
  }
  ASSERT_TRUE(FrameAt(start + 30000));
  EXPECT_EQ(game.showingNumbers, 0);
  EXPECT_TRUE(Ink(Screen(), NumberArea(0, 0), kShownNumber).Empty());
}

TEST_F(Effects, ABallFadesAndDriftsDownFromWhereThePointerWas) {
  // Square (3, 3) starts at (270, 261); the ball starts at (300, 263) and
  // stays on that square for its whole life.
  MovePointer(300, 263);
  ASSERT_TRUE(Frame());
  ASSERT_EQ(game.ballList.Count(), 1u);
  auto ball = game.ballList.At(0);
  EXPECT_EQ(ball->x, 300);
  EXPECT_EQ(ball->y, 263);
  MovePointer(1000, 740);  // new balls come up there from now on
  auto pic = game.ballImage->pixmaps.at(0)->Convert(PIXFMT_RGBA8888);
  auto square = game.squareImage->pixmaps.at(0)->Convert(PIXFMT_RGBA8888);
  for (int draw = 0; draw <= 50; ++draw) {
    ASSERT_TRUE(Frame());
    if (draw % 25 != 0) continue;
    const float a = 1.0f - 0.02f * static_cast<float>(draw);
    auto screen = Screen();
    int opaque = 0, same = 0;
    for (int y = 0; y < pic->height; ++y) {
      for (int x = 0; x < pic->width; ++x) {
        const Rgba over = PixelOf(pic, x, y);
        if (over.a != 255) continue;
        const Rgba under = PixelOf(square, 30 + x, 2 + draw + y);
        auto mix = [a](int u, int o) { return static_cast<int>(u + (o - u) * a + 0.5f); };
        ++opaque;
        same += Near(At(screen, 300 + x, 263 + draw + y), Rgb(mix(under.r, over.r), mix(under.g, over.g),
                                                             mix(under.b, over.b)), 3);
      }
    }
    EXPECT_GT(static_cast<double>(same) / opaque, 0.95) << "draw " << draw;
  }
  // Its 51st draw was its last.
  for (const auto& b : game.ballList) EXPECT_NE(b.get(), ball.get());
}

TEST_F(Effects, ThePointerPictureHasItsCornerAtThePointer) {
  MovePointer(410, 220);
  ASSERT_TRUE(Frame());
  EXPECT_GT(ShownShare(Screen(), game.pointerImage, 410, 220), 0.99);
  EXPECT_EQ(game.mouseX, 410);
  EXPECT_EQ(game.mouseY, 220);
}

// However the clock reads when the game starts, its first frame makes a
// ball; after that one every 251 ms or more.
TEST_F(Effects, TheFirstFrameMakesABallWhateverTheClockReads) {
  for (int start : {0, 100, 250, -5000, INT_MIN + 7, INT_MAX - 100}) {
    SCOPED_TRACE(start);
    clock.Set(start);
    StartGame();
    ASSERT_TRUE(GameFrame());
    EXPECT_EQ(game.ballList.Count(), 1u);
    clock.Advance(250);
    ASSERT_TRUE(GameFrame());
    EXPECT_EQ(game.ballList.Count(), 1u);
    clock.Advance(1);
    ASSERT_TRUE(GameFrame());
    EXPECT_EQ(game.ballList.Count(), 2u);
  }
}

TEST_F(Effects, AGameStartsWithAnEmptyTrail) {
  Frames(40);
  ASSERT_GT(game.ballList.Count(), 1u);
  StartGame();
  EXPECT_TRUE(game.ballList.IsEmpty());
}

}  // namespace
