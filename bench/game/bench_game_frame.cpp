// The game screen's frame with every layer busy: four pairs found, six marks,
// a square selected, a 4-square reveal, the bonus icon pulsing, the ball
// trail behind a moving pointer, a status message and the thumbnail. Each
// frame is GameFrame and Flip 0 on a hand-moved clock (16 ms a frame).
// Beside it, the same quads from plain GL calls: noted from one of the
// engine's frames (same textures, colours and corners), drawn with every
// state set once, and checked to give the same pixels. The two alternate in
// rounds; the verdict is the median of the per-round ratios, at most 1.10.
//
//   bench_game_frame [frames per round]   (default 100; a few under callgrind)
#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "bench/bare_quads.h"
#include "bench/game/game_bench.h"
#include "engine/graphics/display.h"
#include "engine/graphics/draw2d.h"
#include "engine/graphics/image.h"
#include "engine/system/clock.h"
#include "game/rules/rules.h"
#include "game/shell/game_loop.h"
#include "game/shell/game_state.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kStart = 5000000;
constexpr int kFrameMs = 16;
constexpr int kRounds = 6;
constexpr double kLimit = 1.10;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The two squares of number n.
std::pair<MySquare, MySquare> PairOf(int n) {
  std::vector<MySquare> found;
  for (int y = 0; y < BOARD_SIZE; ++y)
    for (int x = 0; x < BOARD_SIZE; ++x)
      if (BoardAt(x, y) == n) found.push_back({x, y});
  return {found.at(0), found.at(1)};
}

void Mark(MySquare s) {
  auto mark = MyMarks::New();
  mark->x = s.x;
  mark->y = s.y;
  UnhideSquare(s.x, s.y);
  game.marksLeft -= 1;
}

bool Free(int x, int y) {
  return IsKnownSquare(x, y) == 0 && !(game.firstSelected == 1 && x == game.firstX && y == game.firstY);
}

void SetUpBusyBoard() {
  for (int n = 1; n <= 4; ++n) {
    const auto [a, b] = PairOf(n);
    ClearPair(a.x, a.y, b.x, b.y);
  }
  for (int n = 5; n <= 7; ++n) {
    const auto [a, b] = PairOf(n);
    Mark(a);
    Mark(b);
  }
  const MySquare first = PairOf(8).first;
  game.firstSelected = 1;
  game.firstX = first.x;
  game.firstY = first.y;
  game.firstAlpha = 0.0f;

  // The reveal over the first 2 x 2 block of hidden squares.
  for (int y = 0; y < BOARD_SIZE - 1 && game.fourRevealActive == 0; ++y) {
    for (int x = 0; x < BOARD_SIZE - 1; ++x) {
      if (Free(x, y) && Free(x + 1, y) && Free(x, y + 1) && Free(x + 1, y + 1)) {
        game.fourBonusX = x;
        game.fourBonusY = y;
        game.fourRevealActive = 1;
        break;
      }
    }
  }
  const int now = ClockMillis();
  game.fourRevealAlpha = 0.0f;
  game.fourRevealStart = now;
  game.bonusAllowed = 0;

  // The icon of the next bonus, beside the reveal, so its layer draws too.
  const auto at = PickHiddenSquare();
  game.bonusKind = BONUS_ROW;
  game.rowBonusX = at ? at->x : 0;
  game.rowBonusY = at ? at->y : 0;
  game.bonusSpawnTime = game.bonusHopTime = now;
  game.bonusLifetime = 17;
  ShowStatus(u"One square selected: now find its pair before the reveal fades");
}

// Before each frame: the clock moves on, the timed layers never reach their
// end, and the pointer circles over the board, leaving its trail.
void NextFrame(TManualClock& clock, int& frame) {
  clock.Advance(kFrameMs);
  const int now = clock.Now();
  game.fourRevealStart = now;
  game.statusTime = now;
  game.bonusSpawnTime = now;
  const double a = 0.05 * frame++;
  bench::MovePointer(345 + static_cast<int>(250 * std::cos(a)), 336 + static_cast<int>(250 * std::sin(a)));
}

