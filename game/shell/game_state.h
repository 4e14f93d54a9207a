// The game state record: every field the game's operations share, held in one
// instance (`game`) for the whole run, plus the game's object types and lists.
// The rules write it and the drawing layers read it; nothing else is passed
// between the game's operations.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class TImage;
class TImageFont;
class TSound;
class TChannel;

// An ordered list of live game objects of one type. Objects are held by
// reference; removing one takes out exactly that object and keeps the order
// of the rest. Iterating with begin()/end() must not change the list: a pass
// that may destroy the object it visits walks Snapshot() instead.
template <class T>
class MyList {
 public:
  using Ptr = std::shared_ptr<T>;

  void Add(Ptr obj) { items_.push_back(std::move(obj)); }
  void Remove(const T* obj) {
    auto it = std::find_if(items_.begin(), items_.end(),
                           [obj](const Ptr& p) { return p.get() == obj; });
    if (it != items_.end()) items_.erase(it);
  }
  void Clear() { items_.clear(); }
  std::size_t Count() const { return items_.size(); }
  bool IsEmpty() const { return items_.empty(); }
  // 0-based position in list order.
  const Ptr& At(std::size_t index) const { return items_.at(index); }
  std::vector<Ptr> Snapshot() const { return items_; }
  typename std::vector<Ptr>::const_iterator begin() const { return items_.begin(); }
  typename std::vector<Ptr>::const_iterator end() const { return items_.end(); }

 private:
  std::vector<Ptr> items_;
};

// A number not yet dealt; lives in numeroPool while a board is dealt.
struct MyNumero {
  int numero = 0;
  static std::shared_ptr<MyNumero> New();  // appended to numeroPool
  void Destroy();                          // leaves numeroPool
  static void DestroyEach();               // empties numeroPool
};

// A square (column x, row y) in hiddenSquares.
struct MyCoordPair {
  int x = 0;
  int y = 0;
  int numero = 0;
  static std::shared_ptr<MyCoordPair> New();
  void Destroy();
  static void DestroyEach();
};

// A marked square (column x, row y) in marksList.
struct MyMarks {
  int x = 0;
  int y = 0;
  static std::shared_ptr<MyMarks> New();
  void Destroy();
  static void DestroyEach();
};

// A ball of the pointer trail (screen pixels) in ballList.
struct Myball {
  int x = 0;
  int y = 0;
  float alpha = 0.0f;
  static std::shared_ptr<Myball> New();
  void Destroy();
  static void DestroyEach();
};

// Description and icon of a bonus kind.
struct MyBonus {
  std::u16string msg;
  std::shared_ptr<TImage> gfx;
};

// Number colour and picture of a level.
struct MyLevel {
  int r = 0;
  int g = 0;
  int b = 0;
  std::shared_ptr<TImage> gfxModel;
};

enum : int {
  BOARD_SIZE = 8,
  BOARD_SQUARES = 64,
  BOARD_LEFT = 45,
  BOARD_TOP = 36,
  SQUARE_SIZE = 75,
  STATUS_MESSAGE_COUNT = 12,
  BONUS_KINDS = 7,
  LEVEL_TABLE_SIZE = 12,
  HISCORE_PLACES = 8,
};

// Bonus kinds (index into bonusTable).
enum : int {
  BONUS_NONE = 0,
  BONUS_QUESTION = 1,
  BONUS_FOUR = 2,
  BONUS_MODEL = 3,
  BONUS_ROW = 4,
  BONUS_COL = 5,
  BONUS_MISTAKE = 6,
  BONUS_PAIR = 7,
};

struct GameState {
  // Assets, loaded once at start-up.
  std::shared_ptr<TImage> startScreenImage, backgroundImage, boardBackdropImage,
      messageFrameImage, squareImage, squareMarkImage, menuImage, creditsImage,
      instructionsImage, quitImage, pointerImage, ballImage, levelEmptyImage,
      littleFrameImage, demoEndImage;
  std::shared_ptr<TImageFont> numberFont, panelFont, passwordFont, messageFont, hiscoreFont,
      instructionsFont, questionFont, promptFont;
  std::shared_ptr<TSound> pairSound, levelClearedSound, musicSound;
  std::shared_ptr<TChannel> musicChannel;

  // Fixed tables.
  std::array<std::u16string, STATUS_MESSAGE_COUNT> statusMessages;
  std::array<std::shared_ptr<MyBonus>, BONUS_KINDS + 1> bonusTable;  // entry 0 Null
  std::array<std::shared_ptr<MyLevel>, LEVEL_TABLE_SIZE> levelTable;  // entry 0 only
  std::array<std::u16string, HISCORE_PLACES> defaultHiscoreNames;
  std::array<int, HISCORE_PLACES> defaultHiscoreScores{};
  std::vector<std::u16string> instructionLines;

