// Small helpers of the application that the table logic and its rules call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>

namespace shell {

// The 20 level steps (multiplied by a scale): a score reaches level i when it is at least
// kLevelThresholds[i] x scale.
inline constexpr int32_t kLevelThresholds[20] = {0,    10,   30,   60,    100,   200,   400,   640,   920,   1240,
                                                 2140, 4640, 7390, 10390, 13640, 20640, 35640, 51640, 68640, 86640};

// The level index 0..19 of a score: 0 below 1, else the highest step the score reaches.
int GetLevelIndex(int32_t score, int32_t scale);

// A record of a text map: a key word and a 32-byte NUL-terminated text (9 words).
struct TextRecord {
  int32_t key = 0;
  char text[32] = {};
};
static_assert(sizeof(TextRecord) == 36);
using RecordTextMap = std::unordered_map<int32_t, TextRecord>;

// Copies the text of key's record into out (32 bytes, always terminated) and answers true;
// out is left as it was when the key is not in the map.
bool LookupRecordText(const RecordTextMap& map, int32_t key, char* out, size_t out_size);

// When buffer is empty, fills it with random hex digits (at most 30, and at most size - 1).
void NewUuidText(char* buffer, size_t size);

int32_t SumArray(const int32_t* values, int n);
void FillMinusOne(int32_t* values, int n);
// Every / some of the first n elements carries all bits of mask.
bool AllHaveFlag(const int32_t* values, int n, uint32_t mask);
bool AnyHasFlag(const int32_t* values, int n, uint32_t mask);

// The smallest positive value among the first n, times percent / 100 (0 when none is positive).
int32_t ScaledMinimum(const int32_t* values, int n, int32_t percent);
// The level index (GetLevelIndex) of the smallest positive value among the first n.
int LevelValueOfMinimum(const int32_t* values, int n, int32_t scale);

// Time since a tick stamp: whole units of unit_ms (60000 when unit_ms < 1) and the whole
// seconds left over beyond them. Unsigned tick arithmetic, so a wrapped tick count is fine.
void GetElapsedTime(uint32_t start_tick, int32_t* seconds, int32_t* minutes, int32_t unit_ms);

}  // namespace shell
