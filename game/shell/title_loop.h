// The title screen: the program's outer loop, keyboard only. From here the
// player starts games, reads the menu's credits and instructions, opens the
// maker's page, restores the default hiscores, types the name of a new
// hiscore, or quits (which saves the table).
#pragma once

#include <string>

// Runs until the player quits (Esc with the menu closed) or the desktop asks
// the program to close; the hiscores are saved on the way out.
void TitleLoop();

// The loop a frame at a time: EnterTitle, then TitleFrame and Flip(-1) while
// TitleFrame is true. False once the table has been saved to quit.
void EnterTitle();
bool TitleFrame();

// Offers finalScore to the table: makes room for it and starts the name
// entry, or leaves the table as it is.
void InsertHiscore();

// The page menu entry 2 opens, and the rights notice at the bottom.
extern const char* const MAKER_PAGE;
extern const char16_t* const RIGHTS_NOTICE;

// What the title screen keeps for itself, for inspection.
struct TTitleState {
  int newEntryIndex = 0;
  std::u16string typedName;
  int restoreAsked = 0;
  int nameJustEntered = 0;
};
const TTitleState& TitleState();
