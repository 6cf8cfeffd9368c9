// ctest-labels: replay
// The replay bar's pace with many records due at once: each turn of the engine hands the table
// at most kRecordsPerTurn of them, every turn makes that much headway until all are played, and
// the bar's buttons are answered between two turns.
#include "dialogs/replay_bar.h"

#include <gtest/gtest.h>

#include <string>

#include "dialogs/replay_file.h"
#include "shell/replay_table_target.h"
#include "tests/dialogs/replay_samples.h"
#include "tests/support/widget_scene_fixture.h"

namespace {

using dialogs::CReplayBar;

// A table that counts what it is handed, in order.
class CountingTable : public test::TestObject, public shell::ReplayTableTarget {
 public:
  bool PlayRecordedMessage(int32_t id, const uint8_t*, uint32_t) override {
    in_order = in_order && id == 211040;
    ++played;
    return true;
  }
  void OnReplayRewound() override {}
  void OnReplayPaused(bool) override {}
  size_t played = 0;
  bool in_order = true;
};

class ReplayBarPace : public test::WidgetSceneFixture {
 protected:
  // The file the fuzz corpus keeps too: 100,000 "game started" records, all at time 0.
  static constexpr size_t kRecords = 100000;

  void SetUp() override {
    WidgetSceneFixture::SetUp();
    table_ = new CountingTable();
    objects_->AddObject(table_, nullptr);
    bar_ = new CReplayBar();
    services_->AddToScene(bar_);
    ASSERT_TRUE(bar_->Build());
    bar_->SetTarget(table_->GetKey());
    dialogs::ReplayFile replay = replay_samples::SampleReplay(false, 0);
    replay.records.assign(kRecords, dialogs::ReplayRecord{0, 211040, {}});
    std::string error;
    ASSERT_TRUE(dialogs::SaveReplayFile("many.rep", replay, &error)) << error;
    ASSERT_TRUE(bar_->OpenReplay("many.rep", 3, &error)) << error;
  }
  // One turn; whether it handed the table exactly a turn's share.
  bool Turn() {
    const size_t before = table_->played;
    Pass();
    return table_->played - before == CReplayBar::kRecordsPerTurn;
  }
  void Press(uint32_t button) {
    const engine::ObjectMessage m = engine::MakeMessage(bar_->GetKey(), button, 0, 0);
    bar_->OnMessage(&m);
  }

  CountingTable* table_ = nullptr;
  CReplayBar* bar_ = nullptr;
};

TEST_F(ReplayBarPace, ManyRecordsAtOneTimeArePlayedAShareATurnAndTheButtonsAnswerBetweenTurns) {
  bar_->Play();
  EXPECT_EQ(table_->played, CReplayBar::kRecordsPerTurn);
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(Turn()) << i;
  // Paused with most records still due: nothing more is handed over, and a step hands one.
  Press(CReplayBar::kPlayPressed);
  EXPECT_FALSE(bar_->IsPlaying());
  const size_t held = table_->played;
  for (int i = 0; i < 10; ++i) Pass();
  EXPECT_EQ(table_->played, held);
  Press(CReplayBar::kStepPressed);
  EXPECT_EQ(table_->played, held + 1);
  // On again: every turn takes its whole share until the last record, so the work grows with
  // the records and no faster.
  Press(CReplayBar::kPlayPressed);
  while (table_->played + CReplayBar::kRecordsPerTurn < kRecords) ASSERT_TRUE(Turn()) << table_->played;
  Pass();
  EXPECT_TRUE(bar_->IsFinished());
  EXPECT_EQ(table_->played, kRecords);
  EXPECT_TRUE(table_->in_order);
}

}  // namespace
