// The instruction text: one entry per line, whatever the line ends.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "game/shell/game_state.h"
#include "game/shell/startup.h"

namespace {

std::string WriteFile(const std::string& bytes) {
  char pattern[] = "/tmp/quillory-instructions-XXXXXX";
  const int fd = mkstemp(pattern);
  EXPECT_GE(fd, 0);
  std::FILE* f = fdopen(fd, "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return pattern;
}

TEST(Instructions, LinesEndAtLineFeedsWithCarriageReturnsDropped) {
  const std::vector<std::pair<std::string, std::vector<std::u16string>>> cases = {
      {"one\ntwo\n", {u"one", u"two"}},
      {"one\r\ntwo\r\n", {u"one", u"two"}},
      {"one\ntwo", {u"one", u"two"}},
      {"", {}},
      {"\xe9t\xe9\n", {u"\u00e9t\u00e9"}},
  };
  for (const auto& [bytes, lines] : cases) {
    const std::string path = WriteFile(bytes);
    ReadInstructions(path);
    EXPECT_EQ(game.instructionLines, lines) << bytes;
    std::remove(path.c_str());
  }
}

TEST(Instructions, AMissingFileGivesTheErrorLineAlone) {
  ReadInstructions("/nonexistent/instructions.txt");
  ASSERT_EQ(game.instructionLines.size(), 1u);
  EXPECT_EQ(game.instructionLines[0], u"ERROR IN READING INSTRUCTIONS.TXT!");
}

}  // namespace
