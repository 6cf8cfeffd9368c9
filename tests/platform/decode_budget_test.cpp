// ctest-labels: resources
// One decode's allowance of memory and work.
#include "platform/decode_budget.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(DecodeBudgetTest, MemoryIsTakenAndGivenBackWithinTheLimitAndRefusedPastIt) {
  DecodeBudget budget(100, 1000);
  EXPECT_TRUE(budget.Take(60));
  EXPECT_FALSE(budget.Take(41));  // nothing taken
  EXPECT_EQ(budget.in_use(), 60u);
  EXPECT_TRUE(budget.exhausted());
  budget.Give(60);
  EXPECT_TRUE(budget.Take(100));
  EXPECT_EQ(budget.peak(), 100u);
  EXPECT_FALSE(budget.Take(UINT64_MAX));
}

TEST(DecodeBudgetTest, WorkPastTheLimitStopsTheDecode) {
  DecodeBudget budget(100, 1000);
  EXPECT_TRUE(budget.Spend(1000));
  EXPECT_FALSE(budget.exhausted());
  EXPECT_FALSE(budget.Spend(1));
  EXPECT_FALSE(budget.Spend(UINT64_MAX));  // saturates, never wraps back under
  EXPECT_STREQ(budget.problem(), "decoding it would take more work than its size allows");
}

TEST(DecodeBudgetTest, AClaimRaisesTheLimitsByTheFrameAndTheFileAndNeverLowersThem) {
  DecodeBudget budget = DecodeBudget::ForFile(1000);
  EXPECT_EQ(budget.memory_limit(), DecodeBudget::kBaseMemoryBytes + 1000);
  budget.SetClaim(4000);
  EXPECT_EQ(budget.memory_limit(), DecodeBudget::kBaseMemoryBytes + 1000 + 4000 + 1000);
  EXPECT_EQ(budget.work_limit(), DecodeBudget::kBaseWork + DecodeBudget::kWorkPerClaimedByte * 5000);
  budget.SetClaim(400, 0);
  EXPECT_EQ(budget.memory_limit(), DecodeBudget::kBaseMemoryBytes + 1000 + 4000 + 1000);
  budget.SetClaim(UINT64_MAX, UINT64_MAX);
  EXPECT_EQ(budget.memory_limit(), UINT64_MAX);
}

TEST(DecodeBudgetTest, ADecodeInsideAnotherDrawsOnTheOuterBudgetAndTheOutermostIsReported) {
  DecodeBudget outer(100, 100), inner(1 << 20, 1 << 20);
  {
    const ScopedDecodeBudget a(&outer);
    {
      const ScopedDecodeBudget b(&inner);
      EXPECT_EQ(b.budget(), &outer);
      EXPECT_EQ(CurrentDecodeBudget(), &outer);
      CurrentDecodeBudget()->Spend(150);
    }
    EXPECT_EQ(CurrentDecodeBudget(), &outer);
  }
  EXPECT_EQ(CurrentDecodeBudget(), nullptr);
  EXPECT_EQ(LastDecodeSpending().work, 150u);
  EXPECT_EQ(LastDecodeSpending().problem, "decoding it would take more work than its size allows");
}

}  // namespace
}  // namespace platform
