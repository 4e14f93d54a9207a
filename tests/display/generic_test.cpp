// The generic display level against a recording driver: driver selection,
// the mode cache, the Graphics / EndDisplay lifecycle and Flip's dispatch and
// timer schedule, stepped with a manual clock.
#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/graphics/display.h"
#include "engine/input/input.h"
#include "engine/system/event.h"
#include "engine/system/clock.h"
#include "engine/system/system_driver.h"
#include "tests/system/quiet_system_driver.h"

namespace {

class FakeDriver;

class FakeGraphics : public TGraphics {
 public:
  FakeGraphics(std::shared_ptr<FakeDriver> d, int w, int h, int depth, int hz, int flags)
      : driver(std::move(d)), w(w), h(h), depth(depth), hz(hz), flags(flags) {}
  std::shared_ptr<TGraphicsDriver> Driver() override;
  void GetSettings(int& width, int& height, int& d, int& hertz, int& f) override {
    width = w, height = h, d = depth, hertz = hz, f = flags;
  }
  void Close() override { ++closes; }
  std::weak_ptr<FakeDriver> driver;  // the driver keeps its graphics: no cycle
  int w, h, depth, hz, flags;
  int closes = 0;
};

class FakeDriver : public TGraphicsDriver {
 public:
  std::vector<TGraphicsMode> GraphicsModes() override {
    ++modeFetches;
    return modes;
  }
  std::shared_ptr<TGraphics> AttachGraphics(void*, int) override { return nullptr; }
  std::shared_ptr<TGraphics> CreateGraphics(int w, int h, int depth, int hz, int flags) override {
    if (throwOnCreate) throw std::runtime_error("no");
    if (w == 0) return nullptr;
    auto self = std::static_pointer_cast<FakeDriver>(shared_from_this());
    auto g = std::make_shared<FakeGraphics>(self, w, h, depth, hz, flags);
    created.push_back(g);
    return g;
  }
  void SetGraphics(const std::shared_ptr<TGraphics>& g) override { sets.push_back(g.get()); }
  void Flip(int sync) override { flips.push_back(sync); }

  std::vector<TGraphicsMode> modes{{640, 480, 16, 60}, {1024, 768, 32, 60}, {1024, 768, 32, 75}};
  int modeFetches = 0;
  bool throwOnCreate = false;
  std::vector<std::shared_ptr<FakeGraphics>> created;
  std::vector<TGraphics*> sets;
  std::vector<int> flips;
};

std::shared_ptr<TGraphicsDriver> FakeGraphics::Driver() { return driver.lock(); }

// Records pointer moves instead of warping a real pointer.
class QuietSystem : public QuietSystemDriver {
 public:
  std::vector<std::pair<int, int>> moves;
  std::vector<bool> visible;
  void MoveMouse(int x, int y) override { moves.emplace_back(x, y); }
  void SetMouseVisible(bool v) override { visible.push_back(v); }
};

class GenericDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSystemDriver(system);
    driver = std::make_shared<FakeDriver>();
    SelectGraphicsDriver(driver, GFX_BACKBUFFER);
  }
  void TearDown() override {
    EndDisplay();
    SelectGraphicsDriver(GLGraphicsDriver(), GFX_BACKBUFFER);
    SetSystemDriver(nullptr);
  }
  std::shared_ptr<QuietSystem> system = std::make_shared<QuietSystem>();
  std::shared_ptr<FakeDriver> driver;
};

TEST_F(GenericDisplayTest, ModeTextForm) {
  EXPECT_EQ((TGraphicsMode{1024, 768, 32, 60}).ToString(), u"1024,768,32 60Hz");
  EXPECT_EQ((TGraphicsMode{640, 480, 16, 0}).ToString(), u"640,480,16 0Hz");
}

TEST_F(GenericDisplayTest, ModesAreCachedAndMatchedWithZeroAsAny) {
  EXPECT_EQ(GraphicsModeCount(), 3);
  EXPECT_TRUE(HasGraphicsMode(1024, 768, 0, 0));
  EXPECT_TRUE(HasGraphicsMode(1024, 768, 32, 75));
  EXPECT_TRUE(HasGraphicsMode(0, 0, 16, 0));
  EXPECT_FALSE(HasGraphicsMode(1024, 768, 16, 0));
  EXPECT_FALSE(HasGraphicsMode(800, 0, 0, 0));
  int w, h, d, hz;
  GraphicsModeAt(2, w, h, d, hz);
  EXPECT_EQ(w * 1000000 + h * 1000 + hz, 1024768075);
  EXPECT_EQ(d, 32);
  GraphicsModeAt(3, w, h, d, hz);
  EXPECT_EQ(w | h | d | hz, 0);
  GraphicsModeAt(-1, w, h, d, hz);
  EXPECT_EQ(w | h | d | hz, 0);
  EXPECT_EQ(driver->modeFetches, 1);
  // A copy: changing it leaves the cache alone.
  auto copy = GraphicsModes();
  copy.clear();
  EXPECT_EQ(GraphicsModeCount(), 3);
  // Another driver empties the cache.
  auto other = std::make_shared<FakeDriver>();
  other->modes = {{320, 200, 8, 70}};
  SelectGraphicsDriver(other, 0);
  EXPECT_EQ(GraphicsModeCount(), 1);
  EXPECT_EQ(GetDefaultGraphicsFlags(), 0);
  EXPECT_EQ(ActiveGraphicsDriver(), other);
}

