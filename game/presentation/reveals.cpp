#include <array>

#include "engine/graphics/draw2d.h"
#include "game/presentation/presentation.h"
#include "game/rules/rules.h"

namespace {

constexpr float FOUR_FADE_STEP = 0.02f;
constexpr float LINE_FADE_STEP = 0.012f;
constexpr int LINE_REACH = 3;

// Still hidden (neither found nor marked) and not yet paired.
bool Showable(int x, int y) {
  return x >= 0 && x < BOARD_SIZE && y >= 0 && y < BOARD_SIZE && IsKnownSquare(x, y) == 0 &&
         BoardAt(x, y) != 0;
}

void DrawIfShowable(int x, int y) {
  if (Showable(x, y)) DrawRevealedSquare(x, y);
}

// The centre of a line reveal: shown while still hidden, whatever its number.
void DrawLineCentre(int x, int y, bool opaque) {
  if (IsKnownSquare(x, y) != 0) return;
  if (opaque) SetAlpha(1.0f);
  DrawRevealedSquare(x, y);
}

// The squares at distance 1 to reach on both sides of a line reveal's centre,
// the (dx, dy) side first, each distance one fade step further in.
void DrawLineSides(std::array<float, 7>& alpha, int reach, int x, int y, int dx, int dy) {
  for (int d = 1; d <= reach; ++d) {
    alpha[d] += LINE_FADE_STEP;
    SetAlpha(alpha[d]);
    DrawIfShowable(x + d * dx, y + d * dy);
    DrawIfShowable(x - d * dx, y - d * dy);
  }
}

}  // namespace

void DrawQuestionReveal() {
  if (game.qRevealActive != 1) return;
  ExpireQuestionReveal();
  if (game.qRevealActive != 1) return;
  const int x = game.qBonusX, y = game.qBonusY;
  SetColor(255, 255, 255);
  if (IsMarked(x, y) == 0) {
    DrawSquareWindow(x, y);
    SetTextFont(game.numberFont);
    DrawSquareNumber(x, y);
  }
}

void DrawFourReveal() {
  if (game.fourRevealActive != 1) return;
  SetTextFont(game.numberFont);
  if (game.fourRevealAlpha < 1.0f) game.fourRevealAlpha += FOUR_FADE_STEP;
  SetAlpha(game.fourRevealAlpha);
  ExpireFourReveal();
  if (game.fourRevealActive != 1) return;
  // The block keeps to the board: at the right or bottom edge fewer squares show.
  const int x = game.fourBonusX, y = game.fourBonusY;
  DrawIfShowable(x, y);
  if (x < BOARD_SIZE - 1) DrawIfShowable(x + 1, y);
  if (y < BOARD_SIZE - 1) DrawIfShowable(x, y + 1);
  if (x < BOARD_SIZE - 1 && y < BOARD_SIZE - 1) DrawIfShowable(x + 1, y + 1);
}

void DrawRowReveal() {
  if (game.rowRevealActive != 1) return;
  const int x = game.rowBonusX, y = game.rowBonusY;
  if (game.rowRevealGrowing == 1) {
    SetTextFont(game.numberFont);
    DrawLineCentre(x, y, true);
    DrawLineSides(game.rowRevealAlpha, game.rowRevealReach, x, y, 1, 0);
    GrowRowReveal();
  } else if (game.rowRevealHolding == 1) {
    ExpireRowReveal();
    if (game.rowRevealHolding != 1) return;
    SetTextFont(game.numberFont);
    DrawLineCentre(x, y, false);
    DrawLineSides(game.rowRevealAlpha, LINE_REACH, x, y, 1, 0);
  }
}

void DrawColumnReveal() {
  if (game.colRevealActive != 1) return;
  const int x = game.colBonusX, y = game.colBonusY;
  if (game.colRevealGrowing == 1) {
    SetTextFont(game.numberFont);
    DrawLineCentre(x, y, true);
    DrawLineSides(game.colRevealAlpha, game.colRevealReach, x, y, 0, -1);
    GrowColumnReveal();
  } else if (game.colRevealHolding == 1) {
    ExpireColumnReveal();
    if (game.colRevealHolding != 1) return;
    SetTextFont(game.numberFont);
    DrawLineCentre(x, y, true);
    // In the hold the alpha is applied before its step, and below comes first.
    for (int d = 1; d <= LINE_REACH; ++d) {
      SetAlpha(game.colRevealAlpha[d]);
      game.colRevealAlpha[d] += LINE_FADE_STEP;
      DrawIfShowable(x, y + d);
      DrawIfShowable(x, y - d);
    }
  }
}
