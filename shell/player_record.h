// The lobby's records of the people at a table, read at fixed byte offsets (little-endian):
// PlayerRecord (320 bytes, one per player or looker) and TableExtraRecord (288 bytes, a
// player's match record). Texts are GBK, NUL-terminated within their field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/media/byte_span.h"

namespace shell {

// Places kept by chair (players, per-chair values); this game seats 3.
inline constexpr int kMaxChairs = 8;

// A text field of a record of record_size bytes, cut to the record's end.
std::string ReadRecordText(const uint8_t* record, size_t record_size, size_t offset, size_t size);
void WriteRecordText(uint8_t* record, size_t record_size, size_t offset, size_t size, const std::string& text);

// A fixed-size record of bytes with bounded field access; offsets past the end read 0.
template <size_t N>
struct ByteRecord {
  static constexpr size_t kSize = N;
  uint8_t bytes[N] = {};

  uint32_t Word(size_t offset) const { return offset + 4 > N ? 0 : engine::ReadU32(bytes + offset); }
  int32_t Int(size_t offset) const { return static_cast<int32_t>(Word(offset)); }
  void SetWord(size_t offset, uint32_t value) {
    if (offset + 4 <= N) engine::WriteU32(bytes + offset, value);
  }
  // The text of a field of `size` bytes, up to its first NUL.
  std::string Text(size_t offset, size_t size) const { return ReadRecordText(bytes, N, offset, size); }
  // Writes a text into a field (cut on a character boundary, zero-filled, always terminated).
  void SetText(size_t offset, size_t size, const std::string& text) { WriteRecordText(bytes, N, offset, size, text); }
};

struct PlayerRecord : ByteRecord<320> {
  static constexpr size_t kUserId = 0;  // u32, 0 = empty
  static constexpr size_t kFlags = 4;   // u32: 0x1 member mark, 0x1000 the flood limit does not apply
  static constexpr size_t kName = 20;
  static constexpr size_t kNameBytes = 32;
  // The second name field is given as 32 bytes, but the gender word follows at 68.
  static constexpr size_t kSecondName = 52;
  static constexpr size_t kSecondNameBytes = 16;
  static constexpr size_t kGender = 68;    // i32: 0 male, 1 female
  static constexpr size_t kAvatarId = 76;  // i32
  static constexpr size_t kSilver = 80;    // i32
  static constexpr size_t kLevelText = 88;
  static constexpr size_t kLevelTextBytes = 16;
  static constexpr size_t kScore = 104;        // i32
  static constexpr size_t kExperience = 108;   // i32
  static constexpr size_t kDisconnects = 112;  // i32
  static constexpr size_t kNetSpeed = 116;     // i32
  static constexpr size_t kWins = 120;         // i32
  static constexpr size_t kLosses = 124;       // i32
  static constexpr size_t kDraws = 128;        // i32
  static constexpr size_t kTable = 140;        // u32: the zero-based table number
  static constexpr size_t kChair = 144;        // i32: a player's chair, a looker's watched chair
  static constexpr size_t kLookerFlag = 148;   // u32, non-zero for a looker

  static constexpr uint32_t kFlagMember = 0x1;
  static constexpr uint32_t kFlagNoFloodLimit = 0x1000;

  uint32_t UserId() const { return Word(kUserId); }
  uint32_t Flags() const { return Word(kFlags); }
  std::string Name() const { return Text(kName, kNameBytes); }
  std::string SecondName() const { return Text(kSecondName, kSecondNameBytes); }
  int32_t Gender() const { return Int(kGender); }
  int32_t AvatarId() const { return Int(kAvatarId); }
  int32_t Silver() const { return Int(kSilver); }
  std::string LevelText() const { return Text(kLevelText, kLevelTextBytes); }
  int32_t Score() const { return Int(kScore); }
  int32_t Chair() const { return Int(kChair); }
  bool IsLooker() const { return Word(kLookerFlag) != 0; }
};
static_assert(sizeof(PlayerRecord) == 320);

struct TableExtraRecord : ByteRecord<288> {
  static constexpr size_t kUserId = 0;
  static constexpr size_t kName = 20;
  static constexpr size_t kDuanIndex = 96;
  static constexpr size_t kDuanScore = 100;
  static constexpr size_t kDuanScoreNeeded = 264;

  uint32_t UserId() const { return Word(kUserId); }
  int32_t DuanIndex() const { return Int(kDuanIndex); }
  int32_t DuanScore() const { return Int(kDuanScore); }
};
static_assert(sizeof(TableExtraRecord) == 288);

}  // namespace shell
