// The scores file loader over arbitrary file bytes, in a per-user data folder
// of its own. A table that loads must survive a save and a second load
// unchanged, and hold only what a line can carry.
#include <stdlib.h>

#include <filesystem>

#include "fuzz/fuzz_common.h"
#include "game/shell/game_state.h"
#include "game/shell/hiscores.h"

namespace {

const std::string& ScoresPath() {
  static const std::string path = [] {
    setenv("XDG_DATA_HOME", fuzz::PrivateFolder().c_str(), 1);
    std::filesystem::create_directories(UserGameFolder());
    return ScoresFilePath();
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = ScoresPath();
  fuzz::WriteWholeFile(path, data, size);
  game.hiscoreNames.fill(u"not loaded");
  game.hiscoreScores.fill(-7);

  LoadHiscores();
  const auto names = game.hiscoreNames;
  const auto scores = game.hiscoreScores;
  for (const std::u16string& name : names) {
    for (char16_t c : name) FUZZ_CHECK(c != u'\n' && c != u'\r' && c != 0 && c <= 0xFF);
  }
  if (names == game.defaultHiscoreNames && scores == game.defaultHiscoreScores) return 0;

  FUZZ_CHECK(SaveHiscores());
  RestoreDefaultHiscores();
  LoadHiscores();
  FUZZ_CHECK(game.hiscoreNames == names && game.hiscoreScores == scores);
  return 0;
}