// Not inlined so that callgrind can count just these (--toggle-collect='*EngineFrames*').
[[gnu::noinline]] double EngineFrames(TManualClock& clock, int& frame, int frames) {
  const auto start = Clock::now();
  for (int i = 0; i < frames; ++i) {
    NextFrame(clock, frame);
    if (!GameFrame()) return -1;
    Flip(0);
  }
  glFinish();
  return Ms(Clock::now() - start);
}

// Stands in for an image's texture frame while one frame is noted: keeps
// what each draw sends, then draws it as the engine does.
class TNotingFrame : public TImageFrame {
 public:
  TNotingFrame(std::shared_ptr<TGLImageFrame> real, std::vector<TBareQuad>& quads, bool& otherBlend)
      : real_(std::move(real)), quads_(quads), otherBlend_(otherBlend) {}
  void Draw(float x0, float y0, float x1, float y1, float tx, float ty, float sx, float sy, float sw,
            float sh) override {
    const TGLDraw2DDriver& d = *GLDraw2DDriver();
    TBareQuad q{};
    q.texture = static_cast<unsigned>(real_->name);
    std::memcpy(q.color, d.colorBytes, 4);
    const float cx[4] = {x0, x1, x1, x0}, cy[4] = {y0, y0, y1, y1};
    for (int k = 0; k < 4; ++k) {
      q.x[k] = cx[k] * d.ix + cy[k] * d.iy + tx;
      q.y[k] = cx[k] * d.jx + cy[k] * d.jy + ty;
    }
    q.u0 = sx * real_->uscale;
    q.v0 = sy * real_->vscale;
    q.u1 = (sx + sw) * real_->uscale;
    q.v1 = (sy + sh) * real_->vscale;
    quads_.push_back(q);
    if (d.appliedBlend != BLEND_ALPHA) otherBlend_ = true;
    real_->Draw(x0, y0, x1, y1, tx, ty, sx, sy, sw, sh);
  }

 private:
  std::shared_ptr<TGLImageFrame> real_;
  std::vector<TBareQuad>& quads_;
  bool& otherBlend_;
};

// Runs one frame with every texture frame of the record noting its quads.
std::vector<TBareQuad> NoteFrame(TManualClock& clock, int& frame, bool& otherBlend) {
  std::vector<TBareQuad> quads;
  struct Swapped {
    std::shared_ptr<TImage> image;
    size_t index;
    std::shared_ptr<TImageFrame> real;
  };
  std::vector<Swapped> swapped;
  for (const auto& image : bench::RecordImages(true)) {
    for (size_t i = 0; i < image->frames.size(); ++i) {
      auto gl = std::dynamic_pointer_cast<TGLImageFrame>(image->frames[i]);
      if (!gl) continue;
      swapped.push_back({image, i, gl});
      image->frames[i] = std::make_shared<TNotingFrame>(gl, quads, otherBlend);
    }
  }
  NextFrame(clock, frame);
  GameFrame();
  for (const Swapped& s : swapped) s.image->frames[s.index] = s.real;
  return quads;
}


[[gnu::noinline]] double BareFrames(const std::vector<TBareQuad>& quads, int frames) {
  const auto start = Clock::now();
  for (int i = 0; i < frames; ++i) {
    DrawBareQuads(quads);
    Flip(0);
  }
  glFinish();
  return Ms(Clock::now() - start);
}

// The plain path's state, set once; afterwards the engine's driver forgets
// what it had applied, so that its next frame sets everything again.
void BareState() {
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDisable(GL_ALPHA_TEST);
}
void EngineState() { GLDraw2DDriver()->ResetGLContext(CurrentGraphics()); }

