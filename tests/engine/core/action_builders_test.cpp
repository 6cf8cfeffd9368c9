// ctest-labels: widgets
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/core/game_core.h"
#include "engine/core/object_module.h"
#include "engine/core/object_services.h"
#include "tests/support/engine_fixture.h"

namespace {

using engine::MakeMessage;
using engine::ObjectMessage;

constexpr uint32_t kDone = 80000077;

class ActionBuildersTest : public test::SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    services_ = new engine::ObjectServices();
    objects_->AddObject(services_, nullptr);
    listener_ = Add(700, 500, 4, 4);
    target_ = Add(100, 100, 20, 20);
    done_ = MakeMessage(listener_->GetKey(), kDone, 0, 0);
  }

  // One action pass after `ms` of the clock.
  void Pass(uint32_t ms = 30) {
    Step(ms);
    core_->RunFrame();
  }
  int Completions() const {
    int n = 0;
    for (const ObjectMessage& m : listener_->received) n += m.id == kDone ? 1 : 0;
    return n;
  }
  // Runs passes until the completion message arrives; the number of passes, or -1 after `limit`.
  int PassesUntilDone(int limit = 100, uint32_t ms = 30) {
    for (int i = 1; i <= limit; ++i) {
      Pass(ms);
      if (Completions() > 0) return i;
    }
    return -1;
  }

  engine::ObjectServices* services_ = nullptr;
  test::TestObject* listener_ = nullptr;
  test::TestObject* target_ = nullptr;
  ObjectMessage done_;
};

TEST_F(ActionBuildersTest, FadeFromZeroTakesTwelveRunsAndEndsExactlyOnTarget) {
  target_->SetAlpha(0.0);
  ASSERT_NE(services_->FadeTo(target_, 0.1, 1.0, 0, &done_), 0u);
  EXPECT_EQ(PassesUntilDone(), 12);
  EXPECT_EQ(target_->GetAlpha(), 1.0);
  EXPECT_EQ(objects_->CountActions(), 0u);
}

TEST_F(ActionBuildersTest, FadeRefusesStepsThatCanNeverArrive) {
  target_->SetAlpha(0.5);
  EXPECT_EQ(services_->FadeTo(target_, 0.0, 1.0, 0, &done_), 0u);
  EXPECT_EQ(services_->FadeTo(target_, -0.1, 1.0, 0, &done_), 0u);
  EXPECT_EQ(services_->FadeTo(target_, 0.1, 0.0, 0, &done_), 0u);
  EXPECT_EQ(services_->FadeTo(nullptr, 0.1, 1.0, 0, &done_), 0u);
  Pass();
  EXPECT_EQ(objects_->CountActions(), 0u);

  target_->SetAlpha(1.0);
  ASSERT_NE(services_->FadeTo(target_, 0.1, 1.0, 0, &done_), 0u);
  EXPECT_EQ(PassesUntilDone(), 1);
}

TEST_F(ActionBuildersTest, IntervalsBelowTheMinimumAreRaised) {
  target_->SetAlpha(0.0);
  services_->FadeTo(target_, 0.5, 1.0, 5, nullptr);
  Pass(11);  // first run at once: 0.5
  EXPECT_DOUBLE_EQ(target_->GetAlpha(), 0.5);
  Pass(11);
  Pass(11);  // 22 ms since the first run: not yet
  EXPECT_DOUBLE_EQ(target_->GetAlpha(), 0.5);
  Pass(11);  // 33 ms
  EXPECT_DOUBLE_EQ(target_->GetAlpha(), 1.0);
  EXPECT_EQ(services_->GetMinActionInterval(), 30u);
}

TEST_F(ActionBuildersTest, PulseEndsAtTheCountedBounceOrRunsUntilCancelled) {
  target_->SetAlpha(0.5);
  services_->PulseAlpha(target_, 0.25, 1, 30, 1.0, 0.0, &done_);
  std::vector<double> seen;
  for (int i = 0; i < 4 && Completions() == 0; ++i) {
    Pass();
    seen.push_back(target_->GetAlpha());
  }
  // 0.75, 1.0, then 1.25 bounces off the upper bound: the first bounce ends a count of 1.
  EXPECT_EQ(seen, (std::vector<double>{0.75, 1.0, 1.0}));
  EXPECT_EQ(Completions(), 1);

  listener_->received.clear();
  const uint64_t endless = services_->PulseAlpha(target_, 0.5, 0, 30, 1.0, 0.0, &done_);
  for (int i = 0; i < 50; ++i) Pass();
  EXPECT_EQ(Completions(), 0);
  EXPECT_EQ(objects_->CountActions(), 1u);
  services_->CancelAction(endless);
  Pass();
  EXPECT_EQ(objects_->CountActions(), 0u);
  EXPECT_EQ(Completions(), 0) << "a cancelled action sends no completion message";
}

