#include "tools/assetgen/archive.h"

#include <stdexcept>

namespace assetgen {

namespace {
bool IsSpace(unsigned char c) { return c == ' ' || (c >= 9 && c <= 13); }
}  // namespace

std::vector<uint8_t> PackArchive(const std::vector<ArchiveRecord>& records) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i < records.size(); ++i) {
    const ArchiveRecord& r = records[i];
    if (r.name.empty() || r.name.size() > 50) {
      throw std::invalid_argument("archive name must be 1 to 50 bytes: " + r.name);
    }
    for (unsigned char c : r.name) {
      if (IsSpace(c)) throw std::invalid_argument("archive name holds white space: " + r.name);
    }
    if (r.data.empty() || (r.data[0] >= '0' && r.data[0] <= '9')) {
      throw std::invalid_argument("archive data must not be empty or start with a digit: " + r.name);
    }
    // One line feed between records keeps the file readable in a hex dump.
    if (i > 0) out.push_back('\n');
    std::string head = r.name + " " + std::to_string(r.data.size());
    out.insert(out.end(), head.begin(), head.end());
    out.insert(out.end(), r.data.begin(), r.data.end());
  }
  return out;
}

}  // namespace assetgen
