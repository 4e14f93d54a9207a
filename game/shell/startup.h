// The program's main body: the display, the loading picture, the picture
// archive unpacked, every picture, font and sound loaded, the hiscores and
// the instructions read, the music started, then the title screen.
#pragma once

#include <optional>
#include <string>

#include "game/shell/hiscores.h"

struct TStartOptions {
  bool window = false;      // a 1024 x 768 window instead of full screen
  std::optional<int> seed;  // deal from this seed instead of the clock
};

// Runs the whole program from the program folder (the current folder) and
// returns its exit status: 0 after a quit from the title screen, 1 after a
// fatal start-up error, which has been shown in a message box and on stderr.
int StartUp(const TStartOptions& options);

// The lines of the instruction text into instructionLines; a file that
// cannot be read gives the error line as its only line.
void ReadInstructions(const std::string& path);

// Start-up's temporary folder for the unpacked pictures, in the per-user game
// folder (hiscores.h); ends with "/", empty without a per-user folder.
std::string TempFolder();
