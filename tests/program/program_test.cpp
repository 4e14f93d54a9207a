// The finished program end to end: the real quillory executable on this
// test's own X server, driven by xdotool, judged by what the X server shows,
// what it writes to its per-user data folder, what it says on stderr, its
// exit status, and the music OpenAL-soft records.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "engine/system/clock.h"
#include "game/rules/rules.h"
#include "game/shell/game_state.h"
#include "tests/program/x11_screen.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<unsigned char>;

Bytes ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
void WriteFile(const fs::path& p, const Bytes& b) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<long>(b.size()));
}

// A scores file: each entry its name, 13 10 and its score, little-endian.
Bytes ScoresBytes(const std::vector<std::pair<std::string, int>>& table) {
  Bytes b;
  for (const auto& [name, score] : table) {
    b.insert(b.end(), name.begin(), name.end());
    b.push_back(13);
    b.push_back(10);
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(static_cast<unsigned>(score) >> (8 * i)));
  }
  return b;
}
const std::vector<std::pair<std::string, int>> kDefaults = {{"Varnel", 100}, {"Tobrin", 90}, {"Ostrailen", 80},
                                                             {"Dembly", 70},  {"Hurlo", 60},  {"Feskin", 50},
                                                             {"Yorrel", 40},  {"Lintorpe", 30}};

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The exit status, or -1 when the program did not end in time (it is killed).
int WaitExit(pid_t pid, int timeoutMs) {
  for (int waited = 0; waited <= timeoutMs; waited += 20) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    Pause(20);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -1;
}

bool Near(const unsigned char* p, int r, int g, int b, int tolerance) {
  return std::abs(p[0] - r) <= tolerance && std::abs(p[1] - g) <= tolerance && std::abs(p[2] - b) <= tolerance;
}
int CountColour(const TScreenShot& s, int x0, int y0, int x1, int y1, int r, int g, int b, int tolerance = 2) {
  int n = 0;
  for (int y = y0; y <= y1 && y < s.height; ++y)
    for (int x = x0; x <= x1 && x < s.width; ++x) n += Near(s.At(x, y), r, g, b, tolerance);
  return n;
}
// Waits until the screen shows the colour in the box (or, with present false,
// no longer shows it).
bool WaitForColour(int x0, int y0, int x1, int y1, int r, int g, int b, bool present = true, int timeoutMs = 8000) {
  for (int waited = 0; waited <= timeoutMs; waited += 50) {
    if ((CountColour(GrabScreen(), x0, y0, x1, y1, r, g, b) > 0) == present) return true;
    Pause(50);
  }
  return false;
}
// The hiscore table's rows are drawn in (180, 80, 220).
bool WaitForTable(bool shown = true) { return WaitForColour(380, 180, 700, 420, 180, 80, 220, shown); }

class Program : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
    char pattern[] = "/tmp/quillory-e2e-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    home = pattern;
    err = home / "stderr.txt";
    scores = home / "Velmarch" / "Quillory demo" / "scores.dat";
  }
  void TearDown() override {
    if (pid) WaitExit(pid, 0);
    std::error_code ec;
    fs::remove_all(home, ec);
  }
  void Start(std::vector<std::string> args = {}, std::map<std::string, std::string> env = {},
             const std::string& exe = QUILLORY_EXE) {
    env["XDG_DATA_HOME"] = home.string();
    if (!env.count("ALSOFT_DRIVERS")) env["ALSOFT_DRIVERS"] = "null";
    args.insert(args.begin(), exe);
    pid = Spawn(args, env, err.string());
    ASSERT_NE(pid, 0);
  }
  // Waits for the title screen with the keyboard on it.
  void StartToTitle(std::vector<std::string> args = {}, std::map<std::string, std::string> env = {}) {
    Start(std::move(args), std::move(env));
    window = FindTopLevelWindow("Quillory demo", 10000);
    ASSERT_NE(window, 0u) << "no window";
    ASSERT_TRUE(WaitForTable()) << "no title screen";
    // The keyboard comes a moment after the window, and its arrival clears
    // the keys: wait for it and for the program to have seen it.
    for (int waited = 0; !HasFocus(window) && waited < 10000; waited += 20) Pause(20);
    ASSERT_TRUE(HasFocus(window)) << "no keyboard";
    ASSERT_TRUE(AwaitFrames(window, 3, 10000));
  }
  // Input goes in one step at a time: each is read before the next is sent,
  // however slowly the frames come (two keys read in one frame act otherwise).
  void Step(std::vector<std::string> xdo, int frames = 3) {
    ASSERT_TRUE(Xdo(std::move(xdo)));
    ASSERT_TRUE(AwaitFrames(window, frames, 10000)) << "the program stopped drawing";
  }
  void Key(const std::string& key) { Step({"key", key}); }
  // A key that ends the program: no frames follow it.
  void LastKey(const std::string& key) { ASSERT_TRUE(Xdo({"key", key})); }
  int Exit(int timeoutMs = 10000) {
    const int status = WaitExit(pid, timeoutMs);
    pid = 0;
    return status;
  }
  std::string Stderr() const {
    const Bytes b = ReadFile(err);
    return {b.begin(), b.end()};
  }

  fs::path home, err, scores;
  pid_t pid = 0;
  unsigned long window = 0;
};

