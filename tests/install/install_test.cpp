// The installed game. InstalledPrefix looks at what `cmake --install` put
// under a scratch prefix (tests/install/stage.sh prefix); DebPackage at the
// Debian package and the tree `dpkg -x` unpacked from it (stage.sh deb), whose
// launcher starts the game on this test's own X server.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/program/x11_screen.h"

namespace fs = std::filesystem;

namespace {

const fs::path kStage = QUILLORY_STAGE_DIR;
const std::string kAppId = QUILLORY_APP_ID;
const int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

std::string ReadText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

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

struct Outcome {
  int status = -1;
  std::string out, err;
};

// Runs a command to its end in `cwd`, its output and errors kept apart.
Outcome RunIn(const fs::path& cwd, std::vector<std::string> args, const std::map<std::string, std::string>& env = {}) {
  char pattern[] = "/tmp/quillory-run-XXXXXX";
  if (!mkdtemp(pattern)) return {};
  const fs::path tmp = pattern;
  // stdout through a shell redirection of its own: Spawn only sends stderr to a file.
  std::vector<std::string> sh = {"/bin/sh", "-c", "cd \"$0\" && exec \"$@\" >\"$OUT\"", cwd.string()};
  sh.insert(sh.end(), args.begin(), args.end());
  auto envs = env;
  envs["OUT"] = (tmp / "out").string();
  Outcome r;
  const pid_t pid = Spawn(sh, envs, (tmp / "err").string());
  if (pid) r.status = WaitExit(pid, 30000);
  r.out = ReadText(tmp / "out");
  r.err = ReadText(tmp / "err");
  std::error_code ec;
  fs::remove_all(tmp, ec);
  return r;
}

// Width and height from a PNG's header; 0 x 0 when it is no PNG.
std::pair<int, int> PngSize(const fs::path& p) {
  const std::string b = ReadText(p);
  if (b.size() < 24 || b.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || b.compare(12, 4, "IHDR") != 0) return {0, 0};
  auto be32 = [&b](size_t at) {
    return (static_cast<unsigned char>(b[at]) << 24) | (static_cast<unsigned char>(b[at + 1]) << 16) |
           (static_cast<unsigned char>(b[at + 2]) << 8) | static_cast<unsigned char>(b[at + 3]);
  };
  return {be32(16), be32(20)};
}

// Every entry under a folder with its type, size, mode and modification time:
// two equal snapshots mean nothing was written, added or removed there.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> entries;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    struct stat st {};
    if (lstat(e.path().c_str(), &st) != 0) continue;
    std::ostringstream s;
    s << std::oct << st.st_mode << std::dec << ' ' << st.st_size << ' ' << st.st_mtim.tv_sec << '.'
      << st.st_mtim.tv_nsec;
    entries[fs::relative(e.path(), root).string()] = s.str();
  }
  return entries;
}

// The value of "Key=" in a desktop entry, empty when there is none.
std::string DesktopValue(const std::string& entry, const std::string& key) {
  std::istringstream in(entry);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
  }
  return {};
}

// ------------------------------------------------------------ cmake --install

class InstalledPrefix : public ::testing::Test {
 protected:
  const fs::path prefix = kStage / "prefix" / "prefix";
  const fs::path share = prefix / "share";
};

