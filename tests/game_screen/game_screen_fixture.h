// Shared set-up of the game screen tests: a real 1024 x 768 window with an
// OpenGL context (Mesa under Xvfb), the program folder's pictures, fonts and
// sounds loaded as start-up loads them, a hand-moved clock, a seeded deal,
// and input that reaches the game only as the events a test queues (the X
// server's own pointer never moves the game's pointer here).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/graphics/display.h"
#include "engine/graphics/draw2d.h"
#include "engine/graphics/image.h"
#include "engine/graphics/image_font.h"
#include "engine/graphics/pixmap.h"
#include "engine/input/input.h"
#include "engine/system/clock.h"
#include "engine/system/event.h"
#include "engine/system/files.h"
#include "engine/system/system_driver.h"
#include "game/presentation/presentation.h"
#include "game/rules/rules.h"
#include "game/shell/assets.h"
#include "game/shell/game_loop.h"
#include "game/shell/game_state.h"
#include "tests/draw2d/gl_fixture.h"
#include "tests/game_screen/unpacked_pictures.h"
#include "tests/system/quiet_system_driver.h"

// Delivers the events a test queued, and nothing of the window system's.
class ScriptedInput : public QuietSystemDriver {
 public:
  void Poll() override {
    while (!queue.empty()) {
      TEvent e = queue.front();
      queue.pop_front();
      EmitEvent(e);
    }
  }
  void Wait() override { Poll(); }
  int OpenURL(const std::string& url) override {
    opened.push_back(url);
    return 0;
  }
  std::deque<TEvent> queue;
  std::vector<std::string> opened;  // addresses handed to the desktop
};

// An axis-aligned box of pixels, inclusive; empty when right < left.
struct Box {
  int left = 0, top = 0, right = -1, bottom = -1;
  bool Empty() const { return right < left; }
  int Width() const { return right - left + 1; }
};

class GameScreenTest : public ::testing::Test {
 public:
  static constexpr int START = 5000000;
  static constexpr int SEED = 424242;

  static void SetUpTestSuite() { pictures = UnpackArchivePictures(QUILLORY_PROGRAM_DIR); }
  static void TearDownTestSuite() { RemoveUnpackedPictures(pictures); }

  void SetUp() override {
    ASSERT_FALSE(pictures.empty()) << "the picture archive could not be unpacked";
    SetSystemDriver(input);
    clock.Set(START);
    SeedRandom(SEED);
    ResetGameState();
    graphics = Graphics(1024, 768, 0, 60, 0);
    ASSERT_TRUE(graphics) << "no display: run under xvfb-run";
    oldFolder = CurrentFolder();
    ASSERT_EQ(EnterFolder(QUILLORY_PROGRAM_DIR), 1);
    ASSERT_EQ(LoadGameAssets(pictures), "");
  }
  void TearDown() override {
    EndDisplay();
    ResetGameState();
    SetSystemDriver(nullptr);
    EnterFolder(oldFolder);
  }

  // ---- input ----
  void Queue(int id, int data, int x = 0, int y = 0) {
    TEvent e;
    e.id = id;
    e.data = data;
    e.x = x;
    e.y = y;
    input->queue.push_back(e);
  }
  void MovePointer(int x, int y) { Queue(EVENT_MOUSEMOVE, 0, x, y); }
  void Press(int key) {
    Queue(EVENT_KEYDOWN, key);
    Queue(EVENT_KEYUP, key);
  }
  void ClickAt(int x, int y, int button = MOUSE_LEFT) {
    MovePointer(x, y);
    Queue(EVENT_MOUSEDOWN, button, x, y);
    Queue(EVENT_MOUSEUP, button, x, y);
  }
  void ClickSquare(int col, int row, int button = MOUSE_LEFT) {
    ClickAt(CellX(col) + 37, CellY(row) + 37, button);
  }

  // ---- the game, a frame at a time ----
  void StartGame() {
    game.level = 1;
    EnterGame();
  }
  // Moves the clock by one frame's time, then runs the frame (not presented).
  bool Frame(int ms = 17) {
    clock.Advance(ms);
    return GameFrame();
  }
  void Frames(int n, int ms = 17) {
    for (int i = 0; i < n; ++i) ASSERT_TRUE(Frame(ms)) << "the game ended at frame " << i;
  }
  // Sets the clock to `time`, then runs a frame.
  bool FrameAt(int time) {
    clock.Set(time);
    return GameFrame();
  }
  std::shared_ptr<TImage> Picture() const { return game.levelTable[0]->gfxModel; }

