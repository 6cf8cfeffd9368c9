// ctest-labels: scene
#include "engine/core/game_core.h"

#include <gtest/gtest.h>

#include "engine/core/core_settings.h"
#include "engine/core/message_ring.h"
#include "engine/core/object_message.h"
#include "tests/support/engine_doubles.h"
#include "tests/support/engine_fixture.h"

namespace {

using engine::GameCore;
using test::FakeModule;

class GameCoreTest : public test::EngineFixture {};

TEST(MessageRingTest, KeepsOrderAcrossWrapAndGrowth) {
  engine::MessageRing ring;
  engine::RingEntry e;
  uint32_t next_in = 0;
  uint32_t next_out = 0;
  // Move the indices round the array first, then fill it past its capacity.
  for (int i = 0; i < 10; ++i) ring.Push({0, next_in++, 0, 0});
  for (int i = 0; i < 8; ++i) {
    ASSERT_TRUE(ring.Pop(&e));
    EXPECT_EQ(e.code, next_out++);
  }
  for (int i = 0; i < 40; ++i) ring.Push({0, next_in++, 0, 0});
  EXPECT_GE(ring.Capacity(), 64u);
  while (ring.Pop(&e)) EXPECT_EQ(e.code, next_out++);
  EXPECT_EQ(next_out, next_in);
  ring.Push({0, 1, 0, 0});
  ring.Clear();
  EXPECT_EQ(ring.Count(), 0u);
  EXPECT_FALSE(ring.Pop(&e));
}

TEST_F(GameCoreTest, LoadDuplicateAndFailedInit) {
  int destroyed = 0;
  auto core = std::make_unique<GameCore>();
  auto* first = new FakeModule(1001, "First");
  first->destroyed = &destroyed;
  EXPECT_EQ(core->LoadModule(first, true, false), engine::QUILLARON_RETURN_OK);
  EXPECT_TRUE(first->IsEnabled());
  EXPECT_FALSE(first->IsGuarded());

  auto* twin = new FakeModule(1001, "Twin");
  twin->destroyed = &destroyed;
  EXPECT_EQ(core->LoadModule(twin, true, true), engine::QUILLARON_RETURN_MODULE_CRASH);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(core->FindModule(1001), first);
  EXPECT_NE(GameLog().find("GameCore::LoadModule---->QUILLARON_RETURN_MODULE_CRASH"), std::string::npos);

  auto* failing = new FakeModule(1004, "Sulky", 0);
  failing->destroyed = &destroyed;
  EXPECT_EQ(core->LoadModule(failing, true, false), engine::QUILLARON_RETURN_MODULE_INITIAL_FAILD);
  EXPECT_EQ(destroyed, 2);
  EXPECT_EQ(core->FindModule(1004), nullptr);
  const std::string log = GameLog();
  EXPECT_NE(log.find("GameCore::LoadModule---->QUILLARON_RETURN_MODULE_INITIAL_FAILD"), std::string::npos);
  EXPECT_NE(log.find("ErrorModuleSulky"), std::string::npos);

  // An already initialised module is not initialised again.
  auto* ready = new FakeModule(1005, "Ready", 0);
  ready->SetFlags(ready->GetFlags() | engine::kModuleInitialised);
  EXPECT_EQ(core->LoadModule(ready, false, true), engine::QUILLARON_RETURN_OK);
  EXPECT_EQ(ready->inits, 0);
  EXPECT_TRUE(ready->IsGuarded());
  EXPECT_FALSE(ready->IsEnabled());

  EXPECT_EQ(core->UnloadModule(1234), engine::QUILLARON_RETURN_MODULE_NOT_FOUND);
  EXPECT_EQ(core->UnloadModule(1001), engine::QUILLARON_RETURN_OK);
  EXPECT_EQ(destroyed, 3);
  EXPECT_EQ(core->FindModule(1001), nullptr);
  EXPECT_FALSE(core->SendEvent(1001, 5, 0, 0));
  core.reset();  // the destructor unloads the rest
}

TEST_F(GameCoreTest, SendRunsAtOnceAndCountsOnlyTenThousandAsHandled) {
  GameCore core;
  auto* a = new FakeModule(1001);
  core.LoadModule(a, true, false);
  a->handle_result = 1;
  EXPECT_FALSE(core.SendEvent(1001, 7, 1, 2));
  a->handle_result = engine::QUILLARON_RETURN_OK;
  EXPECT_TRUE(core.SendEvent(1001, 8, 3, 4));
  ASSERT_EQ(a->handled.size(), 2u);
  EXPECT_EQ(a->handled[1].code, 8u);
  EXPECT_EQ(a->handled[1].p2, 4u);
  // Pointer-sized parameters come through whole.
  const uintptr_t wide = static_cast<uintptr_t>(0x123456789ABCull);
  core.SendEvent(1001, 9, wide, wide);
  EXPECT_EQ(a->handled[2].p1, wide);
}

TEST_F(GameCoreTest, PostedEventsReachEarlierModulesInTheNextFrameAndLaterOnesInTheSame) {
  GameCore core;
  auto* a = new FakeModule(1001, "A");
  auto* b = new FakeModule(1002, "B");
  core.LoadModule(a, true, false);
  core.LoadModule(b, true, false);
  int frame = 0;
  std::vector<int> a_got;
  std::vector<int> b_got;
  a->on_tick = [&](FakeModule& self) {
    if (frame == 1) self.PostEvent(1002, 100, 0, 0);
  };
  b->on_tick = [&](FakeModule& self) {
    if (frame == 1) self.PostEvent(1001, 200, 0, 0);
  };
  for (frame = 1; frame <= 3; ++frame) {
    Step();
    const size_t a_before = a->handled.size();
    const size_t b_before = b->handled.size();
    core.RunFrame();
    if (a->handled.size() > a_before) a_got.push_back(frame);
    if (b->handled.size() > b_before) b_got.push_back(frame);
  }
  EXPECT_EQ(b_got, std::vector<int>{1});  // A -> B: B comes later in the same frame
  EXPECT_EQ(a_got, std::vector<int>{2});  // B -> A: A already ran, so next frame
  EXPECT_EQ(core.QueuedEventCount(), 0u);
}

TEST_F(GameCoreTest, CoreCommandsRunAtTheEndOfTheFrameThatPostedThem) {
  GameCore core;
  int destroyed = 0;
  auto* a = new FakeModule(1001, "A");
  auto* b = new FakeModule(1002, "B");
  auto* c = new FakeModule(1003, "C");
  c->destroyed = &destroyed;
  core.LoadModule(a, true, false);
  core.LoadModule(b, true, false);
  core.LoadModule(c, true, false);
  a->on_tick = [](FakeModule& self) {
    self.PostEvent(0, engine::core_event::kDisableModule, 1002, 0);
    self.PostEvent(0, engine::core_event::kUnloadModule, 1003, 0);
  };
  Step();
  core.RunFrame();
  EXPECT_EQ(b->ticks, 1);  // the command waits for the frame's end
  EXPECT_FALSE(b->IsEnabled());
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(core.FindModule(1003), nullptr);
  a->on_tick = nullptr;
  Step();
  core.RunFrame();
  EXPECT_EQ(b->ticks, 1);
  core.PostEvent(0, engine::core_event::kEnableModule, 1002, 0);
  Step();
  core.RunFrame();
  EXPECT_TRUE(b->IsEnabled());
}

TEST_F(GameCoreTest, AModuleMayUnloadItselfDuringItsOwnTick) {
  GameCore core;
  int destroyed = 0;
  auto* a = new FakeModule(1001, "A");
  auto* b = new FakeModule(1002, "B");
  a->destroyed = &destroyed;
  core.LoadModule(a, true, false);
  core.LoadModule(b, true, false);
  a->on_tick = [&core](FakeModule&) { core.UnloadModule(1001); };
  Step();
  core.RunFrame();  // ASan: the module is destroyed after the frame, not under its own tick
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(b->ticks, 1);
}

TEST_F(GameCoreTest, IntervalsDecideWhichModulesTick) {
  FakeModule m(1001);
  m.Enable();
  m.SetInterval(100);
  EXPECT_EQ(m.Update(0), 1);  // 0 - 0 is not past the interval
  EXPECT_EQ(m.ticks, 0);
  EXPECT_EQ(m.Update(50), 1);
  EXPECT_EQ(m.Update(100), 1);
  EXPECT_EQ(m.ticks, 0);
  EXPECT_EQ(m.Update(101), 1);
  EXPECT_EQ(m.ticks, 1);
  EXPECT_EQ(m.GetLastTick(), 101u);
  m.Disable();
  EXPECT_EQ(m.Update(1000), 0);
  m.Enable();
  // Across the wrap of the millisecond clock the difference still counts.
  EXPECT_EQ(m.Update(0xFFFFFFF0u), 1);
  EXPECT_EQ(m.ticks, 2);
  m.Update(0x60);
  EXPECT_EQ(m.ticks, 3);

  GameCore core;
  auto* fast = new FakeModule(1001, "Fast");
  auto* slow = new FakeModule(1005, "Slow");
  core.LoadModule(fast, true, false);
  core.LoadModule(slow, true, true);
  slow->SetInterval(100);
  for (int i = 0; i < 60; ++i) {  // 300 ms of 5 ms frames
    Step(5);
    core.RunFrame();
  }
  // Interval 10 ticks every third 5 ms frame (15 ms apart); interval 100 every 105 ms.
  EXPECT_EQ(fast->ticks, 20);
  EXPECT_EQ(slow->ticks, 2);
}

TEST_F(GameCoreTest, AThrowingGuardedModuleIsDisabledAndReported) {
  GameCore core;
  auto* bad = new FakeModule(1003, "PaintModule");
  auto* after = new FakeModule(1004, "After");
  core.LoadModule(bad, true, true);
  core.LoadModule(after, true, false);
  bad->throw_on_tick = true;
  Step();
  core.RunFrame();
  EXPECT_FALSE(bad->IsEnabled());
  EXPECT_EQ(after->ticks, 1);  // the frame went on
  ASSERT_EQ(message_boxes_.size(), 1u);
  EXPECT_EQ(message_boxes_[0], "模块:<PaintModule>因故障关闭!");
  EXPECT_NE(GameLog().find("模块:<PaintModule>因故障关闭!"), std::string::npos);
  Step();
  core.RunFrame();
  EXPECT_EQ(bad->ticks, 1);
  EXPECT_EQ(after->ticks, 2);
  EXPECT_EQ(message_boxes_.size(), 1u);
  EXPECT_EQ(core.FrameLockDepth(), 0);

  // Nothing escapes the frame from an unguarded module either: it is logged and keeps ticking.
  after->throw_on_tick = true;
  Step();
  EXPECT_NO_THROW(core.RunFrame());
  EXPECT_TRUE(after->IsEnabled());
  EXPECT_EQ(core.FrameLockDepth(), 0);
}

TEST_F(GameCoreTest, ReportsToTheAbsentMonitorAreLoggedNotQueued) {
  GameCore core;
  core.LoadModule(new FakeModule(1001), true, false);
  for (int i = 0; i < 100; ++i)
    core.PostEvent(1010, 1002, reinterpret_cast<uintptr_t>("can't EndGroup without BeginGroup!"), 0);
  EXPECT_EQ(core.QueuedEventCount(), 0u);
  EXPECT_NE(GameLog().find("can't EndGroup without BeginGroup!"), std::string::npos);
  // Events for a module not loaded yet wait for it.
  core.PostEvent(1004, 77, 0, 0);
  Step();
  core.RunFrame();
  EXPECT_EQ(core.QueuedEventCount(), 1u);
  auto* late = new FakeModule(1004);
  core.LoadModule(late, true, false);
  Step();
  core.RunFrame();
  ASSERT_EQ(late->handled.size(), 1u);
  EXPECT_EQ(late->handled[0].code, 77u);
}

TEST_F(GameCoreTest, AnOverfullQueueIsReportedAndCleared) {
  GameCore core;
  auto* m = new FakeModule(1001, "Busy");
  m->queue_limit_ = 4;
  core.LoadModule(m, false, false);  // disabled: nothing drains its ring
  for (int i = 0; i < 10; ++i) core.PostEvent(1001, 1, 0, 0);
  core.RunFrame();
  EXPECT_EQ(m->Ring().Count(), 10u);
  core.PostEvent(1001, 2, 0, 0);
  core.RunFrame();
  EXPECT_EQ(m->Ring().Count(), 1u);  // the ten were dropped, the new one queued
  EXPECT_NE(GameLog().find("Busy: 10 queued events over the limit dropped"), std::string::npos);
}

TEST_F(GameCoreTest, SettingsAndDefaults) {
  GameCore core;
  EXPECT_EQ(core.GetIntSetting(3), -1);
  EXPECT_EQ(core.GetStringSetting(22), nullptr);
  core.Start(nullptr);
  EXPECT_EQ(core.GetIntSetting(3), 22);
  EXPECT_EQ(core.GetIntSetting(engine::setting::kSettingsMessageId), static_cast<int32_t>(engine::msg::kFreeBlockA));
  EXPECT_EQ(core.GetIntSetting(11), 0xFF0080);
  EXPECT_STREQ(core.GetStringSetting(31), "ScrollBar_HorzRightBtn");
  core.SetIntSetting(3, 5);
  EXPECT_EQ(core.GetIntSetting(3), 5);
  core.SetStringSetting(40, "x");
  EXPECT_STREQ(core.GetStringSetting(40), "x");
  FakeModule loose(1001);
  EXPECT_EQ(loose.GetIntSetting(3), -2);
  auto* held = new FakeModule(1002);
  core.LoadModule(held, true, false);
  EXPECT_EQ(held->GetIntSetting(3), 5);
  EXPECT_EQ(held->GetIntSetting(99), -1);
}

TEST_F(GameCoreTest, NestedFrameLockCountsEachEntry) {
  GameCore core;
  core.EnterFrameLock();
  core.EnterFrameLock();
  EXPECT_EQ(core.FrameLockDepth(), 2);
  core.RunFrame();  // the frame enters once more and leaves once
  EXPECT_EQ(core.FrameLockDepth(), 2);
  core.LeaveFrameLock();
  EXPECT_EQ(core.FrameLockDepth(), 1);
  core.LeaveFrameLock();
  EXPECT_EQ(core.FrameLockDepth(), 0);
  core.LeaveFrameLock();  // one leave too many changes nothing
  EXPECT_EQ(core.FrameLockDepth(), 0);
}

TEST_F(GameCoreTest, ElapsedTimeFollowsTheClock) {
  GameCore core;
  EXPECT_EQ(core.GetElapsedMs(), 0u);
  Step(250);
  EXPECT_EQ(core.GetElapsedMs(), 250u);
  clock_->AdvanceMicroseconds(999);
  EXPECT_EQ(core.GetElapsedMs(), 250u);
  engine::FrameTimer timer;
  timer.Start(40);
  EXPECT_EQ(timer.Elapsed(), 40);
}

}  // namespace

