// Polled input fed through the platform's event queue: the same path window
// events take (platform poll -> system driver -> hooks -> polled state).
#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>
#include <vector>

#include "engine/input/input.h"
#include "engine/system/event.h"
#include "engine/system/system_driver.h"
#include "platform/events.h"
#include "tests/system/quiet_system_driver.h"

namespace {

platform::Event MakeEvent(int kind, int data = 0, int x = 0, int y = 0) {
  platform::Event e;
  e.kind = kind;
  e.data = data;
  e.x = x;
  e.y = y;
  return e;
}

void Inject(int kind, int data = 0, int x = 0, int y = 0) { platform::InjectEvent(MakeEvent(kind, data, x, y)); }

void Tap(int key) {
  Inject(platform::kKeyDown, key);
  Inject(platform::kKeyUp, key);
}

class InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StopInputPolling();
    PumpEvents();  // nothing left over from an earlier test
    StartInputPolling(nullptr);
  }
  void TearDown() override {
    StopInputPolling();
    PumpEvents();
  }
};

TEST_F(InputTest, KeyHitsCountTransitionsBetweenFrames) {
  for (int i = 0; i < 3; ++i) Tap(KEY_SPACE);
  EXPECT_EQ(KeyPresses(KEY_SPACE), 3);
  EXPECT_EQ(KeyPresses(KEY_SPACE), 0);
  EXPECT_EQ(KeyDown(KEY_SPACE), 0);
}

TEST_F(InputTest, HeldKeyWithRepeatsIsOneHit) {
  Inject(platform::kKeyDown, KEY_P);
  for (int i = 0; i < 25; ++i) Inject(platform::kKeyRepeat, KEY_P);
  // A second KeyDown without a KeyUp between is not a new press either.
  Inject(platform::kKeyDown, KEY_P);
  EXPECT_EQ(KeyDown(KEY_P), 1);
  EXPECT_EQ(KeyPresses(KEY_P), 1);
  Inject(platform::kKeyUp, KEY_P);
  EXPECT_EQ(KeyDown(KEY_P), 0);
  EXPECT_EQ(KeyPresses(KEY_P), 0);
}

TEST_F(InputTest, OutOfRangeCodesAreIgnored) {
  for (int code : {0, -1, 256, 1000}) {
    Inject(platform::kKeyDown, code);
    Inject(platform::kMouseDown, code);
  }
  Inject(platform::kMouseDown, 0);
  Inject(platform::kMouseDown, 4);
  EXPECT_EQ(KeyPresses(0), 0);
  EXPECT_EQ(KeyPresses(256), 0);
  EXPECT_EQ(KeyDown(-1), 0);
  EXPECT_EQ(MouseClicks(0), 0);
  EXPECT_EQ(MouseClicks(4), 0);
  EXPECT_EQ(MouseDown(4), 0);
}

TEST_F(InputTest, CharacterRingKeepsAtMost256) {
  EXPECT_EQ(NextChar(), 0);  // empty: no wait
  for (int i = 0; i < 257; ++i) Inject(platform::kKeyChar, 'a' + i % 26);
  EXPECT_EQ(NextChar(), 'a');  // the 257th was dropped before this read
  Inject(platform::kKeyChar, '!');
  std::vector<int> got;
  for (int c; (c = NextChar()) != 0;) got.push_back(c);
  ASSERT_EQ(got.size(), 256u);
  EXPECT_EQ(got[0], 'b');
  EXPECT_EQ(got[254], 'a' + 255 % 26);
  EXPECT_EQ(got[255], '!');
}

TEST_F(InputTest, RingWrapsAroundManyTimes) {
  for (int round = 0; round < 5; ++round) {
    for (int i = 0; i < 200; ++i) Inject(platform::kKeyChar, 1000 + i);
    for (int i = 0; i < 200; ++i) ASSERT_EQ(NextChar(), 1000 + i);
  }
  EXPECT_EQ(NextChar(), 0);
}

