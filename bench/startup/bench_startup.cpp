// Start-up from exec to the first title frame presented, stage by stage,
// against the sum of its floors: the process start, a bare GL context, the
// sound device, the bare decoders on the same files and plain texture uploads
// of the same pixels. Every measurement is a fresh process of this executable
// (so each pays its own first-time costs), started after one discarded round
// that warms the file and shader caches for all alike; each number is the
// median of three rounds. Start-up may take at most 1.3 x the sum. Also the
// title screen's peak resident memory.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench/startup/startup_bench.h"
#include "tests/game_screen/unpacked_pictures.h"

extern char** environ;

namespace {

using startup_bench::NowMs;

constexpr int kRounds = 3;
constexpr double kLimit = 1.3;

using TValues = std::map<std::string, double>;

std::string SelfPath() {
  std::error_code ec;
  return std::filesystem::read_symlink("/proc/self/exe", ec).string();
}

// Runs this executable with args; the child's "@ name value" lines, plus
// "spawn" (the clock just before the spawn). Empty when the child failed.
TValues Spawn(const std::vector<std::string>& args, const std::string& dataHome = {}) {
  static const std::string self = SelfPath();
  std::vector<char*> argv{const_cast<char*>(self.c_str())};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "XDG_DATA_HOME=", 14) != 0) env.emplace_back(*e);
  if (!dataHome.empty()) env.push_back("XDG_DATA_HOME=" + dataHome);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  TValues values;
  pid_t pid = 0;
  values["spawn"] = NowMs();
  const int spawned = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (spawned != 0) {
    close(fds[0]);
    return {};
  }
  FILE* out = fdopen(fds[0], "r");
  char line[512];
  while (std::fgets(line, sizeof line, out)) {
    char name[128];
    double value = 0;
    if (std::sscanf(line, "@ %127s %lf", name, &value) == 2) {
      values[name] = value;
    } else {
      std::fputs(line, stderr);  // whatever else the program printed
    }
  }
  std::fclose(out);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "bench_startup: %s failed\n", (args.size() > 1 ? args[1] : args[0]).c_str());
    return {};
  }
  return values;
}

