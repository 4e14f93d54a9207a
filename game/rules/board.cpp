#include "engine/system/clock.h"
#include "game/rules/rules.h"

namespace {

// The r-th entry (counting from 1) of a list, as the deal and the bonus
// placement count.
template <class T>
std::shared_ptr<T> NthEntry(const MyList<T>& list, int r) {
  return list.At(static_cast<std::size_t>(r - 1));
}

}  // namespace

void DealBoard() {
  if (!game.marksList.IsEmpty()) MyMarks::DestroyEach();

  MyNumero::DestroyEach();
  for (int n = 1; n <= 32; ++n) MyNumero::New()->numero = n;

  MyCoordPair::DestroyEach();
  for (int y = 0; y < BOARD_SIZE; ++y) {
    for (int x = 0; x < BOARD_SIZE; ++x) {
      auto square = MyCoordPair::New();
      square->x = x;
      square->y = y;
    }
  }

  for (int k = 0; k < 32; ++k) {
    auto a = NthEntry(game.hiddenSquares, RandomInt(1, static_cast<int>(game.hiddenSquares.Count())));
    auto n = NthEntry(game.numeroPool, RandomInt(1, static_cast<int>(game.numeroPool.Count())));
    game.board[a->x + BOARD_SIZE * a->y] = n->numero;
    a->Destroy();
    n->Destroy();
    auto b = NthEntry(game.hiddenSquares, RandomInt(1, static_cast<int>(game.hiddenSquares.Count())));
    game.board[b->x + BOARD_SIZE * b->y] = n->numero;
    b->Destroy();
  }
}

void RebuildHiddenSquares() {
  for (int y = 0; y < BOARD_SIZE; ++y) {
    for (int x = 0; x < BOARD_SIZE; ++x) {
      auto square = MyCoordPair::New();
      square->x = x;
      square->y = y;
      square->numero = game.board[x + BOARD_SIZE * y];
    }
  }
}

int IsKnownSquare(int x, int y) {
  for (const auto& s : game.hiddenSquares) {
    if (s->x == x && s->y == y) return 0;
  }
  return 1;
}

void UnhideSquare(int x, int y) {
  for (const auto& s : game.hiddenSquares) {
    if (s->x == x && s->y == y) {
      s->Destroy();
      return;
    }
  }
}

int IsMarked(int x, int y) {
  for (const auto& m : game.marksList) {
    if (m->x == x && m->y == y) return 1;
  }
  return 0;
}

void RemoveMark(int x, int y) {
  for (const auto& m : game.marksList) {
    if (m->x == x && m->y == y) {
      m->Destroy();
      return;
    }
  }
}

std::optional<MySquare> PickHiddenSquare() {
  const int count = static_cast<int>(game.hiddenSquares.Count());
  if (count == 0) return std::nullopt;
  auto s = NthEntry(game.hiddenSquares, RandomInt(1, count));
  return MySquare{s->x, s->y};
}

void ClearPair(int x1, int y1, int x2, int y2) {
  for (int v : {x1, y1, x2, y2}) {
    if (v < 0 || v >= BOARD_SIZE) return;
  }
  RemoveMark(x1, y1);
  RemoveMark(x2, y2);
  game.board[x1 + BOARD_SIZE * y1] = 0;
  game.board[x2 + BOARD_SIZE * y2] = 0;
  UnhideSquare(x1, y1);
  UnhideSquare(x2, y2);
}

std::optional<MySquare> SquareAtPointer(int firstX, int firstY) {
  const int mx = game.mouseX, my = game.mouseY;
  constexpr int lastX = BOARD_LEFT + BOARD_SIZE * SQUARE_SIZE - 1;  // 644
  constexpr int lastY = BOARD_TOP + BOARD_SIZE * SQUARE_SIZE - 1;   // 635
  if (mx < firstX || mx > lastX || my < firstY || my > lastY) return std::nullopt;
  return MySquare{(mx - BOARD_LEFT) / SQUARE_SIZE, (my - BOARD_TOP) / SQUARE_SIZE};
}