TEST_F(GenericDisplayTest, SequenceMovesOnSelectionOpeningAndClosing) {
  const int s0 = GraphicsSeq();
  EXPECT_NE(s0, 0);
  SelectGraphicsDriver(driver, GFX_BACKBUFFER);
  EXPECT_EQ(GraphicsSeq(), s0 + 1);
  ASSERT_TRUE(Graphics(320, 240, 0, 60, 0));
  EXPECT_EQ(GraphicsSeq(), s0 + 2);
  ASSERT_TRUE(Graphics(320, 240, 0, 60, 0));  // closes the first: +1, opens: +1
  EXPECT_EQ(GraphicsSeq(), s0 + 4);
  EndDisplay();
  EXPECT_EQ(GraphicsSeq(), s0 + 5);
  EndDisplay();  // nothing open: nothing moves
  EXPECT_EQ(GraphicsSeq(), s0 + 5);
  // A failed open leaves it too.
  EXPECT_EQ(Graphics(0, 0, 0, 60, 0), nullptr);
  EXPECT_EQ(GraphicsSeq(), s0 + 5);
}

TEST_F(GenericDisplayTest, GraphicsOpensOneDisplayAndEndDisplayClosesIt) {
  auto g1 = Graphics(320, 240, 0, 60, 4);
  ASSERT_TRUE(g1);
  EXPECT_EQ(CurrentGraphics(), g1);
  EXPECT_EQ(DisplayWidth(), 320);
  EXPECT_EQ(DisplayHeight(), 240);
  EXPECT_EQ(DisplayHertz(), 60);
  EXPECT_EQ(DisplayFlags(), 4 | GFX_BACKBUFFER);  // the default flags are OR'ed in
  TEvent key;
  key.id = EVENT_KEYDOWN;
  key.data = KEY_SPACE;
  EmitEvent(key);
  EXPECT_EQ(KeyPresses(KEY_SPACE), 1);  // polled input is on
  auto g2 = Graphics(640, 480, 32, 60, 0);
  ASSERT_TRUE(g2);
  EXPECT_EQ(driver->created[0]->closes, 1);
  EXPECT_EQ(driver->created[1]->closes, 0);
  EXPECT_EQ(DisplayDepth(), 32);
  // Full screen centres the pointer.
  ASSERT_FALSE(system->moves.empty());
  EXPECT_EQ(system->moves.back(), std::make_pair(320, 240));
  EndDisplay();
  EXPECT_EQ(driver->created[1]->closes, 1);
  EXPECT_EQ(CurrentGraphics(), nullptr);
  EXPECT_EQ(driver->sets.back(), nullptr);  // the context was released
  EXPECT_EQ(DisplayWidth() | DisplayHeight() | DisplayDepth() | DisplayHertz() | DisplayFlags(), 0);
  EmitEvent(key);
  EXPECT_EQ(KeyPresses(KEY_SPACE), 0);  // and off again
}

TEST_F(GenericDisplayTest, CreationFailuresGiveNull) {
  driver->throwOnCreate = true;
  EXPECT_EQ(CreateGraphics(320, 240, 0, 60, 0), nullptr);
  EXPECT_EQ(Graphics(320, 240, 0, 60, 0), nullptr);
  EXPECT_EQ(CurrentGraphics(), nullptr);
  EXPECT_EQ(AttachGraphics(nullptr, 0), nullptr);
}

TEST_F(GenericDisplayTest, SelectingAnotherDriverReleasesTheCurrentGraphics) {
  auto g = CreateGraphics(100, 100, 0, 0, 0);
  SetGraphics(g);
  EXPECT_EQ(driver->sets.back(), g.get());
  auto other = std::make_shared<FakeDriver>();
  SelectGraphicsDriver(other, 8);
  EXPECT_EQ(driver->sets.back(), nullptr);
  EXPECT_EQ(CurrentGraphics(), nullptr);
  EXPECT_EQ(DisplayWidth(), 0);
  EXPECT_EQ(GetDefaultGraphicsFlags(), 8);
  // Setting a graphics of the first driver makes that driver current again.
  SetGraphics(g);
  EXPECT_EQ(ActiveGraphicsDriver(), driver);
  EXPECT_EQ(DisplayWidth(), 100);
  CloseGraphics(g);
  EXPECT_EQ(CurrentGraphics(), nullptr);
  EXPECT_EQ(driver->created[0]->closes, 1);
}

