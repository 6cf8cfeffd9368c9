// One decode's allowance of memory and work (decode_budget.h).
#include "platform/decode_budget.h"

#include <algorithm>

namespace platform {
namespace {

thread_local DecodeBudget* g_current = nullptr;
thread_local DecodeSpending g_last;

uint64_t SaturatingAdd(uint64_t a, uint64_t b) { return a > UINT64_MAX - b ? UINT64_MAX : a + b; }
uint64_t SaturatingTimes(uint64_t a, uint64_t b) { return b != 0 && a > UINT64_MAX / b ? UINT64_MAX : a * b; }

constexpr const char* kOutOfMemory = "decoding it would take more memory than its size allows";
constexpr const char* kOutOfWork = "decoding it would take more work than its size allows";

}  // namespace

DecodeBudget::DecodeBudget(uint64_t memory_limit, uint64_t work_limit)
    : memory_limit_(memory_limit), work_limit_(work_limit) {}

DecodeBudget DecodeBudget::ForFile(uint64_t file_bytes) {
  DecodeBudget budget(SaturatingAdd(kBaseMemoryBytes, file_bytes),
                      SaturatingAdd(kBaseWork, SaturatingTimes(kWorkPerClaimedByte, file_bytes)));
  budget.file_bytes_ = file_bytes;
  return budget;
}

void DecodeBudget::SetClaim(uint64_t frame_bytes, uint64_t beside_bytes) {
  frame_bytes_ = std::max(frame_bytes_, frame_bytes);
  beside_bytes_ = std::max(beside_bytes_, beside_bytes);
  const uint64_t memory =
      SaturatingAdd(SaturatingAdd(file_bytes_, frame_bytes_), SaturatingAdd(beside_bytes_, kBaseMemoryBytes));
  const uint64_t work =
      SaturatingAdd(kBaseWork, SaturatingTimes(kWorkPerClaimedByte, SaturatingAdd(frame_bytes_, file_bytes_)));
  memory_limit_ = std::max(memory_limit_, memory);
  work_limit_ = std::max(work_limit_, work);
}

bool DecodeBudget::Take(uint64_t bytes) {
  if (bytes > memory_limit_ || in_use_ > memory_limit_ - bytes) {
    if (!problem_) problem_ = kOutOfMemory;
    return false;
  }
  in_use_ += bytes;
  peak_ = std::max(peak_, in_use_);
  return true;
}

void DecodeBudget::Give(uint64_t bytes) { in_use_ -= std::min(bytes, in_use_); }

bool DecodeBudget::Spend(uint64_t units) {
  work_done_ = SaturatingAdd(work_done_, units);
  if (work_done_ <= work_limit_) return true;
  if (!problem_) problem_ = kOutOfWork;
  return false;
}

DecodeBudget* CurrentDecodeBudget() { return g_current; }

ScopedDecodeBudget::ScopedDecodeBudget(DecodeBudget* budget)
    : current_(g_current ? g_current : budget), outermost_(g_current == nullptr) {
  g_current = current_;
}

ScopedDecodeBudget::~ScopedDecodeBudget() {
  if (!outermost_) return;
  g_last = {current_->peak(), current_->work_done(), current_->memory_limit(), current_->work_limit(),
            current_->problem() ? current_->problem() : ""};
  g_current = nullptr;
}

DecodeSpending LastDecodeSpending() { return g_last; }

}  // namespace platform