TEST_F(InstalledPrefix, TheMenuEntryAndTheDescriptionValidateAndNameOneApplication) {
  const fs::path desktop = share / "applications" / (kAppId + ".desktop");
  const fs::path metainfo = share / "metainfo" / (kAppId + ".metainfo.xml");
  ASSERT_TRUE(fs::is_regular_file(desktop));
  ASSERT_TRUE(fs::is_regular_file(metainfo));

  // desktop-file-validate exits 0 on hints too; any line it prints is a finding.
  const Outcome entryCheck = RunIn("/", {"desktop-file-validate", desktop.string()});
  EXPECT_EQ(entryCheck.status, 0) << entryCheck.out << entryCheck.err;
  EXPECT_EQ(entryCheck.out + entryCheck.err, "");
  const Outcome infoCheck = RunIn("/", {"appstreamcli", "validate", "--no-net", "--pedantic", metainfo.string()});
  EXPECT_EQ(infoCheck.status, 0) << infoCheck.out << infoCheck.err;

  const std::string entry = ReadText(desktop), info = ReadText(metainfo);
  EXPECT_EQ(DesktopValue(entry, "Name"), "Quillory demo");
  EXPECT_EQ(DesktopValue(entry, "Icon"), kAppId);
  // The menu runs the launcher installed in the prefix's bin/.
  EXPECT_EQ(DesktopValue(entry, "Exec"), "quillory");
  EXPECT_TRUE(fs::is_regular_file(prefix / "bin" / DesktopValue(entry, "Exec")));
  EXPECT_NE(info.find("<id>" + kAppId + "</id>"), std::string::npos);
  EXPECT_NE(info.find("<launchable type=\"desktop-id\">" + kAppId + ".desktop</launchable>"), std::string::npos);
  EXPECT_NE(info.find("<release version=\"" QUILLORY_VERSION "\""), std::string::npos);
  EXPECT_NE(info.find("<name>Quillory demo</name>"), std::string::npos);
}

TEST_F(InstalledPrefix, TheIconComesInEverySizeAndAsSvg) {
  for (int size : kIconSizes) {
    const std::string folder = std::to_string(size) + "x" + std::to_string(size);
    const fs::path png = share / "icons" / "hicolor" / folder / "apps" / (kAppId + ".png");
    EXPECT_EQ(PngSize(png), std::make_pair(size, size)) << png;
  }
  const std::string svg = ReadText(share / "icons" / "hicolor" / "scalable" / "apps" / (kAppId + ".svg"));
  EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
  EXPECT_NE(svg.find("<svg"), std::string::npos);
  EXPECT_NE(svg.find("viewBox=\"0 0 256 256\""), std::string::npos);
  EXPECT_NE(svg.find("</svg>"), std::string::npos);
}

TEST_F(InstalledPrefix, TheProgramFolderIsTheOneTheBuildMade) {
  const fs::path built = QUILLORY_PROGRAM_DIR, installed = share / "quillory";
  std::set<std::string> builtFiles, installedFiles;
  for (const auto& e : fs::recursive_directory_iterator(built))
    if (e.is_regular_file()) builtFiles.insert(fs::relative(e.path(), built).string());
  for (const auto& e : fs::recursive_directory_iterator(installed))
    if (e.is_regular_file()) installedFiles.insert(fs::relative(e.path(), installed).string());
  EXPECT_EQ(installedFiles, builtFiles);
  for (const std::string& name : installedFiles) {
    if (name == "quillory") continue;  // the executable may be stripped on the way
    EXPECT_TRUE(ReadText(installed / name) == ReadText(built / name)) << name << " differs from the build's";
  }
  EXPECT_EQ(access((installed / "quillory").c_str(), X_OK), 0);
}