TEST_F(GenericDisplayTest, FlipDispatchesBySyncMode) {
  const struct {
    int depth, hertz;
    int expect;  // what Flip -1 hands the driver
  } cases[] = {
      {0, 60, 0},   // window, timer paced, then no wait
      {0, 0, 0},    // window without a rate: plain flip
      {32, 60, 1},  // full screen: the vertical blank
      {32, 0, 0},   // full screen without a rate
  };
  TManualClock clock(1000);
  for (const auto& c : cases) {
    ASSERT_TRUE(Graphics(320, 240, c.depth, c.hertz, 0));
    driver->flips.clear();
    Flip(-1);
    Flip(0);
    Flip(1);
    EXPECT_EQ(driver->flips, (std::vector<int>{c.expect, 0, 1})) << c.depth << " " << c.hertz;
  }
  // Made current by other means: -1 waits for the vertical blank.
  auto other = CreateGraphics(100, 100, 0, 60, 0);
  SetGraphics(other);
  driver->flips.clear();
  Flip(-1);
  EXPECT_EQ(driver->flips, (std::vector<int>{1}));
  CloseGraphics(other);
}

TEST_F(GenericDisplayTest, WindowTimerSpreadsASecondOverSixtyFrames) {
  TManualClock clock(-30);  // crosses 0 on the way: differences stay right
  ASSERT_TRUE(Graphics(320, 240, 0, 60, 0));
  const TSyncState s = SyncState();
  EXPECT_TRUE(s.softSync);
  EXPECT_FALSE(s.hardSync);
  EXPECT_EQ(s.syncPeriod, 16);
  EXPECT_EQ(s.syncFrac, 40);
  int longFrames = 0;
  for (int i = 0; i < 60; ++i) {
    const int before = clock.Now();
    Flip(-1);
    const int frame = ClockDiff(clock.Now(), before);
    ASSERT_TRUE(frame == 16 || frame == 17) << frame;
    longFrames += frame == 17;
  }
  EXPECT_EQ(ClockDiff(clock.Now(), -30), 1000);
  EXPECT_EQ(longFrames, 40);
  // Flip 0 and Flip 1 never touch the schedule's sleep.
  const int now = clock.Now();
  Flip(0);
  Flip(1);
  EXPECT_EQ(clock.Now(), now);
}

TEST_F(GenericDisplayTest, AfterAStallTheScheduleRestartsFromNow) {
  TManualClock clock(5000);
  ASSERT_TRUE(Graphics(320, 240, 0, 60, 0));
  Flip(-1);
  EXPECT_EQ(clock.Now(), 5016);
  clock.Advance(100);  // a long frame
  Flip(-1);
  EXPECT_EQ(clock.Now(), 5116);  // no sleep, and the lost time is not caught up
  Flip(-1);
  const int frame = clock.Now() - 5116;
  EXPECT_TRUE(frame == 16 || frame == 17) << frame;
}

TEST_F(GenericDisplayTest, NonsenseRatesNeverOverflowTheSchedule) {
  // Rates no display has: the schedule must stay defined arithmetic and never
  // sleep for long.
  for (const int hertz : {-1, -60, INT_MIN, INT_MAX, 1001}) {
    TManualClock clock(0);
    ASSERT_TRUE(Graphics(320, 240, 0, hertz, 0)) << hertz;
    for (int i = 0; i < 200; ++i) {
      const int before = clock.Now();
      Flip(-1);
      EXPECT_LE(ClockDiff(clock.Now(), before), 1) << hertz;
      clock.Advance(1);
    }
    EndDisplay();
  }
}

TEST_F(GenericDisplayTest, FlipRunsItsHooksFirst) {
  std::vector<int> order;
  const int id = AddFrameFlipHook([&] { order.push_back(static_cast<int>(driver->flips.size())); });
  Flip(0);
  Flip(0);
  RemoveFrameFlipHook(id);
  Flip(0);
  EXPECT_EQ(order, (std::vector<int>{0, 1}));
}

TEST_F(GenericDisplayTest, PointerAndMessagesGoToTheSystemDriver) {
  HidePointer();
  EXPECT_EQ(system->visible, (std::vector<bool>{false}));
}

}  // namespace
