// The game's pictures, fonts, fixed tables and sounds, loaded into the game
// state record the one way start-up loads them.
#pragma once

#include <string>

// Loads, in start-up's order, every picture, font and sound and fills the
// fixed tables. Loose files are read relative to the current folder (the
// program folder); the four pictures unpacked from the picture archive are
// read from tempDir, which ends with a path separator. Black becomes the mask
// colour first. Stops at the first picture or font that cannot be loaded and
// returns its file name (as asked for); empty when everything is loaded. A
// sound that cannot be loaded stays Null: the game then plays nothing there.
std::string LoadGameAssets(const std::string& tempDir);
