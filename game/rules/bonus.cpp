#include "engine/audio/sound.h"
#include "engine/system/clock.h"
#include "game/rules/rules.h"

namespace {

constexpr int BONUS_IDLE_MS = 10000;
constexpr int PAIR_BONUS_AFTER_MS = 60000;
constexpr int PAIR_BONUS_MAX = 7;
constexpr int PAIR_BONUS_MIN_TIME_LEFT = 720;  // seconds
constexpr int BONUS_HOP_MS = 3000;
constexpr int QUESTION_REVEAL_MS = 5000;
constexpr int FOUR_REVEAL_MS = 10000;
constexpr int LINE_STEP_MS = 250;
constexpr int LINE_HOLD_MS = 10000;
constexpr int LINE_MAX_REACH = 3;

int* BonusSquareX(int kind) {
  switch (kind) {
    case BONUS_QUESTION: return &game.qBonusX;
    case BONUS_FOUR: return &game.fourBonusX;
    case BONUS_MODEL: return &game.modelBonusX;
    case BONUS_ROW: return &game.rowBonusX;
    case BONUS_COL: return &game.colBonusX;
    case BONUS_MISTAKE: return &game.mBonusX;
    case BONUS_PAIR: return &game.pairBonusX;
    default: return nullptr;
  }
}

int* BonusSquareY(int kind) {
  switch (kind) {
    case BONUS_QUESTION: return &game.qBonusY;
    case BONUS_FOUR: return &game.fourBonusY;
    case BONUS_MODEL: return &game.modelBonusY;
    case BONUS_ROW: return &game.rowBonusY;
    case BONUS_COL: return &game.colBonusY;
    case BONUS_MISTAKE: return &game.mBonusY;
    case BONUS_PAIR: return &game.pairBonusY;
    default: return nullptr;
  }
}

// Places the bonus of a kind on a random hidden square; false (and the kind's
// square unchanged) when no square is hidden.
bool PlaceBonus(int kind) {
  auto sq = PickHiddenSquare();
  if (!sq) return false;
  *BonusSquareX(kind) = sq->x;
  *BonusSquareY(kind) = sq->y;
  return true;
}

// The bonus on the board goes without effect, as when its lifetime is over.
void ExpireBonus() {
  const int kind = game.bonusKind;
  const int now = ClockMillis();
  game.bonusKind = 0;
  game.bonusAllowed = 1;
  game.idleSince = now;
  if (kind == BONUS_PAIR) game.lastPairTime = now;
}

// The ?-reveal and a 4-reveal click stop a line reveal that is holding. A line
// reveal stopped that way ends as a whole: left active with neither phase
// running, it would keep the bonus from moving and the right button marking.
void StopLineRevealHolds() {
  if (game.rowRevealHolding == 1 && game.rowRevealGrowing == 0) game.rowRevealActive = 0;
  if (game.colRevealHolding == 1 && game.colRevealGrowing == 0) game.colRevealActive = 0;
  game.rowRevealHolding = 0;
  game.colRevealHolding = 0;
}

// A square a 4-, row or column reveal may show: still hidden, number not 0.
bool IsShowable(int x, int y) {
  if (x < 0 || x >= BOARD_SIZE || y < 0 || y >= BOARD_SIZE) return false;
  return IsKnownSquare(x, y) == 0 && BoardAt(x, y) != 0;
}

bool QuestionShows(int x, int y) {
  return game.qRevealActive == 1 && x == game.qBonusX && y == game.qBonusY &&
         IsMarked(x, y) == 0 && BoardAt(x, y) != 0;
}

bool FourShows(int x, int y) {
  if (game.fourRevealActive != 1) return false;
  const int dx = x - game.fourBonusX, dy = y - game.fourBonusY;
  return dx >= 0 && dx <= 1 && dy >= 0 && dy <= 1 && IsShowable(x, y);
}

bool RowShows(int x, int y) {
  if (game.rowRevealActive != 1 || y != game.rowBonusY) return false;
  const int d = x - game.rowBonusX;
  return d >= -game.rowRevealReach && d <= game.rowRevealReach && IsShowable(x, y);
}

bool ColumnShows(int x, int y) {
  if (game.colRevealActive != 1 || x != game.colBonusX) return false;
  const int d = y - game.colBonusY;
  return d >= -game.colRevealReach && d <= game.colRevealReach && IsShowable(x, y);
}

// One growth step of a line reveal; at reach 4 the hold begins with reach 3.
void GrowLine(int& growing, int& holding, int& reach, int& stepTime, int& holdStart) {
  if (growing != 1) return;
  const int now = ClockMillis();
  if (ClockDiff(now, stepTime) <= LINE_STEP_MS) return;
  reach += 1;
  stepTime = now;
  if (reach > LINE_MAX_REACH) {
    growing = 0;
    holding = 1;
    reach = LINE_MAX_REACH;
    holdStart = now;
  }
}

// The first other square in row-major order with the same number.
std::optional<MySquare> FindPartner(MySquare at) {
  const int n = BoardAt(at.x, at.y);
  for (int y = 0; y < BOARD_SIZE; ++y) {
    for (int x = 0; x < BOARD_SIZE; ++x) {
      if ((x != at.x || y != at.y) && BoardAt(x, y) == n) return MySquare{x, y};
    }
  }
  return std::nullopt;
}

}  // namespace