TEST_F(ActionBuildersTest, RotateSnapsToTheTargetWithinOneStep) {
  services_->RotateTo(target_, 5.0, 12.0, 30, &done_);
  Pass();
  EXPECT_DOUBLE_EQ(target_->GetAngle(), 5.0);
  EXPECT_EQ(Completions(), 0);
  Pass();
  EXPECT_DOUBLE_EQ(target_->GetAngle(), 12.0);
  EXPECT_EQ(Completions(), 1);

  listener_->received.clear();
  services_->RotateTo(target_, 0.5, 20.0, 30, &done_);
  for (int i = 0; i < 60; ++i) Pass();
  EXPECT_EQ(Completions(), 0) << "a step below one degree never counts as arrived";
}

TEST_F(ActionBuildersTest, GlideMovesAlongTheLineAndLandsExactly) {
  target_->MoveTo(0, 0);
  services_->GlideTo(target_, 30, 40, 10.0, 0.0, 0.0, &done_);
  std::vector<std::pair<double, double>> path;
  for (int i = 0; i < 5; ++i) {
    Pass();
    path.emplace_back(target_->GetX(), target_->GetY());
  }
  const std::vector<std::pair<double, double>> expected{{6, 8}, {12, 16}, {18, 24}, {24, 32}, {30, 40}};
  EXPECT_EQ(path, expected);
  EXPECT_EQ(Completions(), 1);
}

TEST_F(ActionBuildersTest, GlideWithoutMaximumAcceleratesWithoutCap) {
  target_->MoveTo(0, 0);
  services_->GlideTo(target_, 1000, 0, 0.0, 100.0, 0.0, nullptr);
  std::vector<double> xs;
  for (int i = 0; i < 4; ++i) {
    Pass();
    xs.push_back(target_->GetX());
  }
  EXPECT_EQ(xs, (std::vector<double>{100, 300, 600, 1000}));
}

TEST_F(ActionBuildersTest, DelaysCompleteByTheirIntervalOrTheCoreClock) {
  services_->Delay(0, &done_);
  Pass(11);
  EXPECT_EQ(Completions(), 1) << "Delay(0) completes on its first run";

  listener_->received.clear();
  services_->Delay(100, &done_);
  Pass(11);                              // first run, elapsed 0
  for (int i = 0; i < 8; ++i) Pass(11);  // 88 ms
  EXPECT_EQ(Completions(), 0);
  Pass(11);  // 99 ms
  EXPECT_EQ(Completions(), 0);
  Pass(11);  // 110 ms
  EXPECT_EQ(Completions(), 1);

  listener_->received.clear();
  services_->DelayByClock(50, &done_);
  Pass(11);
  for (int i = 0; i < 3; ++i) Pass(11);
  EXPECT_EQ(Completions(), 0);
  Pass(11);  // 55 ms after the builder ran
  EXPECT_EQ(Completions(), 1);
}

TEST_F(ActionBuildersTest, RepeatDeliversOncePerPeriodAndCatchesUpAfterAStall) {
  const ObjectMessage tick = MakeMessage(listener_->GetKey(), 80000078, 7, 0);
  ASSERT_NE(services_->RepeatMessage(100, 3, &tick), 0u);
  auto ticks = [&] {
    int n = 0;
    for (const ObjectMessage& m : listener_->received) n += m.id == 80000078 ? 1 : 0;
    return n;
  };
  Pass(11);  // first run at elapsed 0: nothing yet
  EXPECT_EQ(ticks(), 0);
  Pass(100);
  EXPECT_EQ(ticks(), 1);
  Pass(100);
  EXPECT_EQ(ticks(), 2);
  Pass(100);
  EXPECT_EQ(ticks(), 3);
  Pass(100);
  EXPECT_EQ(ticks(), 3);
  EXPECT_EQ(objects_->CountActions(), 0u);

  listener_->received.clear();
  services_->RepeatMessage(100, 3, &tick);
  Pass(11);
  Pass(350);
  EXPECT_EQ(ticks(), 3) << "the late run makes up all three deliveries";

  const ObjectMessage nobody = MakeMessage(987654, 80000078, 0, 0);
  EXPECT_EQ(services_->RepeatMessage(100, 3, &nobody), 0u);
  EXPECT_EQ(services_->RepeatMessage(0, 3, &tick), 0u);
  EXPECT_EQ(services_->RepeatMessage(100, 3, nullptr), 0u);
}

