#include "tests/game_screen/unpacked_pictures.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

bool Space(unsigned char c) { return std::isspace(c) != 0; }

}  // namespace

std::string UnpackArchivePictures(const std::string& programDir) {
  std::ifstream in(programDir + "/data/qyv2demo.dat", std::ios::binary);
  const std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  char pattern[] = "/tmp/quillory-pictures-XXXXXX";
  if (b.empty() || !mkdtemp(pattern)) {
    std::fprintf(stderr, "cannot unpack %s/data/qyv2demo.dat\n", programDir.c_str());
    return {};
  }
  const std::string folder = std::string(pattern) + "/";
  size_t i = 0;
  for (int record = 0; record < 4; ++record) {
    while (i < b.size() && Space(b[i])) ++i;
    const size_t start = i;
    while (i < b.size() && !Space(b[i])) ++i;
    const std::string name(b.begin() + static_cast<long>(start), b.begin() + static_cast<long>(i));
    while (i < b.size() && Space(b[i])) ++i;
    size_t size = 0;
    while (i < b.size() && std::isdigit(b[i])) size = size * 10 + (b[i++] - '0');
    if (name.empty() || name.find('/') != std::string::npos || size > b.size() - i) break;
    std::ofstream out(folder + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&b[i]), static_cast<std::streamsize>(size));
    i += size;
    if (!out) break;
    if (record == 3) return folder;
  }
  std::fprintf(stderr, "the picture archive in %s is broken\n", programDir.c_str());
  RemoveUnpackedPictures(folder);
  return {};
}

void RemoveUnpackedPictures(const std::string& folder) {
  if (folder.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
}