// The launcher finds the game from its own place: a copy of the prefix
// somewhere else, a link to the launcher and any current folder all work, and
// the arguments reach the game as they were given.
TEST_F(InstalledPrefix, TheLauncherWorksFromAMovedPrefixAndThroughALink) {
  char pattern[] = "/tmp/quillory-moved-XXXXXX";
  ASSERT_TRUE(mkdtemp(pattern));
  // A space in the path catches a launcher that splits it.
  const fs::path moved = fs::path(pattern) / "else where";
  fs::copy(prefix, moved, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  fs::create_directories(fs::path(pattern) / "links");
  const fs::path link = fs::path(pattern) / "links" / "quillory";
  fs::create_symlink(moved / "bin" / "quillory", link);

  struct Case {
    fs::path launcher;
    std::vector<std::string> args;
    int status;
    std::string out, errPart;
  };
  const Case cases[] = {
      {moved / "bin" / "quillory", {"--version"}, 0, "Quillory demo " QUILLORY_VERSION "\n", ""},
      {link, {"--version"}, 0, "Quillory demo " QUILLORY_VERSION "\n", ""},
      {link, {"--seed", "4 2"}, 2, "", "--seed needs a whole number"},
      {moved / "bin" / "quillory", {"--window", "--bogus"}, 2, "", "unknown option --bogus"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {c.launcher.string()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Outcome r = RunIn("/", args);
    EXPECT_EQ(r.status, c.status) << c.launcher << " " << c.args.back() << ": " << r.err;
    EXPECT_EQ(r.out, c.out) << c.launcher << " " << c.args.back();
    EXPECT_NE(r.err.find(c.errPart), std::string::npos) << r.err;
  }
  std::error_code ec;
  fs::remove_all(pattern, ec);
}

// ------------------------------------------------------------ the Debian package


class DebPackage : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const auto& e : fs::directory_iterator(kStage / "deb"))
      if (e.path().extension() == ".deb") deb = e.path();
    ASSERT_FALSE(deb.empty()) << "no package in " << kStage / "deb";
  }
  std::string Field(const std::string& name) const {
    std::string value = RunIn("/", {"dpkg-deb", "-f", deb.string(), name}).out;
    while (!value.empty() && value.back() == '\n') value.pop_back();
    return value;
  }
  // The package names a Depends or Recommends field lists, versions left out.
  std::set<std::string> Packages(const std::string& field) const {
    std::set<std::string> names;
    std::istringstream in(Field(field));
    for (std::string item; std::getline(in, item, ',');) {
      const size_t start = item.find_first_not_of(' ');
      if (start == std::string::npos) continue;
      names.insert(item.substr(start, item.find_first_of(" (", start) - start));
    }
    return names;
  }

  fs::path deb, root = kStage / "deb" / "root";
};

TEST_F(DebPackage, TheControlFieldsNameTheRuntimePackagesItNeeds) {
  EXPECT_EQ(Field("Package"), "quillory");
  EXPECT_EQ(Field("Version"), QUILLORY_VERSION);
  EXPECT_EQ(Field("Section"), "games");
  EXPECT_EQ(Field("Maintainer"), "Velmarch <quillory@velmarch.example>");
  EXPECT_EQ(Field("Description").rfind("memory puzzle game", 0), 0u) << Field("Description");
  const std::set<std::string> depends = Packages("Depends");
  // What the game links, as dpkg-shlibdeps finds it, and what SDL loads at
  // run time without linking it: GLX (libgl1) and Mesa's drivers.
  for (const char* lib : {"libc6", "libstdc++6", "libsdl2-2.0-0", "libopengl0", "libx11-6", "libopenal1",
                          "libpng16-16", "libjpeg62-turbo", "libfreetype6", "libvorbisfile3", "libgl1",
                          "libgl1-mesa-dri"}) {
    EXPECT_TRUE(depends.count(lib)) << lib << " missing from Depends: " << Field("Depends");
  }
  EXPECT_TRUE(Packages("Recommends").count("xdg-utils")) << Field("Recommends");
}

