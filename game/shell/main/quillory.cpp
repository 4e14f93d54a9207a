// The quillory executable: reads the command line, makes its own folder (the
// program folder with the pictures, sounds and fonts) current, and starts.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/system/files.h"
#include "engine/system/system_driver.h"
#include "game/shell/startup.h"

namespace {

const char* const USAGE =
    "Usage: quillory [--window] [--seed N]\n"
    "Quillory demo, a memory puzzle game.\n"
    "\n"
    "  --window   play in a 1024 x 768 window instead of full screen\n"
    "  --seed N   deal every board from the number N instead of the clock\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n";

bool ParseSeed(const char* text, int& seed) {
  if (!text || !*text) return false;
  errno = 0;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (*end != '\0' || errno == ERANGE || value < INT_MIN || value > INT_MAX) return false;
  seed = static_cast<int>(value);
  return true;
}

int Usage(const std::string& error) {
  std::fprintf(stderr, "quillory: %s\n%s", error.c_str(), USAGE);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  TStartOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(USAGE, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::printf("Quillory demo %s\n", QUILLORY_VERSION);
      return 0;
    }
    if (arg == "--window") {
      options.window = true;
    } else if (arg == "--seed" || arg.rfind("--seed=", 0) == 0) {
      const char* value = arg == "--seed" ? (i + 1 < argc ? argv[++i] : nullptr) : argv[i] + 7;
      int seed = 0;
      if (!ParseSeed(value, seed)) return Usage("--seed needs a whole number");
      options.seed = seed;
    } else {
      return Usage("unknown option " + arg);
    }
  }
  // The pictures, sounds and fonts lie beside the executable, wherever it
  // was started from.
  if (EnterFolder(ProgramFolder()) != 1) {
    std::fprintf(stderr, "quillory: cannot enter the program folder %s\n", ProgramFolder().c_str());
    return 1;
  }
  // Logging out or Ctrl+C end the program as Esc on the title screen does.
  CatchCloseSignals();
  return StartUp(options);
}