  // Title screen and hiscores.
  std::array<std::u16string, HISCORE_PLACES> hiscoreNames;
  std::array<int, HISCORE_PLACES> hiscoreScores{};
  int menuOpen = 0;
  int menuIndex = 0;
  int creditsOpen = 0;
  int instructionsOpen = 0;
  int menuGlow = 0;
  int menuGlowStep = 0;
  int enteringName = 0;

  // Game loop.
  int paused = 0;
  int quitConfirm = 0;
  int leaveGame = 0;
  int pauseStart = 0, pauseEnd = 0;
  int quitAskStart = 0, quitAskEnd = 0;
  int timeOutTime = 0;
  int mouseX = 0, mouseY = 0;
  int score = 0;
  int finalScore = 0;
  // The window was asked to close during a game: the game ended with its
  // score, and the program should end once the title screen has it.
  int closeRequested = 0;

  // Board and selection.
  std::array<int, BOARD_SQUARES> board{};  // index column + 8 * row
  MyList<MyNumero> numeroPool;
  MyList<MyCoordPair> hiddenSquares;
  MyList<MyMarks> marksList;
  MyList<Myball> ballList;
  int firstSelected = 0, secondSelected = 0;
  int firstX = 0, firstY = 0, secondX = 0, secondY = 0;
  float firstAlpha = 0.0f, secondAlpha = 0.0f;
  int firstNumber = 0, secondNumber = 0;
  int noPairTime = 0;

  // Status line.
  int statusShown = 0;
  std::u16string statusText;
  int statusTime = 0;

  // Level, clock and score.
  int level = 0;
  int timeLeft = 0;
  int secondTickTime = 0;
  int timeOut = 0;
  int gameOver = 0;
  int mistakes = 0;
  int marksLeft = 0;
  int boardEmpty = 0;
  int boardCleared = 0;
  int levelCleared = 0;
  int levelClearedTime = 0;
  int levelEndPhase = 0;
  int levelEndMessageTime = 0;
  int skipWait = 0;
  int countdownRunning = 0, countdownActive = 0, countdownDone = 0;
  int countdownTickTime = 0;
  int finalLevelCleared = 0;
  int demoEnded = 0, showDemoEnd = 0;

  // Bonuses.
  int bonusKind = 0;
  int bonusAllowed = 0;
  // Start of the wait before the next bonus. A fresh record puts it long
  // before the clock reading of its creation, so the first game may get a
  // bonus at once whatever the sign of the clock (see ResetGameState).
  int idleSince = 0;
  int bonusSpawnTime = 0, bonusHopTime = 0;
  int bonusLifetime = 0;  // seconds
  int pairBonusCount = 0;
  int lastPairTime = 0;
  float bonusPulse = 0.0f;
  float bonusPulseStep = 0.02f;
  int qBonusX = 0, qBonusY = 0;
  int fourBonusX = 0, fourBonusY = 0;
  int modelBonusX = 0, modelBonusY = 0;
  int rowBonusX = 0, rowBonusY = 0;
  int colBonusX = 0, colBonusY = 0;
  int mBonusX = 0, mBonusY = 0;
  int pairBonusX = 0, pairBonusY = 0;

  // Reveals and Show Numbers.
  int qRevealActive = 0, qRevealStart = 0;
  int fourRevealActive = 0, fourRevealStart = 0;
  float fourRevealAlpha = 0.0f;
  int rowRevealActive = 0, rowRevealGrowing = 0, rowRevealHolding = 0;
  int rowRevealReach = 0;
  int rowRevealStepTime = 0, rowRevealHoldStart = 0;
  std::array<float, 7> rowRevealAlpha{};
  int colRevealActive = 0, colRevealGrowing = 0, colRevealHolding = 0;
  int colRevealReach = 0;
  int colRevealStepTime = 0, colRevealHoldStart = 0;
  std::array<float, 7> colRevealAlpha{};
  int markedDuringReveal = 0;
  int showingNumbers = 0, showNumbersStart = 0;
  int numbersShownUsed = 0;
};

// The one record of the run.
extern GameState game;

// Puts the record back to its program-start state: every field at its starting
// value, the object lists empty, the fixed texts filled (status messages, bonus
// descriptions, the demo level's colour, the default hiscores; pictures stay
// Null until start-up loads them) and idleSince long before now.
void ResetGameState();

// Fills the fixed texts of the record, as ResetGameState does; start-up then
// adds the pictures to bonusTable and levelTable.
void FillFixedTables();

// The board entry of square (x, y); 0 for a square off the board.
int BoardAt(int x, int y);
