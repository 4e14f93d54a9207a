// The board: dealing, the hidden and marked square lists, the lookups.
#include <array>
#include <cstdint>
#include <vector>

#include "rules_fixture.h"

namespace {

using BoardTest = RulesTest;

// The dealing algorithm worked again on plain vectors: squares as indices in
// row-major order, numbers 1 to 32, the three draws of each repetition in order.
std::array<int, BOARD_SQUARES> ExpectedDeal(int seed) {
  SeedRandom(seed);
  std::vector<int> squares, numbers;
  for (int i = 0; i < BOARD_SQUARES; ++i) squares.push_back(i);
  for (int n = 1; n <= 32; ++n) numbers.push_back(n);
  std::array<int, BOARD_SQUARES> board{};
  for (int k = 1; k <= 32; ++k) {
    const int a = RandomInt(1, static_cast<int>(squares.size()));
    const int square = squares[a - 1];
    const int r = RandomInt(1, static_cast<int>(numbers.size()));
    const int n = numbers[r - 1];
    board[square] = n;
    squares.erase(squares.begin() + (a - 1));
    numbers.erase(numbers.begin() + (r - 1));
    const int b = RandomInt(1, static_cast<int>(squares.size()));
    board[squares[b - 1]] = n;
    squares.erase(squares.begin() + (b - 1));
  }
  return board;
}

// The generator state after `steps` Lehmer steps from `state`.
int StepsAhead(int state, int steps) {
  int64_t s = state;
  for (int i = 0; i < steps; ++i) s = s * 48271 % 0x7FFFFFFF;
  return static_cast<int>(s);
}

TEST_F(BoardTest, DealMatchesTheDealingAlgorithmAndDrawsThreeTimesPerPair) {
  for (int seed : {1, 4660, 20240601, 123456789, 0x7FFFFFFE}) {
    SCOPED_TRACE(seed);
    const auto expected = ExpectedDeal(seed);
    game.board.fill(99);  // every entry must be overwritten
    MyMarks::New();
    SeedRandom(seed);
    const int before = RandomSeed();
    DealBoard();
    EXPECT_EQ(game.board, expected);
    // 96 RandomInt calls, two generator steps each.
    EXPECT_EQ(RandomSeed(), StepsAhead(before, 192));
    EXPECT_TRUE(game.numeroPool.IsEmpty());
    EXPECT_TRUE(game.hiddenSquares.IsEmpty());
    EXPECT_TRUE(game.marksList.IsEmpty());

    std::array<int, 33> count{};
    for (int v : game.board) {
      ASSERT_GE(v, 1);
      ASSERT_LE(v, 32);
      ++count[v];
    }
    for (int n = 1; n <= 32; ++n) EXPECT_EQ(count[n], 2) << n;
  }
}

TEST_F(BoardTest, RebuildListsEverySquareRowByRowWithItsNumber) {
  DealBoard();
  RebuildHiddenSquares();
  ASSERT_EQ(game.hiddenSquares.Count(), 64u);
  for (int i = 0; i < BOARD_SQUARES; ++i) {
    const auto& s = game.hiddenSquares.At(i);
    EXPECT_EQ(s->x, i % 8);
    EXPECT_EQ(s->y, i / 8);
    EXPECT_EQ(s->numero, game.board[i]);
  }
}

TEST_F(BoardTest, LookupsTellHiddenMarkedAndPairedSquaresApart) {
  StartGame();
  const MySquare a = FindNumber(7), b = FindNumber(7, a);
  const MySquare marked = FindNumber(9);
  const MySquare untouched = FindNumber(11);
  auto mark = MyMarks::New();
  mark->x = marked.x;
  mark->y = marked.y;
  UnhideSquare(marked.x, marked.y);
  ClearPair(a.x, a.y, b.x, b.y);

  EXPECT_EQ(IsKnownSquare(untouched.x, untouched.y), 0);
  EXPECT_EQ(IsKnownSquare(marked.x, marked.y), 1);
  EXPECT_EQ(IsKnownSquare(a.x, a.y), 1);
  EXPECT_EQ(IsMarked(marked.x, marked.y), 1);
  EXPECT_EQ(IsMarked(untouched.x, untouched.y), 0);
  EXPECT_EQ(IsMarked(a.x, a.y), 0);
  EXPECT_EQ(BoardAt(a.x, a.y), 0);
  EXPECT_EQ(BoardAt(b.x, b.y), 0);
  EXPECT_EQ(game.hiddenSquares.Count(), 61u);

  // Removals keep the row-major order of the rest.
  int last = -1;
  for (const auto& s : game.hiddenSquares) {
    EXPECT_GT(s->x + 8 * s->y, last);
    last = s->x + 8 * s->y;
  }

  // Clearing a pair takes the mark of a marked square with it.
  const MySquare partner = FindNumber(9, marked);
  ClearPair(marked.x, marked.y, partner.x, partner.y);
  EXPECT_TRUE(game.marksList.IsEmpty());
  EXPECT_EQ(game.hiddenSquares.Count(), 60u);

  // Unknown coordinates change nothing.
  UnhideSquare(9, 9);
  RemoveMark(-1, 0);
  EXPECT_EQ(game.hiddenSquares.Count(), 60u);
  EXPECT_EQ(BoardAt(8, 0), 0);
}

TEST_F(BoardTest, PickHiddenSquareCountsFromTheFirstEntry) {
  // Empty list: no square and no draw.
  const int before = RandomSeed();
  EXPECT_FALSE(PickHiddenSquare().has_value());
  EXPECT_EQ(RandomSeed(), before);

  auto only = MyCoordPair::New();
  only->x = 3;
  only->y = 6;
  for (int i = 0; i < 5; ++i) EXPECT_EQ(PickHiddenSquare(), (MySquare{3, 6}));

  MyCoordPair::DestroyEach();
  for (int i = 0; i < 10; ++i) {
    auto s = MyCoordPair::New();
    s->x = i % 8;
    s->y = i / 8;
  }
  std::array<int, 10> hits{};
  for (int i = 0; i < 2000; ++i) {
    const int seed = RandomSeed();
    const auto pick = PickHiddenSquare();
    ASSERT_TRUE(pick.has_value());
    const int index = pick->x + 8 * pick->y;
    ++hits[index];
    // The same as RandomInt(1, 10) drawn from the same state.
    SeedRandom(seed);
    ASSERT_EQ(RandomInt(1, 10), index + 1);
  }
  for (int h : hits) EXPECT_GT(h, 120);  // about 200 each
}

TEST_F(BoardTest, PointerToSquareHonoursEachHandlersFirstPixel) {
  struct Case {
    int x, y, firstX, firstY;
    std::optional<MySquare> square;
  };
  const Case cases[] = {
      {45, 36, 45, 36, MySquare{0, 0}}, {45, 36, 46, 36, std::nullopt},
      {45, 36, 45, 37, std::nullopt},   {46, 37, 46, 37, MySquare{0, 0}},
      {119, 110, 46, 37, MySquare{0, 0}}, {120, 111, 46, 37, MySquare{1, 1}},
      {644, 635, 46, 37, MySquare{7, 7}}, {645, 635, 45, 36, std::nullopt},
      {644, 636, 45, 36, std::nullopt},   {-200, 300, 45, 36, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " from " << c.firstX << "," << c.firstY);
    game.mouseX = c.x;
    game.mouseY = c.y;
    EXPECT_EQ(SquareAtPointer(c.firstX, c.firstY), c.square);
  }
}

}  // namespace
