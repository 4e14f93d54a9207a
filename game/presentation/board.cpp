#include "engine/graphics/draw2d.h"
#include "engine/graphics/image.h"
#include "game/presentation/presentation.h"
#include "game/rules/rules.h"

namespace {

constexpr int WINDOW_INSET = 5;
constexpr int WINDOW_SIZE = 65;
constexpr int NUMBER_TOP = 11;
constexpr float FADE_STEP = 0.02f;
constexpr int THUMB_FRAME_X = 786, THUMB_FRAME_Y = 650;
constexpr int THUMB_X = 789, THUMB_Y = 653;
constexpr float THUMB_SCALE = 0.167f;
// The pulse turns where the stored single-precision scale crosses these.
constexpr float PULSE_LOW = 0.2f;
constexpr float PULSE_HIGH = 0.98f;

// The entry of levelTable for level n (1-based); Null outside the table.
const MyLevel* LevelEntry(int n) {
  if (n < 1 || n > LEVEL_TABLE_SIZE) return nullptr;
  return game.levelTable[n - 1].get();
}

std::shared_ptr<TImage> LevelPicture() {
  const MyLevel* l = LevelEntry(game.level);
  return l ? l->gfxModel : nullptr;
}

void DrawSelected(int selected, float& alpha, int x, int y) {
  if (selected != 1) return;
  SetTextFont(game.numberFont);
  SetAlpha(alpha);
  if (alpha < 1.0f) alpha += FADE_STEP;
  DrawSquareWindow(x, y);
  if (BoardAt(x, y) > 0) DrawSquareNumber(x, y);
}

}  // namespace

std::u16string DecimalText(int value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

int CellX(int col) { return BOARD_LEFT + SQUARE_SIZE * col; }
int CellY(int row) { return BOARD_TOP + SQUARE_SIZE * row; }

void DrawSquareWindow(int col, int row) {
  SetColor(255, 255, 255);
  DrawImagePart(LevelPicture(), static_cast<float>(CellX(col) + WINDOW_INSET),
                static_cast<float>(CellY(row) + WINDOW_INSET), WINDOW_SIZE, WINDOW_SIZE,
                static_cast<float>(SQUARE_SIZE * col + WINDOW_INSET),
                static_cast<float>(SQUARE_SIZE * row + WINDOW_INSET), WINDOW_SIZE, WINDOW_SIZE, 0, 0, 0);
}

namespace {

// Where a cell's number text starts.
float NumberX(int col, const std::u16string& text) {
  return static_cast<float>(CellX(col) + (SQUARE_SIZE - StringWidth(text)) / 2);
}
float NumberY(int row) { return static_cast<float>(CellY(row) + NUMBER_TOP); }

}  // namespace

void DrawCellNumberText(int col, int row, const std::u16string& text) {
  DrawString(text, NumberX(col, text), NumberY(row));
}

void DrawSquareNumber(int col, int row) {
  const std::u16string text = DecimalText(BoardAt(col, row));
  SetColor(255, 255, 255);
  DrawString(text, NumberX(col, text) - 1, NumberY(row) - 1);
  const MyLevel* l = LevelEntry(game.level);
  if (l) SetColor(l->r, l->g, l->b);
  DrawCellNumberText(col, row, text);
}

void DrawRevealedSquare(int col, int row) {
  DrawSquareWindow(col, row);
  DrawSquareNumber(col, row);
}

void DrawSquares() {
  for (int row = 0; row < BOARD_SIZE; ++row) {
    for (int col = 0; col < BOARD_SIZE; ++col) {
      DrawImageFrame(game.squareImage, static_cast<float>(CellX(col)), static_cast<float>(CellY(row)), 0);
    }
  }
}

void DrawFoundCells() {
  SetColor(255, 255, 255);
  SetAlpha(1.0f);
  const auto picture = LevelPicture();
  for (int row = 0; row < BOARD_SIZE; ++row) {
    for (int col = 0; col < BOARD_SIZE; ++col) {
      if (BoardAt(col, row) != 0) continue;
      DrawImagePart(picture, static_cast<float>(CellX(col)), static_cast<float>(CellY(row)), SQUARE_SIZE,
                    SQUARE_SIZE, static_cast<float>(SQUARE_SIZE * col), static_cast<float>(SQUARE_SIZE * row),
                    SQUARE_SIZE, SQUARE_SIZE, 0, 0, 0);
    }
  }
}

void DrawSelectedSquares() {
  ExpireNoPair();
  DrawSelected(game.firstSelected, game.firstAlpha, game.firstX, game.firstY);
  DrawSelected(game.secondSelected, game.secondAlpha, game.secondX, game.secondY);
}

void DrawBonusIcon() {
  if (game.boardEmpty == 1 || game.levelEndPhase == 1) return;
  SetColor(255, 255, 255);
  game.bonusPulse -= game.bonusPulseStep;
  if (game.bonusPulse < PULSE_LOW || game.bonusPulse > PULSE_HIGH) game.bonusPulseStep = -game.bonusPulseStep;
  const int offset = static_cast<int>((1.0f - game.bonusPulse) * static_cast<float>(SQUARE_SIZE) / 2);
  SetDrawScale(game.bonusPulse, game.bonusPulse);

  const int kind = game.bonusKind;
  if (kind == BONUS_MODEL) {
    // Shows its own square's number while it lies on the board; no pulse.
    const MySquare at = BonusSquare(kind);
    SetDrawScale(1, 1);
    DrawImageFrame(game.bonusTable[kind] ? game.bonusTable[kind]->gfx : nullptr,
                   static_cast<float>(CellX(at.x)), static_cast<float>(CellY(at.y)), 0);
    // The picture's source corner has no inset here, unlike a square's window.
    DrawImagePart(LevelPicture(), static_cast<float>(CellX(at.x) + WINDOW_INSET),
                  static_cast<float>(CellY(at.y) + WINDOW_INSET), WINDOW_SIZE, WINDOW_SIZE,
                  static_cast<float>(SQUARE_SIZE * at.x), static_cast<float>(SQUARE_SIZE * at.y), WINDOW_SIZE,
                  WINDOW_SIZE, 0, 0, 0);
    SetTextFont(game.numberFont);
    DrawSquareNumber(at.x, at.y);
  } else if (kind >= 1 && kind <= BONUS_KINDS) {
    const MySquare at = BonusSquare(kind);
    DrawImageFrame(game.bonusTable[kind] ? game.bonusTable[kind]->gfx : nullptr,
                   static_cast<float>(CellX(at.x) + offset), static_cast<float>(CellY(at.y) + offset), 0);
  }
  SetDrawScale(1, 1);
}

void DrawLevelThumbnail() {
  SetColor(255, 255, 255);
  DrawImageFrame(game.littleFrameImage, THUMB_FRAME_X, THUMB_FRAME_Y, 0);
  if (game.level > 1) {
    SetDrawScale(THUMB_SCALE, THUMB_SCALE);
    const MyLevel* previous = LevelEntry(game.level - 1);
    DrawImageFrame(previous ? previous->gfxModel : nullptr, THUMB_X, THUMB_Y, 0);
    SetDrawScale(1, 1);
  } else {
    DrawImageFrame(game.levelEmptyImage, THUMB_X, THUMB_Y, 0);
  }
}
