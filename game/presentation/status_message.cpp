#include "engine/graphics/draw2d.h"
#include "game/presentation/presentation.h"
#include "game/rules/rules.h"

namespace {
constexpr int BAND_LEFT = 95;
constexpr int BAND_WIDTH = 500;
constexpr int TEXT_TOP = 685;
}  // namespace

void DrawStatusMessage() {
  SetColor(240, 240, 0);
  SetTextFont(game.messageFont);
  SetAlpha(1.0f);
  if (game.statusShown != 1) return;
  ExpireStatusMessage();
  if (game.statusShown != 1) return;
  const int x = BAND_LEFT + (BAND_WIDTH - StringWidth(game.statusText)) / 2;
  DrawString(game.statusText, static_cast<float>(x), TEXT_TOP);
}