TEST_F(Program, TheTitleScreenComesUpWithMusicAndEscSavesTheDefaultTable) {
  const fs::path wav = home / "music.wav";
  WriteFile(home / "alsoft.conf", {});
  std::ofstream(home / "alsoft.conf") << "[general]\ndrivers = wave\nchannels = mono\nsample-type = int16\n[wave]\nfile = "
                                      << wav.string() << "\n";
  StartToTitle({}, {{"ALSOFT_DRIVERS", "wave"}, {"ALSOFT_CONF", (home / "alsoft.conf").string()}});
  const TScreenShot shot = GrabScreen();
  EXPECT_GT(CountColour(shot, 0, 674, 1023, 700, 80, 240, 80, 60), 0) << "Press M for Menu";
  Pause(1000);  // a second of music
  LastKey("Escape");
  EXPECT_EQ(Exit(), 0);
  EXPECT_EQ(ReadFile(scores), ScoresBytes(kDefaults)) << "the default table, 100 bytes";
  EXPECT_FALSE(fs::exists(scores.parent_path() / "temp")) << "the unpacked pictures are gone";

  // The recording: 16-bit samples after the "data" chunk's header; music is not silence.
  const Bytes w = ReadFile(wav);
  const std::string s(w.begin(), w.end());
  const size_t data = s.find("data");
  ASSERT_NE(data, std::string::npos);
  int loud = 0;
  for (size_t i = data + 8; i + 1 < w.size(); i += 2) {
    const int16_t v = static_cast<int16_t>(w[i] | (w[i + 1] << 8));
    loud += std::abs(v) > 1000;
  }
  EXPECT_GT(loud, 1000) << "the music played";
}

TEST_F(Program, TheMenuOpensCreditsAndInstructionsAndThreeEscPressesQuit) {
  StartToTitle();
  Key("m");
  ASSERT_TRUE(WaitForTable(false)) << "the menu hides the table";
  Key("Return");  // credits
  Key("Escape");
  Key("Down");
  Key("Return");  // instructions
  EXPECT_TRUE(WaitForColour(160, 260, 860, 700, 240, 100, 240)) << "the instruction lines";
  Key("Escape");
  Key("Escape");
  ASSERT_TRUE(WaitForTable()) << "back on the title screen";
  LastKey("Escape");
  EXPECT_EQ(Exit(), 0);
  EXPECT_EQ(ReadFile(scores), ScoresBytes(kDefaults));
}

// In a window this time.
TEST_F(Program, F1ThenYRestoresTheDefaultTable) {
  WriteFile(scores, ScoresBytes(std::vector<std::pair<std::string, int>>(8, {"Zoe", 5})));
  StartToTitle({"--window"});
  Key("F1");
  Key("y");
  LastKey("Escape");
  EXPECT_EQ(Exit(), 0);
  EXPECT_EQ(ReadFile(scores), ScoresBytes(kDefaults));
}

// The board the program deals from a seed, and a pair on it away from the
// bonus that comes up on the game's first frame.
std::pair<MySquare, MySquare> PairFor(int seed) {
  SeedRandom(seed);
  ResetGameState();
  game.level = 1;
  BeginGame();
  SpawnBonus();
  const MySquare bonus = game.bonusKind != 0 ? BonusSquare(game.bonusKind) : MySquare{-1, -1};
  for (int n = 1; n <= 32; ++n) {
    std::vector<MySquare> at;
    for (int i = 0; i < BOARD_SQUARES; ++i)
      if (BoardAt(i % 8, i / 8) == n) at.push_back({i % 8, i / 8});
    if (at.size() == 2 && !(at[0] == bonus) && !(at[1] == bonus)) return {at[0], at[1]};
  }
  return {};
}

