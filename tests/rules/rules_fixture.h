// Shared set-up of the rules tests: a fresh game state record, a hand-moved
// clock, a seeded random generator, and clicks and keys delivered as input
// events through the platform's event queue.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "engine/audio/sound.h"
#include "engine/input/input.h"
#include "engine/system/clock.h"
#include "engine/system/system_driver.h"
#include "game/rules/rules.h"
#include "game/shell/game_state.h"
#include "platform/events.h"

// A sound that counts how often the rules started it and plays nothing, so
// these tests need no audio device.
class TCountingSound : public TSound {
 public:
  std::shared_ptr<TChannel> Play(std::shared_ptr<TChannel> channel) override {
    ++plays;
    return channel;
  }
  int plays = 0;
};

inline void InjectInput(int kind, int data, int x = 0, int y = 0) {
  platform::Event e;
  e.kind = kind;
  e.data = data;
  e.x = x;
  e.y = y;
  platform::InjectEvent(e);
}

inline void MovePointer(int x, int y) { InjectInput(platform::kMouseMove, 0, x, y); }

// Moves the pointer to (x, y) and presses and releases a button there.
inline void ClickAt(int x, int y, int button = MOUSE_LEFT) {
  MovePointer(x, y);
  InjectInput(platform::kMouseDown, button, x, y);
  InjectInput(platform::kMouseUp, button, x, y);
}

// Screen pixel in the middle of square (x, y).
inline int SquareCentreX(int x) { return BOARD_LEFT + SQUARE_SIZE * x + SQUARE_SIZE / 2; }
inline int SquareCentreY(int y) { return BOARD_TOP + SQUARE_SIZE * y + SQUARE_SIZE / 2; }
inline void ClickSquare(int x, int y, int button = MOUSE_LEFT) {
  ClickAt(SquareCentreX(x), SquareCentreY(y), button);
}

class RulesTest : public ::testing::Test {
 protected:
  static constexpr int START = 1000000;

  void SetUp() override {
    StopInputPolling();
    PumpEvents();  // drop whatever an earlier test left queued
    StartInputPolling(nullptr);
    clock.Set(START);
    SeedRandom(SEED);
    ResetGameState();
    game.pairSound = pairSound;
    game.levelClearedSound = clearedSound;
  }
  void TearDown() override {
    StopInputPolling();
    PumpEvents();
    ResetGameState();
  }

  // A game as the title screen starts it.
  void StartGame() {
    game.level = 1;
    BeginGame();
  }

  // The first square (row-major) holding number n, other than `other`.
  MySquare FindNumber(int n, std::optional<MySquare> other = std::nullopt) const {
    for (int y = 0; y < BOARD_SIZE; ++y) {
      for (int x = 0; x < BOARD_SIZE; ++x) {
        if (BoardAt(x, y) == n && (!other || !(*other == MySquare{x, y}))) return {x, y};
      }
    }
    ADD_FAILURE() << "number " << n << " is not on the board";
    return {};
  }

  // Two squares of different numbers, both hidden.
  std::pair<MySquare, MySquare> NoPairSquares() const {
    for (int i = 0; i < BOARD_SQUARES; ++i) {
      for (int j = i + 1; j < BOARD_SQUARES; ++j) {
        const MySquare a{i % BOARD_SIZE, i / BOARD_SIZE}, b{j % BOARD_SIZE, j / BOARD_SIZE};
        if (BoardAt(a.x, a.y) != BoardAt(b.x, b.y) && IsKnownSquare(a.x, a.y) == 0 &&
            IsKnownSquare(b.x, b.y) == 0) {
          return {a, b};
        }
      }
    }
    ADD_FAILURE() << "no two hidden squares of different numbers";
    return {};
  }

  // Runs one left-click frame of the rules: the click is queued, then the
  // handler reads it.
  void LeftClickSquare(MySquare s) {
    ClickSquare(s.x, s.y);
    HandleLeftClick();
  }
  void RightClickSquare(MySquare s) {
    ClickSquare(s.x, s.y, MOUSE_RIGHT);
    HandleRightClick();
  }

  static constexpr int SEED = 20240601;
  TManualClock clock{START};
  std::shared_ptr<TCountingSound> pairSound = std::make_shared<TCountingSound>();
  std::shared_ptr<TCountingSound> clearedSound = std::make_shared<TCountingSound>();
};