TEST_F(InputTest, ClearKeyStateEmptiesEverythingPending) {
  Inject(platform::kKeyDown, KEY_Y);
  Inject(platform::kKeyChar, 'y');
  ClearKeyState();  // pumps first, so the pending events are cleared too
  EXPECT_EQ(KeyDown(KEY_Y), 0);
  EXPECT_EQ(KeyPresses(KEY_Y), 0);
  EXPECT_EQ(NextChar(), 0);
}

TEST_F(InputTest, MouseButtonsPointerAndWheel) {
  Inject(platform::kMouseMove, 0, 300, 200);
  Inject(platform::kMouseDown, MOUSE_LEFT);
  Inject(platform::kMouseUp, MOUSE_LEFT);
  Inject(platform::kMouseDown, MOUSE_LEFT);
  Inject(platform::kMouseDown, MOUSE_RIGHT);
  Inject(platform::kMouseWheel, 2);
  Inject(platform::kMouseWheel, -3);
  EXPECT_EQ(PointerX(), 300);
  EXPECT_EQ(PointerY(), 200);
  EXPECT_EQ(MouseClicks(MOUSE_LEFT), 2);
  EXPECT_EQ(MouseDown(MOUSE_LEFT), 1);
  EXPECT_EQ(MouseClicks(MOUSE_RIGHT), 1);
  EXPECT_EQ(MouseClicks(MOUSE_MIDDLE), 0);
  EXPECT_EQ(WheelPosition(), -1);

  ClearMouseState();
  EXPECT_EQ(PointerX(), 300);  // the pointer stays
  EXPECT_EQ(PointerY(), 200);
  EXPECT_EQ(MouseDown(MOUSE_LEFT), 0);
  EXPECT_EQ(MouseDown(MOUSE_RIGHT), 0);
  EXPECT_EQ(WheelPosition(), 0);
}

TEST_F(InputTest, SpeedsAreChangesSinceTheLastCall) {
  Inject(platform::kMouseMove, 0, 110, 50);
  Inject(platform::kMouseWheel, 4);
  PointerXSpeed();  // baselines
  PointerYSpeed();
  WheelSpeed();
  Inject(platform::kMouseMove, 0, 100, 70);
  Inject(platform::kMouseMove, 0, 95, 75);
  Inject(platform::kMouseWheel, 1);
  EXPECT_EQ(PointerXSpeed(), -15);
  EXPECT_EQ(PointerYSpeed(), 25);
  EXPECT_EQ(WheelSpeed(), 1);
  EXPECT_EQ(PointerXSpeed(), 0);
  EXPECT_EQ(WheelSpeed(), 0);
}

TEST_F(InputTest, ExtremeWheelAndPointerValuesWrapWithoutOverflow) {
  // Whatever a driver reports, the sums and differences stay 32-bit wrap-around.
  WheelSpeed();  // baseline
  Inject(platform::kMouseWheel, INT_MAX);
  Inject(platform::kMouseWheel, INT_MAX);
  EXPECT_EQ(WheelPosition(), -2);
  EXPECT_EQ(WheelSpeed(), -2);
  Inject(platform::kMouseMove, 0, INT_MIN, INT_MAX);
  PointerXSpeed();
  PointerYSpeed();
  Inject(platform::kMouseMove, 0, INT_MAX, INT_MIN);
  EXPECT_EQ(PointerXSpeed(), -1);
  EXPECT_EQ(PointerYSpeed(), 1);
}

TEST_F(InputTest, SuspendAndResumeFlushEverything) {
  Inject(platform::kKeyDown, KEY_N);
  Inject(platform::kKeyChar, 'n');
  Inject(platform::kMouseMove, 0, 40, 50);
  Inject(platform::kMouseDown, MOUSE_LEFT);
  Inject(platform::kAppSuspend);
  EXPECT_EQ(IsSuspended(), 1);
  EXPECT_EQ(KeyDown(KEY_N), 0);
  EXPECT_EQ(MouseDown(MOUSE_LEFT), 0);
  // Pressed while away, then back: nothing of it is pending.
  Inject(platform::kKeyDown, KEY_M);
  Inject(platform::kMouseDown, MOUSE_RIGHT);
  Inject(platform::kAppResume);
  EXPECT_EQ(IsSuspended(), 0);
  EXPECT_EQ(KeyPresses(KEY_N), 0);
  EXPECT_EQ(KeyPresses(KEY_M), 0);
  EXPECT_EQ(KeyDown(KEY_M), 0);
  EXPECT_EQ(MouseClicks(MOUSE_LEFT), 0);
  EXPECT_EQ(MouseClicks(MOUSE_RIGHT), 0);
  EXPECT_EQ(NextChar(), 0);
  EXPECT_EQ(PointerX(), 40);
}

