// ctest-labels: play table
// Replays the table-notification fuzz target's seeds (fuzz/corpus) and every input that once made
// it fail (tests/data/fuzz), through the same code the target runs, and reads the seeds back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fuzz/table_notify_targets.h"
#include "tests/support/fuzz_replay.h"

namespace {

std::vector<uint8_t> Seed(const std::string& name) {
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(
      platform::ReadFileBytes(std::string(ZP_TEST_DATA_DIR) + "/../../fuzz/corpus/table_notify/" + name, &bytes));
  return bytes;
}

TEST(TableNotifyFuzzRegressionTest, AnyBytesAreReadAsEveryTableNotification) {
  EXPECT_GT(test_support::ReplayFuzzInputs(ZP_TEST_DATA_DIR, "table_notify", fuzz::ReadTableNotices), 0);
}

TEST(TableNotifyFuzzRegressionTest, TheSeedsAreWhatTheirNamesSay) {
  const std::vector<uint8_t> play = Seed("play.bin");
  table::PlayNotice notice;
  ASSERT_TRUE(table::ReadPlayNotice(shell::NotifyBody{play.data(), static_cast<uint32_t>(play.size())}, 3, &notice));
  EXPECT_EQ(notice.chair, 1);
  EXPECT_EQ(notice.next_chair, 0);
  EXPECT_EQ(notice.combo.card_count, 2);
  EXPECT_EQ(notice.combo.cards[1], 18);
  EXPECT_EQ(notice.combo.cards[2], -1);
  // One byte short of its second card id, the same play is refused.
  EXPECT_FALSE(
      table::ReadPlayNotice(shell::NotifyBody{play.data(), static_cast<uint32_t>(play.size() - 1)}, 3, &notice));

  const std::vector<uint8_t> cards = Seed("chair_cards.bin");
  table::GameMessageNotice message;
  ASSERT_TRUE(table::ReadGameMessage(shell::NotifyBody{cards.data(), static_cast<uint32_t>(cards.size())}, &message));
  EXPECT_EQ(message.id, 19840337);
  table::ChairCardsNotice shown;
  ASSERT_TRUE(table::ReadChairCards(message.data, message.length, 3, &shown));
  EXPECT_EQ(shown.chair, 1);
  EXPECT_EQ(shown.count, 2);
  EXPECT_EQ(shown.ids[1], 41);
  EXPECT_FALSE(table::ReadChairCards(message.data, message.length, 1, &shown));  // no chair 1 at a table of one
}

}  // namespace