namespace {

// A clock whose counter and frequency a test sets directly.
class RiggedClock : public platform::Clock {
 public:
  uint32_t TickCount() override { return tick; }
  int64_t PerformanceCounter() override { return counter; }
  int64_t PerformanceFrequency() override { return frequency; }
  platform::SystemTime LocalTime() override { return {}; }
  uint32_t tick = 5000;
  int64_t counter = 1000000;
  int64_t frequency = 1000;
};

class RiggedClockTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::InstallClock(&clock_); }
  void TearDown() override { platform::InstallClock(nullptr); }
  RiggedClock clock_;
};

TEST_F(RiggedClockTest, WithoutACounterFrequencyTheTickCountKeepsTime) {
  clock_.frequency = 0;
  engine::FrameTimer timer;
  clock_.tick += 70;
  clock_.counter += 999;
  EXPECT_EQ(timer.Elapsed(), 70);
}

TEST_F(RiggedClockTest, ACounterGoingBackwardsFallsBackOnTheTickCount) {
  engine::FrameTimer timer;
  clock_.counter += 500;  // 500 ms at 1000 per second
  clock_.tick += 500;
  EXPECT_EQ(timer.Elapsed(), 500);
  clock_.counter -= 200;
  clock_.tick += 20;
  EXPECT_EQ(timer.Elapsed(), 520);
  // A wrapped tick count still counts forward from the base.
  engine::FrameTimer wrapping;  // its tick-count base is 5520
  clock_.counter -= 100000;
  clock_.tick = 0x100;  // the tick count went past 2^32 and round again
  EXPECT_EQ(wrapping.Elapsed(), 0x100000100LL - 5520);
}

}  // namespace
