// The hiscore table and its scores file: the exact bytes, loading what the
// game wrote and what it did not, and saves that fail without harming the
// previous file.
#include "game/shell/hiscores.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "game/shell/game_state.h"
#include "tests/shell/file_limit.h"

namespace fs = std::filesystem;

namespace {

using Names = std::array<std::u16string, HISCORE_PLACES>;
using Scores = std::array<int, HISCORE_PLACES>;

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Entry(const std::string& name, int32_t score, const std::string& eol = "\r\n") {
  std::string bytes = name + eol;
  const auto u = static_cast<uint32_t>(score);
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<char>((u >> shift) & 0xFF));
  return bytes;
}

const Names kTableNames = {u"Ann", u"Bo", u"Cyrille", u"", u"Dee", u"Eli", u"Fay", u"Gus"};
const Scores kTableScores = {512, 256, 300000, 7, 0, -1, INT_MIN, INT_MAX};

std::string TableFile(const std::string& eol = "\r\n") {
  std::string bytes;
  for (int i = 0; i < HISCORE_PLACES; ++i) {
    bytes += Entry(std::string(kTableNames[i].begin(), kTableNames[i].end()), kTableScores[i], eol);
  }
  return bytes;
}

// A per-user data folder of its own ($XDG_DATA_HOME) holding the game folder,
// and a fresh game state record with the default table filled.
class HiscoresTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* v = getenv("XDG_DATA_HOME")) oldXdg_ = v;
    std::string tmpl = (fs::temp_directory_path() / "quillory-scores-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    root_ = fs::canonical(tmpl);
    setenv("XDG_DATA_HOME", root_.c_str(), 1);
    folder_ = root_ / "Velmarch" / "Quillory demo";
    fs::create_directories(folder_);
    file_ = folder_ / "scores.dat";
    ResetGameState();
  }
  void TearDown() override {
    if (oldXdg_)
      setenv("XDG_DATA_HOME", oldXdg_->c_str(), 1);
    else
      unsetenv("XDG_DATA_HOME");
    std::error_code ignored;
    fs::remove_all(root_, ignored);
    ResetGameState();
  }

  void WriteScores(const std::string& bytes) const { std::ofstream(file_, std::ios::binary) << bytes; }
  // A table that is neither the defaults nor kTable, to see what loading replaced.
  static void FillWithOther() {
    game.hiscoreNames.fill(u"other");
    game.hiscoreScores.fill(-5);
  }
  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::optional<std::string> oldXdg_;
  fs::path root_, folder_, file_;
};

TEST_F(HiscoresTest, FileLivesInTheGameFolder) { EXPECT_EQ(ScoresFilePath(), file_.string()); }

TEST_F(HiscoresTest, SaveThenLoadGivesBackEveryByteOfTheNames) {
  Names names;
  for (int c = 1; c <= 255; ++c) {
    if (c != 10 && c != 13) names[c % HISCORE_PLACES] += static_cast<char16_t>(c);
  }
  game.hiscoreNames = names;
  game.hiscoreScores = kTableScores;
  ASSERT_TRUE(SaveHiscores());
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"scores.dat"}));

  FillWithOther();
  LoadHiscores();
  EXPECT_EQ(game.hiscoreNames, names);
  EXPECT_EQ(game.hiscoreScores, kTableScores);
}

TEST_F(HiscoresTest, DefaultTableFileIsItsHundredBytes) {
  FillWithOther();
  RestoreDefaultHiscores();
  ASSERT_TRUE(SaveHiscores());
  const std::string bytes = ReadFile(file_);
  ASSERT_EQ(bytes.size(), 100u);
  EXPECT_EQ(bytes.substr(0, 12), std::string("Varnel\r\n\x64\0\0\0", 12));
  EXPECT_EQ(bytes.substr(86), std::string("Lintorpe\r\n\x1E\0\0\0", 14));
}

