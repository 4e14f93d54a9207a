// The program's start-up as quillory runs it, timed stage by stage. StartUp
// itself is untouched: the calls it makes into other parts of the program
// (and the sound library's device and buffer calls) are wrapped at link time (see
// CMakeLists.txt), and each wrapper notes the clock around the real call.
#include <AL/al.h>
#include <AL/alc.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <string>

#include "bench/game/game_bench.h"
#include "bench/startup/startup_bench.h"
#include "engine/audio/sound.h"
#include "engine/graphics/display.h"
#include "engine/graphics/image.h"
#include "engine/graphics/image_font.h"
#include "engine/input/input.h"
#include "engine/system/files.h"
#include "engine/system/system_driver.h"
#include "game/shell/startup.h"

namespace platform {
struct GLContext;
}

namespace {

using startup_bench::NowMs;

// Title frames drawn before the peak memory is read and Esc is pressed.
constexpr int kTitleFrames = 30;

// Clock readings (ms) in the order start-up passes them, and the time spent
// inside the calls the assets stage makes.
struct TProbe {
  double main = 0, graphics = 0, loadingSwap = 0, assets0 = 0, assets1 = 0, hiscores = 0, title = 0,
         titleSwap = 0;
  double pictures = 0, fonts = 0, sounds = 0, device = 0, buffers = 0;
  double sleptLoading = 0, sleptTitle = 0;  // Flip -1's paced waits
  int swaps = 0, titleFlips = 0;  // swaps since the display opened; title frames
  bool inAssets = false, inTitle = false;
  double peakKiB = 0, rssKiB = 0;
} probe;

// Adds the time since `start` to `sum` when it is counted at all.
void AddSince(double& sum, double start, bool counted = true) {
  if (counted) sum += NowMs() - start;
}

void ReadMemory() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    const auto kB = [&line] { return std::stod(line.substr(line.find(':') + 1)); };
    if (line.rfind("VmHWM:", 0) == 0) probe.peakKiB = kB();
    if (line.rfind("VmRSS:", 0) == 0) probe.rssKiB = kB();
  }
}

}  // namespace

// ---- the wrapped calls; the linker names come from CMakeLists.txt ----

std::shared_ptr<TGraphics> RealGraphics(int, int, int, int, int) asm("__real_" SYM_GRAPHICS);
std::shared_ptr<TGraphics> WrapGraphics(int w, int h, int d, int hz, int f) asm("__wrap_" SYM_GRAPHICS);
std::shared_ptr<TGraphics> WrapGraphics(int w, int h, int d, int hz, int f) {
  auto g = RealGraphics(w, h, d, hz, f);
  probe.graphics = NowMs();
  return g;
}

bool RealSwapBuffers(platform::GLContext*, int) asm("__real_" SYM_SWAP_BUFFERS);
bool WrapSwapBuffers(platform::GLContext* c, int interval) asm("__wrap_" SYM_SWAP_BUFFERS);
bool WrapSwapBuffers(platform::GLContext* c, int interval) {
  const bool ok = RealSwapBuffers(c, interval);
  const double now = NowMs();
  // Opening the display presents two cleared frames; after it start-up
  // presents its loading picture three times before the title screen.
  if (probe.graphics != 0 && ++probe.swaps == 3) probe.loadingSwap = now;
  if (probe.inTitle && probe.titleSwap == 0) probe.titleSwap = now;
  return ok;
}

void RealSleepMillis(int) asm("__real_" SYM_SLEEP_MILLIS);
void WrapSleepMillis(int ms) asm("__wrap_" SYM_SLEEP_MILLIS);
void WrapSleepMillis(int ms) {
  const double start = NowMs();
  RealSleepMillis(ms);
  if (probe.graphics != 0 && probe.swaps < 3) AddSince(probe.sleptLoading, start);
  if (probe.inTitle && probe.titleSwap == 0) AddSince(probe.sleptTitle, start);
}

std::string RealLoadGameAssets(const std::string&) asm("__real_" SYM_LOAD_GAME_ASSETS);
std::string WrapLoadGameAssets(const std::string& tempDir) asm("__wrap_" SYM_LOAD_GAME_ASSETS);
std::string WrapLoadGameAssets(const std::string& tempDir) {
  probe.assets0 = NowMs();
  probe.inAssets = true;
  std::string failed = RealLoadGameAssets(tempDir);
  probe.inAssets = false;
  probe.assets1 = NowMs();
  return failed;
}

std::shared_ptr<TImage> RealLoadImageFile(const TImageSource&, int) asm("__real_" SYM_LOAD_IMAGE_FILE);
std::shared_ptr<TImage> WrapLoadImageFile(const TImageSource& source, int flags) asm("__wrap_" SYM_LOAD_IMAGE_FILE);
std::shared_ptr<TImage> WrapLoadImageFile(const TImageSource& source, int flags) {
  const double start = NowMs();
  auto image = RealLoadImageFile(source, flags);
  AddSince(probe.pictures, start, probe.inAssets);
  return image;
}