std::vector<uint8_t> BackBuffer() {
  std::vector<uint8_t> pixels(1024 * 768 * 4);
  glReadPixels(0, 0, 1024, 768, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

struct TSplit {
  double calls = 0, render = 0, swap = 0;
};

template <class DrawFn>
TSplit Split(int frames, DrawFn draw) {
  TSplit s;
  for (int i = 0; i < frames; ++i) {
    const auto t0 = Clock::now();
    draw();
    const auto t1 = Clock::now();
    glFinish();
    const auto t2 = Clock::now();
    Flip(0);
    glFinish();
    const auto t3 = Clock::now();
    s.calls += Ms(t1 - t0) / frames;
    s.render += Ms(t2 - t1) / frames;
    s.swap += Ms(t3 - t2) / frames;
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
  TManualClock clock(kStart);
  SeedRandom(424242);
  if (!bench::OpenGameWindow("bench_game_frame") || !bench::LoadGame("bench_game_frame")) return 1;
  game.level = 1;
  EnterGame();
  SetUpBusyBoard();

  // Warm-up: every texture made, every glyph in view rasterised.
  int frame = 0;
  if (EngineFrames(clock, frame, 120) < 0) {
    std::fprintf(stderr, "bench_game_frame: the game ended during the warm-up\n");
    return 1;
  }

  // One frame noted on a cleared screen, and the plain path's pixels checked against it.
  bool otherBlend = false;
  Cls();
  const std::vector<TBareQuad> quads = NoteFrame(clock, frame, otherBlend);
  const std::vector<uint8_t> engine = BackBuffer();
  Flip(0);
  BareState();
  glClear(GL_COLOR_BUFFER_BIT);
  const size_t blocks = DrawBareQuads(quads);
  const bool same = BackBuffer() == engine;
  Flip(0);
  EngineState();

  std::vector<double> ratios;
  double engineMs = 0, bareMs = 0;
  for (int r = 0; r < kRounds; ++r) {
    double e = 0, b = 0;
    for (int k = 0; k < 2; ++k) {
      if ((r + k) % 2 == 0) {
        e = EngineFrames(clock, frame, frames);
      } else {
        BareState();
        b = BareFrames(quads, frames);
        EngineState();
      }
    }
    if (e < 0) {
      std::fprintf(stderr, "bench_game_frame: the game ended during the run\n");
      return 1;
    }
    engineMs += e;
    bareMs += b;
    ratios.push_back(e / b);
  }
  std::sort(ratios.begin(), ratios.end());
  const double ratio = (ratios[kRounds / 2 - 1] + ratios[kRounds / 2]) / 2;

  const TSplit engineSplit = Split(frames, [&] {
    NextFrame(clock, frame);
    GameFrame();
  });
  BareState();
  const TSplit bareSplit = Split(frames, [&] { DrawBareQuads(quads); });
  EngineState();

  const int total = frames * kRounds;
  std::printf("game frame: %d frames, %.3f ms per frame (GameFrame + Flip 0; %zu quads, one block each)\n",
              total, engineMs / total, quads.size());
  std::printf("  split: %.3f ms issuing, %.3f ms rasterising, %.3f ms presenting\n", engineSplit.calls,
              engineSplit.render, engineSplit.swap);
  std::printf("plain GL:   %d frames, %.3f ms per frame (the same quads in %zu blocks, pixels %s%s)\n", total,
              bareMs / total, blocks, same ? "identical" : "DIFFERENT",
              otherBlend ? ", some drawn in another blend mode" : "");
  std::printf("  split: %.3f ms issuing, %.3f ms rasterising, %.3f ms presenting\n", bareSplit.calls,
              bareSplit.render, bareSplit.swap);
  std::printf("ratio: %.3f (median of %d rounds, %.3f to %.3f; limit %.2f) %s\n", ratio, kRounds, ratios.front(),
              ratios.back(), kLimit, ratio <= kLimit ? "PASS" : "MISS");
  EndDisplay();
  return 0;
}
