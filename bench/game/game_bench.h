// What the game screen benchmarks share: the game's window, its assets loaded
// from the program folder the way start-up loads them, scripted input, and
// every picture the game state record holds.
#pragma once

#include <memory>
#include <vector>

class TImage;

namespace bench {

// The game's 1024 x 768 window (Flip -1 paces it at 60 Hz); false, with a
// message naming `who`, when there is no display.
bool OpenGameWindow(const char* who);

// Enters the program folder for good and loads every picture, font and sound
// into the record, the archive's pictures unpacked for the while. False, with
// a message naming `who` and the file, when something cannot be loaded.
bool LoadGame(const char* who);

// Input the game reads as real: pointer moves, clicks and key presses.
void MovePointer(int x, int y);
void ClickAt(int x, int y, int button = 1);
void PressKey(int key);
// Screen pixel in the middle of a board square.
int SquareCentreX(int col);
int SquareCentreY(int row);

// Every picture the record holds (screens, squares, bonus icons, the level's
// picture), then, with glyphs, the glyph images the fonts have made so far.
std::vector<std::shared_ptr<TImage>> RecordImages(bool glyphs);

}  // namespace bench
