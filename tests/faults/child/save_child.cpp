// Saves the new fault table over whatever the scores file holds, with the
// fault library preloaded, and prints what happened: "<saved 0/1> <calls
// counted> <the call made to fail, or ->". Exit status 0 when the save said
// it succeeded, 1 when it said it failed, 3 without the fault library.
#include <dlfcn.h>

#include <cstdio>

#include "game/shell/hiscores.h"
#include "tests/faults/tables.h"

int main() {
  const auto arm = reinterpret_cast<void (*)()>(dlsym(RTLD_DEFAULT, "quillory_fault_arm"));
  const auto disarm = reinterpret_cast<void (*)()>(dlsym(RTLD_DEFAULT, "quillory_fault_disarm"));
  const auto calls = reinterpret_cast<long (*)()>(dlsym(RTLD_DEFAULT, "quillory_fault_calls"));
  const auto failed = reinterpret_cast<const char* (*)()>(dlsym(RTLD_DEFAULT, "quillory_fault_failed"));
  if (!arm || !disarm || !calls || !failed) {
    std::fprintf(stderr, "save_child: the fault library is not preloaded\n");
    return 3;
  }
  ResetGameState();
  faults::PutTable(faults::kNewTable);
  arm();
  const bool saved = SaveHiscores();
  disarm();
  std::printf("%d %ld %s\n", saved ? 1 : 0, calls(), *failed() ? failed() : "-");
  std::fflush(stdout);
  return saved ? 0 : 1;
}