  // ---- the board ----
  MySquare FindNumber(int n, std::optional<MySquare> other = std::nullopt) const {
    for (int y = 0; y < BOARD_SIZE; ++y)
      for (int x = 0; x < BOARD_SIZE; ++x)
        if (BoardAt(x, y) == n && (!other || !(*other == MySquare{x, y}))) return {x, y};
    ADD_FAILURE() << "number " << n << " is not on the board";
    return {};
  }
  // Clicks two hidden squares of different numbers, a frame each; returns
  // them, the second one shown face up as the no-pair.
  std::pair<MySquare, MySquare> ClickANoPair() {
    const MySquare a = FindNumber(1);
    MySquare b = a;
    for (int i = 0; i < BOARD_SQUARES && BoardAt(b.x, b.y) == BoardAt(a.x, a.y); ++i) b = {i % 8, i / 8};
    ClickSquare(a.x, a.y);
    EXPECT_TRUE(Frame());
    ClickSquare(b.x, b.y);
    EXPECT_TRUE(Frame());
    EXPECT_EQ(game.secondSelected, 1);
    return {a, b};
  }
  // Clears pairs of numbers first..last from the board.
  void ClearNumbers(int first, int last) {
    for (int n = first; n <= last; ++n) {
      const MySquare a = FindNumber(n), b = FindNumber(n, a);
      ClearPair(a.x, a.y, b.x, b.y);
    }
  }

  // ---- pixels ----
  // The back buffer of the whole screen, read once per call.
  static std::shared_ptr<TPixmap> Screen() { return GrabPixmap(0, 0, 1024, 768); }
  static Rgba At(const std::shared_ptr<TPixmap>& p, int x, int y) {
    Rgba c = PixelOf(p, x, y);
    c.a = 0;
    return c;
  }
  // The picture's pixel (frame 0), alpha kept.
  static Rgba ImagePixel(const std::shared_ptr<TImage>& image, int x, int y) {
    return PixelOf(image->pixmaps.at(0)->Convert(PIXFMT_RGBA8888), x, y);
  }
  // Share of the opaque pixels of the picture's sw x sh part at (sx, sy) that
  // show unchanged on screen at (x, y).
  static double ShownShare(const std::shared_ptr<TPixmap>& screen, const std::shared_ptr<TImage>& image,
                           int x, int y, int sx = 0, int sy = 0, int sw = -1, int sh = -1, int tolerance = 3) {
    auto pic = image->pixmaps.at(0)->Convert(PIXFMT_RGBA8888);
    if (sw < 0) sw = pic->width - sx;
    if (sh < 0) sh = pic->height - sy;
    int opaque = 0, same = 0;
    for (int j = 0; j < sh; ++j) {
      for (int i = 0; i < sw; ++i) {
        const Rgba want = PixelOf(pic, sx + i, sy + j);
        if (want.a != 255) continue;
        ++opaque;
        same += Near(At(screen, x + i, y + j), Rgb(want.r, want.g, want.b), tolerance);
      }
    }
    return opaque ? static_cast<double>(same) / opaque : 0.0;
  }
  // The box of pixels within `area` of colour c (within tolerance).
  static Box Ink(const std::shared_ptr<TPixmap>& screen, Box area, Rgba c, int tolerance = 2) {
    Box b{area.right + 1, area.bottom + 1, area.left - 1, area.top - 1};
    for (int y = area.top; y <= area.bottom; ++y) {
      for (int x = area.left; x <= area.right; ++x) {
        if (!Near(At(screen, x, y), c, tolerance)) continue;
        b.left = std::min(b.left, x), b.right = std::max(b.right, x);
        b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
      }
    }
    return b;
  }
  // Where the ink of a text drawn at x = 0 in a font starts and ends, found
  // on a cleared screen (the screen is overwritten).
  static Box InkAtZero(const std::shared_ptr<TImageFont>& font, const std::u16string& text) {
    SetClsColor(0, 0, 0);
    Cls();
    SetBlend(BLEND_ALPHA);
    SetAlpha(1.0f);
    SetColor(255, 255, 255);
    SetTextFont(font);
    DrawString(text, 0, 100);
    return Ink(Screen(), Box{0, 100, 1023, 160}, Rgb(255, 255, 255));
  }
  static int TextWidth(const std::shared_ptr<TImageFont>& font, const std::u16string& text) {
    SetTextFont(font);
    return StringWidth(text);
  }

  static inline std::string pictures;
  std::shared_ptr<ScriptedInput> input = std::make_shared<ScriptedInput>();
  TManualClock clock{START};
  std::shared_ptr<TGraphics> graphics;
  std::string oldFolder;
};

// A game under way whose own bonuses stay away, and the pointer off the
// board, so that each test puts on the board just what it looks at.
class GameInPlay : public GameScreenTest {
 protected:
  void SetUp() override {
    GameScreenTest::SetUp();
    if (HasFatalFailure()) return;
    StartGame();
    game.idleSince = ClockMillis();
    game.bonusAllowed = 0;
    MovePointer(1000, 740);
  }
};
