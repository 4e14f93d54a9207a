#include "game/shell/game_state.h"

#include "engine/system/clock.h"

namespace {

// How far before "now" a fresh record puts idleSince: far enough that every
// wait measured from it is over, near enough that 32-bit differences stay
// positive for days of running.
constexpr unsigned IDLE_LONG_AGO = 1u << 30;

}  // namespace

GameState game;

namespace {

// Runs once the record exists, so that a program that never calls
// ResetGameState still starts with the fixed texts in place.
const bool recordReady = [] {
  ResetGameState();
  return true;
}();

}  // namespace

std::shared_ptr<MyNumero> MyNumero::New() {
  auto obj = std::make_shared<MyNumero>();
  game.numeroPool.Add(obj);
  return obj;
}
void MyNumero::Destroy() { game.numeroPool.Remove(this); }
void MyNumero::DestroyEach() { game.numeroPool.Clear(); }

std::shared_ptr<MyCoordPair> MyCoordPair::New() {
  auto obj = std::make_shared<MyCoordPair>();
  game.hiddenSquares.Add(obj);
  return obj;
}
void MyCoordPair::Destroy() { game.hiddenSquares.Remove(this); }
void MyCoordPair::DestroyEach() { game.hiddenSquares.Clear(); }

std::shared_ptr<MyMarks> MyMarks::New() {
  auto obj = std::make_shared<MyMarks>();
  game.marksList.Add(obj);
  return obj;
}
void MyMarks::Destroy() { game.marksList.Remove(this); }
void MyMarks::DestroyEach() { game.marksList.Clear(); }

std::shared_ptr<Myball> Myball::New() {
  auto obj = std::make_shared<Myball>();
  game.ballList.Add(obj);
  return obj;
}
void Myball::Destroy() { game.ballList.Remove(this); }
void Myball::DestroyEach() { game.ballList.Clear(); }

void FillFixedTables() {
  game.statusMessages = {
      u"Game Over",
      u"Square selected, select another square",
      u"",
      u"Showing Numbers",
      u"Bonus clicked!",
      u"Two squares selected, no pair",
      u"Two squares selected, it's a pair!",
      u"Square selected, select another square",
      u"Showing numbers -- can't mark now!",
      u"No marks left!",
      u"Square marked",
      u"These squares can't be marked!",
  };

  static const char16_t* const bonusTexts[BONUS_KINDS] = {
      u"?-bonus: When clicked, shows one number",
      u"4-bonus: Shows 4 squares, if possible",
      u"Bonus: Shows individual numbers",
      u"Row bonus: Show 7 squares, if possible",
      u"Col bonus: Show 7 squares, if possible",
      u"M-bonus: Decreases mistakes value",
      u"Pair bonus: Finds a pair for selected square",
  };
  game.bonusTable[0] = nullptr;
  for (int kind = 1; kind <= BONUS_KINDS; ++kind) {
    auto& entry = game.bonusTable[kind];
    if (!entry) entry = std::make_shared<MyBonus>();
    entry->msg = bonusTexts[kind - 1];
  }

  if (!game.levelTable[0]) game.levelTable[0] = std::make_shared<MyLevel>();
  game.levelTable[0]->r = 0;
  game.levelTable[0]->g = 80;
  game.levelTable[0]->b = 200;

  game.defaultHiscoreNames = {u"Varnel", u"Tobrin", u"Ostrailen", u"Dembly",
                              u"Hurlo",  u"Feskin", u"Yorrel",    u"Lintorpe"};
  game.defaultHiscoreScores = {100, 90, 80, 70, 60, 50, 40, 30};
}

void ResetGameState() {
  game = GameState{};
  FillFixedTables();
  game.idleSince = static_cast<int>(static_cast<unsigned>(ClockMillis()) - IDLE_LONG_AGO);
}

int BoardAt(int x, int y) {
  if (x < 0 || x >= BOARD_SIZE || y < 0 || y >= BOARD_SIZE) return 0;
  return game.board[x + BOARD_SIZE * y];
}