MySquare BonusSquare(int kind) {
  const int* x = BonusSquareX(kind);
  const int* y = BonusSquareY(kind);
  if (!x || !y) return {};
  return {*x, *y};
}

void SpawnBonus() {
  if (game.boardEmpty == 1 || game.levelEndPhase == 1 || game.qRevealActive == 1 ||
      game.bonusAllowed == 0 || game.gameOver == 1 || game.firstSelected == 1 ||
      game.secondSelected == 1 || game.showingNumbers == 1 || game.bonusKind != 0) {
    return;
  }
  const int now = ClockMillis();

  if (ClockDiff(now, game.lastPairTime) > PAIR_BONUS_AFTER_MS &&
      game.pairBonusCount < PAIR_BONUS_MAX && game.timeLeft > PAIR_BONUS_MIN_TIME_LEFT) {
    game.bonusKind = BONUS_PAIR;
    game.bonusSpawnTime = now;
    game.bonusLifetime = RandomInt(7, 17);
    game.bonusAllowed = 0;
    if (!PlaceBonus(BONUS_PAIR)) {
      // Every square left is marked: nothing to find a pair for.
      ExpireBonus();
      return;
    }
    game.pairBonusCount += 1;
    game.bonusHopTime = now;
    return;
  }

  if (ClockDiff(now, game.idleSince) <= BONUS_IDLE_MS) return;

  const int kind = game.mistakes > 0 ? RandomInt(1, 6) : RandomInt(1, 5);
  game.bonusKind = kind;
  game.bonusAllowed = 0;
  game.bonusSpawnTime = now;
  game.bonusHopTime = now;
  game.bonusLifetime = kind == BONUS_MODEL ? RandomInt(15, 30) : RandomInt(7, 17);
  if (!PlaceBonus(kind)) {
    ExpireBonus();
    return;
  }
  if (kind == BONUS_ROW) game.rowRevealReach = 0;
  if (kind == BONUS_COL) game.colRevealReach = 0;
  const auto& entry = game.bonusTable[kind];
  ShowStatus(entry ? entry->msg : std::u16string());
  game.bonusHopTime = now;
}

void UpdateBonus() {
  if (game.bonusKind == 0 || game.boardEmpty == 1 || game.rowRevealActive == 1 ||
      game.rowRevealHolding == 1 || game.colRevealActive == 1 || game.colRevealHolding == 1) {
    return;
  }
  const int now = ClockMillis();
  // Lifetimes are at most 30 s, so the product cannot overflow.
  if (ClockDiff(now, game.bonusSpawnTime) > game.bonusLifetime * 1000) {
    ExpireBonus();
    return;
  }
  if (ClockDiff(now, game.bonusHopTime) > BONUS_HOP_MS) {
    PlaceBonus(game.bonusKind);  // with no hidden square left it stays put
    game.bonusHopTime = now;
  }
}

int IsPointerOnBonus() {
  const int kind = game.bonusKind;
  if (kind < 1 || kind > BONUS_KINDS) return 0;
  // First accepted pixel column and row of each kind's hit test.
  static const int firstX[BONUS_KINDS + 1] = {0, 45, 46, 46, 45, 46, 46, 45};
  static const int firstY[BONUS_KINDS + 1] = {0, 37, 36, 37, 36, 37, 37, 36};
  auto sq = SquareAtPointer(firstX[kind], firstY[kind]);
  return sq && *sq == BonusSquare(kind) ? 1 : 0;
}

