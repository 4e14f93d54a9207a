// Every file start-up reads, damaged one at a time: missing, empty, cut to
// half its length, replaced by garbage, or (the archive, the instructions) a
// folder in its place. Start-up
// runs whole, in this process (window, loading picture, archive, pictures,
// fonts, sounds, hiscores, instructions, the title screen until Esc), with
// a system driver that keeps the message instead of showing a box. A picture,
// a font or the archive must end start-up with the program's message and
// status 1; a sound stays silent, the instruction file gives its error line.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/graphics/display.h"
#include "engine/input/input.h"
#include "engine/system/clock.h"
#include "engine/system/event.h"
#include "engine/system/files.h"
#include "engine/system/system_driver.h"
#include "game/shell/game_state.h"
#include "game/shell/startup.h"
#include "tests/system/quiet_system_driver.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::string;

Bytes ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
void WriteFile(const fs::path& p, const Bytes& b) { std::ofstream(p, std::ios::binary) << b; }

enum class Damage { kMissing, kEmpty, kHalf, kGarbage, kFolder };
const char* DamageName(Damage d) {
  switch (d) {
    case Damage::kMissing: return "missing";
    case Damage::kEmpty: return "empty";
    case Damage::kHalf: return "cut to half";
    case Damage::kGarbage: return "garbage";
    case Damage::kFolder: return "a folder";
  }
  return "";
}

// Bytes no decoder can take for its own: seeded, the first one neither a
// digit nor white space (inside the archive it must not run into the size).
Bytes Garbage(size_t size) {
  std::mt19937 random(7);
  Bytes b(std::min<size_t>(size, 256 * 1024), '\0');
  for (char& c : b) c = static_cast<char>(random());
  if (!b.empty()) b[0] = '\xA5';
  return b;
}

// The picture archive's records: name, white space, decimal size, data.
struct Record {
  std::string name;
  Bytes data;
};
std::vector<Record> Unpack(const Bytes& b) {
  std::vector<Record> records;
  size_t i = 0;
  const auto space = [&](size_t at) { return at < b.size() && (b[at] == ' ' || (b[at] >= 9 && b[at] <= 13)); };
  while (records.size() < 4) {
    while (space(i)) ++i;
    Record r;
    while (i < b.size() && !space(i)) r.name.push_back(b[i++]);
    while (space(i)) ++i;
    size_t size = 0;
    while (i < b.size() && b[i] >= '0' && b[i] <= '9') size = size * 10 + static_cast<size_t>(b[i++] - '0');
    if (r.name.empty() || size > b.size() - i) return {};
    r.data = b.substr(i, size);
    i += size;
    records.push_back(r);
  }
  return records;
}
Bytes Pack(const std::vector<Record>& records) {
  Bytes b;
  for (const Record& r : records) {
    if (!b.empty()) b += '\n';
    b += r.name + " " + std::to_string(r.data.size()) + r.data;
  }
  return b;
}

// What a damaged file of each kind must lead to.
enum class Kind {
  kLoadingPicture,  // fatal, its own message
  kPicture,         // fatal: "A picture or font ... loaded: " and the name as asked
  kFont,            // the same
  kArchive,         // fatal: not found, or broken
  kArchived,        // a picture inside the archive: fatal, named by its unpacked path
  kSound,           // silent
  kInstructions,    // the error line
};

struct StartFile {
  const char* path;  // in the program folder, or the record's name for kArchived
  Kind kind;
  const char* asked = nullptr;  // the name as start-up asks for it, when it differs
};