TEST_F(ActionBuildersTest, SoundNamesUpToThirtyOneBytes) {
  const std::string ok(31, 'a');
  const std::string too_long(32, 'a');
  EXPECT_NE(services_->QueuePlaySound(ok.c_str(), 1, nullptr), 0u);
  EXPECT_EQ(services_->QueuePlaySound(too_long.c_str(), 1, nullptr), 0u);
  // Without a music module the sound step does nothing and finishes.
  Pass();
  EXPECT_EQ(objects_->CountActions(), 0u);
}

TEST_F(ActionBuildersTest, ShowAndHideQueuedForTheNextPass) {
  services_->QueueShow(target_, false, &done_);
  EXPECT_NE(target_->IsVisible(), 0u);
  Pass();
  EXPECT_EQ(target_->IsVisible(), 0u);
  EXPECT_EQ(Completions(), 1);
}

TEST_F(ActionBuildersTest, ResizeStepsEachSideWithoutPassingItsTarget) {
  services_->ResizeTo(target_, 20, 20, 50, 10, 20, 4, &done_);
  std::vector<std::pair<double, double>> sizes;
  for (int i = 0; i < 3; ++i) {
    Pass();
    sizes.emplace_back(target_->GetWidth(), target_->GetHeight());
  }
  EXPECT_EQ(sizes, (std::vector<std::pair<double, double>>{{40, 16}, {50, 12}, {50, 10}}));
  EXPECT_EQ(Completions(), 1);
}

TEST_F(ActionBuildersTest, ResizeWithAStepLargerThanTheGapStillEnds) {
  // 5 - 10 would pass the target 0; the side stops at 0 and the action completes.
  target_->SetSize(5, 5);
  services_->ResizeTo(target_, 5, 5, 0, 0, 10, 10, &done_);
  EXPECT_EQ(PassesUntilDone(5), 1);
  EXPECT_EQ(target_->GetWidth(), 0.0);
  EXPECT_EQ(objects_->CountActions(), 0u);

  // A negative target is a size no object can have: it is taken as 0.
  listener_->received.clear();
  target_->SetSize(8, 8);
  services_->ResizeTo(target_, 8, 8, -4, 8, 3, 1, &done_);
  EXPECT_EQ(PassesUntilDone(10), 3);
}

void RecordCall(void* data) {
  auto* bytes = static_cast<unsigned char*>(data);
  static_cast<std::vector<unsigned char>*>(*reinterpret_cast<void**>(bytes))->push_back(bytes[sizeof(void*)]);
}

void IgnoreCall(void*) {}

TEST_F(ActionBuildersTest, CallCopiesItsDataAndRefusesMoreThanSixtyBytes) {
  std::vector<unsigned char> calls;
  unsigned char block[sizeof(void*) + 1];
  void* sink = &calls;
  std::memcpy(block, &sink, sizeof sink);
  block[sizeof(void*)] = 42;
  ASSERT_NE(services_->QueueCall(&RecordCall, block, sizeof block), 0u);
  block[sizeof(void*)] = 0;  // the action works on its own copy
  Pass();
  EXPECT_EQ(calls, (std::vector<unsigned char>{42}));

  unsigned char big[61] = {};
  EXPECT_EQ(services_->QueueCall(&RecordCall, big, sizeof big), 0u);
  EXPECT_NE(services_->QueueCall(&IgnoreCall, big, 60), 0u);
  Pass();
}

class ObjectServicesTest : public ActionBuildersTest {};

TEST_F(ObjectServicesTest, DeferredDeleteHidesNowAndRemovesOnTheActionPass) {
  int destroyed = 0;
  target_->destroyed = &destroyed;
  const uint32_t key = target_->GetKey();
  services_->DeleteObject(target_, true);
  EXPECT_EQ(target_->IsVisible(), 0u);
  EXPECT_EQ(objects_->FindObjectByKey(key), target_);
  Pass();  // the delete action runs and posts the removal
  Pass();  // the object module removes it
  EXPECT_EQ(objects_->FindObjectByKey(key), nullptr);
  EXPECT_EQ(destroyed, 1);

  auto* other = Add(50, 50, 5, 5);
  other->destroyed = &destroyed;
  services_->DeleteObject(other, false);
  EXPECT_EQ(destroyed, 2) << "an immediate delete removes the object before returning";
  services_->DeleteObject(nullptr, true);
  services_->DeleteObject(nullptr, false);
}

