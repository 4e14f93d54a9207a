// Peak resident memory of a game and what it is made of. First the bare
// window with its GL context and the sound device playing a short silence;
// then one tiny picture drawn (the renderer's own start-up for textured
// drawing), every asset loaded as start-up loads it, every picture drawn
// once, and 300 frames of a game with its music and scripted clicks. Above
// the bare context and device the game may hold at most 1.3 x the decoded
// bytes of its pictures (pixmaps), textures and sounds (PCM).
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench/game/game_bench.h"
#include "engine/audio/audio_sample.h"
#include "engine/audio/sound.h"
#include "engine/graphics/display.h"
#include "engine/graphics/draw2d.h"
#include "engine/graphics/font.h"
#include "engine/graphics/image.h"
#include "engine/graphics/image_font.h"
#include "engine/graphics/pixmap.h"
#include "engine/system/clock.h"
#include "game/rules/rules.h"
#include "game/shell/game_loop.h"
#include "game/shell/game_state.h"

namespace {

constexpr double kMiB = 1024.0 * 1024.0;
constexpr double kLimit = 1.3;
constexpr int kFrames = 300;

// Resident bytes from /proc/self/status: all, anonymous, file-backed (code
// and data of the shared libraries), and the peak since the last ResetPeak.
struct TResident {
  double rss = 0, anon = 0, file = 0, peak = 0;
};

TResident ReadResident() {
  TResident r;
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    const auto kB = [&line] { return std::stod(line.substr(line.find(':') + 1)) * 1024; };
    if (line.rfind("VmRSS:", 0) == 0) r.rss = kB();
    if (line.rfind("RssAnon:", 0) == 0) r.anon = kB();
    if (line.rfind("RssFile:", 0) == 0) r.file = kB();
    if (line.rfind("VmHWM:", 0) == 0) r.peak = kB();
  }
  return r;
}

// Starts the next stage's peak from the present resident size.
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

double PixmapBytes(const std::shared_ptr<TPixmap>& p) {
  if (!p) return 0;
  return p->capacity > 0 ? p->capacity : static_cast<double>(p->pitch) * p->height;
}

struct TPictureBytes {
  double pixmaps = 0, textures = 0;
  int images = 0;
};

TPictureBytes Measure(const std::vector<std::shared_ptr<TImage>>& images) {
  TPictureBytes b;
  for (const auto& image : images) {
    ++b.images;
    for (const auto& p : image->pixmaps) b.pixmaps += PixmapBytes(p);
    for (const auto& f : image->frames) {
      const auto* gl = dynamic_cast<const TGLImageFrame*>(f.get());
      if (!gl) continue;
      const double level0 = 4.0 * gl->texWidth * gl->texHeight;
      b.textures += image->flags & IMAGE_MIPMAPPED ? level0 * 4 / 3 : level0;
    }
  }
  return b;
}

// The source fonts' own copies of the glyphs the image fonts have made.
double SourceGlyphBytes() {
  double bytes = 0;
  for (const auto& font : {game.numberFont, game.panelFont, game.passwordFont, game.messageFont,
                           game.hiscoreFont, game.instructionsFont, game.questionFont, game.promptFont}) {
    const auto* ft = font ? dynamic_cast<const TFreeTypeFont*>(font->_src_font.get()) : nullptr;
    if (!ft) continue;
    for (const auto& g : ft->_glyphs)
      if (g) bytes += PixmapBytes(g->_pixmap);
  }
  return bytes;
}

// Decoded bytes of an Ogg Vorbis file as the loader keeps it: 16-bit, at
// most two channels.
double PcmBytes(const char* file) {
  OggVorbis_File vf;
  if (ov_fopen(file, &vf) != 0) return 0;
  const vorbis_info* info = ov_info(&vf, 0);
  const double bytes = static_cast<double>(ov_pcm_total(&vf, -1)) * 2 * std::min(info ? info->channels : 1, 2);
  ov_clear(&vf);
  return bytes;
}

