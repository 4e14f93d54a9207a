#include "engine/input/input.h"
#include "game/rules/rules.h"

namespace {
// Marking accepts the board from its left edge but one pixel below its top.
constexpr int MARK_FIRST_X = 45;
constexpr int MARK_FIRST_Y = 37;
}  // namespace

void HandleRightClick() {
  if (MouseClicks(MOUSE_RIGHT) == 0) return;
  if (game.firstSelected == 1 || game.secondSelected == 1) return;
  if (game.showingNumbers == 1) {
    ShowStatus(game.statusMessages[8]);
    return;
  }
  if (game.marksLeft <= 0) {
    ShowStatus(game.statusMessages[9]);
    return;
  }

  game.mouseX = PointerX();
  game.mouseY = PointerY();
  auto sq = SquareAtPointer(MARK_FIRST_X, MARK_FIRST_Y);
  if (!sq) return;

  // The first running reveal decides; only a square it shows can be marked.
  if (game.qRevealActive == 1 || game.fourRevealActive == 1 || game.rowRevealActive == 1 ||
      game.colRevealActive == 1) {
    if (IsRevealed(sq->x, sq->y) == 1) MarkSquare(sq->x, sq->y);
    return;
  }

  if (game.bonusKind == BONUS_MODEL && *sq == BonusSquare(BONUS_MODEL)) {
    ShowStatus(game.statusMessages[11]);
  }
}

void MarkSquare(int x, int y) {
  ShowStatus(game.statusMessages[10]);
  game.marksLeft -= 1;
  auto mark = MyMarks::New();
  mark->x = x;
  mark->y = y;
  game.markedDuringReveal = 1;
  UnhideSquare(x, y);
}