// The program's start-up in a fresh per-user folder, as on a first run.
TValues SpawnProgram() {
  char pattern[] = "/tmp/quillory-startup-XXXXXX";
  if (!mkdtemp(pattern)) return {};
  TValues v = Spawn({"--program"}, pattern);
  std::error_code ec;
  std::filesystem::remove_all(pattern, ec);
  return v;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct TFloor {
  const char* name;
  const char* label;
  std::vector<double> ms;
  TValues last;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--program") == 0) return startup_bench::RunProgram();
  if (argc >= 4 && std::strcmp(argv[1], "--floor") == 0) return startup_bench::RunFloor(argv[2], argv[3]);

  const std::string pictures = UnpackArchivePictures(QUILLORY_PROGRAM_DIR);
  if (pictures.empty()) return 1;
  std::vector<TFloor> floors = {
      {"exec", "process start (exec to main)", {}, {}},
      {"gl", "GL context, one frame shown", {}, {}},
      {"openal", "OpenAL device and context", {}, {}},
      {"jpeg", "libjpeg decode", {}, {}},
      {"png", "libpng decode", {}, {}},
      {"vorbis", "libvorbisfile decode", {}, {}},
      {"freetype", "FreeType glyphs", {}, {}},
      {"upload", "texture upload (plain GL)", {}, {}},
  };
  std::vector<TValues> programs;
  bool failed = false;
  for (int round = 0; round <= kRounds && !failed; ++round) {
    TValues program = SpawnProgram();
    failed = program.empty();
    if (round > 0) programs.push_back(program);
    for (TFloor& f : floors) {
      if (failed) break;
      TValues v = Spawn({"--floor", f.name, pictures});
      failed = v.empty();
      if (round == 0 || failed) continue;
      f.ms.push_back(std::strcmp(f.name, "exec") == 0 ? v["main"] - v["spawn"] : v["ms"]);
      f.last = v;
    }
  }
  RemoveUnpackedPictures(pictures);
  if (failed) {
    std::fprintf(stderr, "bench_startup: cannot run (needs a display: run under xvfb-run)\n");
    return 1;
  }

  // The split of the run whose total is the median.
  const auto total = [](TValues& v) { return v["title_swap"] - v["spawn"]; };
  std::sort(programs.begin(), programs.end(), [&](TValues& a, TValues& b) { return total(a) < total(b); });
  TValues& p = programs[programs.size() / 2];
  const double startup = total(p);
  std::printf("start-up, exec to the first title frame presented: %.1f ms (runs:", startup);
  for (auto& r : programs) std::printf(" %.1f", total(r));
  std::printf(")\n");
  const auto row = [](const char* what, double ms, const std::string& note = {}) {
    std::printf("  %-36s %8.1f ms  %s\n", what, ms, note.c_str());
  };
  const auto of = [](double ms, const char* what) {
    char text[64];
    std::snprintf(text, sizeof text, "of which %.1f %s", ms, what);
    return std::string(text);
  };
  const double assets = p["assets1"] - p["assets0"];
  row("process start (exec to main)", p["main"] - p["spawn"]);
  row("display open", p["graphics"] - p["main"]);
  row("loading picture (3 flips)", p["loading_swap"] - p["graphics"], of(p["slept_loading"], "paced waits"));
  row("archive unpacked and removed", p["assets0"] - p["loading_swap"] + p["hiscores"] - p["assets1"]);
  row("pictures, fonts, sounds, textures", assets);
  row("  pictures decoded", p["pictures"]);
  row("  fonts opened", p["fonts"]);
  row("  sound device opened", p["device"]);
  row("  sounds decoded", p["sounds"]);
  row("  sounds copied to OpenAL buffers", p["buffers"]);
  row("  textures and glyphs made", assets - p["pictures"] - p["fonts"] - p["device"] - p["sounds"] - p["buffers"]);
  row("hiscores, instructions, music", p["title"] - p["hiscores"]);
  row("first title frame", p["title_swap"] - p["title"], of(p["slept_title"], "paced wait"));

  std::printf("floors, each alone in a fresh process (median of %d):\n", kRounds);
  double sum = 0;
  for (TFloor& f : floors) {
    const double ms = Median(f.ms);
    sum += ms;
    std::string note;
    char text[96];
    if (f.last.count("files")) {
      std::snprintf(text, sizeof text, "%d %s", static_cast<int>(f.last["files"]),
                    std::strcmp(f.name, "freetype") == 0 ? "faces" : std::strcmp(f.name, "upload") == 0 ? "textures" : "files");
      note = text;
    }
    if (f.last.count("glyphs")) {
      std::snprintf(text, sizeof text, ", %d glyphs", static_cast<int>(f.last["glyphs"]));
      note += text;
    }
    if (f.last.count("bytes")) {
      std::snprintf(text, sizeof text, ", %.1f MiB", f.last["bytes"] / (1024.0 * 1024.0));
      note += text;
    }
    if (f.last.count("pictures_ms")) {
      std::snprintf(text, sizeof text, "; the pictures' %.1f ms", f.last["pictures_ms"]);
      note += text;
    }
    row(f.label, ms, note);
  }
  row("sum of the floors", sum);
  const double ratio = startup / sum;
  std::printf("ratio start-up / floors: %.3f (target <= %.2f) %s\n", ratio, kLimit, ratio <= kLimit ? "PASS" : "MISS");
  // Each stage against the floors it stands on; the loading picture, the
  // archive and the first title frame stand on none.
  std::map<std::string, double> floor;
  for (TFloor& f : floors) floor[f.name] = Median(f.ms);
  std::printf("over the floors: display %+.1f, loading picture %+.1f, archive %+.1f, pictures %+.1f, sounds %+.1f,\n"
              "  textures and glyphs %+.1f, first title frame %+.1f ms\n",
              p["graphics"] - p["main"] - floor["gl"], p["loading_swap"] - p["graphics"],
              p["assets0"] - p["loading_swap"] + p["hiscores"] - p["assets1"],
              p["pictures"] - floor["jpeg"] - floor["png"],
              p["sounds"] + p["buffers"] + p["device"] - floor["vorbis"] - floor["openal"],
              assets - p["pictures"] - p["sounds"] - p["buffers"] - p["device"] - floor["freetype"] - floor["upload"],
              p["title_swap"] - p["title"]);

  std::vector<double> peaks, resident;
  for (auto& r : programs) {
    peaks.push_back(r["peak_kib"] / 1024.0);
    resident.push_back(r["rss_kib"] / 1024.0);
  }
  std::printf("title screen peak resident memory: %.1f MiB (VmHWM after %d title frames; %.1f MiB resident then)\n",
              Median(peaks), static_cast<int>(p["title_frames"]), Median(resident));
  return 0;
}
