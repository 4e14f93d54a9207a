#include "game/shell/title_loop.h"

#include <cstdlib>

#include "engine/graphics/display.h"
#include "engine/graphics/draw2d.h"
#include "engine/graphics/image.h"
#include "engine/graphics/image_font.h"
#include "engine/input/input.h"
#include "engine/system/files.h"
#include "game/presentation/presentation.h"
#include "game/shell/game_loop.h"
#include "game/shell/game_state.h"
#include "game/shell/hiscores.h"

const char* const MAKER_PAGE = "https://www.velmarch.example/quillory/";
const char16_t* const RIGHTS_NOTICE = u"Copyright 2026 Velmarch. All rights reserved.";

namespace {

constexpr int NAME_WIDTH_LIMIT = 155;
constexpr int TABLE_NAME_X = 388;
constexpr int TABLE_SCORE_X = 588;
constexpr int TABLE_TOP = 180;
constexpr int ROW_HEIGHT = 30;
constexpr int MENU_ENTRIES = 4;

struct Underline {
  int x0, y, x1;
};
constexpr Underline MENU_UNDERLINES[MENU_ENTRIES] = {
    {468, 180, 569}, {440, 211, 604}, {402, 244, 661}, {457, 288, 577}};

TTitleState title;

void DrawCentred(const std::u16string& text, int y) {
  DrawString(text, static_cast<float>((1024 - StringWidth(text)) / 2), static_cast<float>(y));
}

// Ends the title screen: the table goes to disk, whatever the outcome.
bool Quit() {
  SaveHiscores();
  return false;
}

void DrawHiscores() {
  for (int i = 0; i < HISCORE_PLACES; ++i) {
    SetColor(180, 80, 220);
    const float y = static_cast<float>(TABLE_TOP + ROW_HEIGHT * i);
    DrawString(game.hiscoreNames[i], TABLE_NAME_X, y);
    DrawString(DecimalText(game.hiscoreScores[i]), TABLE_SCORE_X, y);
  }
}

void DrawMenu() {
  if (KeyPresses(KEY_UP) != 0 && game.creditsOpen == 0 && game.instructionsOpen == 0 && game.menuIndex > 0) {
    game.menuIndex -= 1;
  }
  if (KeyPresses(KEY_DOWN) != 0 && game.creditsOpen == 0 && game.instructionsOpen == 0 &&
      game.menuIndex < MENU_ENTRIES - 1) {
    game.menuIndex += 1;
  }
  // The underline pulses between grey levels 96 and 248.
  SetColor(game.menuGlow, game.menuGlow, game.menuGlow);
  game.menuGlow += game.menuGlowStep;
  if (game.menuGlow > 255 - std::abs(2 * game.menuGlowStep) || game.menuGlow < 100) {
    game.menuGlowStep = -game.menuGlowStep;
  }
  const int index = game.menuIndex >= 0 && game.menuIndex < MENU_ENTRIES ? game.menuIndex : 0;
  const Underline& u = MENU_UNDERLINES[index];
  DrawLine(static_cast<float>(u.x0), static_cast<float>(u.y), static_cast<float>(u.x1), static_cast<float>(u.y), true);
  if (game.instructionsOpen == 1) {
    SetColor(255, 255, 255);
    DrawImageFrame(game.instructionsImage, 157, 254);
    SetTextFont(game.instructionsFont);
    SetColor(240, 100, 240);
    for (size_t i = 0; i < game.instructionLines.size(); ++i) {
      DrawString(game.instructionLines[i], 164, static_cast<float>(260 + 16 * static_cast<long>(i)));
    }
  }
}

void RunMenuEntry() {
  switch (game.menuIndex) {
    case 0: game.creditsOpen = 1; break;
    case 1: game.instructionsOpen = 1; break;
    case 2: OpenURL(MAKER_PAGE); break;
    default: game.menuOpen = 0; break;
  }
}

// Characters a name may hold: they are stored as one byte each, and a line
// feed, carriage return or control byte would break the scores file.
bool NameCharacter(int c) { return c >= 32 && c <= 255 && c != 127; }

void EnterName() {
  const int c = NextChar();
  // A character without a glyph would add nothing to the width and could
  // grow the name without end.
  const auto font = GetTextFont();
  if (NameCharacter(c) && font && font->CharToGlyph(c) >= 0 && StringWidth(title.typedName) < NAME_WIDTH_LIMIT) {
    title.typedName += static_cast<char16_t>(c);
  }
  if (KeyPresses(KEY_BACKSPACE) != 0 && !title.typedName.empty()) title.typedName.pop_back();
  const int w = StringWidth(title.typedName) + 2;
  const int row = ROW_HEIGHT * title.newEntryIndex;
  SetColor(100, 200, 150);
  DrawString(title.typedName, TABLE_NAME_X, static_cast<float>(173 + row));
  SetColor(140, 200, 150);
  DrawLine(static_cast<float>(TABLE_NAME_X + w), static_cast<float>(179 + row), static_cast<float>(TABLE_NAME_X + w),
           static_cast<float>(197 + row), true);
}

// Return on the title screen: a name completed, a game started, or the menu.
// False when the program is to end.
bool HandleReturn() {
  if (game.enteringName == 1) {
    game.hiscoreNames[title.newEntryIndex] = title.typedName;
    game.enteringName = 0;
    title.nameJustEntered = 1;
    ClearKeyState();
  }
  if (game.menuOpen == 0 && title.nameJustEntered == 0) {
    game.level = 1;
    GameLoop();
    ClearKeyState();
    // A game ended by a close request has no name for its score.
    if (game.closeRequested == 1) return Quit();
    InsertHiscore();
  }
  if (game.menuOpen == 1 && title.restoreAsked == 0) {
    if (game.creditsOpen == 0 && game.instructionsOpen == 0) {
      RunMenuEntry();
    } else {
      game.creditsOpen = 0;
      game.instructionsOpen = 0;
    }
  }
  title.nameJustEntered = 0;
  return true;
}

}  // namespace

