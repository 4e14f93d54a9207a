// The picture archive: four records of a name, a decimal size and that many
// bytes, unpacked at start-up into the per-user temporary folder.
#pragma once

#include <string>

// Unpacks the four records of the archive at archivePath into tempDir, each
// into the file of the record's name.
//  0: all four files are written;
// -1: the archive cannot be opened; nothing else happened and the current
//     folder is unchanged;
// -2: a record is missing, broken or unsafe (a name that is not a plain file
//     name of 1 to 50 bytes, a size beyond the end of the archive), tempDir
//     cannot be entered, or a file cannot be created or written; the files
//     this run wrote are removed again.
// Once the archive is open and tempDir entered, tempDir stays the current
// folder afterwards, whatever the outcome; start-up changes back.
int ExtractPictureArchive(const std::string& archivePath, const std::string& tempDir);
