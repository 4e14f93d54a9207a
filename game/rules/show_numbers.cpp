#include "engine/input/input.h"
#include "engine/system/clock.h"
#include "game/rules/rules.h"

namespace {
constexpr int SHOW_NUMBERS_MS = 30000;
}

void ToggleShowNumbers() {
  // The press is used up even when the level is over.
  if (KeyPresses(KEY_SPACE) == 0 || game.levelCleared != 0) return;
  if (game.showingNumbers == 0 && game.numbersShownUsed == 0 && game.firstSelected == 0 &&
      game.secondSelected == 0) {
    game.numbersShownUsed = 1;
    game.showingNumbers = 1;
    ShowStatus(game.statusMessages[3]);
    game.showNumbersStart = ClockMillis();
    game.bonusKind = 0;
    return;
  }
  game.showingNumbers = 0;
  game.idleSince = ClockMillis();
  game.statusShown = 0;
  game.bonusAllowed = 1;
}

void ExpireShowNumbers() {
  if (game.showingNumbers != 1 || game.firstSelected != 0 || game.secondSelected != 0 ||
      game.finalLevelCleared != 0) {
    return;
  }
  const int now = ClockMillis();
  if (ClockDiff(now, game.showNumbersStart) < SHOW_NUMBERS_MS) return;
  game.showingNumbers = 0;
  game.idleSince = now;
}
