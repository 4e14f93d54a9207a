// The eight-place hiscore table of the game state record and its scores file.
//
// The file holds the 8 entries in table order, best first; each is the name,
// one byte per character (the low 8 bits of its code), the bytes 13 10, and
// the score as a 4-byte little-endian int. No header, no count.
#pragma once

#include <string>

// The per-user game folder, ending with "/"; empty when there is no per-user
// application-data folder.
std::string UserGameFolder();
// The per-user game folder's "scores.dat"; empty without one.
std::string ScoresFilePath();

// Fills hiscoreNames and hiscoreScores from the scores file. A missing or
// unreadable file, or one that ends before the eighth score is complete,
// gives the whole default table. Bytes after the eighth entry are ignored.
void LoadHiscores();

// Copies the default table over the current one; the file is not touched.
void RestoreDefaultHiscores();

// Writes the current table to the scores file. The bytes go to a new file in
// the same folder first, which replaces "scores.dat" only once it is complete
// and on disk: a save that fails leaves the previous file as it was. True when
// the whole table is on disk. A whole save also removes the new files of saves
// that were killed before their rename. The folder is not created here.
bool SaveHiscores();