TEST_F(ObjectServicesTest, TwoDeletesOfOneObjectRemoveItOnce) {
  int destroyed = 0;
  target_->destroyed = &destroyed;
  services_->DeleteObject(target_, true);
  services_->DeleteObject(target_, true);
  for (int i = 0; i < 4; ++i) Pass();
  EXPECT_EQ(destroyed, 1);

  auto* other = Add(50, 50, 5, 5);
  other->destroyed = &destroyed;
  services_->DeleteObject(other, true);
  Pass();  // the removal is posted
  services_->DeleteObject(other, false);
  EXPECT_EQ(destroyed, 2);
  for (int i = 0; i < 3; ++i) Pass();
  EXPECT_EQ(destroyed, 2);
}

TEST_F(ObjectServicesTest, SettingsThroughTheCore) {
  engine::ObjectServices loose;
  EXPECT_EQ(loose.GetIntSetting(5), -2);
  EXPECT_EQ(loose.GetStringSetting(22), nullptr);
  loose.SetIntSetting(5, 1);  // nothing to set it on
  EXPECT_EQ(services_->GetIntSetting(4242), -1);
  services_->SetIntSetting(4242, 9);
  EXPECT_EQ(services_->GetIntSetting(4242), 9);
  services_->SetStringSetting(4243, "abc");
  EXPECT_STREQ(services_->GetStringSetting(4243), "abc");
}

TEST_F(ObjectServicesTest, SettingsMessageGoesWhereTheSettingsSay) {
  core_->SetDefaultSettings();
  services_->SendSettingsMessage(1, 2);
  EXPECT_TRUE(listener_->received.empty());

  services_->SetIntSetting(engine::setting::kSettingsMessageTarget, static_cast<int32_t>(listener_->GetKey()));
  services_->SetIntSetting(engine::setting::kSettingsMessageId, 80000001);
  services_->SendSettingsMessage(1, 2);
  ASSERT_EQ(listener_->received.size(), 1u);
  EXPECT_EQ(listener_->received[0].id, 80000001u);
  EXPECT_EQ(listener_->received[0].p1, 1u);
  EXPECT_EQ(listener_->received[0].p2, 2u);
}

TEST_F(ObjectServicesTest, GroupsRunStepAfterStepAndCancelByRecord) {
  engine::ActionGroup* group = services_->BeginGroup();
  ASSERT_NE(group, nullptr);
  target_->MoveTo(0, 0);
  services_->QueueShow(target_, false, nullptr);
  services_->Delay(60, nullptr);
  services_->NextGroup();
  services_->QueueShow(target_, true, &done_);
  services_->EndGroup();
  Pass();
  Pass();
  EXPECT_EQ(target_->IsVisible(), 0u);
  EXPECT_EQ(Completions(), 0);
  Pass();  // the delay ends; the second step runs in the same pass
  EXPECT_NE(target_->IsVisible(), 0u);
  EXPECT_EQ(Completions(), 1);

  engine::ActionGroup* second = services_->BeginGroup();
  services_->Delay(1000, &done_);
  services_->EndGroup();
  Pass();
  services_->CancelGroup(second);
  Pass();
  EXPECT_EQ(objects_->CountActions(), 0u);
  EXPECT_EQ(Completions(), 1);
}

TEST_F(ObjectServicesTest, ObjectsMadeAndFoundThroughTheScene) {
  engine::EngineObject* made = services_->CreateObject();
  ASSERT_NE(made, nullptr);
  made->SetName("made-here");
  EXPECT_EQ(services_->FindObjectByName("made-here"), made);
  EXPECT_EQ(services_->FindObjectByKey(made->GetKey()), made);
  EXPECT_EQ(services_->FindObjectByName(nullptr), nullptr);
  engine::RECT view{};
  services_->GetViewRect(&view);
  EXPECT_EQ(view.right - view.left, 800);
  EXPECT_EQ(services_->GetObjectModule(), objects_);
}

}  // namespace
