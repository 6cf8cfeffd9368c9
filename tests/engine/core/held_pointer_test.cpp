// ctest-labels: foundation
#include "engine/core/held_pointer.h"

#include <gtest/gtest.h>

namespace engine {
namespace {

class Echo : public HeldObject {
 public:
  explicit Echo(int* destroyed) : destroyed_(destroyed) {}
  ~Echo() override { ++*destroyed_; }
  intptr_t Call(intptr_t a, intptr_t b) override {
    ++calls;
    return a * 1000 + b;
  }
  int calls = 0;

 private:
  int* destroyed_;
};

TEST(HeldPointer, ReplacingTheBlockKeepsTheNewOneAndReleasesTheOld) {
  BufferHolder holder;
  holder.word = 7;
  auto first = std::make_unique<uint8_t[]>(16);
  uint8_t* first_at = first.get();
  EXPECT_EQ(ReplaceOwnedBuffer(&holder, std::move(first)), first_at);
  EXPECT_EQ(holder.block.get(), first_at);

  auto second = std::make_unique<uint8_t[]>(32);
  uint8_t* second_at = second.get();
  EXPECT_EQ(ReplaceOwnedBuffer(&holder, std::move(second)), second_at);
  EXPECT_EQ(holder.block.get(), second_at);  // the first is gone (the leak checker would say so)
  EXPECT_EQ(holder.word, 7u) << "the owner's word is not touched";

  EXPECT_EQ(ReplaceOwnedBuffer(&holder, nullptr), nullptr);
  EXPECT_EQ(holder.block, nullptr);
  EXPECT_EQ(ReplaceOwnedBuffer(nullptr, std::make_unique<uint8_t[]>(8)), nullptr);
}

TEST(HeldPointer, CallsGoToTheHeldObjectAndAnEmptyHolderAnswersZero) {
  ObjectHolder holder;
  EXPECT_EQ(ForwardToHeldObject(&holder, 1, 2), 0);
  EXPECT_EQ(ForwardToHeldObject(nullptr, 1, 2), 0);

  int destroyed = 0;
  auto echo = std::make_unique<Echo>(&destroyed);
  Echo* seen = echo.get();
  holder.object = std::move(echo);
  EXPECT_EQ(ForwardToHeldObject(&holder, 3, 4), 3004);
  EXPECT_EQ(ForwardToHeldObject(&holder, -1, 5), -995);
  EXPECT_EQ(seen->calls, 2);
  holder.object.reset();
  EXPECT_EQ(destroyed, 1);
}

}  // namespace
}  // namespace engine
