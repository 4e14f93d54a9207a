#include "game/shell/game_loop.h"

#include "engine/graphics/display.h"
#include "engine/graphics/draw2d.h"
#include "engine/graphics/image.h"
#include "engine/input/input.h"
#include "engine/system/clock.h"
#include "game/presentation/presentation.h"
#include "game/rules/rules.h"

namespace {

constexpr int BALL_EVERY_MS = 250;
constexpr int TIME_OUT_LEAVE_MS = 10000;

// What the loop keeps for itself between frames of one game.
struct LoopState {
  // When the last trail ball was made; none yet at the start of a game, so
  // the first frame makes one whatever the clock reads.
  int lastBallTime = 0;
  bool ballMade = false;
  // Paused or asking to quit: the bonus timers stand still. They move on by
  // the time the game stood frozen, once, however pause and question overlap.
  bool frozen = false;
  int frozenSince = 0;
};

LoopState loop;

void ShiftBonusTimers(int ms) {
  game.idleSince = ClockDiff(game.idleSince, -ms);
  game.lastPairTime = ClockDiff(game.lastPairTime, -ms);
  game.bonusSpawnTime = ClockDiff(game.bonusSpawnTime, -ms);
  game.bonusHopTime = ClockDiff(game.bonusHopTime, -ms);
}

bool Frozen() { return game.paused == 1 || game.quitConfirm == 1; }

// After the pause or the question changed: a freeze starting notes when, one
// ending moves the bonus timers by its length.
void FreezeChanged() {
  const bool frozen = Frozen();
  const int now = ClockMillis();
  if (frozen && !loop.frozen) loop.frozenSince = now;
  if (!frozen && loop.frozen) ShiftBonusTimers(ClockDiff(now, loop.frozenSince));
  loop.frozen = frozen;
}

bool Leave() {
  game.finalScore = game.score;
  return false;
}

// The background, the picture under the board and the message frame.
void DrawScreenFrame(const std::shared_ptr<TImage>& underBoard) {
  DrawImageFrame(game.backgroundImage, 0, 0);
  DrawImageFrame(underBoard, BOARD_LEFT, BOARD_TOP);
  DrawImageFrame(game.messageFrameImage, 95, 650);
}

void TogglePause() {
  if (game.paused == 0) {
    game.paused = 1;
    game.statusShown = 0;  // the message in view goes and does not come back
    game.pauseStart = ClockMillis();
  } else {
    game.paused = 0;
    game.pauseEnd = ClockMillis();
  }
  FreezeChanged();
}

// Bonus icon, reveals, Show Numbers, trail and pointer: only while the board
// is in play, not under the quit question or after the game is over.
void DrawPlayLayers() {
  DrawBonusIcon();
  DrawQuestionReveal();
  DrawFourReveal();
  DrawRowReveal();
  DrawColumnReveal();
  ToggleShowNumbers();
  DrawShowNumbers();
  game.mouseX = PointerX();
  game.mouseY = PointerY();
  DrawBallTrail();
  const int now = ClockMillis();
  if (!loop.ballMade || ClockDiff(now, loop.lastBallTime) > BALL_EVERY_MS) {
    auto ball = Myball::New();
    ball->x = game.mouseX;
    ball->y = game.mouseY;
    ball->alpha = 1.0f;
    loop.lastBallTime = now;
    loop.ballMade = true;
  }
  SetColor(255, 255, 255);
  SetAlpha(1.0f);
  DrawImageFrame(game.pointerImage, static_cast<float>(game.mouseX), static_cast<float>(game.mouseY));
}

}  // namespace

bool CloseRequested() {
  if (AppTerminate() != 0) game.closeRequested = 1;
  return game.closeRequested == 1;
}

void EnterGame() {
  if (!game.ballList.IsEmpty()) Myball::DestroyEach();
  BeginGame();
  loop = LoopState{};
}

bool GameFrame() {
  if (game.leaveGame == 1 || CloseRequested()) return Leave();
  // A new play (the demo's ending screen) may have lifted the freeze itself.
  if (!Frozen()) loop.frozen = false;

  SetColor(255, 255, 255);
  SetBlend(BLEND_ALPHA);
  SetAlpha(1.0f);
  DrawScreenFrame(game.boardBackdropImage);

  if (KeyPresses(KEY_P) != 0 && game.gameOver == 0) TogglePause();

  DrawSquares();
  DrawFoundCells();
  DrawMarks();
  DrawSelectedSquares();
  DrawPanel();
  DrawLevelThumbnail();
  DrawStatusMessage();

  if (game.quitConfirm == 0 && game.gameOver == 0) DrawPlayLayers();

  if (game.gameOver != 0) return true;

  if (game.quitConfirm == 1) {
    SetColor(255, 255, 255);
    DrawImageFrame(game.quitImage, 221, 286);
  }
  if (game.paused == 0 && game.quitConfirm == 0) {
    HandleLeftClick();
    HandleRightClick();
    SpawnBonus();
    UpdateBonus();
  }
  if (game.paused == 1) {
    // In whatever font the layers before left selected.
    SetColor(255, 255, 255);
    const std::u16string paused = u"Paused";
    DrawString(paused, static_cast<float>(MessageTextX(paused)), MESSAGE_TEXT_TOP);
  }
  if (KeyPresses(KEY_ESCAPE) != 0 && game.quitConfirm == 0) {
    game.quitConfirm = 1;
    game.quitAskStart = ClockMillis();
    // Only presses made while the question is shown answer it.
    KeyPresses(KEY_Y);
    KeyPresses(KEY_N);
    FreezeChanged();
  }
  if (game.quitConfirm == 1) {
    if (KeyPresses(KEY_Y) != 0) return Leave();
    if (KeyPresses(KEY_N) != 0) {
      game.quitConfirm = 0;
      game.quitAskEnd = ClockMillis();
      FreezeChanged();
    }
  }

  const int timedOutBefore = game.timeOut;
  TickClock();
  if (timedOutBefore == 0 && game.timeOut == 1) game.timeOutTime = ClockMillis();
  if (game.demoEnded == 0 || game.levelEndPhase == 0) CheckLevelCleared();
  UpdateLevelEnd();
  if (game.timeOut == 1) {
    if (ClockDiff(ClockMillis(), game.timeOutTime) > TIME_OUT_LEAVE_MS || KeyPresses(KEY_RETURN) != 0) {
      game.leaveGame = 1;
      return Leave();
    }
  }
  ShowLevelEndMessage();
  if (game.showDemoEnd == 1) ShowDemoEnd();
  return true;
}

void GameLoop() {
  EnterGame();
  while (GameFrame()) Flip(-1);
}

void ShowDemoEnd() {
  ClearKeyState();
  SetColor(255, 255, 255);
  SetAlpha(1.0f);
  while (KeyPresses(KEY_RETURN) == 0) {
    if (CloseRequested()) {
      game.leaveGame = 1;  // the next frame hands the score back
      return;
    }
    DrawScreenFrame(game.demoEndImage);
    DrawPanel();
    DrawLevelThumbnail();
    Flip(-1);
  }
  ResetPlay();
  ClearKeyState();
}
