#include "game/shell/hiscores.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>

#include "engine/system/files.h"
#include "engine/system/stream.h"
#include "game/shell/game_state.h"
#include "game/shell/write_all.h"

namespace {

// Names typed on the title screen are a few dozen characters; a table that
// does not fit in the first MiB of the file was not written by the game, and
// reading only that much keeps a huge file from being taken in whole.
constexpr int64_t kMaxScoresBytes = 1 << 20;

std::string ReadPrefix(TStream& file, int64_t limit) {
  std::string bytes(static_cast<size_t>(std::clamp<int64_t>(file.Size(), 0, limit)), '\0');
  size_t used = 0;
  while (used < bytes.size()) {
    const int64_t n = file.Read(bytes.data() + used, static_cast<int64_t>(bytes.size() - used));
    if (n <= 0) break;
    used += static_cast<size_t>(n);
  }
  bytes.resize(used);
  return bytes;
}

std::string EncodeTable() {
  std::string bytes;
  for (int i = 0; i < HISCORE_PLACES; ++i) {
    for (char16_t c : game.hiscoreNames[i]) bytes.push_back(static_cast<char>(c & 0xFF));
    bytes += "\r\n";
    const auto score = static_cast<uint32_t>(game.hiscoreScores[i]);
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<char>((score >> shift) & 0xFF));
  }
  return bytes;
}

// Makes the rename itself durable. A file system that cannot sync folders
// says so with EINVAL; the file's own data is on disk already then.
bool SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = fsync(fd) == 0 || errno == EINVAL;
  close(fd);
  return synced;
}

// A save killed between making its new file and the rename leaves that file
// behind: "scores.dat." and the six letters or digits mkostemp chose. Each
// whole save removes them, so they never pile up. Another copy of the game
// saving at that very moment loses its new file: its rename fails and it
// reports the failure, the table saved here stays.
void RemoveLeftoverSaves(const std::string& folder, const std::string& prefix) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  while (const dirent* e = readdir(dir)) {
    const std::string name = e->d_name;
    if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) continue;
    const auto plain = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (!std::all_of(name.begin() + static_cast<long>(prefix.size()), name.end(), plain)) continue;
    // unlinkat removes a link itself and refuses a folder.
    (void)unlinkat(dirfd(dir), name.c_str(), 0);
  }
  closedir(dir);
}

}  // namespace

std::string UserGameFolder() {
  // Without a per-user folder the path would land in the root folder.
  const std::string appDir = GetUserAppDir();
  if (appDir.empty()) return {};
  return appDir + "/Velmarch/Quillory demo/";
}

std::string ScoresFilePath() {
  const std::string folder = UserGameFolder();
  return folder.empty() ? std::string() : folder + "scores.dat";
}

void RestoreDefaultHiscores() {
  game.hiscoreNames = game.defaultHiscoreNames;
  game.hiscoreScores = game.defaultHiscoreScores;
}

void LoadHiscores() {
  const std::string path = ScoresFilePath();
  // Always a file, never a "proto::" address.
  std::shared_ptr<TCStream> file = path.empty() ? nullptr : TCStream::OpenFile(path, true, false);
  if (!file) {
    RestoreDefaultHiscores();
    return;
  }
  TMemoryStream in(ReadPrefix(*file, kMaxScoresBytes));
  file->Close();

  std::array<std::u16string, HISCORE_PLACES> names;
  std::array<int, HISCORE_PLACES> scores{};
  try {
    for (int i = 0; i < HISCORE_PLACES; ++i) {
      names[i] = in.ReadLine();
      scores[i] = in.ReadInt();
    }
  } catch (const TStreamException&) {
    // A truncated file: none of it is kept, not even the entries before the cut.
    RestoreDefaultHiscores();
    return;
  }
  game.hiscoreNames = names;
  game.hiscoreScores = scores;
}

bool SaveHiscores() {
  const std::string path = ScoresFilePath();
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  const std::string folder = path.substr(0, path.rfind('/'));
  const std::string bytes = EncodeTable();

  // The new table goes to a file of its own beside the old one and replaces it
  // only once it is whole, so a failure at any point keeps the old table.
  std::string temp = path + ".XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  // mkostemp makes the file private; the scores file is readable like any other.
  (void)fchmod(fd, 0644);
  bool ok = WriteAll(fd, bytes.data(), bytes.size()) && fsync(fd) == 0;
  if (close(fd) != 0) ok = false;
  if (ok && rename(temp.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) {
    unlink(temp.c_str());
    return false;
  }
  // Before the folder's sync, which makes the removals durable as well.
  RemoveLeftoverSaves(folder, path.substr(folder.size() + 1) + ".");
  return SyncFolder(folder);
}
