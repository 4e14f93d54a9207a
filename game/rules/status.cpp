#include "engine/system/clock.h"
#include "game/rules/rules.h"

namespace {
constexpr int STATUS_SHOWN_MS = 10000;
}

void ShowStatus(const std::u16string& text) {
  game.statusText = text;
  game.statusTime = ClockMillis();
  game.statusShown = 1;
}

void ExpireStatusMessage() {
  if (game.statusShown != 1) return;
  if (ClockDiff(ClockMillis(), game.statusTime) < STATUS_SHOWN_MS) return;
  game.statusShown = 0;
  if (game.statusText == game.statusMessages[0]) game.leaveGame = 1;
}
