#include "engine/audio/sound.h"
#include "engine/input/input.h"
#include "engine/system/clock.h"
#include "game/rules/rules.h"

namespace {

constexpr int NO_PAIR_SHOWN_MS = 7000;
constexpr int MISTAKES_TO_LOSE = 25;
// Selecting accepts the board from one pixel inside its left and top edges.
constexpr int SELECT_FIRST_X = 46;
constexpr int SELECT_FIRST_Y = 37;

// Turns a shown no-pair face down and lets bonuses come again.
void ClearNoPair() {
  game.firstSelected = 0;
  game.secondSelected = 0;
  game.firstAlpha = 0.0f;
  game.secondAlpha = 0.0f;
  game.bonusKind = 0;
  game.bonusAllowed = 1;
  game.idleSince = ClockMillis();
}

}  // namespace

void HandleLeftClick() {
  game.mouseX = PointerX();
  game.mouseY = PointerY();
  if (MouseClicks(MOUSE_LEFT) == 0) return;

  if (game.showingNumbers == 1) {
    game.showingNumbers = 0;
    if (game.statusText == game.statusMessages[3]) game.statusShown = 0;
    game.idleSince = ClockMillis();
    return;
  }

  if (game.firstSelected == 1 && game.secondSelected == 1) {
    ClearNoPair();
    game.markedDuringReveal = 0;
    return;
  }

  // A mark made during a reveal: this click ends every reveal, then goes on.
  if (game.markedDuringReveal == 1) {
    EndAllReveals();
    game.markedDuringReveal = 0;
  }

  if (game.levelEndPhase == 1) {
    game.skipWait = 1;
    if (game.countdownActive == 1) {
      game.score += game.timeLeft;
      game.timeLeft = 0;
      game.countdownDone = 1;
      game.countdownActive = 0;
    }
    return;
  }

  if (IsRevealTakingClick()) {
    EndRevealByClick();
    return;
  }

  if (game.bonusKind >= 1 && game.bonusKind <= BONUS_KINDS && IsPointerOnBonus()) {
    UseBonus();
    return;
  }

  if (game.boardCleared == 1) return;

  if (auto sq = SquareAtPointer(SELECT_FIRST_X, SELECT_FIRST_Y)) {
    if (IsKnownSquare(sq->x, sq->y) == 0 || IsMarked(sq->x, sq->y) == 1) SelectSquare(sq->x, sq->y);
  }
}

void SelectSquare(int x, int y) {
  if (game.firstSelected == 0) {
    game.firstX = x;
    game.firstY = y;
    game.firstSelected = 1;
    game.bonusAllowed = 0;
    game.bonusKind = 0;
    ShowStatus(game.statusMessages[7]);
    return;
  }
  if (x == game.firstX && y == game.firstY) return;

  game.secondX = x;
  game.secondY = y;
  game.secondSelected = 1;
  game.firstNumber = BoardAt(game.firstX, game.firstY);
  game.secondNumber = BoardAt(x, y);

  if (game.firstNumber != game.secondNumber) {
    ShowStatus(game.statusMessages[5]);
    game.mistakes += 1;
    if (game.mistakes == MISTAKES_TO_LOSE) {
      game.gameOver = 1;
      ShowStatus(game.statusMessages[0]);
      game.bonusKind = 0;
      game.bonusAllowed = 0;
    }
    game.noPairTime = ClockMillis();
    return;
  }

  game.firstSelected = 0;
  game.secondSelected = 0;
  StartSound(game.pairSound);
  game.score += 2;
  ShowStatus(game.statusMessages[6]);
  ClearPair(game.firstX, game.firstY, x, y);
  game.bonusAllowed = 1;
  const int now = ClockMillis();
  game.idleSince = now;
  game.lastPairTime = now;
}

void ExpireNoPair() {
  if (game.firstSelected != 1 || game.secondSelected != 1) return;
  if (ClockDiff(ClockMillis(), game.noPairTime) > NO_PAIR_SHOWN_MS) ClearNoPair();
}