void UseBonus() {
  const int kind = game.bonusKind;
  if (kind < 1 || kind > BONUS_KINDS) return;
  const MySquare at = BonusSquare(kind);
  if (BoardAt(at.x, at.y) == 0) {
    // Its square was cleared under it: the bonus has nothing to act on.
    ExpireBonus();
    return;
  }

  ShowStatus(game.statusMessages[4]);
  game.bonusKind = 0;
  const int now = ClockMillis();
  switch (kind) {
    case BONUS_QUESTION:
      game.qRevealActive = 1;
      game.qRevealStart = now;
      StopLineRevealHolds();
      game.score += 1;
      break;
    case BONUS_FOUR:
      game.fourRevealAlpha = 0.0f;
      game.fourRevealActive = 1;
      game.fourRevealStart = now;
      game.score += 1;
      break;
    case BONUS_MODEL:
      game.score += 1;
      game.idleSince = now;
      game.bonusAllowed = 1;
      break;
    case BONUS_ROW:
      game.score += 1;
      game.rowRevealActive = 1;
      game.rowRevealGrowing = 1;
      game.rowRevealStepTime = now;
      game.rowRevealAlpha.fill(0.0f);
      break;
    case BONUS_COL:
      game.colRevealAlpha.fill(0.0f);
      game.score += 1;
      game.colRevealActive = 1;
      game.colRevealGrowing = 1;
      game.colRevealStepTime = now;
      break;
    case BONUS_MISTAKE:
      if (game.mistakes > 0) game.mistakes -= 1;
      game.score += 1;
      game.idleSince = now;
      game.bonusAllowed = 1;
      break;
    case BONUS_PAIR:
      if (auto partner = FindPartner(at)) {
        ClearPair(at.x, at.y, partner->x, partner->y);
        game.score += 2;
        StartSound(game.pairSound);
        game.lastPairTime = now;
      }
      game.idleSince = now;
      game.bonusAllowed = 1;
      break;
  }
}

int IsRevealTakingClick() {
  return game.qRevealActive == 1 || game.fourRevealActive == 1 || game.rowRevealHolding == 1 ||
                 game.colRevealHolding == 1
             ? 1
             : 0;
}

void EndRevealByClick() {
  const int now = ClockMillis();
  if (game.qRevealActive == 1) {
    game.qRevealActive = 0;
    game.bonusKind = 0;
    game.bonusAllowed = 1;
    StopLineRevealHolds();
    game.idleSince = now;
  } else if (game.fourRevealActive == 1) {
    game.fourRevealActive = 0;
    game.idleSince = now;
    game.bonusAllowed = 1;
    StopLineRevealHolds();
  } else if (game.rowRevealHolding == 1) {
    game.rowRevealHolding = 0;
    game.rowRevealActive = 0;
    game.bonusAllowed = 1;
    game.idleSince = now;
  } else if (game.colRevealHolding == 1) {
    game.colRevealHolding = 0;
    game.colRevealActive = 0;
    game.bonusAllowed = 1;
    game.idleSince = now;
  }
}

void EndAllReveals() {
  game.qRevealActive = 0;
  game.fourRevealActive = 0;
  game.rowRevealHolding = 0;
  game.rowRevealActive = 0;
  game.colRevealHolding = 0;
  game.colRevealActive = 0;
}

int IsRevealed(int x, int y) {
  return QuestionShows(x, y) || FourShows(x, y) || RowShows(x, y) || ColumnShows(x, y) ? 1 : 0;
}

void ExpireQuestionReveal() {
  if (game.qRevealActive != 1) return;
  const int now = ClockMillis();
  if (ClockDiff(now, game.qRevealStart) < QUESTION_REVEAL_MS) return;
  game.markedDuringReveal = 0;
  game.qRevealActive = 0;
  game.bonusKind = 0;
  game.bonusAllowed = 1;
  StopLineRevealHolds();
  game.idleSince = now;
}

void ExpireFourReveal() {
  if (game.fourRevealActive != 1) return;
  const int now = ClockMillis();
  if (ClockDiff(now, game.fourRevealStart) < FOUR_REVEAL_MS) return;
  game.markedDuringReveal = 0;
  game.fourRevealActive = 0;
  game.bonusAllowed = 1;
  game.idleSince = now;
}

void GrowRowReveal() {
  if (game.rowRevealActive != 1) return;
  GrowLine(game.rowRevealGrowing, game.rowRevealHolding, game.rowRevealReach,
           game.rowRevealStepTime, game.rowRevealHoldStart);
}

void GrowColumnReveal() {
  if (game.colRevealActive != 1) return;
  GrowLine(game.colRevealGrowing, game.colRevealHolding, game.colRevealReach,
           game.colRevealStepTime, game.colRevealHoldStart);
}

void ExpireRowReveal() {
  if (game.rowRevealActive != 1 || game.rowRevealGrowing == 1 || game.rowRevealHolding != 1) return;
  const int now = ClockMillis();
  if (ClockDiff(now, game.rowRevealHoldStart) < LINE_HOLD_MS) return;
  game.markedDuringReveal = 0;
  game.rowRevealHolding = 0;
  game.rowRevealActive = 0;
  game.bonusKind = 0;
  game.bonusAllowed = 1;
  game.idleSince = now;
}

void ExpireColumnReveal() {
  if (game.colRevealActive != 1 || game.colRevealGrowing == 1 || game.colRevealHolding != 1) return;
  const int now = ClockMillis();
  if (ClockDiff(now, game.colRevealHoldStart) < LINE_HOLD_MS) return;
  game.markedDuringReveal = 0;
  game.colRevealHolding = 0;
  game.colRevealActive = 0;
  game.bonusAllowed = 1;
  game.idleSince = now;
}
