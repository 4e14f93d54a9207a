#include "engine/audio/sound.h"
#include "engine/input/input.h"
#include "engine/system/clock.h"
#include "game/rules/rules.h"

namespace {

constexpr int LEVEL_SECONDS = 1200;
constexpr int MARKS_PER_LEVEL = 20;
constexpr int SECOND_MS = 1000;
constexpr int LEVEL_END_PHASE_MS = 8000;
constexpr int TIME_BONUS_WAIT_MS = 15000;
constexpr int TIME_BONUS_STEP_MS = 8;
constexpr int DEMO_LEVELS = 1;

}  // namespace

void ResetLevelState() {
  const int now = ClockMillis();
  RebuildHiddenSquares();
  game.bonusPulse = 1.0f;
  game.boardCleared = 0;
  game.timeLeft = LEVEL_SECONDS;
  game.markedDuringReveal = 0;
  game.lastPairTime = now;
  game.marksLeft = MARKS_PER_LEVEL;
  game.mistakes = 0;
  game.numbersShownUsed = 0;
  game.timeOut = 0;
  game.qRevealActive = 0;
  game.bonusAllowed = 1;
  game.statusShown = 0;
  game.firstSelected = 0;
  game.secondSelected = 0;
  game.firstAlpha = 0.0f;
  game.secondAlpha = 0.0f;
  game.secondTickTime = now;
}

void ResetPlay() {
  game.demoEnded = 0;
  game.showDemoEnd = 0;
  game.leaveGame = 0;
  game.gameOver = 0;
  game.paused = 0;
  game.skipWait = 0;
  game.numbersShownUsed = 0;
  game.mistakes = 0;
  game.marksLeft = MARKS_PER_LEVEL;
  game.timeOut = 0;
  game.firstSelected = 0;
  game.secondSelected = 0;
  game.showingNumbers = 0;
  game.levelCleared = 0;
  game.levelEndPhase = 0;
  game.countdownDone = 0;
  game.countdownRunning = 0;
  game.countdownActive = 0;
  game.finalLevelCleared = 0;
  game.rowRevealActive = 0;
  game.rowRevealHolding = 0;
  // A new game starts with no reveal running and no bonus on the board, so
  // nothing of the old game shows the numbers of the new board.
  game.rowRevealGrowing = 0;
  game.fourRevealActive = 0;
  game.colRevealActive = 0;
  game.colRevealGrowing = 0;
  game.colRevealHolding = 0;
  game.bonusKind = 0;
  game.bonusAllowed = 1;
  game.quitConfirm = 0;
  game.timeLeft = LEVEL_SECONDS;
  game.level = 1;
  DealBoard();
  ResetLevelState();
  ClearMouseState();
}

void BeginGame() {
  game.score = 0;
  ResetPlay();
}

void TickClock() {
  const int now = ClockMillis();
  if (ClockDiff(now, game.secondTickTime) <= SECOND_MS) return;
  if (game.timeOut != 0 || game.levelCleared != 0 || game.paused != 0 || game.levelEndPhase != 0 ||
      game.quitConfirm != 0) {
    return;
  }
  if (game.timeLeft > 0) game.timeLeft -= 1;
  if (game.timeLeft == 0) {
    game.timeOut = 1;
    game.finalScore = game.score;
    ShowStatus(game.statusMessages[0]);
    game.bonusKind = 0;
    game.bonusAllowed = 0;
  }
  game.secondTickTime = now;
}

void HoldTimeOut() {
  if (game.timeLeft > 0 || game.timeOut != 1) return;
  game.statusShown = 1;
  game.statusText = game.statusMessages[0];
  game.gameOver = 1;
  game.bonusKind = 0;
  game.bonusAllowed = 0;
}

void CheckLevelCleared() {
  if (game.levelCleared != 0) return;
  game.boardEmpty = 1;
  for (int v : game.board) {
    if (v != 0) {
      game.boardEmpty = 0;
      break;
    }
  }
  if (game.boardEmpty != 1) return;

  const int now = ClockMillis();
  game.firstSelected = 0;
  game.secondSelected = 0;
  game.boardCleared = 1;
  game.bonusKind = 0;
  game.levelCleared = 1;
  game.levelClearedTime = now;
  game.levelEndPhase = 1;
  game.levelEndMessageTime = now;
  game.bonusAllowed = 0;
  StartSound(game.levelClearedSound);
  MyMarks::DestroyEach();
  if (game.level == DEMO_LEVELS) game.finalLevelCleared = 1;
}

void ShowLevelEndMessage() {
  if (game.levelEndPhase != 1 || game.level != DEMO_LEVELS) return;
  if (ClockDiff(ClockMillis(), game.levelEndMessageTime) < LEVEL_END_PHASE_MS) {
    ShowStatus(u"Demo finished!");
  } else {
    game.levelEndPhase = 0;
  }
}

void UpdateLevelEnd() {
  const int now = ClockMillis();
  if (game.levelCleared == 1 && game.countdownRunning == 0 &&
      (ClockDiff(now, game.levelClearedTime) > TIME_BONUS_WAIT_MS || game.skipWait == 1)) {
    game.countdownRunning = 1;
    game.countdownActive = 1;
    game.countdownTickTime = now;
  }
  if (game.countdownRunning == 1 && ClockDiff(now, game.countdownTickTime) > TIME_BONUS_STEP_MS) {
    if (game.timeLeft > 0) game.score += 1;
    game.timeLeft -= 1;
    game.countdownTickTime = now;
    if (game.timeLeft == 0) {
      game.countdownDone = 1;
      game.countdownActive = 0;
    }
  }
  if (game.countdownDone == 1) {
    game.level += 1;
    game.numbersShownUsed = 0;
    game.mistakes = 0;
    if (game.level == DEMO_LEVELS + 1) {
      game.demoEnded = 1;
      game.showDemoEnd = 1;
    }
  }
}
