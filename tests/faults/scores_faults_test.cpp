// The scores file under faults: every call of a save failing in turn as on a
// full disk or a failing device, a file-size limit cutting the new file at
// every byte, and saves killed at random moments. The previous table must
// survive whole each time a save does not complete, and a save that says it
// succeeded must have put the new table on disk.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "game/shell/game_state.h"
#include "game/shell/hiscores.h"
#include "tests/faults/tables.h"
#include "tests/shell/file_limit.h"

extern char** environ;

namespace fs = std::filesystem;
using faults::FileBytes;
using faults::HoldsTable;
using faults::kNewTable;
using faults::kOldTable;
using faults::PutTable;
using faults::Table;

namespace {

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What the save child printed, and its exit status.
struct ChildRun {
  int status = -1;  // 0 saved, 1 failed, else broken
  long calls = 0;   // calls the fault library counted during the save
  std::string failed;
};

// Runs the save child with the fault library preloaded and the Nth counted
// call (0: none) failing with errno `err`.
ChildRun RunSaveChild(long failAt, int err) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string v = *e;
    if (v.rfind("LD_PRELOAD=", 0) == 0 || v.rfind("QUILLORY_FAULT_", 0) == 0 || v.rfind("ASAN_OPTIONS=", 0) == 0) continue;
    env.push_back(v);
  }
  env.push_back(std::string("LD_PRELOAD=") + QUILLORY_FAULT_SHIM);
  env.push_back("QUILLORY_FAULT_AT=" + std::to_string(failAt));
  env.push_back("QUILLORY_FAULT_ERRNO=" + std::to_string(err));
  // The sanitizer runtime would insist on being the first library loaded.
  const char* asan = getenv("ASAN_OPTIONS");
  env.push_back(std::string("ASAN_OPTIONS=") + (asan ? std::string(asan) + ":" : "") + "verify_asan_link_order=0");
  std::vector<char*> envp;
  for (auto& v : env) envp.push_back(v.data());
  envp.push_back(nullptr);

  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  std::string exe = QUILLORY_SAVE_CHILD;
  char* argv[] = {exe.data(), nullptr};
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  ChildRun run;
  if (spawned != 0) {
    close(out[0]);
    return run;
  }
  std::string text;
  char buf[256];
  for (ssize_t n; (n = read(out[0], buf, sizeof buf)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    text.append(buf, static_cast<size_t>(n));
  }
  close(out[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  int saved = -1;
  std::istringstream(text) >> saved >> run.calls >> run.failed;
  if (saved != (run.status == 0 ? 1 : 0)) run.status = -1;  // said one thing, did another
  return run;
}

// A per-user data folder of its own with the game folder in it.
class ScoresFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* v = getenv("XDG_DATA_HOME")) oldXdg_ = v;
    std::string tmpl = (fs::temp_directory_path() / "quillory-faults-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    root_ = tmpl;
    setenv("XDG_DATA_HOME", root_.c_str(), 1);
    folder_ = root_ / "Velmarch" / "Quillory demo";
    fs::create_directories(folder_);
    file_ = folder_ / "scores.dat";
    ResetGameState();
  }
  void TearDown() override {
    if (oldXdg_) {
      setenv("XDG_DATA_HOME", oldXdg_->c_str(), 1);
    } else {
      unsetenv("XDG_DATA_HOME");
    }
    std::error_code ignored;
    fs::remove_all(root_, ignored);
    ResetGameState();
  }
  // Saves the table in this process; its file is then exactly its bytes.
  void SaveTable(const Table& t) {
    PutTable(t);
    ASSERT_TRUE(SaveHiscores());
    ASSERT_EQ(ReadFile(file_), FileBytes(t));
  }
  // Loads the file as start-up does: true when it gives that table whole.
  bool Loads(const Table& t) {
    ResetGameState();
    LoadHiscores();
    return HoldsTable(t);
  }
  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  const std::vector<std::string> kOnlyScores{"scores.dat"};

  std::optional<std::string> oldXdg_;
  fs::path root_, folder_, file_;
};

// Once the rename has put the new file in place there is no going back: a
// failing sync of the folder then leaves the new table, reported as a
// failure, and a failing close of the folder after its sync changes nothing.
TEST_F(ScoresFaults, EachCallOfASaveFailingInTurnIsReportedAndKeepsThePreviousTable) {
  for (const int err : {ENOSPC, EIO}) {
    SCOPED_TRACE(err == ENOSPC ? "ENOSPC" : "EIO");
    SaveTable(kOldTable);
    const ChildRun clean = RunSaveChild(0, err);
    ASSERT_EQ(clean.status, 0) << "the save child without a fault";
    ASSERT_TRUE(Loads(kNewTable));
    // A write, the file's sync and close, the rename, the folder's sync and close.
    ASSERT_GE(clean.calls, 6);

    std::vector<std::string> failedCalls;
    for (long n = 1; n <= clean.calls; ++n) {
      SaveTable(kOldTable);
      const ChildRun run = RunSaveChild(n, err);
      SCOPED_TRACE("call " + std::to_string(n) + ": " + run.failed);
      failedCalls.push_back(run.failed);
      ASSERT_NE(run.status, -1) << "the save child broke";
      EXPECT_EQ(FolderEntries(), kOnlyScores) << "a new file was left behind";
      if (run.failed == "close(folder)") {
        EXPECT_EQ(run.status, 0);
        EXPECT_TRUE(Loads(kNewTable));
      } else if (run.failed == "fsync(folder)") {
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(Loads(kNewTable));
      } else {
        EXPECT_EQ(run.status, 1) << "a failed save reported success";
        EXPECT_EQ(ReadFile(file_), FileBytes(kOldTable));
        EXPECT_TRUE(Loads(kOldTable));
      }
    }
    for (const char* call : {"write(file)", "fsync(file)", "close(file)", "rename(path)", "fsync(folder)"}) {
      EXPECT_NE(std::find(failedCalls.begin(), failedCalls.end(), call), failedCalls.end()) << call << " never failed";
    }
  }
}

