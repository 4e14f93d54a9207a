#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "engine/system/files.h"

namespace fs = std::filesystem;

namespace {

// Works inside a fresh temporary folder, entered as the current folder; the
// previous current folder is restored and the temporary one removed afterwards.
class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "quillory-files-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = fs::canonical(tmpl).string();
    old_ = fs::current_path();
    fs::current_path(dir_);
  }
  void TearDown() override {
    fs::current_path(old_);
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  static void Put(const fs::path& p, const std::string& bytes = "x") {
    std::ofstream(p, std::ios::binary) << bytes;
  }

  std::string dir_;
  fs::path old_;
};

// Sets an environment variable for one scope.
class EnvSetting {
 public:
  EnvSetting(const char* name, const char* value) : name_(name) {
    if (const char* v = getenv(name)) old_ = v;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~EnvSetting() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace

TEST(Paths, Normalise) {
  struct Case {
    const char* in;
    bool folder;
    const char* out;
  } cases[] = {
      {"gfx\\bg.jpg", false, "gfx/bg.jpg"},
      {"\\Velmarch\\Quillory demo\\", false, "/Velmarch/Quillory demo/"},
      {"\\Velmarch\\Quillory demo\\", true, "/Velmarch/Quillory demo"},
      {"a/b///", true, "a/b"},
      {"a/b/", false, "a/b/"},
      {"/", true, "/"},
      {"\\", true, "/"},
      {"//server", false, "//server/"},
      {"//server/", true, "//server/"},
      {"//server/share/", true, "//server/share"},
      {"C:name", false, "C:name"},  // no drives here: an ordinary relative name
      {"", true, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(NormalisePath(c.in, c.folder), c.out) << c.in;
}

TEST_F(FilesTest, AbsolutePathJoinsAndResolves) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"/x/./y/../z", "/x/z"},
      {"/../..", "/"},
      {"/a/b/", "/a/b"},
      {"\\a\\\\b", "/a/b"},
      {"rel", dir_ + "/rel"},
      {"a\\..\\b\\.", dir_ + "/b"},
      {"", dir_},
      {".", dir_},
      {"..", fs::path(dir_).parent_path().string()},
  };
  for (const auto& c : cases) EXPECT_EQ(AbsolutePath(c.in), c.out) << c.in;
}

TEST_F(FilesTest, PathKindOfNothingFileAndFolder) {
  fs::create_directory("sub");
  Put("sub/f.txt");
  EXPECT_EQ(PathKind("missing"), 0);
  EXPECT_EQ(PathKind(""), 0);
  EXPECT_EQ(PathKind("sub"), 2);
  EXPECT_EQ(PathKind("sub\\"), 2);
  EXPECT_EQ(PathKind("sub\\f.txt"), 1);
  EXPECT_EQ(PathKind(dir_ + "/sub/f.txt"), 1);
  EXPECT_EQ(PathKind(std::string("sub/f.txt\0", 10)), 0);  // never a shorter path
}

TEST_F(FilesTest, MakeFolderWithAndWithoutRecursion) {
  EXPECT_EQ(MakeFolder("a/b/c"), 0);
  EXPECT_EQ(PathKind("a"), 0);
  EXPECT_EQ(MakeFolder("a\\b\\c\\", 1), 1);
  EXPECT_EQ(PathKind("a/b/c"), 2);
  EXPECT_EQ(MakeFolder("a/b/c", 1), 1);  // already there
  EXPECT_EQ(MakeFolder("a/b/d"), 1);
  EXPECT_EQ(MakeFolder("a/b/d"), 1);
  EXPECT_EQ(MakeFolder(dir_ + "/x/../y", 1), 1);
  EXPECT_EQ(PathKind("y"), 2);

  Put("file");
  EXPECT_EQ(MakeFolder("file"), 0);
  EXPECT_EQ(MakeFolder("file/inner/deeper", 1), 0);
  EXPECT_EQ(PathKind("file"), 1);
}

TEST_F(FilesTest, RemoveFileLeavesFoldersAndLinkTargets) {
  Put("f.txt");
  EXPECT_EQ(RemoveFile(".\\f.txt"), 1);
  EXPECT_EQ(PathKind("f.txt"), 0);
  EXPECT_EQ(RemoveFile("f.txt"), 1);  // nothing there afterwards

  fs::create_directory("folder");
  EXPECT_EQ(RemoveFile("folder"), 0);
  EXPECT_EQ(PathKind("folder"), 2);

  Put("target");
  fs::create_symlink("target", "link");
  fs::create_symlink("gone", "dangling");
  EXPECT_EQ(RemoveFile("link"), 1);
  EXPECT_EQ(RemoveFile("dangling"), 1);
  EXPECT_FALSE(fs::is_symlink(fs::symlink_status("dangling")));
  EXPECT_EQ(PathKind("target"), 1);
}

TEST_F(FilesTest, RemoveFolderRecursesWithoutFollowingLinks) {
  // Outside the tree, reached by links from inside it.
  fs::create_directories("outside/keep");
  Put("outside/keep/precious.txt");
  Put("outside/file.txt");

  fs::create_directories("tree/a/b");
  Put("tree/top.txt");
  Put("tree/a/b/deep.txt");
  fs::create_directory_symlink(dir_ + "/outside", "tree/a/to-outside");
  fs::create_symlink(dir_ + "/outside/file.txt", "tree/file-link");
  fs::create_symlink("nowhere", "tree/a/b/dangling");

  EXPECT_EQ(RemoveFolder("tree"), 0);  // not empty
  EXPECT_EQ(PathKind("tree/top.txt"), 1);

  EXPECT_EQ(RemoveFolder("tree\\", 1), 1);
  EXPECT_FALSE(fs::exists(fs::symlink_status("tree")));
  EXPECT_EQ(PathKind("outside/keep/precious.txt"), 1);
  EXPECT_EQ(PathKind("outside/file.txt"), 1);

  // A link named as the folder itself is not followed either.
  fs::create_directory_symlink(dir_ + "/outside", "link-to-outside");
  EXPECT_EQ(RemoveFolder("link-to-outside", 1), 0);
  EXPECT_EQ(PathKind("outside/keep/precious.txt"), 1);

  // Emptying needs a folder to list; without recursion a missing folder is simply gone.
  EXPECT_EQ(RemoveFolder("missing", 1), 0);
  EXPECT_EQ(RemoveFolder("missing"), 1);
  Put("plain.txt");
  EXPECT_EQ(RemoveFolder("plain.txt", 1), 0);
  EXPECT_EQ(PathKind("plain.txt"), 1);
  fs::create_directory("empty");
  EXPECT_EQ(RemoveFolder("empty"), 1);
  EXPECT_EQ(PathKind("empty"), 0);
}

TEST_F(FilesTest, RemoveFolderFailsWhenItCannotList) {
  fs::create_directories("tree/inner");
  Put("tree/top.txt");
  Put("tree/inner/f.txt");
  // With no file descriptor left for a listing, nothing may be removed. The
  // limit allows one more descriptor, then none: the top folder lists, its
  // subfolder does not.
  for (int spare : {0, 1}) {
    const int lowest = dup(0);
    ASSERT_GE(lowest, 0);
    close(lowest);
    rlimit old{};
    getrlimit(RLIMIT_NOFILE, &old);
    rlimit tight = old;
    tight.rlim_cur = static_cast<rlim_t>(lowest + spare);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
    const int result = RemoveFolder("tree", 1);
    setrlimit(RLIMIT_NOFILE, &old);
    EXPECT_EQ(result, 0) << "spare " << spare;
    EXPECT_EQ(PathKind("tree/inner/f.txt"), 1) << "spare " << spare;
  }
  if (geteuid() != 0) {
    chmod("tree/inner", 0300);  // writable and enterable, not listable
    EXPECT_EQ(RemoveFolder("tree", 1), 0);
    chmod("tree/inner", 0700);
    EXPECT_EQ(PathKind("tree/inner/f.txt"), 1);
  }
}

TEST_F(FilesTest, EnterFolderAndCurrentFolder) {
  EXPECT_EQ(CurrentFolder(), dir_);
  fs::create_directories("one/two");
  EXPECT_EQ(EnterFolder("one\\two\\"), 1);
  EXPECT_EQ(CurrentFolder(), dir_ + "/one/two");
  EXPECT_EQ(EnterFolder("missing"), 0);
  EXPECT_EQ(CurrentFolder(), dir_ + "/one/two");
  EXPECT_EQ(EnterFolder(dir_), 1);
  EXPECT_EQ(CurrentFolder(), dir_);
}

TEST_F(FilesTest, UserAppDirFollowsTheDataHome) {
  {
    EnvSetting xdg("XDG_DATA_HOME", (dir_ + "/data/").c_str());
    EXPECT_EQ(GetUserAppDir(), dir_ + "/data");
  }
  {
    EnvSetting xdg("XDG_DATA_HOME", "relative/data");
    EnvSetting home("HOME", dir_.c_str());
    EXPECT_EQ(GetUserAppDir(), dir_ + "/.local/share");
  }
  {
    // A home at the root must not turn into "//.local/share", which reads as a network path.
    EnvSetting xdg("XDG_DATA_HOME", nullptr);
    EnvSetting home("HOME", "/");
    EXPECT_EQ(GetUserAppDir(), "/.local/share");
  }
  {
    // No usable environment at all: the account's home folder still answers.
    EnvSetting xdg("XDG_DATA_HOME", nullptr);
    EnvSetting home("HOME", nullptr);
    const std::string appDir = GetUserAppDir();
    ASSERT_FALSE(appDir.empty());
    EXPECT_EQ(appDir[0], '/');
    EXPECT_EQ(fs::path(appDir).filename(), "share");
  }
}

TEST(ProgramFolderTest, HoldsTheRunningExecutable) {
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder[0], '/');
  EXPECT_EQ(PathKind(folder + "/system_tests"), 1);
}

