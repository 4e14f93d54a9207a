// Event hooks and the system driver's pump.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/system/event.h"
#include "engine/system/system_driver.h"
#include "platform/events.h"
#include "tests/system/quiet_system_driver.h"

namespace {

TEST(EventTest, NamesOfTheKinds) {
  const struct {
    int id;
    const char* name;
  } cases[] = {
      {EVENT_APPSUSPEND, "AppSuspend"}, {EVENT_APPRESUME, "AppResume"}, {EVENT_APPTERMINATE, "AppTerminate"},
      {EVENT_KEYDOWN, "KeyDown"},       {EVENT_KEYUP, "KeyUp"},         {EVENT_KEYCHAR, "KeyChar"},
      {EVENT_KEYREPEAT, "KeyRepeat"},   {EVENT_MOUSEDOWN, "MouseDown"}, {EVENT_MOUSEUP, "MouseUp"},
      {EVENT_MOUSEMOVE, "MouseMove"},   {EVENT_MOUSEWHEEL, "MouseWheel"}, {0x999, "Unknown"},
  };
  for (const auto& c : cases) EXPECT_STREQ(EventName(c.id), c.name) << c.id;
}

TEST(EventTest, HooksRunInOrderAndSeeTheReturnedEvent) {
  std::vector<std::string> seen;
  const TEventHookId a = AddEventHook([&](const TEvent& e) {
    seen.push_back("a" + std::to_string(e.data));
    TEvent out = e;
    out.data += 1;
    return out;
  });
  const TEventHookId b = AddEventHook([&](const TEvent& e) {
    seen.push_back("b" + std::to_string(e.data));
    return e;
  });
  TEvent e;
  e.id = EVENT_KEYDOWN;
  e.data = 5;
  EmitEvent(e);
  RemoveEventHook(a);
  EmitEvent(e);
  RemoveEventHook(b);
  EmitEvent(e);
  EXPECT_EQ(seen, (std::vector<std::string>{"a5", "b6", "b5"}));
}

TEST(EventTest, HookRemovedDuringEmissionIsNotCalled) {
  int calls = 0;
  TEventHookId second = 0;
  const TEventHookId first = AddEventHook([&](const TEvent& e) {
    RemoveEventHook(second);
    return e;
  });
  second = AddEventHook([&](const TEvent& e) {
    ++calls;
    return e;
  });
  EmitEvent(TEvent{});
  RemoveEventHook(first);
  EXPECT_EQ(calls, 0);
}

TEST(EventTest, PumpDeliversInjectedEventsTranslated) {
  std::vector<TEvent> got;
  const TEventHookId h = AddEventHook([&](const TEvent& e) {
    got.push_back(e);
    return e;
  });
  platform::Event pe;
  pe.kind = platform::kMouseDown;
  pe.data = 2;
  pe.mods = platform::kModShift | platform::kModAlt;
  pe.x = 17;
  pe.y = 23;
  platform::InjectEvent(pe);
  PumpEvents();
  RemoveEventHook(h);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].id, EVENT_MOUSEDOWN);
  EXPECT_EQ(got[0].data, 2);
  EXPECT_EQ(got[0].mods, MODIFIER_SHIFT | MODIFIER_OPTION);
  EXPECT_EQ(got[0].x, 17);
  EXPECT_EQ(got[0].y, 23);
  EXPECT_EQ(got[0].source, nullptr);
}

TEST(EventTest, PumpInsideAHookDoesNothing) {
  // A hook that pumps again must not recurse: events keep their order and
  // each is handed over once.
  std::vector<int> order;
  int depth = 0, maxDepth = 0;
  const TEventHookId h = AddEventHook([&](const TEvent& e) {
    ++depth;
    maxDepth = std::max(maxDepth, depth);
    order.push_back(e.data);
    PumpEvents();
    WaitEvents();
    --depth;
    return e;
  });
  for (int i = 1; i <= 3; ++i) {
    platform::Event pe;
    pe.kind = platform::kKeyChar;
    pe.data = i;
    platform::InjectEvent(pe);
  }
  PumpEvents();
  RemoveEventHook(h);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(maxDepth, 1);
}

// A replacement driver sees the calls; restoring gives the platform's back.
class CountingDriver : public QuietSystemDriver {
 public:
  int polls = 0, waits = 0;
  void Poll() override { ++polls; }
  void Wait() override { ++waits; }
};

TEST(EventTest, ReplaceableSystemDriver) {
  auto d = std::make_shared<CountingDriver>();
  SetSystemDriver(d);
  EXPECT_EQ(&SystemDriver(), d.get());
  PumpEvents();
  WaitEvents();
  SetSystemDriver(nullptr);
  EXPECT_NE(&SystemDriver(), d.get());
  EXPECT_EQ(d->polls, 1);
  EXPECT_EQ(d->waits, 1);
}

TEST(EventTest, ApplicationTitle) {
  SetApplicationTitle(u"Quillory demo");
  EXPECT_EQ(ApplicationTitle(), u"Quillory demo");
}

}  // namespace
