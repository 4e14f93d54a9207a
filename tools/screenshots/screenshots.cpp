// Plays the real program on the current X display and saves two screenshots
// as PNG: the title screen, and a game with a few pairs found and a square
// selected. The boards come from a fixed seed, so every run shows the same.
//
//   quillory_screenshots TITLE.png GAME.png
#include <png.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "engine/system/clock.h"
#include "game/rules/rules.h"
#include "game/shell/game_state.h"
#include "tests/program/x11_screen.h"

namespace {

constexpr int SEED = 20261211;

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool SavePng(const TScreenShot& shot, const char* path) {
  std::FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, static_cast<png_uint_32>(shot.width), static_cast<png_uint_32>(shot.height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < shot.height; ++y) png_write_row(png, shot.At(0, y));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

void ClickSquare(MySquare s) {
  Xdo({"mousemove", std::to_string(45 + 75 * s.x + 37), std::to_string(36 + 75 * s.y + 37), "click", "1"});
  Pause(400);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: quillory_screenshots TITLE.png GAME.png\n");
    return 2;
  }
  // The board the program deals from the seed, worked out here the same way.
  SeedRandom(SEED);
  ResetGameState();
  game.level = 1;
  BeginGame();
  SpawnBonus();
  const MySquare bonus = game.bonusKind != 0 ? BonusSquare(game.bonusKind) : MySquare{-1, -1};

  const pid_t pid = Spawn({QUILLORY_EXE, "--seed", std::to_string(SEED)});
  if (!pid || !FindTopLevelWindow("Quillory demo", 15000)) {
    std::fprintf(stderr, "quillory_screenshots: the game did not start\n");
    return 1;
  }
  Pause(2500);  // the title screen settled, the keyboard on it
  bool ok = SavePng(GrabScreen(), argv[1]);

  Xdo({"key", "Return"});
  Pause(1500);
  // Five pairs found, then one more square selected.
  int found = 0;
  for (int n = 1; n <= 32 && found < 5; ++n) {
    MySquare a{-1, -1}, b{-1, -1};
    for (int i = 0; i < BOARD_SQUARES; ++i) {
      if (BoardAt(i % 8, i / 8) != n) continue;
      (a.x < 0 ? a : b) = {i % 8, i / 8};
    }
    if (a == bonus || b == bonus) continue;
    ClickSquare(a);
    ClickSquare(b);
    ++found;
  }
  for (int i = 0; i < BOARD_SQUARES; ++i) {
    const MySquare s{i % 8, i / 8};
    if (BoardAt(s.x, s.y) > 10 && !(s == bonus)) {
      ClickSquare(s);
      break;
    }
  }
  Xdo({"mousemove", "700", "700"});
  Pause(1200);  // the selection faded in
  ok = SavePng(GrabScreen(), argv[2]) && ok;

  kill(pid, SIGTERM);  // ends the game and the program, the table saved
  int status = 0;
  waitpid(pid, &status, 0);
  return ok ? 0 : 1;
}
