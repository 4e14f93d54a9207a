// What the start-up benchmark's processes share. The parent starts one fresh
// process per measurement (the program's start-up, and each floor alone), so
// every one pays its own first-time costs; each child reports its numbers as
// "@ name value" lines on stdout.
#pragma once

#include <time.h>

#include <cstdio>
#include <string>

namespace startup_bench {

// CLOCK_MONOTONIC in milliseconds: one clock for every process, so the parent's
// spawn time and a child's readings can be subtracted.
inline double NowMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

inline void Report(const char* name, double value) { std::printf("@ %s %.6f\n", name, value); }

// Child entry points; each returns the child's exit status.
int RunProgram();  // StartUp to the title screen and out again
// One floor, named as in FloorNames; pictures: the archive's pictures unpacked.
int RunFloor(const char* which, const std::string& pictures);
extern const char* const FloorNames[];  // null-terminated, "exec" first

}  // namespace startup_bench