// The renderer's first textured drawing: a 4 x 4 picture, filtered and not,
// blended, tinted and plain. What it costs is the GL driver's, not the game's.
void DrawTinyPicture() {
  auto pixels = TPixmap::Create(4, 4, PIXFMT_RGBA8888);
  pixels->ClearPixels(static_cast<int>(0x80ff8040));
  const auto filtered = LoadImageFile(pixels, IMAGE_FILTERED), plain = LoadImageFile(pixels, 0);
  SetBlend(BLEND_ALPHA);
  for (int i = 0; i < 2; ++i) {
    SetColor(255, 255 - 100 * i, 255);
    SetAlpha(1.0f - 0.5f * static_cast<float>(i));
    DrawImageFrame(filtered, 10, 10);
    DrawImageFrame(plain, 20, 20);
    Flip(0);
  }
  SetColor(255, 255, 255);
  SetAlpha(1.0f);
}

// Clicks the squares in the order of their numbers, one every 20 frames, so
// that pairs are found and the pair sound plays.
void PlayFrames(int frames) {
  TManualClock clock(5000000);
  std::vector<MySquare> order;
  for (int n = 1; n <= BOARD_SQUARES / 2; ++n)
    for (int i = 0; i < BOARD_SQUARES; ++i)
      if (BoardAt(i % BOARD_SIZE, i / BOARD_SIZE) == n) order.push_back({i % BOARD_SIZE, i / BOARD_SIZE});
  size_t next = 0;
  for (int i = 0; i < frames; ++i) {
    clock.Advance(16);
    if (i % 20 == 10 && next < order.size()) {
      bench::ClickAt(bench::SquareCentreX(order[next].x), bench::SquareCentreY(order[next].y));
      ++next;
    } else {
      bench::MovePointer(100 + i, 100 + i);
    }
    if (!GameFrame()) break;
    Flip(0);
  }
}

std::string MiB(double bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f MiB", bytes / kMiB);
  return text;
}

void Stage(const char* what, const TResident& before, const TResident& after, double decoded,
           const std::string& made) {
  std::printf("  %-28s %+8.2f %+8.2f %+8.2f %+9.2f   %8.2f  %s\n", what, (after.rss - before.rss) / kMiB,
              (after.anon - before.anon) / kMiB, (after.file - before.file) / kMiB,
              (after.peak - before.rss) / kMiB, decoded / kMiB, made.c_str());
}

void Part(const char* what, double bytes, const std::string& note = {}) {
  std::printf("  %-40s %8.2f MiB  %s\n", what, bytes / kMiB, note.c_str());
}

}  // namespace