// The kernel writes what fits under the limit and refuses the rest: the new
// file cut at every length, the whole file just fitting.
TEST_F(ScoresFaults, ANewFileCutAtAnyByteKeepsThePreviousTable) {
  SaveTable(kOldTable);
  const size_t size = FileBytes(kNewTable).size();
  PutTable(kNewTable);
  for (rlim_t limit = 0; limit < size; ++limit) {
    SCOPED_TRACE("limit " + std::to_string(limit));
    EXPECT_EQ(shelltest::RunWithFileSizeLimit(limit, [] { return SaveHiscores() ? 1 : 0; }), 0);
    EXPECT_EQ(ReadFile(file_), FileBytes(kOldTable));
    EXPECT_EQ(FolderEntries(), kOnlyScores);
  }
  EXPECT_EQ(shelltest::RunWithFileSizeLimit(size, [] { return SaveHiscores() ? 1 : 0; }), 1);
  EXPECT_TRUE(Loads(kNewTable));
}

// A save in a child process killed after a random number of microseconds,
// spread over about twice a save's length: the scores file holds one table
// whole, the one before or the one saved, never a mix and never nothing.
// QUILLORY_KILL_SEED repeats a run.
TEST_F(ScoresFaults, ASaveKilledAtAnyMomentLeavesOneWholeTable) {
  constexpr int kRuns = 150;
  const char* seedText = getenv("QUILLORY_KILL_SEED");
  const unsigned seed = seedText ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10)) : std::random_device{}();
  std::printf("kill seed %u (QUILLORY_KILL_SEED=%u repeats it)\n", seed, seed);
  RecordProperty("kill_seed", std::to_string(seed));
  SCOPED_TRACE("QUILLORY_KILL_SEED=" + std::to_string(seed));
  std::mt19937 random(seed);

  using Clock = std::chrono::steady_clock;
  const auto t0 = Clock::now();
  for (int i = 0; i < 4; ++i) SaveTable(i % 2 ? kOldTable : kNewTable);
  const auto saveMicros = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t0).count() / 4;
  std::uniform_int_distribution<long> delay(0, 2 * std::max<long>(saveMicros, 50) + 200);

  const Table* current = &kOldTable;
  int keptOld = 0, tookNew = 0, leftFiles = 0;
  size_t mostLeft = 0;
  for (int run = 0; run < kRuns; ++run) {
    const Table* next = current == &kOldTable ? &kNewTable : &kOldTable;
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(ready[0]);
      PutTable(*next);
      const char go = 'g';
      if (write(ready[1], &go, 1) != 1) _exit(2);
      SaveHiscores();
      _exit(0);
    }
    close(ready[1]);
    char go = 0;
    ASSERT_EQ(read(ready[0], &go, 1), 1);
    close(ready[0]);
    // Spinning, not sleeping: a sleep overshoots by tens of microseconds,
    // longer than a whole save on a file system in memory.
    const auto until = Clock::now() + std::chrono::microseconds(delay(random));
    while (Clock::now() < until) {
    }
    kill(pid, SIGKILL);
    ASSERT_EQ(waitpid(pid, nullptr, 0), pid);

    SCOPED_TRACE("run " + std::to_string(run));
    const std::string bytes = ReadFile(file_);
    if (bytes == FileBytes(*next)) {
      ++tookNew;
      current = next;
    } else {
      ASSERT_EQ(bytes, FileBytes(*current)) << "the file holds neither table whole";
      ++keptOld;
    }
    ASSERT_TRUE(Loads(*current));
    const size_t left = FolderEntries().size() - 1;
    if (left > 0) ++leftFiles;
    mostLeft = std::max(mostLeft, left);
  }
  std::printf("save %ld us; %d kills kept the previous table, %d came after the new one was in; "
              "%d left a new file behind, at most %zu at once\n",
              static_cast<long>(saveMicros), keptOld, tookNew, leftFiles, mostLeft);
  // Kills landed both before and after the rename, or the run proved nothing.
  EXPECT_GT(keptOld, 0);
  EXPECT_GT(tookNew, 0);
  // A whole save removes whatever the killed ones left.
  SaveTable(current == &kOldTable ? kNewTable : kOldTable);
  EXPECT_EQ(FolderEntries(), kOnlyScores);
}

// What a killed save leaves is "scores.dat." and six letters or digits; the
// next whole save removes exactly those (a link itself, never its target)
// and nothing else of the folder.
TEST_F(ScoresFaults, AWholeSaveRemovesOnlyWhatKilledSavesLeft) {
  const fs::path outside = root_ / "outside.txt";
  std::ofstream(outside) << "keep";
  for (const char* name : {"scores.dat.Ab12Cd", "scores.dat.zzzzzz", "scores.dat.Ab12C", "scores.dat.Ab_2Cd",
                           "scores.dat.Ab12Cde", "scores.dat.bak", "other.dat.Ab12Cd"}) {
    std::ofstream(folder_ / name) << "x";
  }
  fs::create_directory(folder_ / "scores.dat.Folder");
  fs::create_symlink(outside, folder_ / "scores.dat.Link00");
  SaveTable(kNewTable);
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"other.dat.Ab12Cd", "scores.dat", "scores.dat.Ab12C",
                                                       "scores.dat.Ab12Cde", "scores.dat.Ab_2Cd", "scores.dat.Folder",
                                                       "scores.dat.bak"}));
  EXPECT_EQ(ReadFile(outside), "keep");
}

}  // namespace