std::vector<std::string> ClickOn(MySquare s) {
  return {"mousemove", std::to_string(45 + 75 * s.x + 37), std::to_string(36 + 75 * s.y + 37), "click", "1"};
}

TEST_F(Program, AGameLeftWithYEntersItsScoreUnderTheTypedNameAndTheNextStartKeepsIt) {
  WriteFile(scores, ScoresBytes(std::vector<std::pair<std::string, int>>(8, {"Nobody", 0})));
  const auto [a, b] = PairFor(11);
  StartToTitle({"--seed", "11"});
  Key("Return");
  ASSERT_TRUE(WaitForTable(false)) << "the game screen";
  Step(ClickOn(a));
  Step(ClickOn(b));
  Key("Escape");
  Key("y");
  ASSERT_TRUE(WaitForTable()) << "back on the title screen";
  Step({"type", "--delay", "120", "Ann"}, 6);  // a character a frame
  Key("Return");
  LastKey("Escape");
  ASSERT_EQ(Exit(), 0);
  const Bytes saved = ReadFile(scores);
  const Bytes first = ScoresBytes({{"Ann", 2}});
  ASSERT_GE(saved.size(), first.size());
  EXPECT_TRUE(std::equal(first.begin(), first.end(), saved.begin())) << "Ann with the pair's 2 points at the top";

  StartToTitle();
  LastKey("Escape");
  EXPECT_EQ(Exit(), 0);
  EXPECT_EQ(ReadFile(scores), saved) << "read back and saved again unchanged";
}

TEST_F(Program, ACloseRequestOrATerminationSavesTheTable) {
  StartToTitle();
  ASSERT_TRUE(AskToClose(window));
  EXPECT_EQ(Exit(), 0);
  EXPECT_EQ(ReadFile(scores), ScoresBytes(kDefaults));

  fs::remove(scores);
  StartToTitle();
  kill(pid, SIGTERM);
  EXPECT_EQ(Exit(), 0);
  EXPECT_EQ(ReadFile(scores), ScoresBytes(kDefaults));
}

// A copy of the program folder with one file taken away, or the per-user
// temporary folder blocked: the program ends with its message (shown in a
// box, which the test closes, and on stderr) and status 1.
struct FatalCase {
  const char* what;
  std::string removed;   // from the program folder copy
  bool blockTemp;
  std::string message;
};

TEST_F(Program, FatalStartUpErrorsEndWithTheirMessage) {
  const std::vector<FatalCase> cases = {
      {"archive missing", "data/qyv2demo.dat", false, "Needed dat-file not found - re-install."},
      {"temporary folder blocked", "", true, "Picture file not found! Try to restart."},
      {"picture missing", "gfx/bg.jpg", false, "gfx\\bg.jpg"},
  };
  for (const FatalCase& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path copy = home / "program";
    fs::remove_all(copy);
    fs::copy(QUILLORY_PROGRAM_DIR, copy, fs::copy_options::recursive);
    if (!c.removed.empty()) fs::remove(copy / c.removed);
    const fs::path temp = home / "Velmarch" / "Quillory demo" / "temp";
    fs::remove_all(temp);
    if (c.blockTemp) WriteFile(temp, {'x'});  // a file where the folder goes
    Start({}, {}, (copy / "quillory").string());
    // Whoever reads the box presses Return.
    bool shown = false;
    for (int waited = 0; waited < 10000 && !shown; waited += 50) {
      shown = Stderr().find(c.message) != std::string::npos;
      Pause(50);
    }
    EXPECT_TRUE(shown) << Stderr();
    EXPECT_TRUE(CloseBoxWithReturn("Quillory demo", 10000)) << "the box";
    EXPECT_EQ(Exit(), 1);
    if (!c.blockTemp) {
      EXPECT_FALSE(fs::exists(temp / "peite.png")) << "no unpacked picture left behind";
    }
  }
}

TEST_F(Program, TheCommandLineIsChecked) {
  Start({"--seed"});
  EXPECT_EQ(Exit(), 2);
  EXPECT_NE(Stderr().find("Usage: quillory"), std::string::npos);
  Start({"--frobnicate"});
  EXPECT_EQ(Exit(), 2);
  Start({"--version"});
  EXPECT_EQ(Exit(), 0);
}

TEST_F(Program, WithoutADisplayItEndsWithAMessage) {
  Start({}, {{"DISPLAY", ":4242"}});
  EXPECT_EQ(Exit(), 1);
  EXPECT_NE(Stderr().find("The display could not be opened"), std::string::npos) << Stderr();
  EXPECT_FALSE(fs::exists(scores)) << "nothing was saved over";
}

}  // namespace