std::shared_ptr<TImageFont> RealLoadFontFile(const TUrl&, int, int) asm("__real_" SYM_LOAD_FONT_FILE);
std::shared_ptr<TImageFont> WrapLoadFontFile(const TUrl& source, int size, int style) asm("__wrap_" SYM_LOAD_FONT_FILE);
std::shared_ptr<TImageFont> WrapLoadFontFile(const TUrl& source, int size, int style) {
  const double start = NowMs();
  auto font = RealLoadFontFile(source, size, style);
  AddSince(probe.fonts, start, probe.inAssets);
  return font;
}

std::shared_ptr<TSound> RealLoadSound(const TUrl&, int) asm("__real_" SYM_LOAD_SOUND);
std::shared_ptr<TSound> WrapLoadSound(const TUrl& url, int flags) asm("__wrap_" SYM_LOAD_SOUND);
std::shared_ptr<TSound> WrapLoadSound(const TUrl& url, int flags) {
  const double start = NowMs();
  auto sound = RealLoadSound(url, flags);
  AddSince(probe.sounds, start, probe.inAssets);
  return sound;
}

void RealLoadHiscores() asm("__real_" SYM_LOAD_HISCORES);
void WrapLoadHiscores() asm("__wrap_" SYM_LOAD_HISCORES);
void WrapLoadHiscores() {
  probe.hiscores = NowMs();
  RealLoadHiscores();
}

void RealTitleLoop() asm("__real_" SYM_TITLE_LOOP);
void WrapTitleLoop() asm("__wrap_" SYM_TITLE_LOOP);
void WrapTitleLoop() {
  probe.title = NowMs();
  probe.inTitle = true;
  RealTitleLoop();
  probe.inTitle = false;
}

// The sound device opens on the first sound loaded; each sound's samples
// are then copied into a buffer of the sound library.
extern "C" {
ALCdevice* __real_alcOpenDevice(const ALCchar*);
ALCdevice* __wrap_alcOpenDevice(const ALCchar* name) {
  const double start = NowMs();
  ALCdevice* device = __real_alcOpenDevice(name);
  AddSince(probe.device, start, probe.inAssets);
  return device;
}
ALCcontext* __real_alcCreateContext(ALCdevice*, const ALCint*);
ALCcontext* __wrap_alcCreateContext(ALCdevice* device, const ALCint* attributes) {
  const double start = NowMs();
  ALCcontext* context = __real_alcCreateContext(device, attributes);
  AddSince(probe.device, start, probe.inAssets);
  return context;
}
void __real_alBufferData(ALuint, ALenum, const ALvoid*, ALsizei, ALsizei);
void __wrap_alBufferData(ALuint buffer, ALenum format, const ALvoid* data, ALsizei size, ALsizei rate) {
  const double start = NowMs();
  __real_alBufferData(buffer, format, data, size, rate);
  AddSince(probe.buffers, start, probe.inAssets);
}
}

namespace startup_bench {

int RunProgram() {
  probe.main = NowMs();
  alarm(300);  // a title screen that never quits must not hang the run (300 s: room for valgrind)
  // As the quillory executable does before StartUp.
  if (EnterFolder(QUILLORY_PROGRAM_DIR) != 1) {
    std::fprintf(stderr, "bench_startup: cannot enter %s\n", QUILLORY_PROGRAM_DIR);
    return 1;
  }
  CatchCloseSignals();
  AddFrameFlipHook([] {
    if (!probe.inTitle) return;
    ++probe.titleFlips;
    if (probe.titleFlips == kTitleFrames) ReadMemory();
    if (probe.titleFlips >= kTitleFrames && (probe.titleFlips - kTitleFrames) % 60 == 0) bench::PressKey(KEY_ESCAPE);
  });
  const int status = StartUp(TStartOptions{true, 1});
  if (status != 0 || probe.titleSwap == 0) {
    std::fprintf(stderr, "bench_startup: start-up ended with %d before the title screen\n", status);
    return 1;
  }
  Report("main", probe.main);
  Report("graphics", probe.graphics);
  Report("loading_swap", probe.loadingSwap);
  Report("assets0", probe.assets0);
  Report("assets1", probe.assets1);
  Report("hiscores", probe.hiscores);
  Report("title", probe.title);
  Report("title_swap", probe.titleSwap);
  Report("pictures", probe.pictures);
  Report("fonts", probe.fonts);
  Report("sounds", probe.sounds - probe.device - probe.buffers);
  Report("buffers", probe.buffers);
  Report("device", probe.device);
  Report("slept_loading", probe.sleptLoading);
  Report("slept_title", probe.sleptTitle);
  Report("title_frames", kTitleFrames);
  Report("peak_kib", probe.peakKiB);
  Report("rss_kib", probe.rssKiB);
  return 0;
}

}  // namespace startup_bench