const std::vector<StartFile>& StartFiles() {
  static const std::vector<StartFile> files = {
      {"gfx/loading.png", Kind::kLoadingPicture},
      {"data/qyv2demo.dat", Kind::kArchive},
      {"startscreen.jpg", Kind::kArchived},
      {"gfx/bg.jpg", Kind::kPicture, "gfx\\bg.jpg"},
      {"peite.png", Kind::kArchived},
      {"gfx/message frame.png", Kind::kPicture, "gfx\\message frame.png"},
      {"gfx/square.png", Kind::kPicture, "gfx\\square.png"},
      {"gfx/square mark.png", Kind::kPicture, "gfx\\square mark.png"},
      {"gfx/Menu.png", Kind::kPicture, "gfx\\Menu.png"},
      {"gfx/Credits.png", Kind::kPicture, "gfx\\Credits.png"},
      {"gfx/instructions.png", Kind::kPicture, "gfx\\instructions.png"},
      {"gfx/quit.png", Kind::kPicture, "gfx\\quit.png"},
      {"gfx/pointer.png", Kind::kPicture, "gfx\\pointer.png"},
      {"gfx/ball.png", Kind::kPicture, "gfx\\ball.png"},
      {"gfx/level-1-empty.png", Kind::kPicture, "gfx\\level-1-empty.png"},
      {"gfx/littleframe.png", Kind::kPicture, "gfx\\littleframe.png"},
      {"Mishmash BRK.ttf", Kind::kFont},
      {"MODENINE.TTF", Kind::kFont},
      {"Anleterre Book.ttf", Kind::kFont},
      {"Cabin-Regular-TTF.ttf", Kind::kFont},
      {"Glametrix.otf", Kind::kFont},
      {"gfx/questionmark.png", Kind::kPicture, "gfx\\questionmark.png"},
      {"gfx/4.png", Kind::kPicture, "gfx\\4.png"},
      {"gfx/model square.png", Kind::kPicture, "gfx\\model square.png"},
      {"gfx/rowbonus.png", Kind::kPicture, "gfx\\rowbonus.png"},
      {"gfx/colbonus.png", Kind::kPicture, "gfx\\colbonus.png"},
      {"gfx/M.png", Kind::kPicture, "gfx\\M.png"},
      {"gfx/pair.png", Kind::kPicture, "gfx\\pair.png"},
      {"stockimage_s_32662469.jpg", Kind::kArchived},
      {"demo-ending.jpg", Kind::kArchived},
      {"fx/icewinds.ogg", Kind::kSound},
      {"fx/elevator_bell.ogg", Kind::kSound},
      {"music/defuse.ogg", Kind::kSound},
      {"data/instructions.txt", Kind::kInstructions},
  };
  return files;
}

// Delivers only what the script queues, keeps every message, and plays the
// title screen a key a frame once start-up's three loading flips are over:
// the menu, the instructions page drawn, then Esc until start-up returns.
class StartUpDriver : public QuietSystemDriver {
 public:
  void Poll() override {
    while (!queue.empty()) {
      EmitEvent(queue.front());
      queue.erase(queue.begin());
    }
  }
  void Wait() override { Poll(); }
  void Notify(const std::u16string& text, bool) override { messages.push_back(text); }
  void OnFlip() {
    static const int script[] = {KEY_M, KEY_DOWN, KEY_RETURN, 0, KEY_ESCAPE, KEY_ESCAPE};
    const int titleFrame = flips++ - 3;
    if (titleFrame < 0) return;
    if (titleFrame > 600) {  // never hang: close as the desktop does
      Push(EVENT_APPTERMINATE, 0);
      return;
    }
    const int key = titleFrame < static_cast<int>(std::size(script)) ? script[titleFrame] : KEY_ESCAPE;
    if (key == 0) return;
    Push(EVENT_KEYDOWN, key);
    Push(EVENT_KEYUP, key);
  }
  std::vector<std::u16string> messages;
  int flips = 0;

 private:
  void Push(int id, int data) {
    TEvent e;
    e.id = id;
    e.data = data;
    queue.push_back(e);
  }
  std::vector<TEvent> queue;
};

