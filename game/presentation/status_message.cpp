#include "engine/graphics/draw2d.h"
#include "game/presentation/presentation.h"
#include "game/rules/rules.h"

namespace {
constexpr int BAND_LEFT = 95;
constexpr int BAND_WIDTH = 500;
}  // namespace

int MessageTextX(const std::u16string& text) { return BAND_LEFT + (BAND_WIDTH - StringWidth(text)) / 2; }

void DrawStatusMessage() {
  SetColor(240, 240, 0);
  SetTextFont(game.messageFont);
  SetAlpha(1.0f);
  if (game.statusShown != 1) return;
  ExpireStatusMessage();
  if (game.statusShown != 1) return;
  DrawString(game.statusText, static_cast<float>(MessageTextX(game.statusText)), MESSAGE_TEXT_TOP);
}
