// Two runs of the asset tool give the same program folder, byte for byte.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "tests/assets/decode.h"

namespace assettest {
namespace {

namespace fs = std::filesystem;

std::map<std::string, std::vector<uint8_t>> Tree(const fs::path& root) {
  std::map<std::string, std::vector<uint8_t>> files;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (e.is_regular_file()) files[fs::relative(e.path(), root).string()] = ReadBytes(e.path().string());
  }
  return files;
}

TEST(AssetTool, SecondRunWritesTheSameBytes) {
  char tmpl[] = "/tmp/quillory-assets-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const fs::path dir = tmpl;
  const std::string cmd = std::string("\"") + QUILLORY_ASSETGEN + "\" --out \"" + (dir / "program").string() +
                          "\" --contact-sheet \"" + (dir / "sheet.png").string() + "\"";
  ASSERT_EQ(std::system(cmd.c_str()), 0);

  auto first = Tree(ProgramDir());
  auto second = Tree(dir / "program");
  // The game's executable may live in the build's program folder; compare
  // what the tool writes.
  for (auto it = first.begin(); it != first.end();) {
    it = second.count(it->first) ? std::next(it) : first.erase(it);
  }
  EXPECT_GE(second.size(), 31u);
  EXPECT_EQ(first.size(), second.size());
  for (const auto& [name, bytes] : second) {
    EXPECT_TRUE(first.count(name) && first[name] == bytes) << name << " differs between runs";
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace assettest