// A program folder of links to the real one's files, so that one file at a
// time can be replaced, and a per-user data folder of the test's own.
class StartUpRun : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char pattern[] = "/tmp/quillory-startfaults-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    root = pattern;
    fs::create_directories(root / "program");
    for (const auto& e : fs::recursive_directory_iterator(QUILLORY_PROGRAM_DIR)) {
      const fs::path rel = fs::relative(e.path(), QUILLORY_PROGRAM_DIR);
      if (e.is_directory()) {
        fs::create_directories(root / "program" / rel);
      } else {
        fs::create_symlink(e.path(), root / "program" / rel);
      }
    }
    archive = ReadFile(fs::path(QUILLORY_PROGRAM_DIR) / "data/qyv2demo.dat");
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  void SetUp() override {
    if (!getenv("DISPLAY")) GTEST_SKIP() << "no X display";
    if (const char* v = getenv("XDG_DATA_HOME")) oldXdg = v;
    setenv("XDG_DATA_HOME", (root / "home").c_str(), 1);
    oldFolder = CurrentFolder();
    SetSystemDriver(driver);
    hook = AddFrameFlipHook([this] { driver->OnFlip(); });
  }
  void TearDown() override {
    if (hook) RemoveFrameFlipHook(hook);
    SetSystemDriver(nullptr);
    EnterFolder(oldFolder);
    if (oldXdg) {
      setenv("XDG_DATA_HOME", oldXdg->c_str(), 1);
    } else {
      unsetenv("XDG_DATA_HOME");
    }
    ResetGameState();
  }

  static fs::path Program() { return root / "program"; }
  static std::string TempDir() { return (root / "home" / "Velmarch" / "Quillory demo" / "temp").string() + "/"; }

  // Puts the damage in place; Repair undoes it.
  void Spoil(const StartFile& f, Damage d) {
    if (f.kind == Kind::kArchived) {
      std::vector<Record> records = Unpack(archive);
      ASSERT_EQ(records.size(), 4u);
      auto it = std::find_if(records.begin(), records.end(), [&](const Record& r) { return r.name == f.path; });
      ASSERT_NE(it, records.end()) << f.path << " is not in the archive";
      switch (d) {
        case Damage::kMissing: records.erase(it); break;
        case Damage::kEmpty: it->data.clear(); break;
        case Damage::kHalf: it->data.resize(it->data.size() / 2); break;
        case Damage::kGarbage: it->data = Garbage(it->data.size()); break;
        case Damage::kFolder: FAIL() << "a record cannot be a folder";
      }
      Replace("data/qyv2demo.dat", Pack(records));
      return;
    }
    const fs::path p = Program() / f.path;
    ASSERT_TRUE(fs::is_symlink(p)) << p;
    const Bytes original = ReadFile(p);
    fs::remove(p);
    switch (d) {
      case Damage::kMissing: break;
      case Damage::kEmpty: WriteFile(p, ""); break;
      case Damage::kHalf: WriteFile(p, original.substr(0, original.size() / 2)); break;
      case Damage::kGarbage: WriteFile(p, Garbage(original.size())); break;
      case Damage::kFolder: fs::create_directory(p); break;
    }
  }
  void Replace(const std::string& rel, const Bytes& bytes) {
    fs::remove(Program() / rel);
    WriteFile(Program() / rel, bytes);
  }
  void Repair(const StartFile& f) {
    const std::string rel = f.kind == Kind::kArchived ? "data/qyv2demo.dat" : f.path;
    fs::remove_all(Program() / rel);
    fs::create_symlink(fs::path(QUILLORY_PROGRAM_DIR) / rel, Program() / rel);
  }

  // Runs start-up from the program folder; its exit status.
  int RunStartUp() {
    ResetGameState();
    driver->messages.clear();
    driver->flips = 0;
    EXPECT_EQ(EnterFolder(Program().string()), 1);
    const int status = StartUp(TStartOptions{true, 7});
    EnterFolder(oldFolder);
    return status;
  }

  static inline fs::path root;
  static inline Bytes archive;
  std::shared_ptr<StartUpDriver> driver = std::make_shared<StartUpDriver>();
  TManualClock clock{1000};
  int hook = 0;
  std::string oldFolder;
  std::optional<std::string> oldXdg;
};