TEST_F(InputTest, TerminateRequestIsClearedByReading) {
  EXPECT_EQ(AppTerminate(), 0);
  Inject(platform::kAppTerminate);
  EXPECT_EQ(AppTerminate(), 1);
  EXPECT_EQ(AppTerminate(), 0);
}

// Polls through the real driver; a Wait first lets `arrivals` happen, as if
// typed while the program waits.
class ArrivingDriver : public QuietSystemDriver {
 public:
  explicit ArrivingDriver(TSystemDriver& real) : real_(real) {}
  std::vector<platform::Event> arrivals;
  void Poll() override { real_.Poll(); }
  void Wait() override {
    // A waiter that misses what arrived fails instead of waiting forever.
    if (arrivals.empty()) throw std::runtime_error("nothing more arrives");
    for (const platform::Event& e : arrivals) platform::InjectEvent(e);
    arrivals.clear();
    Poll();
  }

 private:
  TSystemDriver& real_;
};

TEST_F(InputTest, WaitersReturnWhatArrivesDuringTheWait) {
  auto driver = std::make_shared<ArrivingDriver>(SystemDriver());
  SetSystemDriver(driver);
  driver->arrivals = {MakeEvent(platform::kKeyDown, KEY_RETURN), MakeEvent(platform::kKeyDown, KEY_P)};
  EXPECT_EQ(WaitForKey(), KEY_RETURN);  // the lowest code of those hit

  // Input from before the call, polled or still queued, never ends a wait.
  Tap(KEY_N);
  PumpEvents();
  Tap(KEY_M);
  driver->arrivals = {MakeEvent(platform::kKeyDown, KEY_Y)};
  EXPECT_EQ(WaitForKey(), KEY_Y);

  Inject(platform::kKeyChar, 'a');
  driver->arrivals = {MakeEvent(platform::kKeyChar, 'b')};
  EXPECT_EQ(WaitForChar(), 'b');

  Inject(platform::kMouseDown, MOUSE_LEFT);
  Inject(platform::kMouseUp, MOUSE_LEFT);
  driver->arrivals = {MakeEvent(platform::kMouseDown, MOUSE_RIGHT)};
  EXPECT_EQ(WaitForClick(), MOUSE_RIGHT);
  SetSystemDriver(nullptr);
}

TEST_F(InputTest, SourceFilterAndStopping) {
  StopInputPolling();
  int mine = 0;
  StartInputPolling(&mine);
  // Platform events have no source: filtered out.
  Tap(KEY_A);
  EXPECT_EQ(KeyPresses(KEY_A), 0);
  TEvent e;
  e.id = EVENT_KEYDOWN;
  e.data = KEY_A;
  e.source = &mine;
  EmitEvent(e);
  EXPECT_EQ(KeyPresses(KEY_A), 1);
  // Starting again while enabled changes nothing.
  StartInputPolling(nullptr);
  Tap(KEY_A);
  EXPECT_EQ(KeyPresses(KEY_A), 0);

  StopInputPolling();
  e.data = KEY_M;
  EmitEvent(e);
  Tap(KEY_M);
  PumpEvents();  // delivered while nobody listens
  StartInputPolling(nullptr);
  EXPECT_EQ(KeyPresses(KEY_M), 0);
}

TEST_F(InputTest, WithoutAutoPollQueriesSeeOnlyPumpedEvents) {
  SetAutoPoll(false);
  Tap(KEY_SPACE);
  EXPECT_EQ(KeyPresses(KEY_SPACE), 0);
  PumpEvents();
  EXPECT_EQ(KeyPresses(KEY_SPACE), 1);
  SetAutoPoll(true);
}

}  // namespace