TEST_F(HiscoresTest, LoadsTheTableOrElseTheWholeDefaultTable) {
  const std::string table = TableFile();
  std::string seven;
  for (int i = 0; i < 7; ++i) seven += Entry("N" + std::to_string(i), 10 - i);
  struct Case {
    const char* label;
    std::optional<std::string> file;  // none: no scores file
    bool loaded;                      // kTable, else the defaults
  };
  const Case cases[] = {
      {"crlf lines", table, true},
      {"line feeds only", TableFile("\n"), true},
      {"carriage returns anywhere are dropped", "A\rnn\r\r\n" + table.substr(5), true},
      {"bytes after the eighth entry", table + Entry("Late", 1) + "junk", true},
      {"seven complete entries", seven, false},
      {"the eighth score cut short", seven + Entry("Last", 3).substr(0, 8), false},
      {"the eighth name without its score", seven + "Last\r\n", false},
      {"an empty file", std::string(), false},
      {"no file", std::nullopt, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::error_code ignored;
    fs::remove(file_, ignored);
    if (c.file) WriteScores(*c.file);
    FillWithOther();
    LoadHiscores();
    EXPECT_EQ(game.hiscoreNames, c.loaded ? kTableNames : game.defaultHiscoreNames);
    EXPECT_EQ(game.hiscoreScores, c.loaded ? kTableScores : game.defaultHiscoreScores);
  }
}

TEST_F(HiscoresTest, ZeroByteEndsAName) {
  std::string bytes = std::string("Ab\0", 3) + Entry("", 9).substr(2);
  for (int i = 1; i < HISCORE_PLACES; ++i) bytes += Entry("x", i);
  WriteScores(bytes);
  LoadHiscores();
  EXPECT_EQ(game.hiscoreNames[0], u"Ab");
  EXPECT_EQ(game.hiscoreScores[0], 9);
  EXPECT_EQ(game.hiscoreScores[7], 7);
}

TEST_F(HiscoresTest, UnreadableFileGivesTheDefaults) {
  fs::create_directory(file_);
  FillWithOther();
  LoadHiscores();
  EXPECT_EQ(game.hiscoreNames, game.defaultHiscoreNames);
  EXPECT_EQ(game.hiscoreScores, game.defaultHiscoreScores);
}

TEST_F(HiscoresTest, CharacterAbove255IsSavedAsItsLowByte) {
  RestoreDefaultHiscores();
  game.hiscoreNames[2] = u"\u0141x\u00E9";  // 0x141 keeps 0x41, 'A'
  ASSERT_TRUE(SaveHiscores());
  const std::string bytes = ReadFile(file_);
  EXPECT_NE(bytes.find(std::string("Tobrin\r\n\x5A\0\0\0", 12) + "Ax\xE9\r\n"), std::string::npos);
  LoadHiscores();
  EXPECT_EQ(game.hiscoreNames[2], u"Ax\u00E9");
}

TEST_F(HiscoresTest, SaveWithoutTheGameFolderFailsAndCreatesNothing) {
  fs::remove_all(root_ / "Velmarch");
  RestoreDefaultHiscores();
  EXPECT_FALSE(SaveHiscores());
  EXPECT_TRUE(fs::is_empty(root_));
}

// The old file stays whole when the new table cannot be written out, and the
// half-written new one is gone.
TEST_F(HiscoresTest, FailedSaveKeepsThePreviousFile) {
  RestoreDefaultHiscores();
  ASSERT_TRUE(SaveHiscores());
  const std::string before = ReadFile(file_);
  game.hiscoreNames = kTableNames;
  game.hiscoreScores = kTableScores;

  // Only 60 of the new table's bytes fit.
  const int saved = shelltest::RunWithFileSizeLimit(60, [] { return SaveHiscores() ? 1 : 0; });
  EXPECT_EQ(saved, 0);
  EXPECT_EQ(ReadFile(file_), before);
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"scores.dat"}));
}

TEST_F(HiscoresTest, SaveThatCannotReplaceTheFileFails) {
  fs::create_directories(file_ / "inside");
  RestoreDefaultHiscores();
  EXPECT_FALSE(SaveHiscores());
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"scores.dat"}));
  EXPECT_TRUE(fs::is_directory(file_ / "inside"));
}

}  // namespace
