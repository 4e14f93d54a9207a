// Shared by the harnesses: a private temporary folder made once per process
// (under $TMPDIR or /tmp) and removed at exit, and whole-file writing.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzz {

inline const std::string& PrivateFolder() {
  static const std::string folder = [] {
    const char* tmp = getenv("TMPDIR");
    std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/quillory-fuzz-XXXXXX";
    if (!mkdtemp(tmpl.data())) {
      std::perror("mkdtemp");
      std::abort();
    }
    // The process may leave through exit() at the end of a run: take the
    // folder with it.
    static const std::string kept = tmpl;
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(kept, ec);
    });
    return tmpl;
  }();
  return folder;
}

// Writes the whole input to path; aborts when the system refuses, since a
// harness that cannot place its input tests nothing.
inline void WriteWholeFile(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || (size > 0 && std::fwrite(data, 1, size, f) != size) || std::fclose(f) != 0) {
    std::perror(path.c_str());
    std::abort();
  }
}

// Fails the run loudly: libFuzzer keeps the input as a crash.
#define FUZZ_CHECK(cond)                                                            \
  do {                                                                              \
    if (!(cond)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                 \
    }                                                                               \
  } while (0)

}  // namespace fuzz
