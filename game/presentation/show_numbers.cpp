#include "engine/graphics/draw2d.h"
#include "game/presentation/presentation.h"
#include "game/rules/rules.h"

void DrawShowNumbers() {
  if (game.showingNumbers != 1 || game.firstSelected != 0 || game.secondSelected != 0 ||
      game.finalLevelCleared != 0) {
    return;
  }
  ExpireShowNumbers();
  if (game.showingNumbers != 1) return;
  // Plain numbers on the squares: no highlight, no picture window; the alpha
  // is whatever the layers before left.
  SetTextFont(game.numberFont);
  SetColor(140, 140, 210);
  for (int row = 0; row < BOARD_SIZE; ++row) {
    for (int col = 0; col < BOARD_SIZE; ++col) {
      const int value = BoardAt(col, row);
      if (value == 0) continue;
      DrawCellNumberText(col, row, DecimalText(value));
    }
  }
}
