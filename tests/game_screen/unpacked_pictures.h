// The four pictures of the program folder's picture archive, unpacked into a
// fresh temporary folder for tests and benchmarks that load the game's assets
// the way start-up does (start-up unpacks them itself).
#pragma once

#include <string>

// Unpacks programDir + "/data/qyv2demo.dat" into a new folder under /tmp and
// returns that folder with a trailing "/"; empty (and a message on stderr)
// when the archive cannot be read. RemoveUnpackedPictures deletes it again.
std::string UnpackArchivePictures(const std::string& programDir);
void RemoveUnpackedPictures(const std::string& folder);
