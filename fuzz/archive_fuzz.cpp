// The picture archive extractor over arbitrary archive bytes. Each run
// unpacks into a folder of its own beside a folder that must stay empty, with
// a planted link out of the unpack folder; every run checks that nothing was
// written outside the unpack folder and that a refused archive leaves nothing
// behind.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>

#include "fuzz/fuzz_common.h"
#include "game/shell/archive.h"

namespace fs = std::filesystem;

namespace {

struct Layout {
  fs::path root, archive, out, outside, link;
  int start = -1;  // the folder the process started in
};

const Layout& Folders() {
  static const Layout layout = [] {
    Layout l;
    l.root = fs::canonical(fuzz::PrivateFolder());
    l.archive = l.root / "archive.dat";
    l.out = l.root / "out";
    l.outside = l.root / "outside";
    l.link = l.out / "link";
    l.start = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    FUZZ_CHECK(l.start >= 0);
    fs::create_directory(l.out);
    fs::create_directory(l.outside);
    return l;
  }();
  return layout;
}

// Empties the unpack folder and plants the link to a file that must never appear.
void ResetOut(const Layout& l) {
  for (const auto& e : fs::directory_iterator(l.out)) fs::remove_all(e.path());
  fs::create_symlink(fs::path("..") / "outside" / "planted", l.link);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Layout& l = Folders();
  ResetOut(l);
  fuzz::WriteWholeFile(l.archive.string(), data, size);
  FUZZ_CHECK(chdir(l.root.c_str()) == 0);

  const int result = ExtractPictureArchive(l.archive.string(), l.out.string());

  // The archive exists and is a regular file: it always opens, and the
  // unpack folder is entered and stays the current folder.
  FUZZ_CHECK(result == 0 || result == -2);
  char cwd[PATH_MAX];
  FUZZ_CHECK(getcwd(cwd, sizeof cwd) && fs::path(cwd) == l.out);
  FUZZ_CHECK(chdir(l.root.c_str()) == 0);

  // Nothing beside the unpack folder changed.
  std::set<std::string> top;
  for (const auto& e : fs::directory_iterator(l.root)) top.insert(e.path().filename().string());
  FUZZ_CHECK((top == std::set<std::string>{"archive.dat", "out", "outside"}));
  FUZZ_CHECK(fs::is_empty(l.outside));
  FUZZ_CHECK(fs::is_symlink(l.link) && fs::read_symlink(l.link) == fs::path("../outside/planted"));

  size_t files = 0;
  uintmax_t bytes = 0;
  for (const auto& e : fs::directory_iterator(l.out)) {
    if (e.path() == l.link) continue;
    FUZZ_CHECK(e.is_regular_file() && !e.is_symlink());
    ++files;
    bytes += e.file_size();
  }
  if (result == 0) {
    // Four records; a name may come twice, and each file's bytes came from the archive.
    FUZZ_CHECK(files >= 1 && files <= 4);
    FUZZ_CHECK(bytes <= size);
  } else {
    FUZZ_CHECK(files == 0);  // what the run wrote is removed again
  }
  // libFuzzer reads its corpus by relative paths.
  FUZZ_CHECK(fchdir(l.start) == 0);
  return 0;
}
