#include "engine/graphics/draw2d.h"
#include "engine/graphics/image.h"
#include "game/presentation/presentation.h"
#include "game/rules/rules.h"

namespace {
constexpr float BALL_FADE_STEP = 0.02f;
}

void DrawMarks() {
  // Show Numbers shows every number; marks would only cover them.
  if (game.showingNumbers == 1) return;
  for (const auto& m : game.marksList) {
    SetColor(255, 255, 255);
    DrawImageFrame(game.squareMarkImage, static_cast<float>(CellX(m->x)), static_cast<float>(CellY(m->y)), 0);
    SetTextFont(game.numberFont);
    DrawSquareNumber(m->x, m->y);
  }
}

void DrawBallTrail() {
  // A spent ball leaves the list while the pass goes on over the rest.
  for (const auto& b : game.ballList.Snapshot()) {
    SetAlpha(b->alpha);
    SetColor(255, 255, 255);
    DrawImageFrame(game.ballImage, static_cast<float>(b->x), static_cast<float>(b->y), 0);
    b->alpha -= BALL_FADE_STEP;
    b->y += 1;
    if (!(b->alpha > 0.0f)) b->Destroy();
  }
}