TEST_F(DebPackage, EveryFileBelongsToRootWithTheUsualPermissions) {
  const std::string listing = RunIn("/", {"dpkg-deb", "-c", deb.string()}).out;
  std::istringstream in(listing);
  int lines = 0;
  for (std::string line; std::getline(in, line); ++lines) {
    std::istringstream fields(line);
    std::string mode, owner, size, date, time, path;
    fields >> mode >> owner >> size >> date >> time >> path;
    EXPECT_EQ(owner, "root/root") << line;
    if (mode[0] == 'd') {
      EXPECT_EQ(mode, "drwxr-xr-x") << line;
    } else if (path == "./usr/games/quillory" || path == "./usr/share/quillory/quillory") {
      EXPECT_EQ(mode, "-rwxr-xr-x") << line;
    } else {
      EXPECT_EQ(mode, "-rw-r--r--") << line;
    }
  }
  EXPECT_GT(lines, 40);
  // Debian keeps the commands of games in /usr/games.
  EXPECT_TRUE(fs::is_regular_file(root / "usr/games/quillory"));
  EXPECT_FALSE(fs::exists(root / "usr/bin"));
  // The installed executable carries no debugging sections.
  const Outcome sections = RunIn("/", {"readelf", "-S", (root / "usr/share/quillory/quillory").string()});
  EXPECT_EQ(sections.status, 0);
  EXPECT_EQ(sections.out.find(".debug_info"), std::string::npos);
}

// The unpacked game reaches its title screen from an unrelated folder, ends
// with Esc and status 0, and writes only into its per-user folder.
TEST_F(DebPackage, TheUnpackedGameStartsAndWritesNothingIntoItsProgramFolder) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
  char pattern[] = "/tmp/quillory-deb-run-XXXXXX";
  ASSERT_TRUE(mkdtemp(pattern));
  const fs::path scratch = pattern, data = scratch / "data", cwd = scratch / "somewhere";
  fs::create_directories(cwd);
  // Read-only as a user would have it (root writes all the same: the
  // snapshot is what shows a write).
  for (const auto& e : fs::recursive_directory_iterator(root / "usr/share/quillory"))
    fs::permissions(e.path(), fs::perms::owner_write, fs::perm_options::remove);
  const auto before = Snapshot(root);

  const fs::path err = scratch / "stderr.txt";
  std::vector<std::string> sh = {"/bin/sh", "-c", "cd \"$0\" && exec \"$@\"", cwd.string(),
                                 (root / "usr/games/quillory").string()};
  const pid_t pid = Spawn(sh,
                          {{"XDG_DATA_HOME", data.string()},
                           {"HOME", (scratch / "home").string()},
                           {"XDG_CACHE_HOME", (scratch / "cache").string()},
                           {"ALSOFT_DRIVERS", "null"}},
                          err.string());
  ASSERT_NE(pid, 0);
  const unsigned long window = FindTopLevelWindow("Quillory demo", 15000);
  bool table = false;
  // The hiscore table's rows are drawn in (180, 80, 220).
  for (int waited = 0; window && !table && waited <= 10000; waited += 50) {
    const TScreenShot s = GrabScreen();
    for (int y = 180; y <= 420 && !table && y < s.height; ++y)
      for (int x = 380; x <= 700 && !table && x < s.width; ++x) {
        const unsigned char* p = s.At(x, y);
        table = std::abs(p[0] - 180) <= 2 && std::abs(p[1] - 80) <= 2 && std::abs(p[2] - 220) <= 2;
      }
    if (!table) Pause(50);
  }
  if (table) {
    Pause(300);  // the keyboard comes a moment after the window
    EXPECT_TRUE(Xdo({"key", "Escape"}));
  }
  const int status = WaitExit(pid, table ? 10000 : 0);
  EXPECT_NE(window, 0u) << "no window; stderr: " << ReadText(err);
  EXPECT_TRUE(table) << "no title screen; stderr: " << ReadText(err);
  EXPECT_EQ(status, 0) << ReadText(err);

  const auto after = Snapshot(root);
  std::string changed;
  for (const auto& [name, entry] : before)
    if (!after.count(name) || after.at(name) != entry) changed += " " + name;
  for (const auto& [name, entry] : after)
    if (!before.count(name)) changed += " +" + name;
  EXPECT_EQ(changed, "") << "the unpacked tree changed";
  EXPECT_TRUE(fs::is_regular_file(data / "Velmarch" / "Quillory demo" / "scores.dat"));
  EXPECT_TRUE(fs::is_empty(cwd));
  std::error_code ec;
  fs::remove_all(scratch, ec);
}

}  // namespace
