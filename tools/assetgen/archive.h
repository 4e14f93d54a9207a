// The picture archive the game unpacks at start-up: records of a file name,
// white space, the size in decimal digits and then exactly that many bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

struct ArchiveRecord {
  std::string name;
  std::vector<uint8_t> data;
};

// Throws std::invalid_argument for a record the game could not read back: a
// name that is empty, longer than 50 bytes or holds white space, or data that
// is empty or starts with a digit (it would run into the size).
std::vector<uint8_t> PackArchive(const std::vector<ArchiveRecord>& records);

}  // namespace assetgen
