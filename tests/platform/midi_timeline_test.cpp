// ctest-labels: sound
#include "platform/midi_timeline.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace platform {
namespace {

// 64000 frames a second: a block is exactly a millisecond.
constexpr int kRate = 64000;
constexpr int64_t kStartUs = 1000000;

// Keeps the frame each message was played at, counting the frames rendered.
class Recorder final : public MidiTimeline::Synthesiser {
 public:
  struct Heard {
    uint32_t message;
    int64_t frame;
    bool operator==(const Heard&) const = default;
  };
  void Play(uint32_t message) override { heard.push_back({message, rendered}); }
  void Render(int, int count) override { rendered += count; }

  std::vector<Heard> heard;
  int64_t rendered = 0;
};

class MidiTimelineTest : public ::testing::Test {
 protected:
  // Pulls as a device whose clock keeps time with ours: frames then as much clock time.
  void PullInStep(int pulls, int frames) {
    for (int i = 0; i < pulls; ++i) {
      timeline_.Pull(now_us_, frames, synth_);
      now_us_ += int64_t{frames} * 1000000 / kRate;
    }
  }

  MidiTimeline timeline_{kRate};
  Recorder synth_;
  int64_t now_us_ = kStartUs;
};

TEST_F(MidiTimelineTest, MessagesSoundFromTheBlockNearestTheirDueTimeWhateverThePullSize) {
  timeline_.Add(0x403C90, kStartUs + 10400, 1);  // frame 665.6: block 640
  timeline_.Add(0x403E90, kStartUs + 10600, 1);  // frame 678.4: block 704
  timeline_.Add(0x3C80, kStartUs + 3000, 2);     // handed later, due earlier: it sounds first
  PullInStep(20, 100);
  EXPECT_EQ(synth_.heard, (std::vector<Recorder::Heard>{{0x3C80, 192}, {0x403C90, 640}, {0x403E90, 704}}));
  EXPECT_EQ(synth_.rendered, 2000);
}

TEST_F(MidiTimelineTest, AMessageHandedAfterItsFrameWasRenderedSoundsAtTheNextBlockAndCountsLate) {
  timeline_.KeepPlayed(true);
  PullInStep(1, 256);
  timeline_.Add(0x403C90, kStartUs + 1000, 1);  // frame 64, rendered already
  PullInStep(1, 256);
  ASSERT_EQ(synth_.heard, (std::vector<Recorder::Heard>{{0x403C90, 256}}));
  const std::vector<MidiTimeline::Played> played = timeline_.TakePlayed();
  ASSERT_EQ(played.size(), 1u);
  EXPECT_EQ(played[0].due_frame, 64);
  EXPECT_EQ(played[0].played_frame, 256);
  EXPECT_EQ(played[0].source, 1u);
  EXPECT_TRUE(timeline_.TakePlayed().empty());
}

TEST_F(MidiTimelineTest, WithdrawTakesBackOnlyThatSourcesMessagesDueAfterTheTime) {
  timeline_.Add(0x403C90, kStartUs + 5000, 1);
  timeline_.Add(0x403E90, kStartUs + 20000, 1);
  timeline_.Add(0x404090, kStartUs + 20000, 2);
  timeline_.Withdraw(1, kStartUs + 10000);
  PullInStep(10, 640);
  EXPECT_EQ(synth_.heard, (std::vector<Recorder::Heard>{{0x403C90, 320}, {0x404090, 1280}}));
}

TEST_F(MidiTimelineTest, TheMappingFollowsADeviceWhoseClockRunsFast) {
  // The device plays 10 ms of output in 9.995 ms of our clock, ten seconds long.
  for (int i = 0; i < 1000; ++i) {
    timeline_.Pull(now_us_, 640, synth_);
    now_us_ += 9995;
  }
  // A message due 20 ms from now should sound as the device reaches that moment.
  timeline_.Add(0x403C90, now_us_ + 20000, 1);
  const int64_t device_frame_then = synth_.rendered + 20000 * 640 / 9995;
  for (int i = 0; i < 10; ++i) {
    timeline_.Pull(now_us_, 640, synth_);
    now_us_ += 9995;
  }
  ASSERT_EQ(synth_.heard.size(), 1u);
  EXPECT_LE(std::llabs(synth_.heard[0].frame - device_frame_then), 128) << "not 320 frames off, as unfollowed";
}

TEST_F(MidiTimelineTest, AfterTheDeviceStallsTheMappingIsSetAgain) {
  PullInStep(20, 640);
  now_us_ += 1000000;  // a second without pulls
  PullInStep(20, 640);
  const int64_t frame_now = synth_.rendered;
  timeline_.Add(0x403C90, now_us_ + 20000, 1);
  PullInStep(5, 640);
  ASSERT_EQ(synth_.heard.size(), 1u) << "not a second late";
  EXPECT_EQ(synth_.heard[0].frame, frame_now + 20 * 64);
}

}  // namespace
}  // namespace platform