const std::u16string kPictureOrFont = u"A picture or font of the game could not be loaded: ";

// The instruction file's lines as the program folder ships them.
std::vector<std::u16string> ShippedInstructions() {
  std::vector<std::u16string> lines;
  std::ifstream in(fs::path(QUILLORY_PROGRAM_DIR) / "data/instructions.txt", std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(Utf8ToText(line));
  }
  return lines;
}

bool Fatal(Kind k) { return k != Kind::kSound && k != Kind::kInstructions; }
std::vector<StartFile> FilesWhere(bool fatal) {
  std::vector<StartFile> files;
  for (const StartFile& f : StartFiles()) {
    if (Fatal(f.kind) == fatal) files.push_back(f);
  }
  return files;
}

// Nothing unpacked is left behind in the per-user folder, and a start-up
// that went on reached the title screen.
void ExpectTidyEnd(int status, int flips, const std::string& tempDir) {
  if (status == 0) {
    EXPECT_GE(flips, 9) << "the title screen did not come up";
  }
  std::error_code ec;
  EXPECT_TRUE(!fs::exists(tempDir) || fs::is_empty(tempDir, ec)) << tempDir;
}

// A picture, a font or the archive: start-up stops at it with its message.
class FatalFileFaults : public StartUpRun, public ::testing::WithParamInterface<StartFile> {};

TEST_P(FatalFileFaults, EndsInTheProgramsMessageAndStatusOne) {
  const StartFile& f = GetParam();
  std::vector<Damage> damages = {Damage::kMissing, Damage::kEmpty, Damage::kHalf, Damage::kGarbage};
  // A folder where the shell reads with its own calls; the engine's loaders
  // see a folder as a file they cannot read, as an empty one.
  if (f.kind == Kind::kArchive) damages.push_back(Damage::kFolder);

  for (const Damage d : damages) {
    SCOPED_TRACE(std::string(f.path) + " " + DamageName(d));
    Spoil(f, d);
    if (HasFatalFailure()) return;
    const int status = RunStartUp();
    Repair(f);
    const std::vector<std::u16string> messages = driver->messages;
    EXPECT_EQ(status, 1);
    switch (f.kind) {
      case Kind::kLoadingPicture:
        EXPECT_EQ(messages, std::vector<std::u16string>{u"A picture of the game could not be loaded: gfx\\loading.png"});
        break;
      case Kind::kPicture:
      case Kind::kFont:
        EXPECT_EQ(messages, std::vector<std::u16string>{kPictureOrFont + Utf8ToText(f.asked ? f.asked : f.path)});
        break;
      case Kind::kArchive: {
        const bool absent = d == Damage::kMissing || d == Damage::kFolder;
        EXPECT_EQ(messages, std::vector<std::u16string>{absent ? u"Needed dat-file not found - re-install."
                                                               : u"Picture file not found! Try to restart."});
        break;
      }
      case Kind::kArchived:
        EXPECT_EQ(messages, std::vector<std::u16string>{d == Damage::kMissing
                                                            ? std::u16string(u"Picture file not found! Try to restart.")
                                                            : kPictureOrFont + Utf8ToText(TempDir() + f.path)});
        break;
      default: ADD_FAILURE() << "not a fatal file";
    }
    ExpectTidyEnd(status, driver->flips, TempDir());
  }
}