TEST(TextConversion, Utf8AndUtf16) {
  struct Case {
    std::string utf8;
    std::u16string text;
    std::string back;  // what the text gives on the way back, when different
  } cases[] = {
      {"plain", u"plain", ""},
      {"Quillory d\xC3\xA9mo \xE2\x82\xAC", u"Quillory d\u00E9mo \u20AC", ""},
      {"\xF0\x9F\x98\x80", u"\U0001F600", ""},
      {std::string("a\0b", 3), std::u16string(u"a\0b", 3), ""},
      {"\xFF", u"\uFFFD", "\xEF\xBF\xBD"},
      {"a\xC3", u"a\uFFFD", "a\xEF\xBF\xBD"},
      {"\xC3(", u"\uFFFD(", "\xEF\xBF\xBD("},
      {"\xC0\xAF", u"\uFFFD\uFFFD", "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"\xE0\x80\x80", u"\uFFFD", "\xEF\xBF\xBD"},        // overlong
      {"\xED\xA0\x80", u"\uFFFD", "\xEF\xBF\xBD"},        // an encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD", "\xEF\xBF\xBD"},    // above U+10FFFF
      {"\xF0\x9F\x98", u"\uFFFD", "\xEF\xBF\xBD"},        // cut short
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToText(c.utf8), c.text) << c.utf8;
    EXPECT_EQ(TextToUtf8(c.text), c.back.empty() ? c.utf8 : c.back) << c.utf8;
  }
  // Lone halves of a surrogate pair.
  EXPECT_EQ(TextToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(TextToUtf8(u"x\xDC00"), "x\xEF\xBF\xBD");
  EXPECT_EQ(TextToUtf8(u"\xDC00\xD800"), "\xEF\xBF\xBD\xEF\xBF\xBD");
}
