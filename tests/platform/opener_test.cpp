#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/posix.h"

namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool WaitFor(const fs::path& p) {
  for (int i = 0; i < 1000 && !fs::exists(p); ++i) usleep(10000);
  return fs::exists(p);
}

}  // namespace

// A stand-in xdg-open on PATH records its arguments and then holds on until
// the test lets it go, the way a browser started in the foreground would.
TEST(Opener, HandsTheAddressOverVerbatimAndDoesNotWait) {
  const fs::path dir = fs::temp_directory_path() / ("quillory-opener-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path script = dir / "xdg-open";
  {
    std::ofstream out(script);
    out << "#!/bin/sh\n"
        << "printf '%s|' \"$#\" \"$@\" > '" << (dir / "args").string() << ".tmp'\n"
        << "mv '" << (dir / "args").string() << ".tmp' '" << (dir / "args").string() << "'\n"
        << "i=0; while [ ! -e '" << (dir / "release").string() << "' ] && [ $i -lt 1000 ]; do"
        << " sleep 0.01; i=$((i+1)); done\n"
        << "touch '" << (dir / "done").string() << "'\n";
  }
  fs::permissions(script, fs::perms::owner_all);
  const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (dir.string() + ":" + oldPath).c_str(), 1);

  const std::string url = "http://example.invalid/?a=1&b=$(touch " + (dir / "pwned").string() + ");x";
  EXPECT_TRUE(platform::OpenURL(url));
  ASSERT_TRUE(WaitFor(dir / "args"));
  EXPECT_EQ(Slurp(dir / "args"), "1|" + url + "|");
  // Still running: OpenURL came back without waiting for it.
  EXPECT_FALSE(fs::exists(dir / "done"));
  EXPECT_FALSE(fs::exists(dir / "pwned"));

  // Addresses that would read as options are refused.
  EXPECT_FALSE(platform::OpenURL("--help"));
  EXPECT_FALSE(platform::OpenURL(""));

  std::ofstream(dir / "release").put('x');
  ASSERT_TRUE(WaitFor(dir / "done"));
  setenv("PATH", oldPath.c_str(), 1);
  fs::remove_all(dir);
}
