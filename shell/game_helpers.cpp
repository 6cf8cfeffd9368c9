#include "shell/game_helpers.h"

#include <cstring>

#include "platform/clock.h"
#include "shell/random_source.h"

namespace shell {

int GetLevelIndex(int32_t score, int32_t scale) {
  if (score < 1) return 0;
  int level = 0;
  for (int i = 0; i < 20; ++i) {
    // 64-bit product: a large scale must not wrap into a small threshold.
    if (static_cast<int64_t>(score) >= static_cast<int64_t>(kLevelThresholds[i]) * scale) level = i;
  }
  return level;
}

bool LookupRecordText(const RecordTextMap& map, int32_t key, char* out, size_t out_size) {
  auto it = map.find(key);
  if (it == map.end() || out == nullptr || out_size == 0) return false;
  size_t n = strnlen(it->second.text, sizeof it->second.text);
  if (n > out_size - 1) n = out_size - 1;
  std::memcpy(out, it->second.text, n);
  out[n] = '\0';
  return true;
}

void NewUuidText(char* buffer, size_t size) {
  if (buffer == nullptr || size == 0 || buffer[0] != '\0') return;
  static const char kHex[] = "0123456789abcdef";
  size_t limit = size - 1 < 30 ? size - 1 : 30;
  size_t n = 0;
  // 32 random bytes give 64 digits; the text keeps the first 30.
  for (int i = 0; i < 32 && n < limit; ++i) {
    int byte = RandomBelow(256);
    buffer[n++] = kHex[byte >> 4];
    if (n < limit) buffer[n++] = kHex[byte & 15];
  }
  buffer[n] = '\0';
}

int32_t SumArray(const int32_t* values, int n) {
  int64_t sum = 0;
  for (int i = 0; i < n; ++i) sum += values[i];
  return static_cast<int32_t>(sum);
}

void FillMinusOne(int32_t* values, int n) {
  for (int i = 0; i < n; ++i) values[i] = -1;
}

bool AllHaveFlag(const int32_t* values, int n, uint32_t mask) {
  for (int i = 0; i < n; ++i) {
    if ((static_cast<uint32_t>(values[i]) & mask) != mask) return false;
  }
  return true;
}

bool AnyHasFlag(const int32_t* values, int n, uint32_t mask) {
  for (int i = 0; i < n; ++i) {
    if ((static_cast<uint32_t>(values[i]) & mask) == mask) return true;
  }
  return false;
}

namespace {
int32_t SmallestPositive(const int32_t* values, int n) {
  int32_t best = 0;
  for (int i = 0; i < n; ++i) {
    if (values[i] > 0 && (best == 0 || values[i] < best)) best = values[i];
  }
  return best;
}
}  // namespace

int32_t ScaledMinimum(const int32_t* values, int n, int32_t percent) {
  return static_cast<int32_t>(static_cast<int64_t>(SmallestPositive(values, n)) * percent / 100);
}

int LevelValueOfMinimum(const int32_t* values, int n, int32_t scale) {
  return GetLevelIndex(SmallestPositive(values, n), scale);
}

void GetElapsedTime(uint32_t start_tick, int32_t* seconds, int32_t* minutes, int32_t unit_ms) {
  uint32_t unit = unit_ms < 1 ? 60000u : static_cast<uint32_t>(unit_ms);
  uint32_t elapsed = platform::GetTickCount() - start_tick;
  if (minutes != nullptr) *minutes = static_cast<int32_t>(elapsed / unit);
  if (seconds != nullptr) *seconds = static_cast<int32_t>((elapsed % unit) / 1000u);
}

}  // namespace shell