INSTANTIATE_TEST_SUITE_P(EveryFile, FatalFileFaults, ::testing::ValuesIn(FilesWhere(true)),
                         [](const ::testing::TestParamInfo<StartFile>& info) {
                           std::string name = info.param.path;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

// The sounds and the instruction file: start-up goes on without them. Their
// fallbacks do not touch one another, so each round damages all of them at
// once, each in another way; over the rounds each file meets every damage.
// (One file at a time, each of these would be a whole start-up of its own.)
class FallbackFaults : public StartUpRun, public ::testing::WithParamInterface<int> {};

TEST_P(FallbackFaults, StartUpGoesOnSilentOrWithTheErrorLine) {
  const int round = GetParam();
  const std::vector<Damage> soundDamages = {Damage::kMissing, Damage::kEmpty, Damage::kHalf, Damage::kGarbage};
  const std::vector<Damage> textDamages = {Damage::kMissing, Damage::kEmpty, Damage::kHalf, Damage::kGarbage,
                                           Damage::kFolder};
  const std::vector<StartFile> files = FilesWhere(false);
  std::vector<Damage> damages;
  std::string what;
  for (size_t i = 0; i < files.size(); ++i) {
    const bool text = files[i].kind == Kind::kInstructions;
    const auto& list = text ? textDamages : soundDamages;
    damages.push_back(list[(static_cast<size_t>(round) + i) % list.size()]);
    what += std::string(files[i].path) + " " + DamageName(damages[i]) + "; ";
    Spoil(files[i], damages[i]);
    if (HasFatalFailure()) return;
  }
  SCOPED_TRACE(what);
  const int status = RunStartUp();
  for (const StartFile& f : files) Repair(f);

  EXPECT_EQ(status, 0);
  EXPECT_TRUE(driver->messages.empty());
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string p = files[i].path;
    const Damage d = damages[i];
    SCOPED_TRACE(p + " " + DamageName(d));
    if (files[i].kind == Kind::kSound) {
      const auto& sound = p == "fx/icewinds.ogg"       ? game.levelClearedSound
                          : p == "fx/elevator_bell.ogg" ? game.pairSound
                                                        : game.musicSound;
      // Half a sound may still play its first half.
      if (d != Damage::kHalf) {
        EXPECT_FALSE(sound) << "a damaged sound was loaded";
      }
      continue;
    }
    if (d == Damage::kMissing || d == Damage::kFolder) {
      EXPECT_EQ(game.instructionLines, std::vector<std::u16string>{u"ERROR IN READING INSTRUCTIONS.TXT!"});
    } else if (d == Damage::kEmpty) {
      EXPECT_TRUE(game.instructionLines.empty());
    } else if (d == Damage::kHalf) {
      // The lines before the cut, whole.
      const std::vector<std::u16string> shipped = ShippedInstructions();
      ASSERT_FALSE(game.instructionLines.empty());
      ASSERT_LE(game.instructionLines.size(), shipped.size());
      EXPECT_TRUE(std::equal(game.instructionLines.begin(), game.instructionLines.end() - 1, shipped.begin()));
    }
  }
  ExpectTidyEnd(status, driver->flips, TempDir());
}

INSTANTIATE_TEST_SUITE_P(Rounds, FallbackFaults, ::testing::Range(0, 5));

// The table covers every file the program folder ships for start-up: a new
// one must join it. The licences are for people, the executable runs.
TEST(StartUpFiles, TheTableHoldsEveryFileOfTheProgramFolder) {
  std::set<std::string> listed;
  for (const StartFile& f : StartFiles()) {
    if (f.kind != Kind::kArchived) listed.insert(f.path);
  }
  std::set<std::string> shipped;
  for (const auto& e : fs::recursive_directory_iterator(QUILLORY_PROGRAM_DIR)) {
    const std::string rel = fs::relative(e.path(), QUILLORY_PROGRAM_DIR).string();
    if (e.is_directory() || rel.rfind("licenses/", 0) == 0 || rel == "quillory") continue;
    shipped.insert(rel);
  }
  EXPECT_EQ(listed, shipped);
  std::set<std::string> archived;
  for (const Record& r : Unpack(ReadFile(fs::path(QUILLORY_PROGRAM_DIR) / "data/qyv2demo.dat"))) archived.insert(r.name);
  std::set<std::string> listedArchived;
  for (const StartFile& f : StartFiles()) {
    if (f.kind == Kind::kArchived) listedArchived.insert(f.path);
  }
  EXPECT_EQ(archived, listedArchived);
}

}  // namespace