const TTitleState& TitleState() { return title; }

void InsertHiscore() {
  const int s = game.finalScore;
  auto& scores = game.hiscoreScores;
  auto& names = game.hiscoreNames;
  if (s == 0) return;
  int k = 0;
  while (k < HISCORE_PLACES && scores[k] > s) ++k;
  if (k == HISCORE_PLACES) return;  // smaller than every score
  game.enteringName = 1;
  // A score equal to entries already there goes below them.
  if (scores[k] == s && k <= HISCORE_PLACES - 2) {
    while (k <= HISCORE_PLACES - 1 && scores[k] == s) ++k;
    if (k == HISCORE_PLACES) {
      game.enteringName = 0;
      return;
    }
  }
  for (int i = HISCORE_PLACES - 1; i > k; --i) {
    names[i] = names[i - 1];
    scores[i] = scores[i - 1];
  }
  names[k].clear();
  scores[k] = s;
  title.typedName.clear();
  title.newEntryIndex = k;
}

void EnterTitle() {
  game.menuIndex = 0;
  title = TTitleState{};
}

bool TitleFrame() {
  if (CloseRequested()) return Quit();

  SetColor(255, 255, 255);
  DrawImageFrame(game.startScreenImage, 0, 0);

  if (KeyPresses(KEY_ESCAPE) != 0) {
    if (game.menuOpen == 0) return Quit();
    if (game.creditsOpen == 0 && game.instructionsOpen == 0) game.menuOpen = 0;
    game.creditsOpen = 0;
    game.instructionsOpen = 0;
  }
  if (game.menuOpen == 1) DrawImageFrame(game.menuImage, 295, 101);
  if (game.creditsOpen == 1) DrawImageFrame(game.creditsImage, 312, 185);

  if (KeyPresses(KEY_F1) != 0 && game.menuOpen == 0 && game.enteringName == 0) {
    title.restoreAsked = 1;
    // Only presses made while the question is shown answer it.
    KeyPresses(KEY_Y);
    KeyPresses(KEY_N);
  }
  if (title.restoreAsked == 1) {
    SetTextFont(game.questionFont);
    SetColor(180, 60, 40);
    DrawCentred(u"Are you sure you want to restore the hiscores?", 440);
    // A Y or N typed into a new hiscore's name is no answer.
    if (game.enteringName == 0) {
      if (KeyPresses(KEY_Y) != 0) {
        RestoreDefaultHiscores();
        title.restoreAsked = 0;
        ClearKeyState();
      }
      if (KeyPresses(KEY_N) != 0) {
        title.restoreAsked = 0;
        ClearKeyState();
      }
    }
  }

  SetTextFont(game.hiscoreFont);
  if (KeyPresses(KEY_M) != 0 && game.enteringName == 0 && game.menuOpen == 0) {
    game.menuOpen = 1;
    game.menuGlow = 100;
    game.menuGlowStep = 4;
  }
  if (game.menuOpen == 0) DrawHiscores();
  if (game.menuOpen == 1) DrawMenu();

  if (KeyPresses(KEY_RETURN) != 0 && !HandleReturn()) return false;

  if (game.instructionsOpen == 0) {
    SetTextFont(game.promptFont);
    SetColor(80, 240, 80);
    DrawCentred(u"Press M for Menu", 674);
    SetColor(240, 240, 100);
    DrawCentred(u"Press Return to Begin", 700);
    SetColor(80, 120, 255);
    DrawCentred(RIGHTS_NOTICE, 730);
  }
  if (game.enteringName == 1) EnterName();
  return true;
}

void TitleLoop() {
  EnterTitle();
  while (TitleFrame()) Flip(-1);
}
