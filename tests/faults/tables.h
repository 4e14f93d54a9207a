// The two hiscore tables the scores fault tests save over one another, and
// the bytes each makes in the scores file. Their names differ in length, so a
// file mixing the two could not pass for either.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "game/shell/game_state.h"

namespace faults {

struct Table {
  std::array<std::u16string, HISCORE_PLACES> names;
  std::array<int, HISCORE_PLACES> scores;
};

inline const Table kOldTable = {{u"Old one", u"Old two", u"Old three", u"Old four", u"Old five", u"Old six",
                                 u"Old seven", u"Old eight"},
                                {800, 700, 600, 500, 400, 300, 200, 100}};
inline const Table kNewTable = {{u"Newcomer number one", u"B", u"Newcomer number three", u"", u"Newcomer 5",
                                 u"Newcomer six", u"N7", u"Newcomer number eight"},
                                {90001, 8002, 7003, 6004, 5005, 4006, 3007, 2008}};

inline void PutTable(const Table& t) {
  game.hiscoreNames = t.names;
  game.hiscoreScores = t.scores;
}
inline bool HoldsTable(const Table& t) { return game.hiscoreNames == t.names && game.hiscoreScores == t.scores; }

// Each entry: the name's bytes, 13 10, the score as 4 bytes little-endian.
inline std::string FileBytes(const Table& t) {
  std::string bytes;
  for (int i = 0; i < HISCORE_PLACES; ++i) {
    for (char16_t c : t.names[i]) bytes.push_back(static_cast<char>(c));
    bytes += "\r\n";
    const auto u = static_cast<uint32_t>(t.scores[i]);
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<char>((u >> shift) & 0xFF));
  }
  return bytes;
}

}  // namespace faults