int main() {
  // The bare context and device: a cleared frame presented, a silence played.
  if (!bench::OpenGameWindow("bench_game_memory")) return 1;
  for (int i = 0; i < 2; ++i) {
    Cls();
    Flip(0);
  }
  const std::string driver = CurrentAudioDriver().Name();
  auto silence = LoadSound(TAudioSample::Create(4410, 44100, SF_MONO16LE));
  StartSound(silence);
  SleepMillis(200);
  const TResident bare = ReadResident();

  ResetPeak();
  DrawTinyPicture();
  const TResident warm = ReadResident();

  ResetPeak();
  if (!bench::LoadGame("bench_game_memory")) return 1;
  const TResident loaded = ReadResident();

  ResetPeak();
  SetBlend(BLEND_ALPHA);
  for (const auto& image : bench::RecordImages(false)) DrawImageFrame(image, 0, 0);
  Flip(0);
  const TResident drawn = ReadResident();

  ResetPeak();
  SeedRandom(424242);
  game.level = 1;
  EnterGame();
  UnpauseChannel(game.musicChannel);
  PlayFrames(kFrames);
  const TResident played = ReadResident();

  const TPictureBytes pictures = Measure(bench::RecordImages(false));
  const TPictureBytes all = Measure(bench::RecordImages(true));
  const double glyphPixmaps = all.pixmaps - pictures.pixmaps + SourceGlyphBytes();
  const double glyphTextures = all.textures - pictures.textures;
  const double music = PcmBytes("music/defuse.ogg"), bell = PcmBytes("fx/elevator_bell.ogg"),
               cleared = PcmBytes("fx/icewinds.ogg");
  const double pcm = music + bell + cleared;
  const double pixmaps = pictures.pixmaps + glyphPixmaps;
  const double decoded = pixmaps + all.textures + pcm;
  const double peak = std::max({bare.peak, warm.peak, loaded.peak, drawn.peak, played.peak});
  const double above = peak - bare.peak;
  const double renderer = warm.rss - bare.rss;
  const double rest = above - decoded - renderer;
  const double ratio = above / decoded;

  std::printf("bare GL context and sound device (%s): %s resident (%s anonymous, %s file-backed), peak %s\n",
              driver.c_str(), MiB(bare.rss).c_str(), MiB(bare.anon).c_str(), MiB(bare.file).c_str(),
              MiB(bare.peak).c_str());
  std::printf("  %-28s %8s %8s %8s %9s   %8s\n", "stage, MiB", "held", "anon", "file", "peak", "decoded");
  Stage("first textured drawing", bare, warm, 0, "(a 4 x 4 picture)");
  Stage("loading every asset", warm, loaded, pictures.pixmaps + pcm,
        MiB(pictures.pixmaps) + " pixmaps + " + MiB(pcm) + " PCM");
  Stage("drawing every picture once", loaded, drawn, pictures.textures, "textures");
  Stage((std::to_string(kFrames) + " frames of a game").c_str(), drawn, played, glyphPixmaps + glyphTextures,
        MiB(glyphPixmaps) + " glyph pixmaps + " + MiB(glyphTextures) + " their textures");
  std::printf("peak resident memory %s, made of:\n", MiB(peak).c_str());
  Part("bare context and device", bare.peak);
  Part("pixmaps", pixmaps,
       std::to_string(pictures.images) + " pictures " + MiB(pictures.pixmaps) + ", " +
           std::to_string(all.images - pictures.images) + " glyph images and the fonts' own " +
           MiB(glyphPixmaps));
  Part("textures", all.textures, "pictures " + MiB(pictures.textures) + ", glyphs " + MiB(glyphTextures));
  Part("sounds' PCM", pcm, "music " + MiB(music) + ", pair " + MiB(bell) + ", level cleared " + MiB(cleared));
  Part("the renderer's first textured drawing", renderer,
       MiB(warm.file - bare.file) + " of it library code paged in");
  Part("the rest", rest,
       MiB(played.file - warm.file) + " more library code, " +
           MiB(played.anon - warm.anon - decoded) + " anonymous beyond the decoded bytes");
  std::printf("held above the bare context and device: %s at the peak for %s decoded\n", MiB(above).c_str(),
              MiB(decoded).c_str());
  std::printf("ratio: %.3f (limit %.2f) %s; without the renderer's first drawing %.3f\n", ratio, kLimit,
              ratio <= kLimit ? "PASS" : "MISS", (above - renderer) / decoded);
  if (ratio > kLimit) {
    // Where the excess sits: each stage's anonymous memory beyond the bytes it
    // decodes, and the library code the renderer pages in.
    std::printf("excess: renderer start-up %s; loading %s (peaking %s above what it keeps, the music's PCM is %s);\n",
                MiB(renderer).c_str(), MiB(loaded.anon - warm.anon - pictures.pixmaps - pcm).c_str(),
                MiB(loaded.peak - loaded.rss).c_str(), MiB(music).c_str());
    std::printf("        drawing %s beside its textures; the game's frames %s beside their glyphs; library code %s\n",
                MiB(drawn.anon - loaded.anon - pictures.textures).c_str(),
                MiB(played.anon - drawn.anon - glyphPixmaps - glyphTextures).c_str(),
                MiB(played.file - warm.file).c_str());
  }
  EndDisplay();
  return 0;
}
